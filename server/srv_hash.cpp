// srv_hash.cpp -- the password hashing workers
#include "server/srv_hash.h"
#include "server/srv_log.h"

#include <sodium.h>

void HashPoolStart(HashPool *p, int n) {
    if (sodium_init() < 0) LogError("hash: libsodium failed to start");
    if (n < 1) n = 1;
    p->stopping = false;
    for (int i = 0; i < n; i++) {
        p->threads.emplace_back([p] {
            for (;;) {
                std::function<void()> job;
                {
                    std::unique_lock<std::mutex> lock(p->mutex);
                    p->wake.wait(lock, [p] { return p->stopping || !p->jobs.empty(); });
                    if (p->stopping) return;
                    job = std::move(p->jobs.front());
                    p->jobs.pop_front();
                }
                job();
            }
        });
    }
}

bool HashPoolSubmit(HashPool *p, std::function<void()> job) {
    {
        std::lock_guard<std::mutex> lock(p->mutex);
        if (p->max_jobs && p->jobs.size() >= p->max_jobs) return false;
        p->jobs.push_back(std::move(job));
    }
    p->wake.notify_one();
    return true;
}

size_t HashPoolPending(HashPool *p) {
    std::lock_guard<std::mutex> lock(p->mutex);
    return p->jobs.size();
}

void HashPoolStop(HashPool *p) {
    {
        std::lock_guard<std::mutex> lock(p->mutex);
        p->stopping = true;
        p->jobs.clear();
    }
    p->wake.notify_all();
    for (std::thread &t : p->threads)
        t.join();
    p->threads.clear();
}

std::string HashPassword(const std::string &password, const SrvHashCost &cost) {
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), cost.ops, cost.mem) != 0) {
        LogError("hash: crypto_pwhash_str failed (out of memory?)");
        return std::string();
    }
    return std::string(out);
}

bool HashVerify(const std::string &hash, const std::string &password) {
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

bool HashNeedsRehash(const std::string &hash, const SrvHashCost &cost) {
    return crypto_pwhash_str_needs_rehash(hash.c_str(), cost.ops, cost.mem) != 0;
}
