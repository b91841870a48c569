// sqrt.cpp -- integer square root, two input bits at a time
#include "ddd/ddd_local.h"

uint32_t dddSquareRoot(uint32_t x) {
    uint32_t root = 0, rem = 0;
    for (int32_t i = 0; i < 16; i++) {
        rem = (rem << 2) | (x >> 30);
        x <<= 2;
        root <<= 1;
        uint32_t trial = (root << 1) | 1;
        if (rem >= trial) {
            rem -= trial;
            root |= 1;
        }
    }
    return root;
}
