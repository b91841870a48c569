// srv_session.cpp -- the session protocol: greeting, login, new players, lobby, scores, exit
#include "server/srv_admin.h"
#include "server/srv_local.h"
#include "common/wire.h"
#include "server/srv_log.h"
#include "server/srv_score.h"
#include "server/srv_world.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>

// Ships a player is issued: corvettes, destroyers and submarines; one of each class that is
// short is commissioned every SESSION_REPLENISH_S seconds.
static const int32_t SESSION_ALLOTMENT[SHIP_CLASSES] = {0, 3, 2, 3, 0, 0};
#define SESSION_REPLENISH_S 1200
#define FAIL_BURST 5.0         // failed logins an address may make at once
#define FAIL_RATE (1.0 / 12.0) // and then one every 12 s

void SessionSendText(Conn *c, int32_t number, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string line = WireTextLineV(number, fmt, ap);
    va_end(ap);
    if (!line.empty()) ConnSend(c, line);
}

void SessionSendEmpty(Conn *c, int32_t number) {
    char line[WIRE_LINE_SIZE];
    ConnSend(c, std::string(line, WireFormatEmpty(number, line, sizeof line)));
}

static const char *const SESSION_CLASS_NAME[SHIP_CLASSES] = {"tanker",    "corvette", "destroyer",
                                                             "submarine", "ship",     "merchant"};

static const char *SessionStateName(int state) {
    switch (state) {
    case CS_AWAIT_ID:
        return "login";
    case CS_VERIFYING:
        return "verifying";
    case CS_AWAIT_NAME:
        return "new player";
    case CS_CREATING:
        return "creating";
    default:
        return "lobby";
    }
}

int ScoreForSinking(int server_type) {
    switch (server_type) {
    case 0:
        return 150; // tanker
    case 1:
        return 200; // corvette
    case 2:
        return 300; // destroyer
    case 3:
        return 300; // submarine
    case 5:
        return 100; // merchant
    default:
        return 0;
    }
}

static std::string SessionLower(std::string_view s) {
    std::string out(s);
    for (char &ch : out)
        ch = (char)tolower((unsigned char)ch);
    return out;
}

void SessionReplenish(PlayerRecord *rec, int64_t now) {
    bool full = true;
    for (int i = 0; i < SHIP_CLASSES; i++)
        if (rec->inv[i] < SESSION_ALLOTMENT[i]) full = false;
    if (full || rec->inv_time > now) {
        rec->inv_time = now;
        return;
    }
    int64_t n = (now - rec->inv_time) / SESSION_REPLENISH_S;
    if (n <= 0) return;
    full = true;
    for (int i = 0; i < SHIP_CLASSES; i++) {
        if (rec->inv[i] < SESSION_ALLOTMENT[i])
            rec->inv[i] = (int32_t)std::min<int64_t>(SESSION_ALLOTMENT[i], rec->inv[i] + n);
        if (rec->inv[i] < SESSION_ALLOTMENT[i]) full = false;
    }
    rec->inv_time = full ? now : rec->inv_time + n * SESSION_REPLENISH_S;
}

void SessionGreet(Conn *c) {
    ConnSend(c, SRV_GREETING);
    SessionSendEmpty(c, T_IDREQ);
}

// A dropped line is logged by its packet number and length only: a login line sent at the
// wrong moment, or mistyped, holds a password.
static void SessionDrop(Conn *c, std::string_view line, const char *why) {
    PacketLine p;
    if (LineParsePacket(line, &p))
        ConnLog(LOG_INFO, c, "dropped line (%s): packet %d, %zu characters", why, p.number,
                line.size());
    else
        ConnLog(LOG_INFO, c, "dropped line (%s): %zu characters", why, line.size());
}

// Refuses a login: the client shows its message and connects again.
static void SessionNoLogin(Conn *c, const char *why) {
    ConnLog(LOG_INFO, c, "login refused: %s", why);
    SessionSendEmpty(c, T_NOLOGIN);
    ConnClose(c, nullptr, true);
}

static bool SessionBlocked(Server *s, const std::string &peer) {
    auto it = s->fails.find(peer);
    if (it == s->fails.end()) return false;
    TokenBucket b = it->second.bucket;
    return !BucketTake(&b, 1.0);
}

