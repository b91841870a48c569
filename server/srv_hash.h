// srv_hash.h -- Argon2id password hashing on worker threads, so a login never stalls the loop
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/srv_server.h"

struct HashPool {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    std::vector<std::thread> threads;
    bool stopping = false;
    size_t max_jobs = 0; // jobs that may wait at once (0: no bound)
};

// Starts n worker threads (at least one).
void HashPoolStart(HashPool *p, int n);

// Queues a job for a worker; the job posts its result back to the network thread itself.
// Returns false, queueing nothing, when max_jobs are already waiting.
bool HashPoolSubmit(HashPool *p, std::function<void()> job);

// Jobs waiting for a worker.
size_t HashPoolPending(HashPool *p);

// Drops the jobs not yet started, lets the running ones finish and joins the threads.
void HashPoolStop(HashPool *p);

// The Argon2id hash string of a password at the given cost; empty on failure (out of memory).
std::string HashPassword(const std::string &password, const SrvHashCost &cost);

// Whether the password matches a stored hash string.
bool HashVerify(const std::string &hash, const std::string &password);

// Whether a stored hash was made at another cost than the one now configured.
bool HashNeedsRehash(const std::string &hash, const SrvHashCost &cost);
