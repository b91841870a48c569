// dialog_script.h -- answers the modal dialogs and message boxes a test expects, in order, from
// the platform's nested-loop hook
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

// One expected modal window: its caption and what to do with it (fill fields, press a button).
struct DialogStep {
    std::string caption;
    std::function<void(HWND)> answer;
};

// Installs the hook; every modal window whose caption matches the next step gets that step's
// answer. Message boxes not in the script are closed with OK and their texts recorded.
void DialogScriptStart(std::vector<DialogStep> steps);
// Appends steps to the running script.
void DialogScriptAdd(DialogStep step);
// Removes the hook.
void DialogScriptStop();
// How many steps are still waiting.
size_t DialogScriptPending();
// A text with every line break (CR LF, LF CR, CR, LF) written as one LF, as message boxes show it.
std::string DialogLines(const std::string &text);
// Captions and texts ("caption|text", line breaks as DialogLines) of every message box seen.
const std::vector<std::string> &DialogScriptBoxes();
// Captions of every modal window seen so far (each counted once).
const std::vector<std::string> &DialogScriptSeen();

// Answers: press a button of a dialog by control ID (as a click would: only when enabled).
void DialogPress(HWND dialog, int id);
// Types text into a dialog's control (replacing what is there).
void DialogType(HWND dialog, int id, const char *text);
// Closes a message box with OK.
void DialogOk(HWND box);
