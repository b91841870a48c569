// frame.h -- the frame window, its menu "KRMenu" and the station windows' notion of activity
#pragma once

#include <cstdint>

#include "platform/platform.h"

enum {
    IDM_JOIN_BATTLE = 2001,
    IDM_BRIDGE = 2002,
    IDM_RADIO_ROOM = 2003,
    IDM_SERVICE_RECORD = 2004,
    IDM_EXIT = 2007,
    IDM_SUGGESTION = 2008,
    IDM_BUG_REPORT = 2009,
    IDM_ABOUT = 2010,
    IDM_MAP_TABLE = 2011,
    IDM_COMPASS = 2012,
    IDM_ENGINES = 2013,
    IDM_DEPTH_GAUGE = 2014,
    IDM_TORPEDO_TUBES = 2015,
    IDM_STATUS_MAP = 2016,
    IDM_ORDERS = 2018,
    IDM_WHO = 2019,
    IDM_DEPTH_CHARGES = 2020,
    IDM_GUNS = 2021,
    IDM_EXIT_BATTLE = 2023,
    IDM_HELP = 2024,
    IDM_CHANGE_COUNTRY = 2025,
    IDM_OPTIONS = 2026,
};

extern int32_t palette_lost;

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The frame window's procedure: socket notifications, palette, menu commands.

void ConfigureMenu();
// Recomputes which menu items are enabled and checked from location, the ship class and the
// stations' visibility.

void TickMenuItem(HMENU menu, UINT id, int32_t on);
// Checks (on != 0) or unchecks the item with command id.

void ChangeMenuItem(HMENU menu, UINT id, int32_t on);
// Enables (on != 0) or greys and disables the item with command id.

void ActivateWindow(HWND window);
// Makes a station window the active one: caption drawn active, raised above its siblings.

void ShellRegisterResources();
// Hands the menu "KRMenu" and the dialog templates to the platform (there is no resource file).
