// hostile_probe.cpp -- well-behaved players timing their requests against a server under attack
#include "hostile_probe.h"
#include "srv_test_util.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

long ProbeRssKb() {
    FILE *f = fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    while (fgets(line, sizeof line, f))
        if (strncmp(line, "VmRSS:", 6) == 0) kb = strtol(line + 6, nullptr, 10);
    fclose(f);
    return kb;
}

HostileProbe::~HostileProbe() {
    Stop();
}

bool HostileProbe::Start(int port, int players, int interval_ms, const std::string &prefix) {
    Stop();
    stopping = false;
    lost = 0;
    this->players = 0;
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < players; i++) {
        auto c = std::make_unique<TestClient>();
        std::string name = prefix + std::to_string(i);
        // A nickname holds at most 15 characters.
        if (!TestNewPlayer(c.get(), port, name, "pw" + name, name.substr(0, 15), i % 2))
            return false;
        clients.push_back(std::move(c));
    }
    this->players = players;
    for (auto &cp : clients) {
        TestClient *c = cp.release();
        threads.emplace_back([this, c, interval_ms] {
            std::unique_ptr<TestClient> own(c);
            using Clock = std::chrono::steady_clock;
            Clock::time_point next = Clock::now();
            while (!stopping) {
                Clock::time_point t0 = Clock::now();
                bool answered = false;
                if (c->SendLine("22")) {
                    std::string line;
                    // Other lines (broadcast texts) may come first; only the answer counts.
                    while (c->ReadLine(&line, 5000))
                        if (line.rfind("23:", 0) == 0) {
                            answered = true;
                            break;
                        }
                }
                double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    if (answered)
                        rtt_ms.push_back(ms);
                    else
                        failures++;
                }
                if (!answered) {
                    lost++;
                    return;
                }
                next += std::chrono::milliseconds(interval_ms);
                std::this_thread::sleep_until(next);
            }
        });
    }
    return true;
}

void HostileProbe::Reset() {
    std::lock_guard<std::mutex> lock(mutex);
    rtt_ms.clear();
    failures = 0;
}

ProbeStats HostileProbe::Stats() {
    ProbeStats st;
    std::vector<double> v;
    {
        std::lock_guard<std::mutex> lock(mutex);
        v = rtt_ms;
        st.failures = failures;
    }
    st.samples = v.size();
    st.rss_kb = ProbeRssKb();
    if (v.empty()) return st;
    std::sort(v.begin(), v.end());
    auto at = [&](double q) {
        size_t i = (size_t)(q * (double)(v.size() - 1) + 0.5);
        return v[std::min(i, v.size() - 1)];
    };
    st.p50_ms = at(0.50);
    st.p99_ms = at(0.99);
    st.max_ms = v.back();
    return st;
}

void HostileProbe::Stop() {
    stopping = true;
    for (std::thread &t : threads)
        t.join();
    threads.clear();
}

bool HostileProbe::AllConnected() {
    return lost == 0 && players > 0;
}

bool ProbeLatencyChecked() {
    const char *v = getenv("KESTRUNE_HOSTILE_LATENCY");
    return HOSTILE_TIMED && v && *v && strcmp(v, "0") != 0;
}
