// sincos.cpp -- the 4096-step sine table, the reciprocal table and the identity depth table
#include "ddd/ddd_local.h"

#include <math.h>

int16_t dddsine[5120];
const int16_t *dddcosine = dddsine + 1024;
uint32_t dddldivtab[32768];
static int32_t ddd_identity_depth[32768];
int32_t *dddpixel_depth_ptr = ddd_identity_depth;

// The tables are built once before anything runs; drawing only ever reads them.
static bool FillTables() {
    for (int32_t i = 0; i < 5120; i++)
        dddsine[i] = (int16_t)(int32_t)(32767.0 * sin(2.0 * M_PI * i / 4096.0));
    dddsine[1024] = 32767;
    dddsine[3072] = -32767;
    dddsine[0] = dddsine[2048] = dddsine[4096] = 0;
    dddldivtab[0] = 0;
    dddldivtab[1] = 0xFFFFFFFFu;
    for (uint32_t i = 32767; i >= 2; i--)
        dddldivtab[i] = (uint32_t)(0x100000000ull / i);
    for (int32_t i = 0; i < 32768; i++)
        ddd_identity_depth[i] = i;
    return true;
}
static const bool tables_filled = FillTables();

void dddInitTables(void) {
    if (!tables_filled) FillTables();
}

int32_t dddGetSine(int32_t angle) {
    return dddsine[((uint32_t)angle & 0xFFFF) >> 4];
}
int32_t dddGetCosine(int32_t angle) {
    return dddcosine[((uint32_t)angle & 0xFFFF) >> 4];
}
