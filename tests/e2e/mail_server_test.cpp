// mail_server_test.cpp -- a bug report typed in the client reaches the real server's feedback store
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "net/mail.h"
#include "net/session.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/shell.h"

namespace {

// The server program is built beside the test programs.
std::string ServerProgram() {
    char self[1024];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "kestrune-server";
    self[n] = 0;
    std::string path(self);
    return path.substr(0, path.rfind('/') + 1) + "kestrune-server";
}

// A loopback port that nothing listens on just now.
int FreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, (sockaddr *)&a, sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, (sockaddr *)&a, &len);
    close(fd);
    return ntohs(a.sin_port);
}

bool Accepts(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, (sockaddr *)&a, sizeof a) == 0;
    close(fd);
    return ok;
}

std::string Output(const std::string &command) {
    std::string out;
    FILE *p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

struct Typing {
    const char *text;
    int dialogs = 0, boxes = 0;
    std::string thanks;
};

// Types the report into the bug dialog and presses OK; acknowledges the thank-you box.
void Answer(HWND modal, void *user) {
    Typing *t = (Typing *)user;
    HWND edit = GetDlgItem(modal, IDC_MESSAGE);
    if (edit && t->dialogs == 0) {
        t->dialogs++;
        SetFocus(edit);
        PlatformTestText(t->text);
        PlatformTestPump();
        SendMessage(GetDlgItem(modal, IDOK), BM_CLICK, 0, 0);
    } else if (!edit) {
        char text[256] = "";
        PlatformTestMessageBoxText(modal, text, sizeof text);
        t->thanks = text;
        t->boxes++;
        PostMessage(modal, WM_COMMAND, IDOK, 0);
    }
}

} // namespace

TEST(MailServer, TypedBugReportIsStoredAndListed) {
    std::string program = ServerProgram();
    ASSERT_EQ(0, access(program.c_str(), X_OK)) << program << " is not built";
    char dir[] = "/tmp/mail_server_test_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::string db = std::string(dir) + "/kr.db";
    int mail_port = FreePort();

    pid_t server = fork();
    if (server == 0) {
        std::string port = std::to_string(mail_port);
        execl(program.c_str(), program.c_str(), "--config", "/dev/null", "--bind", "127.0.0.1",
              "--port", "0", "--mail-port", port.c_str(), "--db", db.c_str(), "--drones", "0",
              "--log-level", "error", (char *)nullptr);
        _exit(127);
    }
    ASSERT_GT(server, 0);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Accepts(mail_port) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));

    PlatformTestReset();
    InitializeDebug("mail_server_test.log");
    ShellRegisterResources();
    strcpy(hostname, "127.0.0.1");
    strcpy(player.userid, "tester");
    setenv("KESTRUNE_SMTP_PORT", std::to_string(mail_port).c_str(), 1);
    Typing typing;
    typing.text = "The periscope sticks.\r\n.\r\nSecond paragraph.";
    PlatformTestSetModalHook(Answer, &typing);
    BugDialog();
    PlatformTestSetModalHook(nullptr, nullptr);
    unsetenv("KESTRUNE_SMTP_PORT");

    kill(server, SIGTERM);
    int status = 0;
    waitpid(server, &status, 0);

    EXPECT_EQ(1, typing.dialogs);
    EXPECT_EQ(1, typing.boxes);
    EXPECT_EQ(0u, typing.thanks.rfind("Your bug report has been submitted.", 0)) << typing.thanks;
    std::string listing = Output(program + " --db " + db + " --list-feedback");
    EXPECT_NE(std::string::npos, listing.find("From: tester@" MAIL_SENDER_DOMAIN)) << listing;
    EXPECT_NE(std::string::npos, listing.find("Subject: BUG REPORT")) << listing;
    EXPECT_NE(std::string::npos, listing.find("The periscope sticks.")) << listing;
    EXPECT_NE(std::string::npos, listing.find("\n.\n")) << "the lone dot line is kept: " << listing;
    EXPECT_NE(std::string::npos, listing.find("Second paragraph.")) << listing;
    EXPECT_NE(std::string::npos, listing.find("1 mail\n")) << listing;
    EXPECT_EQ(0, num_mem_notes) << "the dialog's buffer is freed";
    Output(std::string("rm -rf ") + dir);
    PlatformShutdown(); // closes the fonts the dialog opened
}
