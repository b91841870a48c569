// srv_db.cpp -- SQLite storage of accounts, scores, feedback and announcements
#include "server/srv_db.h"
#include "server/srv_log.h"
#include "server/srv_metrics.h"

#include <sqlite3.h>

#include <sys/statvfs.h>

#include <cstring>

// Each entry takes the schema from the version before it to the next one.
static const char *const DB_MIGRATIONS[DB_SCHEMA_VERSION] = {
    "CREATE TABLE players("
    " id INTEGER PRIMARY KEY,"
    " userid TEXT NOT NULL UNIQUE,"
    " pwhash TEXT NOT NULL,"
    " nickname TEXT NOT NULL UNIQUE COLLATE NOCASE,"
    " country INTEGER NOT NULL,"
    " inv0 INTEGER NOT NULL, inv1 INTEGER NOT NULL, inv2 INTEGER NOT NULL,"
    " inv3 INTEGER NOT NULL, inv4 INTEGER NOT NULL, inv5 INTEGER NOT NULL,"
    " inv_time INTEGER NOT NULL,"
    " missions INTEGER NOT NULL DEFAULT 0,"
    " ships_lost INTEGER NOT NULL DEFAULT 0,"
    " created INTEGER NOT NULL,"
    " last_login INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE scores("
    " player_id INTEGER NOT NULL REFERENCES players(id) ON DELETE CASCADE,"
    " slot INTEGER NOT NULL,"
    " value INTEGER NOT NULL,"
    " PRIMARY KEY(player_id, slot)) WITHOUT ROWID;"
    "CREATE TABLE feedback("
    " id INTEGER PRIMARY KEY,"
    " received INTEGER NOT NULL,"
    " peer TEXT NOT NULL,"
    " sender TEXT NOT NULL,"
    " recipient TEXT NOT NULL,"
    " subject TEXT NOT NULL,"
    " body TEXT NOT NULL);"
    "CREATE TABLE announcements("
    " id INTEGER PRIMARY KEY,"
    " created INTEGER NOT NULL,"
    " text TEXT NOT NULL);",
    "CREATE TABLE bans("
    " kind TEXT NOT NULL,"
    " value TEXT NOT NULL,"
    " created INTEGER NOT NULL,"
    " PRIMARY KEY(kind, value)) WITHOUT ROWID;",
};

// Adds the time of one call to the latency figures (when the server keeps them).
struct DbTimer {
    explicit DbTimer(Db *db) : d(db), start(std::chrono::steady_clock::now()) {}
    ~DbTimer() {
        if (d->latency) MetricObserve(d->latency, MetricSince(start));
    }
    Db *d;
    std::chrono::steady_clock::time_point start;
};

