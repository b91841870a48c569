// metrics_test.cpp -- the metrics endpoint: well-formed Prometheus text, figures that move, bad
// HTTP
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <thread>

#include "server/srv_local.h"
#include "server/srv_metrics.h"

#include "srv_test_util.h"

namespace {

// ---- a checker of the Prometheus text format (0.0.4) ----

bool ValidName(const std::string &n, bool label) {
    if (n.empty()) return false;
    for (size_t i = 0; i < n.size(); i++) {
        char ch = n[i];
        bool ok = isalpha((unsigned char)ch) || ch == '_' || (!label && ch == ':') ||
                  (i > 0 && isdigit((unsigned char)ch));
        if (!ok) return false;
    }
    return true;
}

bool ValidValue(const std::string &v) {
    if (v == "+Inf" || v == "-Inf" || v == "NaN") return true;
    if (v.empty()) return false;
    char *end;
    strtod(v.c_str(), &end);
    return *end == 0;
}

struct Scrape {
    std::vector<std::string> errors;
    std::map<std::string, double> samples; // "name{labels}" as written -> value
    double Get(const std::string &key) const {
        auto it = samples.find(key);
        return it == samples.end() ? NAN : it->second;
    }
};

// Parses labels "{a="x",b="y"}" starting at text[*at]; false when malformed.
bool ParseLabels(const std::string &text, size_t *at, std::map<std::string, std::string> *out) {
    size_t i = *at + 1; // past '{'
    while (i < text.size() && text[i] != '}') {
        size_t eq = text.find('=', i);
        if (eq == std::string::npos) return false;
        std::string name = text.substr(i, eq - i);
        if (!ValidName(name, true) || out->count(name)) return false;
        i = eq + 1;
        if (i >= text.size() || text[i] != '"') return false;
        std::string value;
        for (i++; i < text.size() && text[i] != '"'; i++) {
            if (text[i] == '\\') {
                if (++i >= text.size() || (text[i] != '\\' && text[i] != '"' && text[i] != 'n'))
                    return false;
            }
            value += text[i];
        }
        if (i >= text.size()) return false;
        (*out)[name] = value;
        i++; // past the closing quote
        if (i < text.size() && text[i] == ',') i++;
    }
    if (i >= text.size()) return false;
    *at = i + 1;
    return true;
}

Scrape CheckPrometheus(const std::string &text) {
    Scrape s;
    std::map<std::string, std::string> type; // family -> type
    std::set<std::string> help;
    std::map<std::string, double> last_bucket;
    if (text.empty() || text.back() != '\n') s.errors.push_back("text does not end a line");
    size_t at = 0;
    int number = 0;
    while (at < text.size()) {
        size_t nl = text.find('\n', at);
        std::string line = text.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
        at = nl == std::string::npos ? text.size() : nl + 1;
        number++;
        std::string where = "line " + std::to_string(number) + " '" + line + "': ";
        if (line.empty()) continue;
        if (line[0] == '#') {
            std::string kw = line.substr(0, 7);
            if (kw != "# HELP " && kw != "# TYPE ") continue; // a plain comment
            size_t sp = line.find(' ', 7);
            std::string fam = line.substr(7, sp == std::string::npos ? std::string::npos : sp - 7);
            std::string rest = sp == std::string::npos ? "" : line.substr(sp + 1);
            if (!ValidName(fam, false)) s.errors.push_back(where + "bad metric name");
            if (kw == "# HELP ") {
                if (!help.insert(fam).second) s.errors.push_back(where + "second HELP");
            } else {
                static const std::set<std::string> TYPES = {"counter", "gauge", "histogram",
                                                            "summary", "untyped"};
                if (!TYPES.count(rest)) s.errors.push_back(where + "unknown type");
                if (type.count(fam)) s.errors.push_back(where + "second TYPE");
                if (rest == "counter" &&
                    (fam.size() < 6 || fam.compare(fam.size() - 6, 6, "_total") != 0))
                    s.errors.push_back(where + "counter not named _total");
                type[fam] = rest;
            }
            continue;
        }
        size_t i = 0;
        while (i < line.size() && line[i] != '{' && line[i] != ' ')
            i++;
        std::string name = line.substr(0, i);
        std::map<std::string, std::string> labels;
        if (!ValidName(name, false)) s.errors.push_back(where + "bad metric name");
        if (i < line.size() && line[i] == '{' && !ParseLabels(line, &i, &labels)) {
            s.errors.push_back(where + "bad labels");
            continue;
        }
        if (i >= line.size() || line[i] != ' ') {
            s.errors.push_back(where + "no value");
            continue;
        }
        std::string value = line.substr(i + 1);
        size_t sp = value.find(' ');
        if (sp != std::string::npos) { // a timestamp may follow
            std::string ts = value.substr(sp + 1);
            value = value.substr(0, sp);
            if (ts.empty() || ts.find_first_not_of("-0123456789") != std::string::npos)
                s.errors.push_back(where + "bad timestamp");
        }
        if (!ValidValue(value)) s.errors.push_back(where + "value not a number");
        // The family a sample belongs to: histograms add _bucket, _sum and _count.
        std::string fam = name;
        for (const char *suffix : {"_bucket", "_sum", "_count"}) {
            size_t n = strlen(suffix);
            std::string base = name.size() > n ? name.substr(0, name.size() - n) : "";
            if (!base.empty() && name.compare(name.size() - n, n, suffix) == 0 &&
                (type[base] == "histogram" || type[base] == "summary"))
                fam = base;
        }
        if (!type.count(fam) || !help.count(fam))
            s.errors.push_back(where + "no HELP and TYPE before it");
        double v = strtod(value.c_str(), nullptr);
        if (value == "+Inf") v = INFINITY;
        if (type[fam] == "counter" && v < 0) s.errors.push_back(where + "negative counter");
        if (type[fam] == "histogram" && name == fam + "_bucket") {
            if (!labels.count("le")) s.errors.push_back(where + "bucket without le");
            if (last_bucket.count(fam) && v < last_bucket[fam])
                s.errors.push_back(where + "buckets not cumulative");
            last_bucket[fam] = v;
        }
        if (type[fam] == "histogram" && name == fam + "_count") {
            if (!last_bucket.count(fam) || s.Get(fam + "_bucket{le=\"+Inf\"}") != v)
                s.errors.push_back(where + "count differs from the +Inf bucket");
            last_bucket.erase(fam);
        }
        std::string key = line.substr(0, line.find(' ', name.size()));
        if (s.samples.count(key)) s.errors.push_back(where + "sample repeated");
        s.samples[key] = v;
    }
    return s;
}

// ---- HTTP over loopback ----

// Sends request and reads until the server closes (or timeout_ms); returns what came.
std::string Http(int port, const std::string &request, int timeout_ms = 3000) {
    TestClient c;
    if (!c.Connect(port)) return "<no connection>";
    c.Send(request);
    std::string all;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(
                       deadline - std::chrono::steady_clock::now())
                       .count();
        pollfd p{c.fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, left) <= 0) return all + "<timeout>";
        char buf[65536];
        ssize_t n = recv(c.fd, buf, sizeof buf, 0);
        if (n <= 0) return all;
        all.append(buf, (size_t)n);
    }
}

