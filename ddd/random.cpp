// random.cpp -- the engine's 16-bit add-with-carry random sequence
#include "ddd/ddd_local.h"

static uint16_t rnd_lo = 0x3141, rnd_hi = 0x5926;

int32_t dddRnd(void) {
    uint32_t sum = (uint32_t)rnd_lo + rnd_hi;
    uint32_t carry = sum >> 16;
    rnd_lo = (uint16_t)sum;
    rnd_hi = (uint16_t)(rnd_hi + rnd_lo + carry);
    return rnd_lo;
}

void dddInitRnd(uint32_t seed) {
    rnd_lo = (uint16_t)seed;
    rnd_hi = (uint16_t)(seed >> 16);
}
