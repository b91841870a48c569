// e2e_client.h -- one headless (or windowed) client driven by an end-to-end test: start-up,
// the login dialogs, the main loop with a deadline, the radio room's lines, shut-down
#pragma once

#include <functional>
#include <string>
#include <vector>

// The folder that desktop screenshots go to (KESTRUNE_E2E_SHOTS), or null when none are wanted.
const char *ShotDir();
// A PNG of the whole X desktop named `name` in ShotDir(), reported as a step; nothing without it.
void Shot(const char *name);
// One turn of the game's main loop, then a millisecond back to the other processes.
void Pump();
// Pumps until `done` or `seconds` pass.
bool Until(const std::function<bool()> &done, int seconds);
// The radio room's lines, and whether one contains `part`.
std::vector<std::string> ChatLog();
bool ChatHas(const std::string &part);
// Starts the client against 127.0.0.1:port with its log in `log`; `windows` uses the real
// backend on the display when ShotDir() is set, else a headless 800 x 600 screen.
void StartClient(int port, const char *log, bool windows = false);
// Leaves the battle and the program; reports blocks still tracked at shut-down as a step.
void StopClient(const char *who);
// Queue answers for the login, new-player and ship-selection dialogs.
void Login(const char *userid, const char *password);
void NewPlayer(const char *nickname, int country_button);
void PickShip(int button);
