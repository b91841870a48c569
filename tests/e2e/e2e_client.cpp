// e2e_client.cpp -- one client driven by an end-to-end test
#include "tests/e2e/e2e_client.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "net/session.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "stations/chat.h"
#include "stations/stations.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/dialog_script.h"

// Screenshots of the desktop are taken when KESTRUNE_E2E_SHOTS names a folder (the Xvfb run).
const char *ShotDir() {
    const char *d = getenv("KESTRUNE_E2E_SHOTS");
    return d && *d ? d : nullptr;
}

void Shot(const char *name) {
    const char *dir = ShotDir();
    if (!dir) return;
    // Let the windows paint what the last events changed.
    for (int i = 0; i < 200; i++)
        Pump();
    std::string command = std::string("import -window root ") + dir + "/" + name + ".png";
    int rc = system(command.c_str());
    E2eStep(std::string("screenshot ") + name, rc == 0, command);
}

void Pump() {
    ShellLoopPass();
    usleep(1000);
}

bool Until(const std::function<bool()> &done, int seconds) {
    return E2ePumpUntil(done, seconds, Pump);
}

std::vector<std::string> ChatLog() {
    std::vector<std::string> out;
    if (!hwndChat) return out;
    HWND log = GetDlgItem(hwndChat, CHAT_LOG);
    int length = GetWindowTextLength(log);
    std::string text((size_t)length + 1, '\0');
    GetWindowText(log, text.data(), length + 1);
    text.resize((size_t)length);
    size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (start < text.size()) out.push_back(text.substr(start));
    return out;
}

bool ChatHas(const std::string &part) {
    for (const std::string &l : ChatLog())
        if (l.find(part) != std::string::npos) return true;
    return false;
}

void StartClient(int port, const char *log, bool windows) {
    if (windows && ShotDir()) {
        const char *args[] = {"kestrune", "--screen", "1024x768"};
        PlatformInit(3, (char **)args);
    } else {
        PlatformTestReset(800, 600);
    }
    InitializeDebug(log);
    std::string p = std::to_string(port);
    const char *argv[] = {"kestrune", "--host",      "127.0.0.1", "--port",
                          p.c_str(),  "--splash-ms", "0"};
    ShellParseArguments(7, (char **)argv);
    exit_flag = 0;
    old_ip_status = 1;
    location = LOC_OFFLINE;
    end_game_wait_ms = 0;
    DialogScriptStart({});
    ShellStartUp(PlatformInstance(), nullptr, SW_SHOWNORMAL);
}

// Leaves the program as the player does, and reports blocks still tracked at shut-down.
void StopClient(const char *who) {
    if (location == LOC_BATTLE) EndGame();
    DialogScriptStop();
    if (hwndFrame && IsWindow(hwndFrame)) DestroyWindow(hwndFrame);
    ShutDown();
    E2eStep(std::string(who) + " releases every tracked block", num_mem_notes == 0,
            std::to_string(num_mem_notes) + " unfreed");
}

void Login(const char *userid, const char *password) {
    DialogScriptAdd({"Kestrune - Login", [=](HWND d) {
                         DialogType(d, IDC_USERID, userid);
                         DialogType(d, IDC_PASSWORD, password);
                         DialogPress(d, IDOK);
                     }});
}

void NewPlayer(const char *nickname, int country_button) {
    DialogScriptAdd({"Welcome to Kestrune", [=](HWND d) {
                         DialogType(d, IDC_NICKNAME, nickname);
                         CheckRadioButton(d, IDC_NORTHLAND, IDC_WESTLAND, country_button);
                         DialogPress(d, IDOK);
                     }});
}

void PickShip(int button) {
    DialogScriptAdd({"Ship Selection", [=](HWND d) { DialogPress(d, button); }});
}
