// inst_support.cpp -- a headless battle for the instrument station tests
#include "tests/stations/inst_support.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "ddd/ddd.h"
#include "media/sfx.h"
#include "media/win.h"
#include "net/session.h"
#include "net/transport.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/dial.h"
#include "stations/stations.h"
#include "tests/support/frame_window.h"

void InstFixture::SetUp() {
    TestFrameOpen(screen_width_, screen_height_);
    snprintf(log_name_, sizeof log_name_, "inst%d.log", (int)getpid());
    InitializeDebug(log_name_);
    hfont = CreateFont(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    InitializeCircle();
    InitializePalette();
    static bool engine_ready;
    if (!engine_ready) dddInitWindows32(hwndApp, malloc, free, dddLoadFile);
    engine_ready = true;
    PlatformTestUseManualAudio(11025);
    sfxInitialize(0);
    int sv[2];
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, sv));
    ip_socket = sv[0];
    peer_ = sv[1];
    fcntl(peer_, F_SETFL, O_NONBLOCK);
    end_game_wait_ms = 0;
    srand(11);
    location = LOC_LOBBY;
    // A station hidden by an earlier case would start hidden: its flag outlives the window.
    CompassShow();
    DepthShow();
    TelegraphShow();
    MapShow();
    TubesShow();
}

void InstFixture::TearDown() {
    if (player_mobile) EndGame();
    CloseMobiles();
    sfxClose();
    ShellFreePalette();
    close(ip_socket);
    close(peer_);
    ip_socket = INVALID_SOCKET;
    location = LOC_OFFLINE;
    TestFrameClose();
    debug_file[0] = 0;
    unlink(log_name_);
}

static Mobile *InstNewMobile(int32_t type, int32_t id, int32_t x, int32_t y, int32_t z,
                             uint16_t heading) {
    EXPECT_LT(num_mobiles, MAX_MOBILES);
    Mobile *m = &mobile[num_mobiles++];
    memset(m, 0, sizeof(*m));
    m->type = &ShipType[type];
    m->id = id;
    m->status = ST_INUSE | ST_ACTIVE;
    m->helm = 2;
    m->engine = 2;
    m->trim = 0x8002;
    m->x = x;
    m->y = y;
    m->z = z;
    m->fx = x;
    m->fy = y;
    m->fz = z;
    m->heading = heading;
    m->ordered_heading = heading;
    m->last_move = m->last_ping = GetTickCount();
    return m;
}

Mobile *InstFixture::Own(int32_t type, int32_t x, int32_t y, int32_t z, uint16_t heading) {
    InitializeGame(7);
    Mobile *m = InstNewMobile(type, 7, x, y, z, heading);
    m->contact = CT_PLOT;
    StartGame(m);
    PlatformTestPump();
    SentLines();
    return player_mobile;
}

Mobile *InstFixture::Add(int32_t type, int32_t id, int32_t x, int32_t z, int32_t country,
                         uint16_t heading, uint8_t contact) {
    Mobile *m = InstNewMobile(type, id, x, 0, z, heading);
    m->country = country;
    m->contact = contact;
    return m;
}

void InstFixture::AddSprite(int32_t tag, int32_t x, int32_t z) {
    ASSERT_LT(num_sprites, MAX_SPRITES);
    Sprite *s = &sprite[num_sprites++];
    memset(s, 0, sizeof(*s));
    s->x = x;
    s->z = z;
    s->tag = tag;
    s->start = GetTickCount();
}

void InstFixture::Click(HWND window, int x, int y, int button) {
    ASSERT_TRUE(IsWindow(window));
    BringWindowToTop(window);
    POINT p = {x, y};
    ClientToScreen(window, &p);
    PlatformTestClick(p.x, p.y, button);
    PlatformTestPump();
}

std::vector<std::string> InstFixture::SentLines() {
    std::string all;
    char buffer[4096];
    ssize_t n;
    while ((n = read(peer_, buffer, sizeof buffer)) > 0)
        all.append(buffer, (size_t)n);
    std::vector<std::string> lines;
    size_t start = 0, end;
    while ((end = all.find('\n', start)) != std::string::npos) {
        lines.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

int64_t InstFixture::Field(const std::string &line, int index) {
    size_t start = 0;
    for (int i = 0; i < index; i++) {
        start = line.find(':', start);
        if (start == std::string::npos) return -1;
        start++;
    }
    return (int64_t)strtoull(line.c_str() + start, nullptr, index ? 16 : 10);
}

int InstFixture::Sounds(int index) {
    std::ifstream f(log_name_);
    std::string line, part = " -> (" + std::to_string(index) + ") ";
    int n = 0;
    while (std::getline(f, line))
        n += line.find(part) != std::string::npos;
    return n;
}

void InstFixture::ClearLog() {
    FILE *f = fopen(log_name_, "w");
    if (f) fclose(f);
}

COLORREF InstFixture::Pixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

bool InstFixture::Near(HWND window, int x, int y, COLORREF c, int radius) {
    for (int dy = -radius; dy <= radius; dy++)
        for (int dx = -radius; dx <= radius; dx++)
            if (Pixel(window, x + dx, y + dy) == c) return true;
    return false;
}

void InstFixture::Poke(HWND window, int x, int y, COLORREF c) {
    HDC dc = GetDC(window);
    SetPixel(dc, x, y, c);
    ReleaseDC(window, dc);
}

int InstFixture::Differ(HWND window, const char *name, int x, int y, int w, int h) {
    BitMap b = ReadBitMap(name);
    if (!b) return -1;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP image = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, image);
    CopyBitMap(b, memory, 0, 0, w, h, 1);
    int differ = 0;
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++)
            differ += GetPixel(memory, i, j) != Pixel(window, x + i, y + j);
    SelectObject(memory, old);
    DeleteObject(image);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    FreeBitMap(b);
    return differ;
}

void InstFixture::Shot(const char *name) {
    const char *dir = getenv("INST_SHOTS");
    if (!dir) return;
    std::string path = std::string(dir) + "/" + name + ".png";
    PlatformTestScreenshot(path.c_str());
}