static void SessionFailed(Server *s, const std::string &peer) {
    auto it = s->fails.find(peer);
    if (it == s->fails.end()) {
        it = s->fails.emplace(peer, FailRecord{}).first;
        BucketInit(&it->second.bucket, FAIL_RATE, FAIL_BURST);
    }
    BucketTake(&it->second.bucket, 1.0);
}

static bool SessionFieldValid(std::string_view s, size_t max) {
    if (s.empty() || s.size() > max) return false;
    for (unsigned char ch : s)
        if (ch <= 0x20 || ch == ':' || ch == 0x7f) return false;
    return true;
}

// A nickname is shown in every other player's lists: it must fit the 15-character field of a
// new-ship line, hold no colon, not be blank, and not pose as the server's drones.
static bool SessionNickValid(std::string_view s) {
    if (s.empty() || s.size() > NICK_MAX || !LinePrintable(s)) return false;
    if (s.find(':') != std::string_view::npos) return false;
    if (s.find_first_not_of(' ') == std::string_view::npos) return false;
    if (SessionLower(s) == "drone") return false;
    return true;
}

static void SessionLogon(Conn *c) {
    Server *s = c->srv;
    c->state = CS_LOBBY;
    ConnLoggedOn(c);
    s->users[c->rec.userid] = c->cid;
    c->pending_password.clear();
    c->pending_hash.clear();
    int64_t now = SrvNow();
    SessionReplenish(&c->rec, now);
    c->rec.last_login = now;
    DbSaveLogin(&s->db, c->rec.id, now);
    ConnLog(LOG_INFO, c, "%s logged on as %s", c->rec.userid.c_str(), c->rec.nickname.c_str());
    WireName logon = {c->rec.nickname, c->rec.country};
    char line[WIRE_LINE_SIZE];
    WireFormatLogonOk(&logon, line, sizeof line);
    ConnSend(c, line);
    s->online++;
    s->metrics.logins++;
    int online = s->online, at_sea = s->at_sea;
    SessionSendText(c, T_TEXT, "Welcome to Kestrune, %s. %d captain%s online, %d at sea.",
                    c->rec.nickname.c_str(), online, online == 1 ? "" : "s", at_sea);
}

// Runs fn on a hash worker and hands its result back to the network thread, to this connection
// only if it still waits for this job. A job whose connection closed before a worker took it is
// skipped: hashing is the costliest thing a client can ask for. Returns false when the queue
// is full (nothing is queued).
template <typename Work, typename Done> static bool SessionHashJob(Conn *c, Work work, Done done) {
    Server *s = c->srv;
    uint64_t job = s->next_job++;
    std::weak_ptr<Conn> weak = c->shared_from_this();
    std::shared_ptr<std::atomic<bool>> live = c->live;
    bool queued = HashPoolSubmit(&s->pool, [s, weak, live, job, work, done] {
        if (!live->load()) return;
        auto result = work();
        asio::post(s->io, [weak, job, done, result] {
            std::shared_ptr<Conn> conn = weak.lock();
            if (!conn || conn->closed || conn->closing || conn->job != job) return;
            conn->job = 0;
            done(conn.get(), result);
        });
    });
    if (queued) c->job = job;
    return queued;
}

// The hashing threads are behind: the client is told to come back.
static void SessionBusy(Conn *c) {
    MetricRefused(c->srv, LIMIT_HASH_QUEUE);
    SessionSendText(c, T_DIALOG, "The server is busy. Please try again in a minute.");
    SessionNoLogin(c, "password queue full");
}

// Whether an address (and the server as a whole) may begin another new account; takes one.
// A refusal is counted against the limit that made it.
static bool SessionNewAccountAllowed(Server *s, const std::string &peer) {
    if (s->exempt.count(peer)) return true;
    auto it = s->new_accounts.find(peer);
    if (it == s->new_accounts.end()) {
        it = s->new_accounts.emplace(peer, TokenBucket{}).first;
        double n = std::max(1, s->cfg.new_accounts_hour);
        BucketInit(&it->second, n / 3600.0, n);
    }
    TokenBucket probe = it->second;
    if (!BucketTake(&probe, 1.0)) {
        MetricRefused(s, LIMIT_NEW_ACCOUNTS_ADDRESS);
        return false;
    }
    if (!BucketTake(&s->new_accounts_all, 1.0)) {
        MetricRefused(s, LIMIT_NEW_ACCOUNTS_ALL);
        return false;
    }
    BucketTake(&it->second, 1.0);
    return true;
}

