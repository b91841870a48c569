// demo.cpp -- the platform layer's demonstration program: a frame, a menu, tool windows
#include "platform/platform.h"

int main(int argc, char **argv) {
    if (!PlatformInit(argc, argv)) return 1;
    PlatformShutdown();
    return 0;
}
