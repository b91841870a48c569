// config_test.cpp -- the configuration file: its settings, its errors, and its reload on SIGHUP
#include <gtest/gtest.h>

#include "server/srv_local.h"
#include "server/srv_log.h"
#include "srv_test_util.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace {

struct TempDir {
    TempDir() {
        char tmpl[] = "/tmp/kr-config-test-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string File(const std::string &name, const std::string &text) const {
        std::string p = path + "/" + name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
    std::string path;
};

// SrvConfigure over a command line; the default file is one that does not exist unless given.
int Configure(std::vector<std::string> args, ServerConfig *cfg, const std::string &default_file,
              std::string *err = nullptr) {
    args.insert(args.begin(), "kestrune-server");
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    std::string command, arg;
    testing::internal::CaptureStderr();
    int r = SrvConfigure((int)argv.size(), argv.data(), default_file.c_str(), cfg, &command, &arg);
    std::string text = testing::internal::GetCapturedStderr();
    if (err) *err = text;
    return r;
}

std::string ReadAll(const std::string &path) {
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Waits until pred() holds, checking every 20 ms.
template <typename F> bool WaitUntil(F pred, int ms = 5000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace

TEST(ConfigFile, EveryKindOfSettingIsRead) {
    TempDir d;
    std::string file = d.File("server.conf", "# a comment, then a blank line\n"
                                             "\n"
                                             "port = 6100\n"
                                             "mail-port=2525\n"
                                             "   bind   =   127.0.0.1   \n"
                                             "db = /srv/kestrune/game.db\n"
                                             "hash-cost = moderate\n"
                                             "seed = 42\n"
                                             "per-address = 5\n"
                                             "idle-sea = 0\n"
                                             "line-rate = 120\n"
                                             "new-accounts-minute = 30\n"
                                             "mail-max-mb = 3\n"
                                             "log-level = debug\n"
                                             "exempt = 10.0.0.1, 10.0.0.2\r\n"
                                             "\t# indented comment\n"
                                             "mail-per-peer = 7"); // no final line feed
    ServerConfig cfg;
    ASSERT_EQ(Configure({"--config", file}, &cfg, d.path + "/absent.conf"), 0);
    EXPECT_EQ(cfg.port, 6100);
    EXPECT_EQ(cfg.mail_port, 2525);
    EXPECT_EQ(cfg.bind, "127.0.0.1");
    EXPECT_EQ(cfg.db_path, "/srv/kestrune/game.db");
    SrvHashCost moderate;
    SrvParseHashCost("moderate", &moderate);
    EXPECT_EQ(cfg.hash_cost.ops, moderate.ops);
    EXPECT_EQ(cfg.seed, 42u);
    EXPECT_EQ(cfg.per_address, 5);
    EXPECT_EQ(cfg.idle_sea_s, 0);
    EXPECT_DOUBLE_EQ(cfg.line_rate, 120.0);
    EXPECT_DOUBLE_EQ(cfg.line_burst, 480.0); // the burst keeps its ratio
    EXPECT_DOUBLE_EQ(cfg.new_accounts_rate, 0.5);
    EXPECT_EQ(cfg.mail_max_bytes, 3 << 20);
    EXPECT_EQ(cfg.log_level, LOG_DEBUG);
    EXPECT_EQ(cfg.exempt, "10.0.0.1, 10.0.0.2");
    EXPECT_EQ(cfg.mail_per_peer, 7);
    EXPECT_EQ(cfg.config_file, file);
    EXPECT_TRUE(cfg.config_required);
}

TEST(ConfigFile, DefaultFileIsReadOnlyWhenItExists) {
    TempDir d;
    ServerConfig cfg;
    std::string err;
    EXPECT_EQ(Configure({}, &cfg, d.path + "/absent.conf", &err), 0) << err;
    EXPECT_EQ(cfg.port, 6000);
    EXPECT_EQ(cfg.config_file, d.path + "/absent.conf"); // a reload looks there again
    EXPECT_FALSE(cfg.config_required);

    std::string def = d.File("default.conf", "port = 6200\n");
    ServerConfig cfg2;
    EXPECT_EQ(Configure({}, &cfg2, def), 0);
    EXPECT_EQ(cfg2.port, 6200);
    // Operator commands see the file too (the database path above all).
    std::string db = d.File("db.conf", "db = " + d.path + "/k.db\n");
    ServerConfig cfg3;
    EXPECT_EQ(Configure({"--list-players"}, &cfg3, db), 1);
    EXPECT_EQ(cfg3.db_path, d.path + "/k.db");
    // Help needs no file, not even a broken one.
    std::string broken = d.File("broken.conf", "port = many\n");
    ServerConfig cfg4;
    testing::internal::CaptureStdout();
    EXPECT_EQ(Configure({"--help"}, &cfg4, broken), 1);
    testing::internal::GetCapturedStdout();
}

TEST(ConfigFile, ErrorsNameTheFileAndLine) {
    TempDir d;
    struct Case {
        std::string text;
        const char *error;
    } cases[] = {
        {"port = 6001\nbogus = 1\n", ":2: unknown setting 'bogus'"},
        {"# c\n\nport = six\n", ":3: port needs a number from 0 to 65535, not 'six'"},
        {"per-address = 0\n", ":1: per-address needs a number from 1 to 1000000, not '0'"},
        {"mail-port = 65536\n", ":1: mail-port needs a number"},
        {"port = 6000 # the game\n", ":1: port needs a number"},
        {"port =\n", ":1: port needs a number"},
        {"log-level = loud\n", ":1: log-level is error, warn, info or debug, not 'loud'"},
        {"hash-cost = 1,2\n", ":1: bad hash-cost '1,2'"},
        {"port 6000\n", ":1: expected name = value, not 'port 6000'"},
        {"= 6000\n", ":1: expected name = value"},
        {"announce = Hello\n", ":1: 'announce' is given on the command line, not in this file"},
        {"list-players = yes\n", ":1: 'list-players' is given on the command line"},
        {"config = other.conf\n", ":1: 'config' is given on the command line"},
        {"exempt = 10.0.0.1\nport = 1\nexempt = 10.0.0.2\n",
         ":3: exempt was already set on line 1"},
        {std::string("port = 6\0"
                     "001\n",
                     13),
         ":1: a NUL byte"},
    };
    for (const Case &c : cases) {
        std::string file = d.File("bad.conf", c.text);
        ServerConfig cfg;
        cfg.port = 1234;
        std::string error;
        EXPECT_EQ(SrvReadConfigFile(file, true, &cfg, &error), -1) << c.text;
        EXPECT_NE(error.find(file + c.error), std::string::npos) << error;
        EXPECT_EQ(cfg.port, 1234) << "a file with an error changes nothing: " << c.text;
        // The program's start says the same and refuses to run.
        std::string err;
        ServerConfig cfg2;
        EXPECT_EQ(Configure({"--config", file}, &cfg2, "", &err), -1);
        EXPECT_NE(err.find("kestrune-server: " + file + c.error), std::string::npos) << err;
    }

    // A file named by --config must be there; the default one may be missing.
    std::string err;
    ServerConfig cfg;
    EXPECT_EQ(Configure({"--config", d.path + "/nope.conf"}, &cfg, "", &err), -1);
    EXPECT_NE(err.find(d.path + "/nope.conf: No such file or directory"), std::string::npos) << err;
    EXPECT_EQ(Configure({"--config", d.path}, &cfg, "", &err), -1);
    EXPECT_NE(err.find("Is a directory"), std::string::npos) << err;
    EXPECT_EQ(Configure({"--config"}, &cfg, "", &err), -1);
    EXPECT_NE(err.find("--config needs a value"), std::string::npos) << err;
}

TEST(ConfigFile, CommandLineOverridesTheFile) {
    TempDir d;
    std::string file = d.File("server.conf", "port = 7000\nper-address = 5\nlog-level = debug\n"
                                             "exempt = 10.0.0.1\n");
    ServerConfig cfg;
    ASSERT_EQ(
        Configure({"--port", "7001", "--config", file, "--log-level", "warn", "--idle-sea", "30"},
                  &cfg, ""),
        0);
    EXPECT_EQ(cfg.port, 7001); // before --config on the line, and still it wins
    EXPECT_EQ(cfg.log_level, LOG_WARN);
    EXPECT_EQ(cfg.per_address, 5); // the file's, where the command line says nothing
    EXPECT_EQ(cfg.idle_sea_s, 30); // the command line's alone
    EXPECT_EQ(cfg.exempt, "10.0.0.1");
    // A bad command line is reported as such, before the file is looked at.
    std::string err;
    EXPECT_EQ(Configure({"--config", d.path + "/nope.conf", "--port", "x"}, &cfg, "", &err), -1);
    EXPECT_NE(err.find("--port needs a number"), std::string::npos) << err;
}

// An in-process server configured the program's way: the file plus a command line.
struct ConfigServer {
    explicit ConfigServer(const std::string &file, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--config",       file,
                                         "--bind",         "127.0.0.1",
                                         "--port",         "0",
                                         "--mail-port",    "0",
                                         "--db",           ts.dir + "/test.db",
                                         "--hash-cost",    "min",
                                         "--hash-threads", "1",
                                         "--drones",       "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        ServerConfig cfg = ts.cfg; // keeps the test timings no option sets
        cfg.seed = 0;              // as a fresh start has it, unless the file says otherwise
        ok = Configure(args, &cfg, "") == 0;
        ts.cfg = cfg;
    }
    ~ConfigServer() {
        ts.Stop();
        SrvLogSetLevel(LOG_WARN);
    }
    // A value of the running configuration, read on the server's thread.
    template <typename F> auto Get(F f) {
        decltype(f(ServerConfig{})) v{};
        SrvCall(ts.h, [&] { v = f(SrvServerOf(ts.h)->cfg); });
        return v;
    }
    TestServer ts;
    bool ok = false;
};

TEST(ConfigReload, ChangesLimitsAndLogLevelAndLogsEachChange) {
    TempDir d;
    std::string file = d.File("server.conf", "per-address = 5\nlog-level = warn\nseed = 1\n"
                                             "login-timeout = 60\n");
    ConfigServer srv(file, {"--login-timeout", "77"});
    ASSERT_TRUE(srv.ok);
    ASSERT_TRUE(srv.ts.Start(0));
    EXPECT_EQ(srv.Get([](const ServerConfig &c) { return c.per_address; }), 5);
    EXPECT_EQ(SrvLogLevel(), LOG_WARN);

    d.File("server.conf", "per-address = 2\nlog-level = info\nseed = 2\nlogin-timeout = 5\n"
                          "exempt = 10.9.9.9\nmail-max-mb = 9\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(SrvReload(srv.ts.h), 1);
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("reload: log-level warn -> info"), std::string::npos) << log;
    EXPECT_NE(log.find("reload: per-address 5 -> 2"), std::string::npos) << log;
    EXPECT_NE(log.find("reload: exempt '' -> '10.9.9.9'"), std::string::npos) << log;
    EXPECT_NE(log.find("reload: mail-max-mb 64 -> 9"), std::string::npos) << log;
    EXPECT_NE(log.find("reload: seed 1 -> 2 needs a restart; 1 stays in force"), std::string::npos)
        << log;
    // The command line's value stays in force: nothing to log about it.
    EXPECT_EQ(log.find("login-timeout"), std::string::npos) << log;
    EXPECT_EQ(SrvLogLevel(), LOG_INFO);
    EXPECT_EQ(srv.Get([](const ServerConfig &c) { return c.login_timeout_s; }), 77);
    EXPECT_EQ(srv.Get([](const ServerConfig &c) { return c.seed; }), 1u);
    EXPECT_EQ(srv.Get([](const ServerConfig &c) { return c.mail_max_bytes; }), 9 << 20);
    bool exempt = false;
    SrvCall(srv.ts.h, [&] { exempt = SrvServerOf(srv.ts.h)->exempt.count("10.9.9.9") == 1; });
    EXPECT_TRUE(exempt);

    // The new limit holds at once: a third connection from this address is refused.
    SrvLogSetLevel(LOG_ERROR);
    TestClient a, b, c;
    ASSERT_TRUE(a.Connect(srv.ts.port));
    ASSERT_TRUE(b.Connect(srv.ts.port));
    EXPECT_FALSE(b.WaitClosed(300));
    ASSERT_TRUE(c.Connect(srv.ts.port));
    EXPECT_TRUE(c.WaitClosed(3000));

    // Removing a line brings back the built-in value.
    d.File("server.conf", "log-level = error\n");
    EXPECT_EQ(SrvReload(srv.ts.h), 1);
    EXPECT_EQ(srv.Get([](const ServerConfig &c) { return c.per_address; }), 32);
    EXPECT_EQ(srv.Get([](const ServerConfig &c) { return c.exempt; }), "");
}

TEST(ConfigReload, BrokenFileKeepsTheOldSettingsWhole) {
    TempDir d;
    std::string file = d.File("server.conf", "per-address = 5\nidle-sea = 100\nlog-level = warn\n");
    ConfigServer srv(file);
    ASSERT_TRUE(srv.ok);
    ASSERT_TRUE(srv.ts.Start(0));
    // The first lines are good; the error comes after them.
    d.File("server.conf", "per-address = 9\nlog-level = debug\nidle-sea = banana\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(SrvReload(srv.ts.h), 0);
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("reload: " + file + ":3: idle-sea needs a number"), std::string::npos)
        << log;
    EXPECT_NE(log.find("the configuration in force is kept"), std::string::npos) << log;
    EXPECT_EQ(srv.Get([](const ServerConfig &c) { return c.per_address; }), 5);
    EXPECT_EQ(srv.Get([](const ServerConfig &c) { return c.idle_sea_s; }), 100);
    EXPECT_EQ(SrvLogLevel(), LOG_WARN);

    // A file named by --config that has gone is an error too; the server keeps running.
    std::filesystem::remove(file);
    testing::internal::CaptureStderr();
    EXPECT_EQ(SrvReload(srv.ts.h), 0);
    log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("No such file or directory"), std::string::npos) << log;
    EXPECT_EQ(srv.Get([](const ServerConfig &c) { return c.per_address; }), 5);
    TestClient a;
    EXPECT_TRUE(a.Connect(srv.ts.port));
}

TEST(ConfigReload, RaisedSighupReloadsOnTheServerThread) {
    TempDir d;
    std::string file = d.File("server.conf", "per-address = 5\nlog-level = warn\n");
    ConfigServer srv(file);
    ASSERT_TRUE(srv.ok);
    srv.ts.cfg.handle_signals = true;
    ASSERT_TRUE(srv.ts.Start(0));
    d.File("server.conf", "per-address = 3\nlog-level = warn\n");
    raise(SIGHUP);
    EXPECT_TRUE(WaitUntil(
        [&] { return srv.Get([](const ServerConfig &c) { return c.per_address; }) == 3; }));
    // A second signal is handled too.
    d.File("server.conf", "per-address = 4\nlog-level = warn\n");
    raise(SIGHUP);
    EXPECT_TRUE(WaitUntil(
        [&] { return srv.Get([](const ServerConfig &c) { return c.per_address; }) == 4; }));
}

// The real program, sent a real SIGHUP, logs what changed.
TEST(ConfigReload, ProgramReloadsOnSighup) {
    char self[1024];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = 0;
    std::string program =
        std::string(self).substr(0, std::string(self).rfind('/') + 1) + "kestrune-server";
    ASSERT_EQ(access(program.c_str(), X_OK), 0) << program;
    TempDir d;
    std::string file = d.File("server.conf", "per-address = 5\nlog-level = info\ndrones = 0\n");
    std::string logfile = d.path + "/server.log";
    std::vector<std::string> args = {
        program,       "--config", file,   "--bind",         "127.0.0.1",   "--port", "0",
        "--mail-port", "0",        "--db", d.path + "/k.db", "--hash-cost", "min"};
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(logfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) dup2(fd, 2);
        std::vector<char *> argv;
        for (std::string &s : args)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    bool up = WaitUntil([&] { return ReadAll(logfile).find("game port") != std::string::npos; });
    if (up) {
        d.File("server.conf", "per-address = 2\nlog-level = debug\ndrones = 0\nport = 1\n");
        kill(pid, SIGHUP);
        WaitUntil([&] { return ReadAll(logfile).find("settings changed") != std::string::npos; });
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    std::string log = ReadAll(logfile);
    ASSERT_TRUE(up) << log;
    EXPECT_NE(log.find("SIGHUP: reading " + file + " again"), std::string::npos) << log;
    EXPECT_NE(log.find("reload: log-level info -> debug"), std::string::npos) << log;
    EXPECT_NE(log.find("reload: per-address 5 -> 2"), std::string::npos) << log;
    // The command line's port (0) overrides the file's, so that is no change at all.
    EXPECT_EQ(log.find("reload: port"), std::string::npos) << log;
    EXPECT_NE(log.find("2 settings changed"), std::string::npos) << log;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;
}

#ifdef KR_SAMPLE_CONF
// The shipped sample: it parses as it is, and with every setting taken out of its comment it
// names every option of --help and gives the program's defaults.
TEST(ConfigFile, SampleHoldsEveryOptionWithItsDefault) {
    ServerConfig shipped;
    std::string error;
    ASSERT_EQ(SrvReadConfigFile(KR_SAMPLE_CONF, true, &shipped, &error), 1) << error;
    EXPECT_EQ(shipped.mail_port, 2525); // the packaged service's one change

    std::ifstream in(KR_SAMPLE_CONF);
    std::string line, uncommented;
    std::set<std::string> names;
    while (std::getline(in, line)) {
        size_t eq = line.find(" =");
        if (line.rfind("# ", 0) != 0 || eq == std::string::npos) continue;
        std::string name = line.substr(2, eq - 2);
        if (name.find(' ') != std::string::npos) continue; // prose that holds " ="
        names.insert(name);
        if (name != "spawn-near") uncommented += line.substr(2) + "\n"; // off by default
    }
    TempDir d;
    ServerConfig cfg;
    ASSERT_EQ(SrvReadConfigFile(d.File("all.conf", uncommented), true, &cfg, &error), 1) << error;
    ServerConfig def;
    EXPECT_EQ(cfg.port, def.port);
    EXPECT_EQ(cfg.mail_port, def.mail_port);
    EXPECT_EQ(cfg.bind, def.bind);
    EXPECT_EQ(cfg.db_path, def.db_path);
    EXPECT_EQ(cfg.hash_cost.ops, def.hash_cost.ops);
    EXPECT_EQ(cfg.hash_cost.mem, def.hash_cost.mem);
    EXPECT_EQ(cfg.drones, def.drones);
    EXPECT_DOUBLE_EQ(cfg.line_rate, def.line_rate);
    EXPECT_DOUBLE_EQ(cfg.new_accounts_rate, def.new_accounts_rate);
    EXPECT_EQ(cfg.per_address, def.per_address);
    EXPECT_EQ(cfg.idle_harbour_s, def.idle_harbour_s);
    EXPECT_EQ(cfg.send_buffer, def.send_buffer);
    EXPECT_EQ(cfg.move_window_s, def.move_window_s);
    EXPECT_EQ(cfg.mail_max_stored, def.mail_max_stored);
    EXPECT_EQ(cfg.mail_max_bytes, def.mail_max_bytes);
    EXPECT_EQ(cfg.log_level, LOG_INFO);

    testing::internal::CaptureStdout();
    SrvPrintHelp();
    std::string help = testing::internal::GetCapturedStdout();
    std::istringstream lines(help);
    const std::set<std::string> commands = {
        "config", "smtp-port", "list-players", "announce", "list-feedback", "help", "version",
        "admin"};
    while (std::getline(lines, line)) {
        if (line.rfind("  --", 0) != 0) continue;
        std::string name = line.substr(4, line.find_first_of(" \n", 4) - 4);
        if (commands.count(name)) continue;
        EXPECT_TRUE(names.count(name)) << name << " is missing from the sample";
    }
}
#endif
