// matmul.cpp -- product of two rotation matrices
#include "ddd/ddd_local.h"

void DDDMATMUL(const int32_t *a, const int32_t *b, int32_t *out) {
    int32_t r[9];
    for (int32_t i = 0; i < 3; i++)
        for (int32_t j = 0; j < 3; j++)
            r[i * 3 + j] = (int32_t)(((int64_t)a[i * 3] * b[j] + (int64_t)a[i * 3 + 1] * b[3 + j] +
                                      (int64_t)a[i * 3 + 2] * b[6 + j]) >>
                                     15);
    for (int32_t i = 0; i < 9; i++)
        out[i] = r[i];
}