// Seconds a login of this account must still wait after failed ones (0: may be tried now).
static int SessionAccountWait(Server *s, const std::string &userid) {
    auto it = s->account_fails.find(userid);
    if (it == s->account_fails.end()) return 0;
    SteadyClock::duration left = it->second.not_before - SteadyClock::now();
    if (left <= SteadyClock::duration::zero()) return 0;
    return (int)std::chrono::ceil<std::chrono::seconds>(left).count();
}

// A password check of the account begins. It counts as failed until it succeeds, so that
// guesses checked side by side from many connections are held back at once: past
// account_fail_free, each try waits twice as long as the one before, up to account_fail_max_s.
static void SessionAccountTry(Server *s, const std::string &userid) {
    AccountFails &f = s->account_fails[userid];
    SteadyClock::time_point now = SteadyClock::now();
    f.count++;
    f.last = now;
    int over = f.count - s->cfg.account_fail_free;
    if (over > 0) {
        int64_t wait = (int64_t)1 << std::min(over - 1, 20);
        wait = std::min<int64_t>(wait, std::max(1, s->cfg.account_fail_max_s));
        f.not_before = now + std::chrono::seconds(wait);
    }
}

static void SessionCreateAccount(Conn *c) {
    Server *s = c->srv;
    c->rec.userid = c->pending_userid;
    c->rec.pwhash = c->pending_hash;
    for (int i = 0; i < SHIP_CLASSES; i++)
        c->rec.inv[i] = SESSION_ALLOTMENT[i];
    c->rec.created = c->rec.inv_time = SrvNow();
    int rc = DbCreatePlayer(&s->db, &c->rec);
    s->reserved_nicks.erase(c->reserved_nick);
    c->reserved_nick.clear();
    if (rc == DB_OK) {
        s->metrics.accounts_created++;
        ConnLog(LOG_INFO, c, "new player %s (%s), %s", c->rec.userid.c_str(),
                c->rec.nickname.c_str(), c->rec.country ? "Northland" : "Westland");
        SessionLogon(c);
        ConnResume(c);
    } else if (rc == DB_DUP_NICKNAME) {
        c->state = CS_AWAIT_NAME;
        SessionSendEmpty(c, T_NAMEREFUSE);
        ConnResume(c);
    } else {
        if (rc == DB_FAIL)
            SessionSendText(c, T_DIALOG,
                            "The server can't store new players just now. Please try later.");
        SessionNoLogin(c, rc == DB_FAIL ? "database failure" : "UserID taken meanwhile");
    }
}

