// fuzz_pcx.cpp -- arbitrary PCX files read and drawn
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "media/win.h"
#include "platform/platform_test.h"
#include "shell/debug.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static HWND window;
    if (!window) {
        char pattern[] = "/tmp/kr_fuzz_pcx_XXXXXX";
        if (!mkdtemp(pattern) || chdir(pattern) != 0) abort();
        mkdir("gfx", 0755);
        PlatformTestReset(320, 240);
        InitializeDebug(nullptr);
        window = CreateWindowEx(0, "STATIC", "fuzz", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64, NULL,
                                NULL, NULL, NULL);
    }
    FILE *f = fopen("gfx/f.pcx", "wb");
    fwrite(data, 1, size, f);
    fclose(f);
    BitMap bm = ReadBitMap("f.pcx");
    if (bm) {
        HDC dc = GetDC(window);
        CopyBitMap(bm, dc, 0, 0, 64, 64, 1);
        CopyBitMap(bm, dc, 0, 0, 64, 64, 0);
        ReleaseDC(window, dc);
        FreeBitMap(bm);
    }
    return 0;
}
