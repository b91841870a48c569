// dialog_script.cpp -- answers the modal dialogs and message boxes a test expects, in order, from
// the platform's nested-loop hook
#include "tests/support/dialog_script.h"

#include <algorithm>

#include "platform/platform_test.h"

namespace {
std::vector<DialogStep> script;
std::vector<std::string> boxes;
std::vector<std::string> seen;
std::vector<HWND> seen_windows;

bool IsMessageBox(HWND modal, std::string *text) {
    char buffer[1024];
    if (!PlatformTestMessageBoxText(modal, buffer, sizeof buffer)) return false;
    *text = buffer;
    return true;
}

void Hook(HWND modal, void *) {
    if (!modal) return;
    char caption[256] = "";
    GetWindowText(modal, caption, sizeof caption);
    std::string text;
    bool box = IsMessageBox(modal, &text);
    if (std::find(seen_windows.begin(), seen_windows.end(), modal) == seen_windows.end()) {
        seen_windows.push_back(modal);
        seen.push_back(caption);
        if (box) boxes.push_back(std::string(caption) + "|" + DialogLines(text));
    }
    if (!script.empty() && script.front().caption == caption) {
        DialogStep step = script.front();
        script.erase(script.begin());
        step.answer(modal);
        return;
    }
    if (box) DialogOk(modal);
}
} // namespace

std::string DialogLines(const std::string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') &&
                text[i + 1] != c)
                i++;
            out += '\n';
        } else {
            out += c;
        }
    }
    return out;
}

void DialogScriptStart(std::vector<DialogStep> steps) {
    script = std::move(steps);
    boxes.clear();
    seen.clear();
    seen_windows.clear();
    PlatformTestSetModalHook(Hook, nullptr);
}

void DialogScriptAdd(DialogStep step) {
    script.push_back(std::move(step));
}

void DialogScriptStop() {
    PlatformTestSetModalHook(nullptr, nullptr);
    script.clear();
}

size_t DialogScriptPending() {
    return script.size();
}
const std::vector<std::string> &DialogScriptBoxes() {
    return boxes;
}
const std::vector<std::string> &DialogScriptSeen() {
    return seen;
}

void DialogPress(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (control && !IsWindowEnabled(control)) return;
    SendMessage(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)control);
}

void DialogType(HWND dialog, int id, const char *text) {
    SetDlgItemText(dialog, id, text);
}

void DialogOk(HWND box) {
    SendMessage(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}
