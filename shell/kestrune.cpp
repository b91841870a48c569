// kestrune.cpp -- the kestrune executable: starts the platform layer and runs the program
#include "platform/platform.h"
#include "shell/shell.h"

#include <cstdio>
#include <cstring>

static void Usage() {
    printf("usage: kestrune [--host NAME] [--port N] [--screen WxH] [--splash-ms N]\n"
           "                [--render software|gpu]\n"
           "  --host, --port   the game server for this run (KESTRUNE_HOST, KESTRUNE_PORT);\n"
           "                   without them the server in kr.ini, else localhost:6000\n"
           "  --screen         the window size (the desktop size by default)\n"
           "  --splash-ms      the start-up wait in milliseconds (KESTRUNE_SPLASH_MS), 5000\n"
           "  --render         software or gpu: how frames reach the window (KESTRUNE_RENDER);\n"
           "                   by default the GPU only where OpenGL is hardware-accelerated\n"
           "KESTRUNE_HEADLESS=1 runs without a display.\n");
}

int main(int argc, char **argv) {
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            Usage();
            return 0;
        }
    }
    if (!PlatformInit(argc, argv)) return 1;
    ShellParseArguments(argc, argv);
    int result = WinMain(PlatformInstance(), NULL, PlatformCommandLine(), SW_SHOWNORMAL);
    PlatformShutdown();
    return result;
}