static void SessionIdInfo(Conn *c, std::string_view line, std::string_view arg) {
    Server *s = c->srv;
    WireIdInfo id;
    if (WireParseIdInfo(arg, &id) != 2) {
        SessionDrop(c, line, "login without a password field");
        return;
    }
    if (SessionBlocked(s, c->peer)) {
        MetricRefused(s, LIMIT_ADDRESS_FAILS);
        SessionSendText(c, T_DIALOG,
                        "Too many failed logins from your address. Please wait a minute.");
        SessionNoLogin(c, "failed-login limit");
        return;
    }
    if (!SessionFieldValid(id.userid, LOGIN_FIELD_MAX) ||
        !SessionFieldValid(id.password, LOGIN_FIELD_MAX)) {
        s->metrics.login_failures++;
        SessionFailed(s, c->peer);
        SessionNoLogin(c, "unusable UserID or password");
        return;
    }
    std::string userid(id.userid), password(id.password);
    if (AdminBannedAccount(s, userid)) {
        MetricRefused(s, LIMIT_BANNED_ACCOUNT);
        SessionSendText(c, T_DIALOG, "This UserID is banned from this server.");
        SessionNoLogin(c, "the account is banned");
        return;
    }
    PlayerRecord rec;
    int found = DbFindPlayer(&s->db, userid, &rec);
    if (found < 0) {
        SessionSendText(c, T_DIALOG,
                        "The server can't read its records just now. Please try later.");
        SessionNoLogin(c, "database failure");
        return;
    }
    if (found) {
        if (int wait = SessionAccountWait(s, userid)) {
            MetricRefused(s, LIMIT_ACCOUNT_FAILS);
            SessionSendText(c, T_DIALOG,
                            "Too many failed logins for this UserID. Please wait %d seconds.",
                            wait);
            SessionNoLogin(c, "failed logins of the account");
            return;
        }
        c->state = CS_VERIFYING;
        c->rec = rec;
        ConnPause(c);
        std::string hash = rec.pwhash;
        SrvHashCost cost = s->cfg.hash_cost;
        bool queued = SessionHashJob(
            c,
            [hash, password, cost] {
                int r = HashVerify(hash, password) ? 1 : 0;
                if (r && HashNeedsRehash(hash, cost)) r = 2;
                return r;
            },
            [password](Conn *conn, int ok) {
                Server *srv = conn->srv;
                if (!ok) {
                    srv->metrics.login_failures++;
                    SessionFailed(srv, conn->peer);
                    SessionNoLogin(conn, "wrong password");
                    return;
                }
                srv->account_fails.erase(conn->rec.userid);
                if (srv->users.count(conn->rec.userid)) {
                    SessionNoLogin(conn, "already logged on elsewhere");
                    return;
                }
                if (ok == 2) {
                    // The cost was changed: store the password again at the new cost.
                    int64_t id = conn->rec.id;
                    SrvHashCost cost = srv->cfg.hash_cost;
                    HashPoolSubmit(&srv->pool, [srv, id, password, cost] {
                        std::string h = HashPassword(password, cost);
                        if (!h.empty())
                            asio::post(srv->io, [srv, id, h] { DbSaveHash(&srv->db, id, h); });
                    });
                }
                SessionLogon(conn);
                ConnResume(conn);
            });
        if (!queued) {
            SessionBusy(c);
            return;
        }
        SessionAccountTry(s, userid);
        return;
    }
    if (s->users.count(userid)) {
        SessionNoLogin(c, "UserID being created on another connection");
        return;
    }
    // A new player. Each costs a hash, so how fast they may come is limited.
    if (!SessionNewAccountAllowed(s, c->peer)) {
        SessionSendText(c, T_DIALOG, "Too many new players just now. Please try again later.");
        SessionNoLogin(c, "new-account limit");
        return;
    }
    // The hash is made while the player picks a nickname.
    SrvHashCost cost = s->cfg.hash_cost;
    bool queued = SessionHashJob(
        c, [password, cost] { return HashPassword(password, cost); },
        [](Conn *conn, std::string hash) {
            if (hash.empty()) {
                SessionSendText(conn, T_DIALOG,
                                "The server is too busy to add new players. Please try later.");
                SessionNoLogin(conn, "hashing failed");
                return;
            }
            conn->pending_hash = std::move(hash);
            conn->hash_ready = true;
            if (conn->state == CS_CREATING) SessionCreateAccount(conn);
        });
    if (!queued) {
        SessionBusy(c);
        return;
    }
    s->users[userid] = c->cid;
    c->pending_userid = userid;
    c->state = CS_AWAIT_NAME;
    c->hash_ready = false;
    SessionSendEmpty(c, T_NAMEREQ);
}

static void SessionNameInfo(Conn *c, std::string_view line, std::string_view arg) {
    Server *s = c->srv;
    WireName name;
    if (WireParseNameInfo(arg, &name) != 2 || (name.country != 0 && name.country != 1)) {
        SessionDrop(c, line, "nickname line without a country 0 or 1");
        return;
    }
    std::string_view nick = name.nickname;
    int32_t country = name.country;
    std::string lower = SessionLower(nick);
    if (!SessionNickValid(nick) || s->reserved_nicks.count(lower) ||
        DbNicknameTaken(&s->db, std::string(nick)) != 0) {
        ConnLog(LOG_INFO, c, "nickname refused: %.*s", (int)nick.size(), nick.data());
        SessionSendEmpty(c, T_NAMEREFUSE);
        return;
    }
    s->reserved_nicks.insert(lower);
    c->reserved_nick = lower;
    c->rec.nickname = std::string(nick);
    c->rec.country = country;
    c->state = CS_CREATING;
    if (c->hash_ready) {
        SessionCreateAccount(c);
    } else {
        ConnPause(c); // further lines wait for the account
    }
}

