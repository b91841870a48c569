// admin_test.cpp -- the admin console: commands over its socket, bans, unsafe paths, TCP challenge
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "server/srv_admin.h"
#include "server/srv_local.h"

#include "srv_test_util.h"

namespace {

// A console connection: over the socket at path, or TCP to port on loopback.
struct Console {
    TestClient c;
    bool Open(const std::string &path) {
        c.Close();
        c.fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        c.eof = false;
        c.buf.clear();
        return connect(c.fd, (sockaddr *)&a, sizeof a) == 0;
    }
    // Sends a command; returns "OK" followed by the answer's lines, or "ERR reason".
    std::string Run(const std::string &line) {
        c.SendLine(line);
        std::string head = c.Line();
        if (head.rfind("OK ", 0) != 0) return head;
        int n = atoi(head.c_str() + 3);
        std::string out = "OK";
        for (int i = 0; i < n; i++)
            out += "\n" + c.Line();
        return out;
    }
};

bool Has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// A connection from 127.0.0.n, greeted: the first lines the server sent are read into *first.
bool ConnectFrom(TestClient *c, int port, int n) {
    c->Close();
    c->fd = socket(AF_INET, SOCK_STREAM, 0);
    c->eof = false;
    c->buf.clear();
    sockaddr_in src{};
    src.sin_family = AF_INET;
    src.sin_addr.s_addr = htonl(0x7f000000u | (uint32_t)n);
    if (bind(c->fd, (sockaddr *)&src, sizeof src) != 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return connect(c->fd, (sockaddr *)&a, sizeof a) == 0;
}

// The login of an existing account: the line the server answers it with.
std::string LoginAnswer(int port, const std::string &user, const std::string &pw,
                        std::string *dialog = nullptr) {
    TestClient c;
    if (!c.Connect(port)) return "<no connection>";
    c.Line();
    c.Line();
    c.SendLine("3:" + user + ":" + pw);
    std::string first = c.Line();
    if (first.rfind("16:", 0) == 0) {
        if (dialog) *dialog = first;
        first = c.Line();
    }
    return first;
}

struct Admin : ::testing::Test {
    TestServer srv;
    Console con;
    void SetUp() override {
        ASSERT_TRUE(srv.Start());
        ASSERT_TRUE(con.Open(SocketPath()));
    }
    std::string SocketPath() { return AdminSocket(SrvServerOf(srv.h)); }
};

TEST_F(Admin, SocketIsPrivateBesideTheDatabaseAndGoneAfterStop) {
    std::string path = SocketPath();
    EXPECT_EQ(path, srv.dir + "/kestrune-admin.sock");
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    srv.Stop();
    EXPECT_NE(lstat(path.c_str(), &st), 0);
    // A restart makes it again.
    ASSERT_TRUE(srv.Start());
    EXPECT_TRUE(con.Open(SocketPath()));
    EXPECT_TRUE(Has(con.Run("help"), "kick ID|NICK"));
}

TEST_F(Admin, PlayersListsEveryConnectionAndKickClosesIt) {
    TestClient a, b, pending;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Sea Wolf", 1));
    ASSERT_TRUE(TestNewPlayer(&b, srv.port, "bob", "pw", "Kraken", 0));
    a.SendLine("24:0:2");
    ASSERT_NE(a.WaitFor("26:"), "<none>");
    ASSERT_TRUE(pending.Connect(srv.port));
    pending.Line();
    std::string list = con.Run("players");
    ASSERT_EQ(list.rfind("OK\nID", 0), 0u) << list;
    EXPECT_TRUE(Has(list, "127.0.0.1")) << list;
    EXPECT_TRUE(Has(list, "alice")) << list;
    EXPECT_TRUE(Has(list, "Sea Wolf")) << list;
    EXPECT_TRUE(Has(list, "at-sea     destroyer")) << list;
    EXPECT_TRUE(Has(list, "Kraken          harbour")) << list;
    EXPECT_TRUE(Has(list, "login")) << list;
    EXPECT_TRUE(Has(list, "3 connections, 2 logged on, 1 at sea")) << list;

    // By nickname, any case: the player is told, then closed, and its ship leaves.
    EXPECT_EQ(con.Run("kick sea wolf").rfind("OK", 0), 0u);
    EXPECT_EQ(a.WaitFor("16:"), "16:You have been removed from the server by its operator.");
    EXPECT_TRUE(a.WaitClosed());
    // By connection id (the pending one, the third accepted).
    EXPECT_EQ(con.Run("kick 3").rfind("OK", 0), 0u);
    EXPECT_TRUE(pending.WaitClosed());
    std::string after = con.Run("players");
    EXPECT_TRUE(Has(after, "1 connection, 1 logged on, 0 at sea")) << after;
    EXPECT_FALSE(Has(after, "alice"));
    // Nothing to kick.
    EXPECT_EQ(con.Run("kick nobody").rfind("ERR no connection or player", 0), 0u);
    EXPECT_EQ(con.Run("kick 99").rfind("ERR", 0), 0u);
    EXPECT_EQ(con.Run("kick").rfind("ERR", 0), 0u);
    // The others were not disturbed.
    b.SendLine("22:");
    EXPECT_EQ(b.WaitFor("23:").rfind("23:", 0), 0u);
}

TEST_F(Admin, BannedAccountStaysOutAcrossARestartUntilUnbanned) {
    TestClient a;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Seawolf", 1));
    std::string r = con.Run("ban account alice");
    EXPECT_EQ(r, "OK\naccount alice banned, 1 connection closed");
    EXPECT_TRUE(a.WaitClosed());
    std::string dialog;
    EXPECT_EQ(LoginAnswer(srv.port, "alice", "pw", &dialog), "4:");
    EXPECT_EQ(dialog, "16:This UserID is banned from this server.");
    EXPECT_EQ(con.Run("ban account alice"), "OK\naccount alice was already banned, 0 connections "
                                            "closed");
    EXPECT_TRUE(Has(con.Run("bans"), "account alice since"));

    srv.Stop();
    ASSERT_TRUE(srv.Start());
    ASSERT_TRUE(con.Open(SocketPath()));
    EXPECT_EQ(LoginAnswer(srv.port, "alice", "pw", &dialog), "4:");
    EXPECT_EQ(dialog, "16:This UserID is banned from this server.");
    EXPECT_TRUE(Has(con.Run("stats"), "kestrune_refused_total{limit=\"banned_account\"} 1"));

    EXPECT_EQ(con.Run("unban account alice"), "OK\naccount alice unbanned");
    EXPECT_EQ(LoginAnswer(srv.port, "alice", "pw").rfind("11:Seawolf", 0), 0u);
    EXPECT_EQ(con.Run("unban account alice"), "OK\naccount alice was not banned");
    // Another UserID was never affected, and bad arguments change nothing.
    EXPECT_EQ(con.Run("ban account").rfind("ERR", 0), 0u);
    EXPECT_EQ(con.Run("ban player alice").rfind("ERR", 0), 0u);
    EXPECT_TRUE(Has(con.Run("bans"), "0 bans"));
}

TEST_F(Admin, BannedAddressIsTurnedAwayAtConnectAndOthersAreNot) {
    TestClient from5;
    ASSERT_TRUE(ConnectFrom(&from5, srv.port, 5));
    EXPECT_EQ(from5.Line(), "MorningTideOverGreyHarbour");
    EXPECT_EQ(con.Run("ban address 127.0.0.5"),
              "OK\naddress 127.0.0.5 banned, 1 connection closed");
    EXPECT_TRUE(from5.WaitClosed());
    TestClient again;
    ASSERT_TRUE(ConnectFrom(&again, srv.port, 5));
    EXPECT_EQ(again.Line(), "MorningTideOverGreyHarbour");
    EXPECT_EQ(again.Line(), "16:Your address is banned from this server.");
    EXPECT_EQ(again.Line(), "4:");
    EXPECT_TRUE(again.WaitClosed());
    // Its feedback mail too.
    TestClient mail;
    ASSERT_GT(srv.mail_port, 0);
    ASSERT_TRUE(ConnectFrom(&mail, srv.mail_port, 5));
    EXPECT_EQ(mail.Line().rfind("554 5.7.1", 0), 0u);
    TestClient other;
    ASSERT_TRUE(TestNewPlayer(&other, srv.port, "bob", "pw", "Kraken", 0));
    EXPECT_EQ(con.Run("ban address 127.0.0.300").rfind("ERR not a numeric network address", 0), 0u);
    EXPECT_EQ(con.Run("ban address example.org").rfind("ERR", 0), 0u);

    srv.Stop();
    ASSERT_TRUE(srv.Start());
    ASSERT_TRUE(con.Open(SocketPath()));
    ASSERT_TRUE(ConnectFrom(&again, srv.port, 5));
    again.Line();
    EXPECT_EQ(again.Line(), "16:Your address is banned from this server.");
    EXPECT_EQ(con.Run("unban address 127.0.0.5"), "OK\naddress 127.0.0.5 unbanned");
    ASSERT_TRUE(ConnectFrom(&again, srv.port, 5));
    again.Line();
    EXPECT_EQ(again.Line(), "2:");
}

TEST_F(Admin, AnnounceLimitsStatsAndBadLines) {
    TestClient a;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Seawolf", 1));
    EXPECT_EQ(con.Run("announce  Convoy  sails at noon"), "OK\nannounced to 1 player");
    EXPECT_EQ(a.WaitFor("5:Announcement"), "5:Announcement: Convoy  sails at noon");
    EXPECT_EQ(con.Run("announce").rfind("ERR", 0), 0u);
    EXPECT_EQ(con.Run("announce " + std::string(201, 'x')).rfind("ERR", 0), 0u);
    EXPECT_EQ(con.Run("announce bell\x07").rfind("ERR", 0), 0u);

    std::string limits = con.Run("limits");
    EXPECT_TRUE(Has(limits, "\nper-address 32\n")) << limits;
    EXPECT_TRUE(Has(limits, "\nmail-max-mb 64")) << limits;
    std::string stats = con.Run("stats");
    EXPECT_TRUE(Has(stats, "\nkestrune_logins_total 1\n")) << stats;
    EXPECT_TRUE(Has(stats, "\nkestrune_players_connected 1\n")) << stats;
    EXPECT_FALSE(Has(stats, "# TYPE")) << stats;

    EXPECT_EQ(con.Run("frobnicate"), "ERR unknown command frobnicate (try help)");
    // A line past the bound ends the connection; the console takes new ones.
    con.c.Send(std::string(5000, 'x'));
    EXPECT_EQ(con.c.Line(), "ERR line too long");
    EXPECT_TRUE(con.c.WaitClosed());
    ASSERT_TRUE(con.Open(SocketPath()));
    EXPECT_EQ(con.Run("players").rfind("OK", 0), 0u);
}

TEST_F(Admin, ShutdownSavesAndStopsLikeSigterm) {
    TestClient a;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Seawolf", 1));
    a.SendLine("24:0:1");
    ASSERT_NE(a.WaitFor("26:"), "<none>");
    EXPECT_EQ(con.Run("shutdown"), "OK\nshutting down");
    EXPECT_TRUE(a.WaitClosed());
    EXPECT_TRUE(con.c.WaitClosed());
    TestClient late;
    EXPECT_FALSE(late.Connect(srv.port));
    srv.Stop();
    // The mission under way was stored as a shut-down ending: one mission on the account.
    ASSERT_TRUE(srv.Start());
    Server *s = SrvServerOf(srv.h);
    PlayerRecord rec;
    SrvCall(srv.h, [&] { DbFindPlayer(&s->db, "alice", &rec); });
    EXPECT_EQ(rec.missions, 1);
}

// ---- unsafe socket paths ----

struct AdminPath : ::testing::Test {
    TestServer srv;
    std::string path;
    void SetUp() override { path = srv.dir + "/kestrune-admin.sock"; }
    std::string StartError() {
        std::string error;
        SrvHandle *h = SrvStart(srv.cfg, &error);
        if (h) SrvStop(h);
        return error;
    }
    // A socket left at path with the given mode (no one listening on it).
    void LeaveSocket(mode_t mode) {
        unlink(path.c_str());
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        ASSERT_EQ(bind(fd, (sockaddr *)&a, sizeof a), 0);
        close(fd);
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
    }
};

TEST_F(AdminPath, RefusesAFileOrAnotherOwnersOrAWritableSocket) {
    { std::ofstream(path) << "not a socket"; }
    EXPECT_TRUE(Has(StartError(), "exists and is not a socket"));
    unlink(path.c_str());

    LeaveSocket(0666);
    EXPECT_TRUE(Has(StartError(), "may be written by group or others"));
    LeaveSocket(0620);
    EXPECT_TRUE(Has(StartError(), "may be written by group or others"));
    unlink(path.c_str());

    if (geteuid() == 0) { // only root can hand a socket to another user
        LeaveSocket(0600);
        ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
        EXPECT_TRUE(Has(StartError(), "belongs to another user"));
        unlink(path.c_str());
    }
    // Another name, or none at all.
    srv.cfg.admin_socket = srv.dir + "/other.sock";
    EXPECT_EQ(StartError(), "");
    srv.cfg.admin_socket = "off";
    ASSERT_TRUE(srv.Start());
    EXPECT_EQ(AdminSocket(SrvServerOf(srv.h)), "");
}

TEST_F(AdminPath, DatabaseTooDeepForTheDefaultSocketStillRuns) {
    std::string deep = srv.dir + "/" + std::string(60, 'd') + "/" + std::string(60, 'e');
    ASSERT_EQ(system(("mkdir -p " + deep).c_str()), 0);
    srv.cfg.db_path = deep + "/test.db";
    ASSERT_TRUE(srv.Start());
    EXPECT_EQ(AdminSocket(SrvServerOf(srv.h)), "");
    srv.Stop();
    // Asked for by name, the same length is a refusal.
    srv.cfg.admin_socket = deep + "/kestrune-admin.sock";
    EXPECT_TRUE(Has(StartError(), "too long")) << StartError();
}

TEST_F(AdminPath, TakesOverItsOwnStaleSocketButNotALiveOne) {
    LeaveSocket(0600); // as a killed server leaves it
    ASSERT_TRUE(srv.Start());
    Console con;
    ASSERT_TRUE(con.Open(path));
    EXPECT_EQ(con.Run("players").rfind("OK", 0), 0u);
    // A second server on the same socket would steal the first one's console.
    ServerConfig second = srv.cfg;
    second.db_path = srv.dir + "/second.db";
    second.admin_socket = path;
    std::string error;
    SrvHandle *h = SrvStart(second, &error);
    EXPECT_EQ(h, nullptr);
    if (h) SrvStop(h);
    EXPECT_TRUE(Has(error, "in use by a running server")) << error;
    EXPECT_EQ(con.Run("players").rfind("OK", 0), 0u);
}

// ---- TCP with a challenge ----

struct AdminTcp : ::testing::Test {
    TestServer srv;
    std::string secret = "correct horse battery staple";
    std::string secret_path;
    void SetUp() override {
        secret_path = srv.dir + "/admin.secret";
        WriteSecret(secret + "\n", 0600);
        srv.cfg.admin_port = -1;
        srv.cfg.admin_secret = secret_path;
    }
    void WriteSecret(const std::string &text, mode_t mode) {
        { std::ofstream(secret_path) << text; }
        chmod(secret_path.c_str(), mode);
    }
    int Port() { return AdminPort(SrvServerOf(srv.h)); }
    // Connects, reads the challenge and answers it with key; returns the server's answer.
    std::string Auth(Console *con, const std::string &key) {
        if (!con->c.Connect(Port())) return "<no connection>";
        std::string hello = con->c.Line();
        if (hello.rfind("KESTRUNE-ADMIN 1 ", 0) != 0) return hello;
        std::string nonce = hello.substr(17);
        if (nonce.size() != 64) return "<short nonce>";
        con->c.SendLine("AUTH " + AdminAnswer(key, nonce));
        return con->c.Line();
    }
};

TEST_F(AdminTcp, RightAnswerIsAcceptedAndWrongOnesWaitLongerEachTime) {
    ASSERT_TRUE(srv.Start());
    ASSERT_GT(Port(), 0);
    Console good;
    EXPECT_EQ(Auth(&good, secret), "OK 0");
    EXPECT_EQ(good.Run("players").rfind("OK\nID", 0), 0u);

    Console bad;
    EXPECT_EQ(Auth(&bad, "correct horse battery stapler"), "ERR authentication failed");
    EXPECT_TRUE(bad.c.WaitClosed());
    // Now even the right secret waits: the address is told so before any challenge.
    Console hurried;
    std::string r = Auth(&hurried, secret);
    EXPECT_EQ(r.rfind("ERR too many wrong answers from your address", 0), 0u) << r;
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(Auth(&bad, "guess"), "ERR authentication failed");
    // The second wrong answer doubles the wait: 1.1 s later it still holds.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(Auth(&hurried, secret).rfind("ERR too many", 0), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_EQ(Auth(&hurried, secret), "OK 0");
    EXPECT_TRUE(Has(hurried.Run("stats"), "kestrune_admin_auth_failures_total 2"));
    // The connection authenticated before the guesses was never disturbed.
    EXPECT_EQ(good.Run("limits").rfind("OK", 0), 0u);
}

TEST_F(AdminTcp, AnswersPreparedInParallelAreHeldBackToo) {
    ASSERT_TRUE(srv.Start());
    // Several challenges taken at once, then answered one after the other: only the first
    // wrong answer is looked at, the rest wait like new connections do.
    Console con[3];
    std::string nonce[3];
    for (int i = 0; i < 3; i++) {
        ASSERT_TRUE(con[i].c.Connect(Port()));
        nonce[i] = con[i].c.Line().substr(17);
    }
    con[0].c.SendLine("AUTH " + AdminAnswer("wrong secret 000000", nonce[0]));
    EXPECT_EQ(con[0].c.Line(), "ERR authentication failed");
    con[1].c.SendLine("AUTH " + AdminAnswer("wrong secret 111111", nonce[1]));
    EXPECT_EQ(con[1].c.Line().rfind("ERR too many wrong answers", 0), 0u);
    con[2].c.SendLine("AUTH " + AdminAnswer(secret, nonce[2]));
    EXPECT_EQ(con[2].c.Line().rfind("ERR too many wrong answers", 0), 0u);
    // Garbage and a replayed answer to someone else's challenge are wrong answers.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    Console replay;
    ASSERT_TRUE(replay.c.Connect(Port()));
    replay.c.Line();
    replay.c.SendLine("AUTH " + AdminAnswer(secret, nonce[2]));
    EXPECT_EQ(replay.c.Line(), "ERR authentication failed");
}

TEST_F(AdminTcp, SecretFileMustBePrivateAndLongEnough) {
    std::string error;
    WriteSecret(secret, 0644);
    EXPECT_EQ(SrvStart(srv.cfg, &error), nullptr);
    EXPECT_TRUE(Has(error, "may be read or written by group or others")) << error;
    WriteSecret(secret, 0640);
    EXPECT_EQ(SrvStart(srv.cfg, &error), nullptr);
    WriteSecret("short\n", 0600);
    EXPECT_EQ(SrvStart(srv.cfg, &error), nullptr);
    EXPECT_TRUE(Has(error, "fewer than 16 bytes")) << error;
    srv.cfg.admin_secret = srv.dir + "/missing";
    EXPECT_EQ(SrvStart(srv.cfg, &error), nullptr);
    srv.cfg.admin_secret.clear();
    EXPECT_EQ(SrvStart(srv.cfg, &error), nullptr);
    EXPECT_TRUE(Has(error, "--admin-secret")) << error;
    // The failed starts left nothing behind: the socket path is free for a good start.
    srv.cfg.admin_secret = secret_path;
    WriteSecret(secret, 0600);
    EXPECT_TRUE(srv.Start());
}

// ---- the command-line client as a program ----

std::string ServerProgram() {
    char self[1024];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "kestrune-server";
    self[n] = 0;
    std::string path(self);
    return path.substr(0, path.rfind('/') + 1) + "kestrune-server";
}

// Runs the program with args; returns its exit status, its output in *out and errors in *err.
int RunProgram(const std::vector<std::string> &args, std::string *out, std::string *err) {
    int po[2], pe[2];
    if (pipe(po) != 0 || pipe(pe) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(po[1], 1);
        dup2(pe[1], 2);
        close(po[0]);
        close(pe[0]);
        std::vector<char *> argv;
        std::string prog = ServerProgram();
        argv.push_back(prog.data());
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(prog.c_str(), argv.data());
        _exit(127);
    }
    close(po[1]);
    close(pe[1]);
    auto drain = [](int fd, std::string *to) {
        char buf[4096];
        ssize_t n;
        while ((n = read(fd, buf, sizeof buf)) > 0)
            to->append(buf, (size_t)n);
        close(fd);
    };
    std::thread t([&] { drain(pe[0], err); });
    drain(po[0], out);
    t.join();
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(AdminTcp, CommandLineClientOverSocketAndTcp) {
    ASSERT_TRUE(srv.Start());
    TestClient a;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Seawolf", 1));
    std::string out, err;
    // The socket is found beside the database, as the server placed it.
    EXPECT_EQ(RunProgram({"--db", srv.cfg.db_path, "--admin", "players"}, &out, &err), 0) << err;
    EXPECT_TRUE(Has(out, "alice")) << out;
    EXPECT_TRUE(Has(out, "1 connection, 1 logged on, 0 at sea")) << out;
    out.clear();
    err.clear();
    EXPECT_EQ(RunProgram({"--db", srv.cfg.db_path, "--admin", "kick", "nobody"}, &out, &err), 1);
    EXPECT_TRUE(Has(err, "no connection or player nobody")) << err;
    // Over TCP with the secret file; the words after --admin make one command.
    std::string port = std::to_string(Port());
    out.clear();
    err.clear();
    EXPECT_EQ(RunProgram({"--admin-port", port, "--admin-secret", secret_path, "--admin",
                          "announce", "all", "hands"},
                         &out, &err),
              0)
        << err;
    EXPECT_EQ(a.WaitFor("5:Announcement"), "5:Announcement: all hands");
    WriteSecret("a different secret entirely\n", 0600);
    out.clear();
    err.clear();
    EXPECT_EQ(
        RunProgram({"--admin-port", port, "--admin-secret", secret_path, "--admin", "players"},
                   &out, &err),
        1);
    EXPECT_TRUE(Has(err, "authentication failed")) << err;
    // No server there at all.
    out.clear();
    err.clear();
    EXPECT_EQ(
        RunProgram({"--admin-socket", srv.dir + "/none.sock", "--admin", "players"}, &out, &err),
        2);
    EXPECT_TRUE(Has(err, "can't reach the admin console")) << err;
}

} // namespace
