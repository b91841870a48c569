// srv_db.h -- the server's storage: players, scores, feedback mail and announcements in SQLite
#pragma once

#include <stdint.h>

#include <functional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;
struct MetricHistogram;

#define SHIP_CLASSES                                                                               \
    6 // server ship types: 0 tanker, 1 corvette, 2 destroyer, 3 sub, 4 none, 5 merchant
#define SCORE_SLOTS 60 // entries 0..35 the current (or last) mission, 42..59 the best missions
#define DB_SCHEMA_VERSION 2

// One player's account as it is stored.
struct PlayerRecord {
    int64_t id = 0;
    std::string userid, pwhash, nickname;
    int32_t country = 0;
    int32_t inv[SHIP_CLASSES] = {};
    int64_t inv_time = 0; // when the inventory was last replenished (Unix seconds)
    int32_t score[SCORE_SLOTS] = {};
    int32_t missions = 0, ships_lost = 0;
    int64_t created = 0, last_login = 0;
};

struct FeedbackRecord {
    int64_t id = 0, received = 0;
    std::string peer, sender, recipient, subject, body;
};

// Results of DbCreatePlayer.
enum { DB_OK = 0, DB_DUP_USERID = 1, DB_DUP_NICKNAME = 2, DB_FAIL = -1 };

struct Db {
    sqlite3 *db = nullptr;
    sqlite3_stmt *find_player = nullptr, *nick_taken = nullptr, *insert_player = nullptr,
                 *load_scores = nullptr, *save_score = nullptr, *save_player = nullptr,
                 *save_login = nullptr, *save_hash = nullptr, *insert_feedback = nullptr,
                 *announce_after = nullptr;
    MetricHistogram *latency = nullptr; // when set, the time of each call is added to it
};

// Opens (creating or migrating to DB_SCHEMA_VERSION) the database file in WAL mode. A file that
// is read-only, damaged, of a newer schema or can't take a write is refused: returns 0 and in
// *error what is wrong, with the file and what the operator can do.
int DbOpen(Db *d, const std::string &path, std::string *error);

// Finishes the statements, checkpoints and closes. Safe on a closed Db.
void DbClose(Db *d);

// Loads an account by UserID: 1 found, 0 not found, -1 error.
int DbFindPlayer(Db *d, const std::string &userid, PlayerRecord *out);

// Whether a nickname is in use, compared without regard to ASCII case: 1 yes, 0 no, -1 error.
int DbNicknameTaken(Db *d, const std::string &nickname);

// Creates an account (sets rec->id): DB_OK, DB_DUP_USERID, DB_DUP_NICKNAME or DB_FAIL.
int DbCreatePlayer(Db *d, PlayerRecord *rec);

// Stores country, inventory, counters and every score entry in one transaction. 1 on success.
int DbSavePlayer(Db *d, const PlayerRecord &rec);

// Stores the time of a login. 1 on success.
int DbSaveLogin(Db *d, int64_t id, int64_t when);

// Replaces a stored password hash (after a change of cost). 1 on success.
int DbSaveHash(Db *d, int64_t id, const std::string &hash);

// Stores one feedback mail; 1 on success.
int DbAddFeedback(Db *d, const FeedbackRecord &f);

// The number of stored feedback mails and the bytes of their texts and addresses.
int DbFeedbackTotals(Db *d, int64_t *count, int64_t *bytes);

// Calls fn for every feedback mail received at or after since, oldest first; only its time,
// peer and sender are filled in.
int DbFeedbackSince(Db *d, int64_t since, const std::function<void(const FeedbackRecord &)> &fn);

// Calls fn for every account in UserID order, every feedback mail in arrival order. 1 when the
// whole list was read, 0 when a read failed part-way.
int DbListPlayers(Db *d, const std::function<void(const PlayerRecord &)> &fn);
int DbListFeedback(Db *d, const std::function<void(const FeedbackRecord &)> &fn);

// Queues an operator announcement for the running server. 1 on success.
int DbAddAnnouncement(Db *d, const std::string &text, int64_t when);

// Calls fn(id, text) for every announcement with an id above after; returns the highest id seen
// (after itself when there is none).
int64_t DbAnnouncementsAfter(Db *d, int64_t after,
                             const std::function<void(int64_t, const std::string &)> &fn);

// Bans by the operator: kind is "account" (a UserID) or "address". DbAddBan returns 1 when
// stored, 0 when it was already there, -1 on error; DbRemoveBan 1 removed, 0 none, -1 error.
int DbAddBan(Db *d, const std::string &kind, const std::string &value, int64_t when);
int DbRemoveBan(Db *d, const std::string &kind, const std::string &value);

// Calls fn for every ban, oldest first; 1 when all were read.
int DbListBans(
    Db *d,
    const std::function<void(const std::string &kind, const std::string &value, int64_t when)> &fn);
