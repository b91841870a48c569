// battle_windows.h -- the headless battle of battle_fixture.h with the program's real windows: a
// frame, the station classes and the radio room (link kr_client, not the recorder)
#pragma once

#include "tests/support/battle_fixture.h"

#include "shell/shell.h"
#include "stations/chat.h"
#include "stations/stations.h"

class StationsBattleFixture : public BattleCore {
  protected:
    void OpenWindows() override {
        screen_w = 800;
        screen_h = 600;
        sm_cxborder = GetSystemMetrics(SM_CXBORDER);
        sm_cyborder = GetSystemMetrics(SM_CYBORDER);
        sm_cymenu = GetSystemMetrics(SM_CYMENU);
        hwndFrame = hwndApp = window;
        hfont = CreateFont(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
        for (const StationEntry &station : STATION_TABLE)
            station.register_class();
    }
    void CloseWindows() override {
        if (hwndChat) DestroyWindow(hwndChat);
        DeleteObject(hfont);
        hfont = nullptr;
    }
    void OpenRadio() override {
        if (!hwndChat) ChatOpen(hwndApp);
    }

    // The radio room's lines.
    std::vector<std::string> ChatLines() {
        if (!hwndChat) return {};
        HWND log = GetDlgItem(hwndChat, CHAT_LOG);
        int length = GetWindowTextLength(log);
        std::string text((size_t)length + 1, '\0');
        GetWindowText(log, text.data(), length + 1);
        text.resize((size_t)length);
        return Split(text, "\r\n");
    }
};
