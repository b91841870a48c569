// fuzz_ini.cpp -- arbitrary settings files read at start-up and written back at shut-down
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/keys.h"
#include "shell/shell.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = false;
    if (!ready) {
        char pattern[] = "/tmp/kr_fuzz_ini_XXXXXX";
        if (!mkdtemp(pattern) || chdir(pattern) != 0) abort();
        setenv("KESTRUNE_HOME", pattern, 1);
        PlatformTestReset(800, 600);
        InitializeDebug(nullptr);
        FILE *t = fopen("default.ini", "w");
        fputs("[Kestrune]\nversion=107\n", t);
        fclose(t);
        ready = true;
    }
    FILE *f = fopen("kr.ini", "wb");
    fwrite(data, 1, size, f);
    fclose(f);
    InitializeIniFile();
    if (hostname[SHELL_HOSTNAME_LEN - 1] != 0) abort();
    // Whatever the file says, every command has a key of its own.
    for (int i = 0; i < KEY_COMMANDS; i++) {
        if (!KeysKeyName(key_binding[i])) abort();
        for (int j = i + 1; j < KEY_COMMANDS; j++)
            if (key_binding[i] == key_binding[j]) abort();
    }
    ShellSaveSettings();
    KeysSave();
    return 0;
}
