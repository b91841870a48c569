// main.cpp -- the kestrune executable: starts the platform layer and runs the program
#include "platform/platform.h"
#include "shell/shell.h"

int main(int argc, char **argv) {
    if (!PlatformInit(argc, argv)) return 1;
    ShellParseArguments(argc, argv);
    int result = WinMain(PlatformInstance(), NULL, PlatformCommandLine(), SW_SHOWNORMAL);
    PlatformShutdown();
    return result;
}