static int DbExec(Db *d, const char *sql, std::string *error) {
    char *msg = nullptr;
    if (sqlite3_exec(d->db, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
        if (error) *error = msg ? msg : "unknown error";
        LogError("db: %s", msg ? msg : "unknown error");
        sqlite3_free(msg);
        return 0;
    }
    return 1;
}

static int DbPrepare(Db *d, sqlite3_stmt **st, const char *sql, std::string *error) {
    if (sqlite3_prepare_v3(d->db, sql, -1, SQLITE_PREPARE_PERSISTENT, st, nullptr) != SQLITE_OK) {
        *error = std::string("prepare failed: ") + sqlite3_errmsg(d->db);
        return 0;
    }
    return 1;
}

// Whether the file system holding path has no space left (SQLite reports a full disk while it
// maps its shared-memory file as a plain I/O error).
static bool DbDiskFull(const std::string &path) {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    struct statvfs fs;
    return statvfs(folder.c_str(), &fs) == 0 && fs.f_bavail == 0;
}

// Adds to a failure what the operator can do about it, judged by SQLite's error code.
static std::string DbAdvice(int code, const std::string &path) {
    switch (code & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return "The server must be able to write " + path +
               " and create files in its folder (its -wal and -shm files live beside it); "
               "check the owner and permissions of both";
    case SQLITE_FULL:
        return "The disk holding " + path + " is full; free some space and start again";
    case SQLITE_IOERR:
        if (DbDiskFull(path))
            return "The disk holding " + path + " is full; free some space and start again";
        return "The disk holding " + path +
               " failed to read or write (is it full, or failing?); free some space or check the "
               "disk, then start again";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return "The file is damaged or not a Kestrune database; restore it from a backup, or move "
               "it aside to start with an empty one (sqlite3's .recover may save its contents)";
    default:
        return "See the SQLite message above";
    }
}

// Sets *error to "database PATH: what (SQLite's words). What to do."
static void DbFault(Db *d, const std::string &path, const std::string &what, std::string *error) {
    int code = d->db ? sqlite3_extended_errcode(d->db) : SQLITE_CANTOPEN;
    std::string msg = d->db ? sqlite3_errmsg(d->db) : "can't open";
    *error = "database " + path + ": " + what + " (" + msg + "). " + DbAdvice(code, path) + ".";
}

static int DbMigrate(Db *d, const std::string &path, std::string *error) {
    sqlite3_stmt *st = nullptr;
    int version = -1;
    if (sqlite3_prepare_v2(d->db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    if (version < 0) {
        DbFault(d, path, "can't read the schema version", error);
        return 0;
    }
    if (version > DB_SCHEMA_VERSION) {
        *error = "database " + path + " has schema version " + std::to_string(version) +
                 ", newer than this server's " + std::to_string(DB_SCHEMA_VERSION) +
                 ". It was written by a newer kestrune-server: run that version, or restore a "
                 "backup made for this one.";
        return 0;
    }
    while (version < DB_SCHEMA_VERSION) {
        // One transaction per step, so an interrupted migration leaves a consistent version.
        std::string sql = std::string("BEGIN IMMEDIATE;") + DB_MIGRATIONS[version] +
                          "PRAGMA user_version=" + std::to_string(version + 1) + ";COMMIT;";
        if (!DbExec(d, sql.c_str(), nullptr)) {
            DbFault(d, path, "can't bring the schema to version " + std::to_string(version + 1),
                    error);
            DbExec(d, "ROLLBACK", nullptr);
            return 0;
        }
        version++;
        LogInfo("db: schema migrated to version %d", version);
    }
    return 1;
}

// Refuses a file the server could only half use: one it may not write (every new player would
// be refused) or one with damaged pages (logins fail while mail is still stored).
static int DbCheck(Db *d, const std::string &path, std::string *error) {
    if (sqlite3_db_readonly(d->db, "main") == 1) {
        *error = "database " + path + " is read-only. " + DbAdvice(SQLITE_READONLY, path) + ".";
        return 0;
    }
    sqlite3_stmt *st = nullptr;
    std::string problem;
    int rc = sqlite3_prepare_v2(d->db, "PRAGMA quick_check", -1, &st, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        const unsigned char *t = sqlite3_column_text(st, 0);
        std::string row = t ? (const char *)t : "";
        if (row != "ok" && problem.empty()) problem = row;
        rc = SQLITE_OK;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        int code = sqlite3_errcode(d->db);
        const char *what = code == SQLITE_CORRUPT || code == SQLITE_NOTADB ? "it is damaged"
                           : code == SQLITE_READONLY || code == SQLITE_CANTOPEN
                               ? "it can't be written"
                               : "the integrity check could not run";
        DbFault(d, path, what, error);
        return 0;
    }
    if (!problem.empty()) {
        *error = "database " + path + " is damaged (integrity check: " + problem + "). " +
                 DbAdvice(SQLITE_CORRUPT, path) + ".";
        return 0;
    }
    return 1;
}

// A real write, so a full disk or a read-only mount shows now and not at the first save.
static int DbProbeWrite(Db *d, const std::string &path, std::string *error) {
    if (!DbExec(d, "BEGIN IMMEDIATE; CREATE TABLE write_probe(x); DROP TABLE write_probe; COMMIT;",
                nullptr)) {
        DbFault(d, path, "can't write to it", error);
        DbExec(d, "ROLLBACK", nullptr);
        return 0;
    }
    return 1;
}

int DbOpen(Db *d, const std::string &path, std::string *error) {
    if (sqlite3_open_v2(path.c_str(), &d->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        DbFault(d, path, "can't open it", error);
        DbClose(d);
        return 0;
    }
    sqlite3_extended_result_codes(d->db, 1);
    sqlite3_busy_timeout(d->db, 2000); // operator commands may write at the same time
    if (!DbCheck(d, path, error)) {
        DbClose(d);
        return 0;
    }
    if (!DbExec(d, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;",
                nullptr)) {
        DbFault(d, path, "can't open it for writing", error);
        DbClose(d);
        return 0;
    }
    if (!DbMigrate(d, path, error) || !DbProbeWrite(d, path, error)) {
        DbClose(d);
        return 0;
    }
    static const char SAVE_PLAYER[] =
        "UPDATE players SET country=?2, inv0=?3, inv1=?4, inv2=?5, inv3=?6, inv4=?7, inv5=?8,"
        " inv_time=?9, missions=?10, ships_lost=?11 WHERE id=?1";
    if (!DbPrepare(d, &d->find_player,
                   "SELECT id, userid, pwhash, nickname, country, inv0, inv1, inv2, inv3, inv4, "
                   "inv5, inv_time, missions, ships_lost, created, last_login FROM players "
                   "WHERE userid=?1",
                   error) ||
        !DbPrepare(d, &d->nick_taken, "SELECT 1 FROM players WHERE nickname=?1", error) ||
        !DbPrepare(d, &d->insert_player,
                   "INSERT INTO players(userid, pwhash, nickname, country, inv0, inv1, inv2, inv3,"
                   " inv4, inv5, inv_time, created) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12)",
                   error) ||
        !DbPrepare(d, &d->load_scores, "SELECT slot, value FROM scores WHERE player_id=?1",
                   error) ||
        !DbPrepare(d, &d->save_score,
                   "INSERT OR REPLACE INTO scores(player_id, slot, value) VALUES(?1,?2,?3)",
                   error) ||
        !DbPrepare(d, &d->save_player, SAVE_PLAYER, error) ||
        !DbPrepare(d, &d->save_login, "UPDATE players SET last_login=?2 WHERE id=?1", error) ||
        !DbPrepare(d, &d->save_hash, "UPDATE players SET pwhash=?2 WHERE id=?1", error) ||
        !DbPrepare(d, &d->insert_feedback,
                   "INSERT INTO feedback(received, peer, sender, recipient, subject, body)"
                   " VALUES(?1,?2,?3,?4,?5,?6)",
                   error) ||
        !DbPrepare(d, &d->announce_after,
                   "SELECT id, text FROM announcements WHERE id>?1 ORDER BY id", error)) {
        LogError("db: %s", error->c_str());
        DbClose(d);
        return 0;
    }
    return 1;
}

void DbClose(Db *d) {
    sqlite3_stmt **all[] = {&d->find_player,   &d->nick_taken, &d->insert_player,
                            &d->load_scores,   &d->save_score, &d->save_player,
                            &d->save_login,    &d->save_hash,  &d->insert_feedback,
                            &d->announce_after};
    for (sqlite3_stmt **st : all) {
        sqlite3_finalize(*st);
        *st = nullptr;
    }
    if (d->db) {
        sqlite3_wal_checkpoint_v2(d->db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_close(d->db);
        d->db = nullptr;
    }
}

static void DbBindText(sqlite3_stmt *st, int i, const std::string &s) {
    sqlite3_bind_text(st, i, s.data(), (int)s.size(), SQLITE_TRANSIENT);
}

static std::string DbColumnText(sqlite3_stmt *st, int i) {
    const unsigned char *t = sqlite3_column_text(st, i);
    return t ? std::string((const char *)t, sqlite3_column_bytes(st, i)) : std::string();
}

// Runs a statement that returns no rows; resets it either way.
static int DbStepDone(Db *d, sqlite3_stmt *st) {
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE) {
        LogError("db: %s", sqlite3_errmsg(d->db));
        return 0;
    }
    return 1;
}

static void DbReadPlayer(sqlite3_stmt *st, PlayerRecord *p) {
    p->id = sqlite3_column_int64(st, 0);
    p->userid = DbColumnText(st, 1);
    p->pwhash = DbColumnText(st, 2);
    p->nickname = DbColumnText(st, 3);
    p->country = sqlite3_column_int(st, 4);
    for (int i = 0; i < SHIP_CLASSES; i++)
        p->inv[i] = sqlite3_column_int(st, 5 + i);
    p->inv_time = sqlite3_column_int64(st, 11);
    p->missions = sqlite3_column_int(st, 12);
    p->ships_lost = sqlite3_column_int(st, 13);
    p->created = sqlite3_column_int64(st, 14);
    p->last_login = sqlite3_column_int64(st, 15);
}

// 1 when every score was read, 0 on a read error.
static int DbLoadScores(Db *d, PlayerRecord *p) {
    memset(p->score, 0, sizeof p->score);
    sqlite3_bind_int64(d->load_scores, 1, p->id);
    int rc;
    while ((rc = sqlite3_step(d->load_scores)) == SQLITE_ROW) {
        int slot = sqlite3_column_int(d->load_scores, 0);
        if (slot >= 0 && slot < SCORE_SLOTS) p->score[slot] = sqlite3_column_int(d->load_scores, 1);
    }
    sqlite3_reset(d->load_scores);
    if (rc != SQLITE_DONE) {
        LogError("db: scores of player %lld: %s", (long long)p->id, sqlite3_errmsg(d->db));
        return 0;
    }
    return 1;
}

int DbFindPlayer(Db *d, const std::string &userid, PlayerRecord *out) {
    DbTimer timer(d);
    sqlite3_stmt *st = d->find_player;
    DbBindText(st, 1, userid);
    int rc = sqlite3_step(st);
    int result = 0;
    if (rc == SQLITE_ROW) {
        DbReadPlayer(st, out);
        result = 1;
    } else if (rc != SQLITE_DONE) {
        LogError("db: %s", sqlite3_errmsg(d->db));
        result = -1;
    }
    sqlite3_reset(st);
    // A player whose scores can't be read is not logged on with zeroes that a save would keep.
    if (result == 1 && !DbLoadScores(d, out)) result = -1;
    return result;
}

int DbNicknameTaken(Db *d, const std::string &nickname) {
    DbTimer timer(d);
    DbBindText(d->nick_taken, 1, nickname);
    int rc = sqlite3_step(d->nick_taken);
    sqlite3_reset(d->nick_taken);
    if (rc == SQLITE_ROW) return 1;
    return rc == SQLITE_DONE ? 0 : -1;
}

int DbCreatePlayer(Db *d, PlayerRecord *rec) {
    DbTimer timer(d);
    sqlite3_stmt *st = d->insert_player;
    DbBindText(st, 1, rec->userid);
    DbBindText(st, 2, rec->pwhash);
    DbBindText(st, 3, rec->nickname);
    sqlite3_bind_int(st, 4, rec->country);
    for (int i = 0; i < SHIP_CLASSES; i++)
        sqlite3_bind_int(st, 5 + i, rec->inv[i]);
    sqlite3_bind_int64(st, 11, rec->inv_time);
    sqlite3_bind_int64(st, 12, rec->created);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc == SQLITE_DONE) {
        rec->id = sqlite3_last_insert_rowid(d->db);
        return DB_OK;
    }
    if (rc == SQLITE_CONSTRAINT) {
        const char *msg = sqlite3_errmsg(d->db);
        return strstr(msg, "nickname") ? DB_DUP_NICKNAME : DB_DUP_USERID;
    }
    LogError("db: create player: %s", sqlite3_errmsg(d->db));
    return DB_FAIL;
}

int DbSavePlayer(Db *d, const PlayerRecord &rec) {
    DbTimer timer(d);
    if (!DbExec(d, "BEGIN IMMEDIATE", nullptr)) return 0;
    sqlite3_stmt *st = d->save_player;
    sqlite3_bind_int64(st, 1, rec.id);
    sqlite3_bind_int(st, 2, rec.country);
    for (int i = 0; i < SHIP_CLASSES; i++)
        sqlite3_bind_int(st, 3 + i, rec.inv[i]);
    sqlite3_bind_int64(st, 9, rec.inv_time);
    sqlite3_bind_int(st, 10, rec.missions);
    sqlite3_bind_int(st, 11, rec.ships_lost);
    int ok = DbStepDone(d, st);
    for (int slot = 0; ok && slot < SCORE_SLOTS; slot++) {
        sqlite3_bind_int64(d->save_score, 1, rec.id);
        sqlite3_bind_int(d->save_score, 2, slot);
        sqlite3_bind_int(d->save_score, 3, rec.score[slot]);
        ok = DbStepDone(d, d->save_score);
    }
    if (ok) ok = DbExec(d, "COMMIT", nullptr);
    // A commit that failed on a full disk may leave the transaction open; the next save must
    // not find it so.
    if (!ok && !sqlite3_get_autocommit(d->db)) DbExec(d, "ROLLBACK", nullptr);
    return ok;
}

int DbSaveLogin(Db *d, int64_t id, int64_t when) {
    DbTimer timer(d);
    sqlite3_bind_int64(d->save_login, 1, id);
    sqlite3_bind_int64(d->save_login, 2, when);
    return DbStepDone(d, d->save_login);
}

int DbSaveHash(Db *d, int64_t id, const std::string &hash) {
    DbTimer timer(d);
    sqlite3_bind_int64(d->save_hash, 1, id);
    DbBindText(d->save_hash, 2, hash);
    return DbStepDone(d, d->save_hash);
}

int DbAddFeedback(Db *d, const FeedbackRecord &f) {
    DbTimer timer(d);
    sqlite3_stmt *st = d->insert_feedback;
    sqlite3_bind_int64(st, 1, f.received);
    DbBindText(st, 2, f.peer);
    DbBindText(st, 3, f.sender);
    DbBindText(st, 4, f.recipient);
    DbBindText(st, 5, f.subject);
    DbBindText(st, 6, f.body);
    return DbStepDone(d, st);
}

int DbListPlayers(Db *d, const std::function<void(const PlayerRecord &)> &fn) {
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(d->db,
                           "SELECT id, userid, pwhash, nickname, country, inv0, inv1, inv2, inv3, "
                           "inv4, inv5, inv_time, missions, ships_lost, created, last_login "
                           "FROM players ORDER BY userid",
                           -1, &st, nullptr) != SQLITE_OK)
        return 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        PlayerRecord p;
        DbReadPlayer(st, &p);
        if (!DbLoadScores(d, &p)) break;
        fn(p);
    }
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

int DbFeedbackTotals(Db *d, int64_t *count, int64_t *bytes) {
    // Lengths in bytes, not characters: the cap is on storage.
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(d->db,
                           "SELECT count(*), total(length(CAST(body AS BLOB)) +"
                           " length(CAST(subject AS BLOB)) + length(CAST(sender AS BLOB)) +"
                           " length(CAST(recipient AS BLOB)) + length(CAST(peer AS BLOB)))"
                           " FROM feedback",
                           -1, &st, nullptr) != SQLITE_OK)
        return 0;
    int ok = sqlite3_step(st) == SQLITE_ROW;
    if (ok) {
        *count = sqlite3_column_int64(st, 0);
        *bytes = (int64_t)sqlite3_column_double(st, 1);
    }
    sqlite3_finalize(st);
    return ok;
}

int DbFeedbackSince(Db *d, int64_t since, const std::function<void(const FeedbackRecord &)> &fn) {
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(d->db,
                           "SELECT received, peer, sender FROM feedback WHERE received>=?1 "
                           "ORDER BY id",
                           -1, &st, nullptr) != SQLITE_OK)
        return 0;
    sqlite3_bind_int64(st, 1, since);
    while (sqlite3_step(st) == SQLITE_ROW) {
        FeedbackRecord f;
        f.received = sqlite3_column_int64(st, 0);
        f.peer = DbColumnText(st, 1);
        f.sender = DbColumnText(st, 2);
        fn(f);
    }
    sqlite3_finalize(st);
    return 1;
}

