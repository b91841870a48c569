// db_faults_test.cpp -- a database the server can't rely on is refused at start, and a save that
// fails at sea is retried and never acknowledged
#include "server/srv_db.h"
#include "server/srv_local.h"
#include "srv_test_util.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// Runs sql on the file with a connection of the test's own; the first column of the last row.
std::string Sql(const std::string &path, const std::string &sql) {
    sqlite3 *db = nullptr;
    std::string out = "<error>";
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        const char *tail = sql.c_str();
        while (*tail && sqlite3_prepare_v2(db, tail, -1, &st, &tail) == SQLITE_OK && st) {
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                const unsigned char *t = sqlite3_column_text(st, 0);
                out = t ? (const char *)t : "";
            }
            if (rc == SQLITE_DONE && out == "<error>") out = "";
            sqlite3_finalize(st);
        }
    }
    sqlite3_close(db);
    return out;
}

// A database the server made, with two accounts and enough mail to span several pages.
void MakeRealDatabase(TestServer *srv) {
    ASSERT_TRUE(srv->Start());
    {
        TestClient a, b;
        ASSERT_TRUE(TestNewPlayer(&a, srv->port, "alice", "pw", "Seawolf", 1));
        ASSERT_TRUE(TestNewPlayer(&b, srv->port, "bob", "pw", "Kraken", 0));
    }
    srv->Stop();
    Sql(srv->cfg.db_path, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                          "WHERE i<200) INSERT INTO feedback(received, peer, sender, recipient, "
                          "subject, body) SELECT i, '127.0.0.1', 'a@b', 'c@d', 'bug', "
                          "printf('%.400c', 'x') FROM n");
}

struct Outcome {
    bool started = false;
    std::string error;
    int status = 0;
    std::string out, err;
};

// What the server and an operator command make of the database: both run in a child process
// that drops root's rights when it has them, so that a file's permissions count.
Outcome TryDatabase(const ServerConfig &cfg, const std::string &command) {
    fflush(stdout);
    fflush(stderr);
    char tmpl[] = "/tmp/kr-dbf-out-XXXXXX";
    int fd = mkstemp(tmpl);
    int pipe_out[2], pipe_err[2];
    if (fd < 0 || pipe(pipe_out) != 0 || pipe(pipe_err) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
        std::string error;
        SrvHandle *h = SrvStart(cfg, &error);
        bool started = h != nullptr;
        if (h) SrvStop(h);
        dup2(pipe_out[1], 1);
        dup2(pipe_err[1], 2);
        int status = SrvRunCommand(cfg, command, "");
        fflush(stdout);
        fflush(stderr);
        std::string head = std::to_string(started) + " " + std::to_string(status) + "\n" + error;
        if (write(fd, head.data(), head.size()) < 0) _exit(98);
        _exit(0);
    }
    close(pipe_out[1]);
    close(pipe_err[1]);
    Outcome o;
    char buf[4096];
    ssize_t n;
    while ((n = read(pipe_out[0], buf, sizeof buf)) > 0)
        o.out.append(buf, (size_t)n);
    while ((n = read(pipe_err[0], buf, sizeof buf)) > 0)
        o.err.append(buf, (size_t)n);
    close(pipe_out[0]);
    close(pipe_err[0]);
    int ws = 0;
    waitpid(pid, &ws, 0);
    EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0) << "child failed";
    std::string all;
    lseek(fd, 0, SEEK_SET);
    while ((n = read(fd, buf, sizeof buf)) > 0)
        all.append(buf, (size_t)n);
    close(fd);
    unlink(tmpl);
    int started = 0;
    if (sscanf(all.c_str(), "%d %d", &started, &o.status) == 2) {
        o.started = started != 0;
        o.error = all.substr(all.find('\n') + 1);
    }
    return o;
}

class DbFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeRealDatabase(&srv);
        // The child may be another user: it must reach the folder to be refused for the file.
        chmod(srv.dir.c_str(), 0777);
        chmod(srv.cfg.db_path.c_str(), 0666);
    }
    TestServer srv;
};

TEST_F(DbFaults, AHealthyDatabaseStartsAndListsItsPlayers) {
    Outcome o = TryDatabase(srv.cfg, "list-players");
    EXPECT_TRUE(o.started) << o.error;
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("2 players"), std::string::npos) << o.out;
}

TEST_F(DbFaults, AReadOnlyFileIsRefusedWithWhatToDo) {
    chmod(srv.cfg.db_path.c_str(), 0444);
    Outcome o = TryDatabase(srv.cfg, "list-players");
    EXPECT_FALSE(o.started);
    EXPECT_NE(o.error.find("read-only"), std::string::npos) << o.error;
    EXPECT_NE(o.error.find(srv.cfg.db_path), std::string::npos) << o.error;
    EXPECT_NE(o.error.find("permissions"), std::string::npos) << o.error;
    EXPECT_NE(o.status, 0);
    EXPECT_NE(o.err.find("read-only"), std::string::npos) << o.err;
    EXPECT_EQ(o.out.find("players"), std::string::npos) << o.out;
}