static void SessionSendInventory(Conn *c) {
    int32_t before[SHIP_CLASSES];
    memcpy(before, c->rec.inv, sizeof before);
    SessionReplenish(&c->rec, SrvNow());
    if (memcmp(before, c->rec.inv, sizeof before) != 0) DbSavePlayer(&c->srv->db, c->rec);
    const int32_t *v = c->rec.inv;
    char line[WIRE_LINE_SIZE];
    WireFormatInventory(v, line, sizeof line);
    ConnSend(c, line);
}

static void SessionNoJoin(Conn *c, const char *text) {
    SessionSendEmpty(c, T_NOJOIN);
    if (text) SessionSendText(c, T_DIALOG, "%s", text);
}

static void SessionJoin(Conn *c, std::string_view line, std::string_view arg) {
    WireJoinBattle join;
    int n = WireParseJoinBattle(arg, &join);
    int32_t type = join.ship_type;
    if (n < 2) {
        SessionDrop(c, line, "join without a ship type");
        return;
    }
    if (c->ship_id) {
        SessionNoJoin(c, "You are already at sea.");
        return;
    }
    if (type < 1 || type > 3) {
        SessionNoJoin(c, "Only corvettes, destroyers and submarines can be commanded.");
        return;
    }
    SessionReplenish(&c->rec, SrvNow());
    if (c->rec.inv[type] <= 0) {
        char text[160];
        snprintf(text, sizeof text,
                 "No %s is ready for you. A new one is commissioned every %d minutes.",
                 SESSION_CLASS_NAME[type], SESSION_REPLENISH_S / 60);
        SessionNoJoin(c, text);
        return;
    }
    std::string name;
    if (n == 3 && SessionNickValid(join.name) && join.name != "hms test")
        name = std::string(join.name);
    memset(c->mission, 0, sizeof c->mission);
    c->mission_start = SrvNow();
    c->last_hit_tick = 0;
    c->ship_class = type;
    uint32_t id = WorldJoin(c->srv->world, c->cid, c->rec.country, c->rec.nickname, type, name);
    if (!id) {
        SessionNoJoin(c, "The sea is crowded just now. Please try again in a minute.");
        return;
    }
    c->ship_id = id;
    c->srv->at_sea++;
    ConnLog(LOG_INFO, c, "%s joined as %s %u", c->rec.nickname.c_str(), SESSION_CLASS_NAME[type],
            id);
}

static int SessionBestSlot(int server_type) {
    switch (server_type) {
    case 1:
        return SCORE_BEST_CORVETTE;
    case 2:
        return SCORE_BEST_DESTROYER;
    case 3:
        return SCORE_BEST_SUBMARINE;
    default:
        return -1;
    }
}

// The mission's entries as they stand now, with the time at sea counted in.
static void SessionMissionNow(Conn *c, int32_t *out) {
    memcpy(out, c->mission, sizeof c->mission);
    int64_t minutes = (SrvNow() - c->mission_start) / 60;
    out[SCORE_PATROL] = (int32_t)std::min<int64_t>(SCORE_PATROL_MAX, std::max<int64_t>(0, minutes));
}

// Waits before each further try of a save that failed: a locked or briefly full disk often
// clears within a second or two, and the waits run on timers, off the network thread's path.
static const int SESSION_SAVE_RETRY_MS[] = {100, 400, 1500};
#define SESSION_SAVE_RETRIES (int)(sizeof SESSION_SAVE_RETRY_MS / sizeof SESSION_SAVE_RETRY_MS[0])