int DbListFeedback(Db *d, const std::function<void(const FeedbackRecord &)> &fn) {
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(d->db,
                           "SELECT id, received, peer, sender, recipient, subject, body "
                           "FROM feedback ORDER BY id",
                           -1, &st, nullptr) != SQLITE_OK)
        return 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        FeedbackRecord f;
        f.id = sqlite3_column_int64(st, 0);
        f.received = sqlite3_column_int64(st, 1);
        f.peer = DbColumnText(st, 2);
        f.sender = DbColumnText(st, 3);
        f.recipient = DbColumnText(st, 4);
        f.subject = DbColumnText(st, 5);
        f.body = DbColumnText(st, 6);
        fn(f);
    }
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

int DbAddAnnouncement(Db *d, const std::string &text, int64_t when) {
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(d->db, "INSERT INTO announcements(created, text) VALUES(?1, ?2)", -1,
                           &st, nullptr) != SQLITE_OK)
        return 0;
    sqlite3_bind_int64(st, 1, when);
    DbBindText(st, 2, text);
    int ok = sqlite3_step(st) == SQLITE_DONE;
    sqlite3_finalize(st);
    return ok;
}

int64_t DbAnnouncementsAfter(Db *d, int64_t after,
                             const std::function<void(int64_t, const std::string &)> &fn) {
    DbTimer timer(d);
    sqlite3_stmt *st = d->announce_after;
    sqlite3_bind_int64(st, 1, after);
    int64_t last = after;
    while (sqlite3_step(st) == SQLITE_ROW) {
        last = sqlite3_column_int64(st, 0);
        fn(last, DbColumnText(st, 1));
    }
    sqlite3_reset(st);
    return last;
}

