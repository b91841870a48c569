// frame_window.h -- a frame window with the real menu, classes and procedure, without start-up
#pragma once

#include "platform/platform.h"

// Resets the platform to a screen of width × height, registers the menu, dialogs, frame and
// station classes, creates the frame window (hwndFrame, hwndApp) and reads the screen metrics
// into the shell's globals.
HWND TestFrameOpen(int width = 800, int height = 600);
// Destroys the frame window and its children.
void TestFrameClose();