// The account as it stands once the mission under way ends for the reason why.
static PlayerRecord SessionMissionRecord(Conn *c, int why, bool *lost, int32_t *points) {
    Server *s = c->srv;
    bool under_fire =
        c->last_hit_tick && SrvTick(s) - c->last_hit_tick < (uint32_t)SCORE_UNDER_FIRE_MS;
    *lost = why == MISSION_SUNK || (why == MISSION_DISCONNECT && under_fire);
    int32_t m[SCORE_MISSION_SLOTS];
    SessionMissionNow(c, m);
    if (*lost)
        m[SCORE_PENALTY] += SCORE_LOSS_PENALTY;
    else if ((why == MISSION_EXIT && !under_fire) || why == MISSION_SHUTDOWN)
        m[SCORE_RETURN] += SCORE_RETURN_BONUS;
    PlayerRecord r = c->rec;
    memcpy(r.score, m, sizeof m);
    int best = SessionBestSlot(c->ship_class);
    if (best >= 0) {
        int64_t total = 0, best_total = 0;
        bool have_best = false;
        for (int i = 0; i < SCORE_CATEGORIES; i++) {
            total += m[i];
            best_total += r.score[best + i];
            if (r.score[best + i]) have_best = true;
        }
        if (!have_best || total > best_total)
            for (int i = 0; i < SCORE_CATEGORIES; i++)
                r.score[best + i] = m[i];
    }
    r.missions++;
    if (*lost && c->ship_class >= 0 && c->ship_class < SHIP_CLASSES) {
        SessionReplenish(&r, SrvNow()); // the commissioning clock runs from the loss
        if (r.inv[c->ship_class] > 0) r.inv[c->ship_class]--;
        r.ships_lost++;
    }
    *points = m[0] + m[1] + m[2] + m[3] + m[4] + m[5];
    return r;
}

// Tries again to store an account whose mission has ended (the ship is gone either way). While
// the player is still connected, the account as it now stands is written, so that a retry never
// puts back an older one; the player hears of it if it can't be stored.
static void SessionSaveLater(Server *s, std::weak_ptr<Conn> weak, PlayerRecord rec, int attempt) {
    auto timer = std::make_shared<asio::steady_timer>(
        s->io, std::chrono::milliseconds(SESSION_SAVE_RETRY_MS[attempt]));
    timer->async_wait([s, timer, weak, rec, attempt](const asio::error_code &ec) {
        if (ec) return;
        std::shared_ptr<Conn> conn = weak.lock();
        bool live = conn && !conn->closed && !conn->closing && conn->rec.id == rec.id;
        if (DbSavePlayer(&s->db, live ? conn->rec : rec)) {
            LogInfo("db: %s's account saved at try %d", rec.userid.c_str(), attempt + 2);
            return;
        }
        if (attempt + 1 < SESSION_SAVE_RETRIES) {
            SessionSaveLater(s, weak, live ? conn->rec : rec, attempt + 1);
            return;
        }
        LogError("db: %s's mission is lost: the account could not be saved", rec.userid.c_str());
        if (live)
            SessionSendText(
                conn.get(), T_TEXT,
                "The harbour log could not be written: your last mission is not recorded.");
    });
}

// Ends the mission under way and stores the account. An exit is only made when the account is
// stored (false: it could not be, and the ship is still at sea); a ship that is sunk or left
// behind is gone at once, and its account is stored later if it can't be now.
static bool SessionEndMission(Conn *c, int why) {
    if (!c->ship_id) return true;
    Server *s = c->srv;
    bool lost;
    int32_t points;
    PlayerRecord r = SessionMissionRecord(c, why, &lost, &points);
    bool saved = DbSavePlayer(&s->db, r);
    if (!saved && why == MISSION_EXIT) return false;
    // At shut-down no timer will run again: the tries are made here.
    for (int i = 0; !saved && why == MISSION_SHUTDOWN && i < SESSION_SAVE_RETRIES; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(SESSION_SAVE_RETRY_MS[i]));
        saved = DbSavePlayer(&s->db, r);
    }
    if (why != MISSION_SUNK) WorldLeave(s->world, c->cid, c->ship_id);
    c->ship_id = 0;
    s->at_sea--;
    c->rec = r;
    if (!saved) {
        LogError("conn %u: mission of %s could not be saved", c->cid, r.userid.c_str());
        if (why != MISSION_SHUTDOWN) SessionSaveLater(s, c->weak_from_this(), r, 0);
    }
    ConnLog(LOG_INFO, c, "%s's mission ended (%s), %d points%s", r.nickname.c_str(),
            why == MISSION_EXIT         ? "exit"
            : why == MISSION_SUNK       ? "sunk"
            : why == MISSION_DISCONNECT ? "disconnect"
                                        : "shut-down",
            points, lost ? ", ship lost" : "");
    return true;
}

