// socket_test.cpp -- Winsock names over loopback: non-blocking connect, FD_READ, FD_CLOSE
#include "platform_fixture.h"

#include <unistd.h>

class Sockets : public PlatformTest {
  protected:
    SOCKET listener = INVALID_SOCKET;
    int port = 0;
    void SetUp() override {
        PlatformTest::SetUp();
        WSADATA wd;
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wd), 0);
        EXPECT_EQ(wd.wVersion, MAKEWORD(1, 1));
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(bind(listener, (sockaddr *)&a, sizeof a), 0);
        ASSERT_EQ(listen(listener, 1), 0);
        socklen_t len = sizeof a;
        getsockname(listener, (sockaddr *)&a, &len);
        port = ntohs(a.sin_port);
    }
    void TearDown() override {
        closesocket(listener);
        WSACleanup();
        PlatformTest::TearDown();
    }
    // Pumps until `pred` holds or about two seconds pass.
    template <class P> bool PumpUntil(P pred) {
        for (int i = 0; i < 2000 && !pred(); i++) {
            PlatformTestPump();
            Sleep(1);
        }
        return pred();
    }
};

static std::vector<LPARAM> events;
static std::string received;
static LRESULT CALLBACK NetProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_USER + 1) {
        events.push_back(lp);
        if (WSAGETSELECTEVENT(lp) == FD_READ) {
            char buf[4]; // small reads: the rest is announced again
            int n = recv((SOCKET)wp, buf, sizeof buf, 0);
            if (n > 0) received.append(buf, n);
        }
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

TEST_F(Sockets, NotificationsCarryDataAndThePeerClosing) {
    WNDCLASS wc{};
    wc.lpfnWndProc = NetProc;
    wc.lpszClassName = "Net";
    RegisterClass(&wc);
    HWND w = CreateWindow("Net", "net", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    events.clear();
    received.clear();
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    u_long on = 1;
    ASSERT_EQ(ioctlsocket(s, FIONBIO, &on), 0);
    hostent *host = gethostbyname("localhost");
    ASSERT_TRUE(host);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons((u_short)port);
    memcpy(&a.sin_addr, host->h_addr_list[0], sizeof a.sin_addr);
    ASSERT_EQ(WSAAsyncSelect(s, w, WM_USER + 1, FD_READ | FD_CLOSE), 0);
    int r = connect(s, (sockaddr *)&a, sizeof a);
    if (r != 0) {
        EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    }
    SOCKET peer = accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    const char msg[] = "8:1:2:3\n9:4\n";
    ASSERT_EQ(send(peer, msg, sizeof msg - 1, 0), (ssize_t)sizeof msg - 1);
    EXPECT_TRUE(PumpUntil([&] { return received.size() == sizeof msg - 1; }));
    EXPECT_EQ(received, msg);
    for (LPARAM e : events) {
        EXPECT_EQ(WSAGETSELECTEVENT(e), FD_READ);
    }
    closesocket(peer);
    EXPECT_TRUE(
        PumpUntil([&] { return !events.empty() && WSAGETSELECTEVENT(events.back()) == FD_CLOSE; }));
    char buf[8];
    EXPECT_EQ(recv(s, buf, sizeof buf, 0), 0);
    // Nothing more arrives once the close has been told.
    size_t n = events.size();
    PlatformTestPump();
    Sleep(5);
    PlatformTestPump();
    EXPECT_EQ(events.size(), n);
    EXPECT_EQ(recv(s, buf, sizeof buf, MSG_DONTWAIT), 0);
    EXPECT_EQ(closesocket(s), 0);
}

TEST_F(Sockets, ErrorsUseWinsockCodes) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
    char buf[4];
    EXPECT_EQ(recv(s, buf, sizeof buf, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
    EXPECT_EQ(gethostbyname("no-such-host.invalid"), nullptr);
    int e = WSAGetLastError();
    EXPECT_TRUE(e == WSAHOST_NOT_FOUND || e == WSATRY_AGAIN || e == WSANO_DATA) << e;
    closesocket(s);
    EXPECT_EQ(closesocket(s), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    // A send to a peer that has gone fails instead of ending the program.
    SOCKET c = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons((u_short)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(c, (sockaddr *)&a, sizeof a), 0);
    SOCKET peer = accept(listener, nullptr, nullptr);
    closesocket(peer);
    Sleep(20);
    int sent = 0;
    for (int i = 0; i < 50 && sent != SOCKET_ERROR; i++)
        sent = (int)send(c, "xxxxxxxx", 8, 0);
    EXPECT_EQ(sent, SOCKET_ERROR);
    closesocket(c);
}