TEST_F(DbFaults, GarbageOverAPageIsRefusedAndNotListedAsEmpty) {
    // Over the accounts table's root and over a page of mail, as a failing disk would leave them.
    int root = std::stoi(Sql(srv.cfg.db_path, "SELECT rootpage FROM sqlite_master "
                                              "WHERE name='players'"));
    int pages = std::stoi(Sql(srv.cfg.db_path, "PRAGMA page_count"));
    int size = std::stoi(Sql(srv.cfg.db_path, "PRAGMA page_size"));
    ASSERT_GT(pages, 10);
    FILE *f = fopen(srv.cfg.db_path.c_str(), "r+b");
    ASSERT_TRUE(f);
    std::string garbage((size_t)size, '\xa5');
    for (int page : {root, pages - 3}) {
        fseek(f, (long)(page - 1) * size, SEEK_SET);
        fwrite(garbage.data(), 1, garbage.size(), f);
    }
    fclose(f);
    for (const char *command : {"list-players", "list-feedback"}) {
        Outcome o = TryDatabase(srv.cfg, command);
        EXPECT_FALSE(o.started) << command;
        EXPECT_NE(o.error.find("damaged"), std::string::npos) << o.error;
        EXPECT_NE(o.error.find(srv.cfg.db_path), std::string::npos) << o.error;
        EXPECT_NE(o.error.find("backup"), std::string::npos) << o.error;
        EXPECT_NE(o.status, 0) << command;
        EXPECT_EQ(o.out.find("0 players"), std::string::npos) << o.out;
        EXPECT_EQ(o.out.find("0 mails"), std::string::npos) << o.out;
        EXPECT_NE(o.err.find("damaged"), std::string::npos) << o.err;
    }
}

TEST_F(DbFaults, AFileThatIsNoDatabaseIsRefused) {
    FILE *f = fopen(srv.cfg.db_path.c_str(), "wb");
    ASSERT_TRUE(f);
    fputs(std::string(8192, 'k').c_str(), f);
    fclose(f);
    Outcome o = TryDatabase(srv.cfg, "list-players");
    EXPECT_FALSE(o.started);
    EXPECT_NE(o.error.find("damaged"), std::string::npos) << o.error;
    EXPECT_NE(o.status, 0);
}

TEST_F(DbFaults, ANewerSchemaIsRefusedAndLeftAsItIs) {
    std::string newer = std::to_string(DB_SCHEMA_VERSION + 1);
    Sql(srv.cfg.db_path, "PRAGMA user_version=" + newer);
    Outcome o = TryDatabase(srv.cfg, "list-feedback");
    EXPECT_FALSE(o.started);
    EXPECT_NE(o.error.find("schema version " + newer), std::string::npos) << o.error;
    EXPECT_NE(o.error.find("newer kestrune-server"), std::string::npos) << o.error;
    EXPECT_NE(o.status, 0);
    EXPECT_EQ(o.out.find("mails"), std::string::npos) << o.out;
    EXPECT_EQ(Sql(srv.cfg.db_path, "PRAGMA user_version"), newer);
}

// The server's own connection is made to refuse writes, as it would find a disk gone read-only.
void SetWritesFail(TestServer *srv, bool fail) {
    Server *s = SrvServerOf(srv->h);
    SrvCall(srv->h, [s, fail] {
        sqlite3_exec(s->db.db, fail ? "PRAGMA query_only=1" : "PRAGMA query_only=0", nullptr,
                     nullptr, nullptr);
    });
}

std::string Missions(TestServer *srv, const char *userid) {
    return Sql(srv->cfg.db_path,
               std::string("SELECT missions FROM players WHERE userid='") + userid + "'");
}

class DbFaultsAtSea : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(srv.Start());
        ASSERT_TRUE(TestNewPlayer(&c, srv.port, "alice", "pw", "Seawolf", 1));
        c.SendLine("24:0:3:hms test");
        ASSERT_EQ(c.WaitFor("26:").substr(0, 3), "26:");
        c.WaitFor("27:3:Seawolf");
    }
    TestServer srv;
    TestClient c;
};

TEST_F(DbFaultsAtSea, AReturnToPortThatCannotBeSavedIsNotAcknowledged) {
    SetWritesFail(&srv, true);
    c.SendLine("33:");
    // Every try fails: the player is told on the radio, and no exit acceptance comes.
    std::string text = c.WaitFor("5:", 5000);
    EXPECT_NE(text.find("not recorded"), std::string::npos) << text;
    EXPECT_NE(text.find("remains at sea"), std::string::npos) << text;
    for (const std::string &l : c.skipped)
        EXPECT_NE(l.substr(0, 3), "34:") << "acknowledged although not saved";
    EXPECT_EQ(Missions(&srv, "alice"), "0");
    // The ship is still at sea, and the input held during the tries is handled again.
    c.skipped.clear();
    c.SendLine("24:0:1:hms test");
    EXPECT_EQ(c.WaitFor("25:"), "25:");
    for (const std::string &l : c.skipped)
        EXPECT_NE(l.substr(0, 3), "34:");
    // Once the disk takes writes again, the return is made and stored.
    SetWritesFail(&srv, false);
    c.SendLine("33:");
    EXPECT_EQ(c.WaitFor("34:"), "34:");
    EXPECT_EQ(Missions(&srv, "alice"), "1");
}

TEST_F(DbFaultsAtSea, AFailedSaveIsRetriedAndAcknowledgedOnceStored) {
    SetWritesFail(&srv, true);
    c.SendLine("33:");
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    SetWritesFail(&srv, false);
    EXPECT_EQ(c.WaitFor("34:"), "34:");
    for (const std::string &l : c.skipped)
        EXPECT_NE(l.substr(0, 2), "5:") << l;
    EXPECT_EQ(Missions(&srv, "alice"), "1");
}

TEST_F(DbFaultsAtSea, AMissionLeftByADisconnectIsStoredWhenTheDiskRecovers) {
    SetWritesFail(&srv, true);
    c.Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(Missions(&srv, "alice"), "0");
    SetWritesFail(&srv, false);
    std::string missions;
    for (int i = 0; i < 40 && (missions = Missions(&srv, "alice")) != "1"; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(missions, "1");
}

} // namespace