// A return to port is acknowledged only once the mission is stored. While the tries go on the
// connection's input waits, so nothing it sends is handled against a half-ended mission.
static void SessionExitRetry(Conn *c, uint32_t ship, int attempt) {
    Server *s = c->srv;
    auto timer = std::make_shared<asio::steady_timer>(
        s->io, std::chrono::milliseconds(SESSION_SAVE_RETRY_MS[attempt]));
    std::weak_ptr<Conn> weak = c->weak_from_this();
    timer->async_wait([timer, weak, ship, attempt](const asio::error_code &ec) {
        std::shared_ptr<Conn> conn = weak.lock();
        if (ec || !conn || conn->closed || conn->closing) return;
        Conn *c = conn.get();
        // Sunk while waiting: that ending stored (or retries) the account itself.
        if (c->ship_id != ship) {
            ConnResume(c);
            return;
        }
        if (SessionEndMission(c, MISSION_EXIT)) {
            SessionSendEmpty(c, T_EXITACC);
            ConnResume(c);
            return;
        }
        if (attempt + 1 < SESSION_SAVE_RETRIES) {
            SessionExitRetry(c, ship, attempt + 1);
            return;
        }
        LogError("conn %u: %s can't return to port: the account could not be saved", c->cid,
                 c->rec.userid.c_str());
        SessionSendText(c, T_TEXT,
                        "The harbour log could not be written, so your mission is not recorded. "
                        "Your ship remains at sea: please try to return to port again later.");
        ConnResume(c);
    });
}

static void SessionExit(Conn *c) {
    if (SessionEndMission(c, MISSION_EXIT)) {
        SessionSendEmpty(c, T_EXITACC);
        return;
    }
    ConnPause(c);
    SessionExitRetry(c, c->ship_id, 0);
}

// ---- the world's output: a player's id is its connection's number ----

static Conn *SessionPlayer(void *ctx, uint32_t player) {
    Server *s = (Server *)ctx;
    auto it = s->conns.find(player);
    return it == s->conns.end() ? nullptr : it->second.get();
}

static void SessionWorldSend(void *ctx, uint32_t player, const std::string &line) {
    if (Conn *c = SessionPlayer(ctx, player)) ConnSend(c, line);
}

static void SessionWorldMission(void *ctx, uint32_t player, const WorldEvent &ev) {
    Conn *c = SessionPlayer(ctx, player);
    if (!c) return;
    switch (ev.kind) {
    case WORLD_SCORED:
        if (ev.slot >= 0 && ev.slot < SCORE_MISSION_SLOTS && c->ship_id)
            c->mission[ev.slot] += ev.points;
        break;
    case WORLD_HIT:
        c->last_hit_tick = ev.tick;
        break;
    case WORLD_SUNK:
        SessionEndMission(c, MISSION_SUNK);
        break;
    }
}

static bool SessionWorldRadio(void *ctx, uint32_t player) {
    Conn *c = SessionPlayer(ctx, player);
    return c && BucketTake(&c->radio, 1.0);
}

static void SessionWorldLog(void *ctx, uint32_t player, int level, bool peer_limited,
                            const char *text) {
    Conn *c = SessionPlayer(ctx, player);
    if (!c) return;
    if (peer_limited)
        ConnLog(level, c, "%s", text);
    else if (SrvLogLevel() >= level)
        SrvLog(level, "conn %u (%s): %s", c->cid, c->peer.c_str(), text);
}

WorldSink SessionWorldSink(Server *s) {
    WorldSink sink;
    sink.ctx = s;
    sink.send = SessionWorldSend;
    sink.mission = SessionWorldMission;
    sink.radio = SessionWorldRadio;
    sink.log = SessionWorldLog;
    return sink;
}

void SessionEndAll(Server *s) {
    for (auto &kv : s->conns) {
        Conn *c = kv.second.get();
        if (c->ship_id) SessionEndMission(c, MISSION_SHUTDOWN);
    }
}

static void SessionSendScores(Conn *c) {
    int32_t v[SCORE_SLOTS];
    memcpy(v, c->rec.score, sizeof v);
    if (c->ship_id) SessionMissionNow(c, v);
    // Runs of up to ten values: 0..35 the mission, 42..59 the best missions.
    static const int RUNS[][2] = {{0, 10}, {10, 10}, {20, 10}, {30, 6}, {42, 10}, {52, 8}};
    char line[WIRE_LINE_SIZE];
    for (const auto &run : RUNS) {
        WireScore m = {run[0], run[1], {}};
        memcpy(m.values, v + run[0], sizeof(int32_t) * (size_t)run[1]);
        WireFormatScore(&m, line, sizeof line);
        ConnSend(c, line);
    }
    WireScore end = {-1, 0, {}};
    WireFormatScore(&end, line, sizeof line);
    ConnSend(c, line);
}