std::string Body(const std::string &response) {
    size_t at = response.find("\r\n\r\n");
    return at == std::string::npos ? "" : response.substr(at + 4);
}

struct Metrics : ::testing::Test {
    TestServer srv;
    int mport = 0;
    void SetUp() override {
        srv.cfg.metrics = "127.0.0.1:0";
        srv.cfg.per_address_pending = 3;
        srv.cfg.mail_per_sender = 1;
        ASSERT_TRUE(srv.Start());
        mport = MetricsPort(SrvServerOf(srv.h));
        ASSERT_GT(mport, 0);
    }
    Scrape Get() {
        std::string r = Http(mport, "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
        EXPECT_EQ(r.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << r.substr(0, 200);
        EXPECT_NE(r.find("Content-Type: text/plain; version=0.0.4"), std::string::npos);
        Scrape s = CheckPrometheus(Body(r));
        for (const std::string &e : s.errors)
            ADD_FAILURE() << e;
        return s;
    }
};

TEST(PrometheusChecker, CatchesMalformedText) {
    // The checker must fail what a scraper would refuse, or the tests below prove nothing.
    EXPECT_TRUE(
        CheckPrometheus("# HELP a_total A.\n# TYPE a_total counter\na_total 1\n").errors.empty());
    EXPECT_FALSE(CheckPrometheus("a_total 1\n").errors.empty());                          // no HELP
    EXPECT_FALSE(CheckPrometheus("# HELP a A.\n# TYPE a gauge\na one\n").errors.empty()); // value
    EXPECT_FALSE(CheckPrometheus("# HELP a A.\n# TYPE a gauge\na{x=\"1} 1\n").errors.empty());
    EXPECT_FALSE(CheckPrometheus("# HELP a A.\n# TYPE a gauge\na{1x=\"1\"} 1\n").errors.empty());
    EXPECT_FALSE(CheckPrometheus("# HELP 1a A.\n# TYPE 1a gauge\n1a 1\n").errors.empty());
    EXPECT_FALSE(CheckPrometheus("# HELP a A.\n# TYPE a counter\na 1\n").errors.empty());
    EXPECT_FALSE(CheckPrometheus("# HELP h H.\n# TYPE h histogram\nh_bucket{le=\"1\"} 2\n"
                                 "h_bucket{le=\"+Inf\"} 1\nh_sum 1\nh_count 1\n")
                     .errors.empty());
}

TEST_F(Metrics, OffUnlessAsked) {
    TestServer plain;
    ASSERT_TRUE(plain.Start());
    EXPECT_EQ(MetricsPort(SrvServerOf(plain.h)), 0);
}

TEST_F(Metrics, TextIsWellFormedAndCountsMoveWithPlayersAndLimits) {
    Scrape before = Get();
    EXPECT_EQ(before.Get("kestrune_players_connected"), 0);
    EXPECT_EQ(before.Get("kestrune_logins_total"), 0);
    EXPECT_EQ(before.Get("kestrune_refused_total{limit=\"per_address_pending\"}"), 0);
    // Every limit has its series from the start, so a rate() over it never starts from nothing.
    for (const char *limit : METRIC_LIMIT_NAME)
        EXPECT_EQ(before.Get("kestrune_refused_total{limit=\"" + std::string(limit) + "\"}"), 0)
            << limit;

    TestClient a, b;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Seawolf", 1));
    ASSERT_TRUE(TestNewPlayer(&b, srv.port, "bob", "pw", "Kraken", 0));
    a.SendLine("24:0:1"); // join as a corvette
    ASSERT_NE(a.WaitFor("26:"), "<none>");
    TestClient wrong;
    ASSERT_TRUE(wrong.Connect(srv.port));
    wrong.Line();
    wrong.Line();
    wrong.SendLine("3:bob:nope");
    EXPECT_EQ(wrong.Line(), "4:");
    EXPECT_TRUE(wrong.WaitClosed());
    // Three connections not logged on are allowed; the fourth is refused by that limit.
    TestClient idle[4];
    for (TestClient &c : idle)
        ASSERT_TRUE(c.Connect(srv.port));
    EXPECT_TRUE(idle[3].WaitClosed());

    std::this_thread::sleep_for(std::chrono::milliseconds(250)); // a world step or two
    Scrape after = Get();
    EXPECT_EQ(after.Get("kestrune_players_connected"), 2);
    EXPECT_EQ(after.Get("kestrune_players_at_sea"), 1);
    EXPECT_EQ(after.Get("kestrune_logins_total"), 2);
    EXPECT_EQ(after.Get("kestrune_accounts_created_total"), 2);
    EXPECT_EQ(after.Get("kestrune_login_failures_total"), 1);
    EXPECT_EQ(after.Get("kestrune_refused_total{limit=\"per_address_pending\"}"), 1);
    EXPECT_EQ(after.Get("kestrune_refused_total{limit=\"per_address\"}"), 0);
    EXPECT_GE(after.Get("kestrune_lines_in_total"), 8);
    EXPECT_GT(after.Get("kestrune_lines_out_total"), after.Get("kestrune_lines_in_total") / 2);
    EXPECT_EQ(after.Get("kestrune_relay_seconds_count"), after.Get("kestrune_lines_in_total"));
    EXPECT_GT(after.Get("kestrune_world_step_seconds_count"), 0);
    EXPECT_GT(after.Get("kestrune_db_seconds_count"), before.Get("kestrune_db_seconds_count"));
    EXPECT_GT(after.Get("kestrune_db_seconds_sum"), 0);
}

TEST_F(Metrics, MailStoredAndMailLimitsAreCounted) {
    ASSERT_GT(srv.mail_port, 0);
    auto mail = [&](const std::string &from) {
        TestClient m;
        if (!m.Connect(srv.mail_port)) return std::string("<no connection>");
        m.Line();
        m.SendLine("HELO x");
        m.Line();
        m.SendLine("MAIL FROM:<" + from + ">");
        std::string r = m.Line();
        if (r.rfind("250", 0) != 0) return r;
        m.SendLine("RCPT TO:<feedback@kestrune>");
        m.Line();
        m.SendLine("DATA");
        m.Line();
        m.SendLine("Subject: hi\r\n\r\nGood game.\r\n.");
        return m.Line();
    };
    EXPECT_EQ(mail("a@example.org").substr(0, 3), "250");
    EXPECT_EQ(mail("a@example.org").substr(0, 3), "450");
    Scrape after = Get();
    EXPECT_EQ(after.Get("kestrune_mails_stored_total"), 1);
    EXPECT_EQ(after.Get("kestrune_mails_kept"), 1);
    EXPECT_EQ(after.Get("kestrune_refused_total{limit=\"mail_per_sender\"}"), 1);
    EXPECT_EQ(after.Get("kestrune_refused_total{limit=\"mail_per_peer\"}"), 0);
}

TEST_F(Metrics, WrongPathMethodAndGarbageGetErrors) {
    EXPECT_EQ(Http(mport, "GET / HTTP/1.1\r\n\r\n").substr(0, 22), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(Http(mport, "GET /metricsx HTTP/1.0\r\n\r\n").substr(0, 12), "HTTP/1.1 404");
    std::string post = Http(mport, "POST /metrics HTTP/1.1\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(post.substr(0, 12), "HTTP/1.1 405");
    EXPECT_NE(post.find("Allow: GET"), std::string::npos);
    EXPECT_EQ(Http(mport, "DELETE /metrics HTTP/1.1\r\n\r\n").substr(0, 12), "HTTP/1.1 405");
    EXPECT_EQ(Http(mport, "hello\r\n\r\n").substr(0, 12), "HTTP/1.1 400");
    EXPECT_EQ(Http(mport, std::string("\x16\x03\x01\x02\x00\n\n", 7)).substr(0, 12),
              "HTTP/1.1 400");
    // A query string is no other page; a bare-LF request is still a request.
    EXPECT_EQ(Http(mport, "GET /metrics?x=1 HTTP/1.1\n\n").substr(0, 15), "HTTP/1.1 200 OK");
}

TEST_F(Metrics, HugeHeaderIsRefusedWithoutReadingItAll) {
    std::string huge = "GET /metrics HTTP/1.1\r\nX-Junk: " + std::string(64 * 1024, 'a');
    std::string r = Http(mport, huge);
    EXPECT_EQ(r.substr(0, 12), "HTTP/1.1 431") << r.substr(0, 80);
    Get(); // still serving
}

TEST_F(Metrics, SlowAndSilentClientsAreClosedAndTakeNoMoreThanTheirSlots) {
    auto t0 = std::chrono::steady_clock::now();
    // Four scrapers that never finish their request hold every slot...
    TestClient slow[4];
    for (TestClient &c : slow) {
        ASSERT_TRUE(c.Connect(mport));
        c.Send("GET /met");
    }
    SrvCall(srv.h, [] {}); // let the server take them in
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // ...so a fifth is turned away at once, not queued behind them.
    EXPECT_EQ(Http(mport, "GET /metrics HTTP/1.1\r\n\r\n").substr(0, 12), "HTTP/1.1 503");
    // A byte now and then does not keep a slot past the deadline.
    for (int i = 0; i < 8; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        slow[0].Send("r");
    }
    for (TestClient &c : slow)
        EXPECT_TRUE(c.WaitClosed(3000));
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(secs, 8.0);
    Scrape s = Get(); // the slots are free again
    EXPECT_EQ(s.Get("kestrune_players_connected"), 0);
    // The game was never held up meanwhile.
    TestClient a;
    EXPECT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Seawolf", 1));
}

} // namespace
