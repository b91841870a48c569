// string.cpp -- the engine's small string functions
#include "ddd/ddd_local.h"

int32_t dddStrCmp(const char *a, const char *b) {
    if (!a || !b) return a != b;
    while (*a && *a == *b)
        a++, b++;
    return *a != *b;
}

char *dddStrCpy(char *destination, const char *source) {
    char *d = destination;
    while ((*d++ = *source++)) {
    }
    return destination;
}

int32_t dddStrLen(const char *s) {
    int32_t n = 0;
    while (s && s[n])
        n++;
    return n;
}

char *dddStrCat(char *destination, const char *source) {
    dddStrCpy(destination + dddStrLen(destination), source);
    return destination;
}

int32_t dddStrChr(const char *s, int32_t c) {
    int32_t i = 0;
    while (s[i] && s[i] != (char)c)
        i++;
    return i;
}

void dddStrLwr(char *s) {
    for (; s && *s; s++)
        if (*s >= 'A' && *s <= 'Z') *s = (char)(*s - 'A' + 'a');
}

void dddStrUpr(char *s) {
    for (; s && *s; s++)
        if (*s >= 'a' && *s <= 'z') *s = (char)(*s - 'a' + 'A');
}