static void SessionChangeCountry(Conn *c, std::string_view line, std::string_view arg) {
    int32_t country;
    if (!LineDec(arg, &country) || (country != 0 && country != 1)) {
        SessionDrop(c, line, "country not 0 or 1");
        return;
    }
    if (c->ship_id) {
        SessionDrop(c, line, "change of country at sea");
        SessionSendText(c, T_TEXT, "A change of country can only be made in harbour.");
        return;
    }
    if (country == c->rec.country) return;
    c->rec.country = country;
    DbSavePlayer(&c->srv->db, c->rec);
    ConnLog(LOG_INFO, c, "%s now serves %s", c->rec.nickname.c_str(),
            country ? "Northland" : "Westland");
}

bool SessionLine(Conn *c, std::string_view line, size_t dropped) {
    if (dropped) ConnLog(LOG_WARN, c, "over-long line, %zu characters dropped", dropped);
    PacketLine p;
    if (!LineParsePacket(line, &p)) {
        SessionDrop(c, line, "no packet number");
        return true;
    }
    if (p.number == T_VERS) {
        int32_t v;
        if (!LineDec(p.arg, &v)) {
            SessionDrop(c, line, "version not a number");
        } else {
            c->version = v;
            if (v != PROTOCOL_VERSION)
                ConnLog(LOG_WARN, c, "client speaks protocol %d, this server %d", v,
                        PROTOCOL_VERSION);
        }
        return !c->closed;
    }
    if (c->state == CS_AWAIT_ID && p.number == T_IDINFO) {
        SessionIdInfo(c, line, p.arg);
    } else if (c->state == CS_AWAIT_NAME && p.number == T_NAMEINFO) {
        SessionNameInfo(c, line, p.arg);
    } else if (c->state == CS_LOBBY) {
        switch (p.number) {
        case T_INVREQ:
            SessionSendInventory(c);
            break;
        case T_JOINBATTLE:
            SessionJoin(c, line, p.arg);
            break;
        case T_SCOREREQ:
            SessionSendScores(c);
            break;
        case T_EXITBATTLE:
            SessionExit(c);
            break;
        case T_CHANGECOUNTRY:
            SessionChangeCountry(c, line, p.arg);
            break;
        case T_UPDATE:
        case T_WEAPON:
        case T_RADIO:
            if (!c->ship_id) {
                SessionDrop(c, line, "battle line outside a battle");
            } else if (p.number == T_UPDATE) {
                WorldPlayerUpdate(c->srv->world, c->ship_id, p.arg);
            } else if (p.number == T_WEAPON) {
                WorldPlayerWeapon(c->srv->world, c->ship_id, p.arg);
            } else {
                WorldPlayerRadio(c->srv->world, c->ship_id, p.arg);
            }
            break;
        default:
            SessionDrop(c, line, "not a client packet");
            break;
        }
    } else {
        char why[64];
        snprintf(why, sizeof why, "packet %d not expected in state %s", p.number,
                 SessionStateName(c->state));
        SessionDrop(c, line, why);
    }
    return !c->closed && !c->closing;
}

void SessionClosed(Conn *c) {
    Server *s = c->srv;
    if (c->ship_id) SessionEndMission(c, s->stopping ? MISSION_SHUTDOWN : MISSION_DISCONNECT);
    if (c->state == CS_LOBBY) s->online--;
    std::string key = c->state == CS_LOBBY ? c->rec.userid : c->pending_userid;
    auto it = s->users.find(key);
    if (!key.empty() && it != s->users.end() && it->second == c->cid) s->users.erase(it);
    if (!c->reserved_nick.empty()) s->reserved_nicks.erase(c->reserved_nick);
    c->reserved_nick.clear();
    c->job = 0;
}

void SessionBroadcastText(Server *s, const std::string &text) {
    std::string line(text.size() + 16, '\0');
    line.resize(WireFormatText(T_TEXT, text, line.data(), line.size()));
    for (auto &kv : s->conns)
        if (kv.second->state == CS_LOBBY && !kv.second->closed) ConnSend(kv.second.get(), line);
}