int DbAddBan(Db *d, const std::string &kind, const std::string &value, int64_t when) {
    DbTimer timer(d);
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(d->db,
                           "INSERT OR IGNORE INTO bans(kind, value, created) VALUES(?1,?2,?3)", -1,
                           &st, nullptr) != SQLITE_OK)
        return -1;
    DbBindText(st, 1, kind);
    DbBindText(st, 2, value);
    sqlite3_bind_int64(st, 3, when);
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        LogError("db: ban: %s", sqlite3_errmsg(d->db));
        return -1;
    }
    return sqlite3_changes(d->db) > 0 ? 1 : 0;
}

int DbRemoveBan(Db *d, const std::string &kind, const std::string &value) {
    DbTimer timer(d);
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(d->db, "DELETE FROM bans WHERE kind=?1 AND value=?2", -1, &st,
                           nullptr) != SQLITE_OK)
        return -1;
    DbBindText(st, 1, kind);
    DbBindText(st, 2, value);
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        LogError("db: unban: %s", sqlite3_errmsg(d->db));
        return -1;
    }
    return sqlite3_changes(d->db) > 0 ? 1 : 0;
}

int DbListBans(Db *d, const std::function<void(const std::string &kind, const std::string &value,
                                               int64_t when)> &fn) {
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(d->db, "SELECT kind, value, created FROM bans ORDER BY created, kind",
                           -1, &st, nullptr) != SQLITE_OK)
        return 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        fn(DbColumnText(st, 0), DbColumnText(st, 1), sqlite3_column_int64(st, 2));
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}
