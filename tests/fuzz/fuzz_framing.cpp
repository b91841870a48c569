// fuzz_framing.cpp -- arbitrary bytes from the server through line cutting and the packet table
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "net/transport.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "sim/battle.h"

// Every dialog or message box a line opens is closed at once.
static void CloseModal(HWND modal, void *) {
    if (!modal) return;
    SendMessage(modal, WM_COMMAND, IDOK, 0);
    if (IsWindow(modal)) EndDialog(modal, 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = false;
    if (!ready) {
        // Logins switch the log to a file named after the UserID: keep those out of the way.
        char pattern[] = "/tmp/kr_fuzz_framing_XXXXXX";
        if (!mkdtemp(pattern) || chdir(pattern) != 0) abort();
        setenv("KESTRUNE_HOME", pattern, 1);
        PlatformTestReset(800, 600);
        InitializeDebug(nullptr);
        PlatformTestSetModalHook(CloseModal, nullptr);
        end_game_wait_ms = 0;
        recv_buffer = (char *)DebugMalloc("recv_buffer", IP_RECV_SIZE);
        ready = true;
    }
    for (size_t done = 0; done < size;) {
        size_t n = size - done < (size_t)IP_RECV_SIZE ? size - done : (size_t)IP_RECV_SIZE;
        memcpy(recv_buffer, data + done, n);
        IPProcessRecvBuffer((int32_t)n);
        done += n;
    }
    return 0;
}
