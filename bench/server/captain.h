// captain.h -- a simulated captain's judgement: what it may perceive, where it aims, how it sails
#pragma once

#include <stdint.h>

#include "common/motion.h"

enum { CAPTAIN_NEWCOMER, CAPTAIN_EXPERT, CAPTAIN_CARELESS, CAPTAIN_GUNNER, CAPTAIN_PROFILES };

// Phases of one battle; which ones a profile passes through is CaptainNextPhase's business.
enum { CAPTAIN_APPROACH, CAPTAIN_ATTACK, CAPTAIN_EVADE, CAPTAIN_LEAVE };

#define CAPTAIN_TORPEDO_SPEED 170.0 // units a second
#define CAPTAIN_TORPEDO_RUN 120.0   // seconds before a torpedo expires
#define CAPTAIN_BOW_ARC 2730        // half arc of a submarine's bow tubes
#define CAPTAIN_PERISCOPE_DEPTH 8
#define CAPTAIN_PERISCOPE_LIMIT 15 // the periscope is usable down to this depth
#define CAPTAIN_DEEP 150
#define CAPTAIN_CRASH_DEPTH 175
#define CAPTAIN_HEAR_CHARGES 2000 // a depth-charge splash closer than this is heard

// Observer bits: what the captain looks through.
#define CAPTAIN_PERISCOPE 1
#define CAPTAIN_LOOKOUT 2

// What the captain perceives of a contact.
#define CAPTAIN_SEEN 1  // by eye, through the lookout's glasses or the periscope
#define CAPTAIN_PLOT 2  // on the map table, by eye or hydrophones
#define CAPTAIN_RADAR 4 // on the destroyer's radar

extern const char *const CAPTAIN_PROFILE_NAMES[CAPTAIN_PROFILES];

// Profile index of a name, -1 for none.
int CaptainProfileByName(const char *name);

// The observer bits that work at depth own_y: no lookout below the surface, no periscope deeper
// than its limit.
int CaptainObserver(int32_t own_y, int wanted);

// CAPTAIN_SEEN, _PLOT and _RADAR for a contact at range, from an own ship of row own_row at depth
// own_y looking through observer. A submerged contact is never seen, only heard while it runs
// its engine within hydrophone range.
int CaptainSenses(int own_row, int32_t own_y, int observer, int32_t contact_y,
                  int32_t contact_engine, int32_t range);

// Heading on which a torpedo from (ox, oz) meets a target at (tx, tz) moving (vx, vz) units a
// second; lead scales the target's velocity (1 a full lead, 0 none). 0 when the torpedo cannot
// catch it within its run; *seconds is its running time.
int CaptainAim(double ox, double oz, double tx, double tz, double vx, double vz, double lead,
               uint16_t *heading, double *seconds);

// 1 when bearing lies within the bow tubes' arc of a boat on own_heading.
int CaptainInBowArc(uint16_t own_heading, uint16_t bearing);

// Rudder order that brings heading round to course (through amidships when the turn reverses).
int32_t CaptainHelm(uint16_t course, uint16_t heading, int32_t *sense, int32_t engine);

// A contact's course and speed as the captain measures them: from the fixes he took of it.
#define CAPTAIN_TRACK_FIXES 16
struct CaptainTrack {
    double t[CAPTAIN_TRACK_FIXES];
    double x[CAPTAIN_TRACK_FIXES], z[CAPTAIN_TRACK_FIXES];
    int n, head;
};

// Records a fix; fixes closer than a second apart are skipped, and a contact lost for more than
// 20 s starts a new track.
void CaptainTrackFix(CaptainTrack *k, double t, double x, double z);

// Velocity in units a second over the fixes of the last 40 s; 0 when they span less than 8 s.
int CaptainTrackVelocity(const CaptainTrack *k, double *vx, double *vz);

// The standing orders of a phase: depth, engine order and what to look through.
struct CaptainOrders {
    int32_t depth, engine;
    int observer;
};
CaptainOrders CaptainStanding(int profile, int phase);

// What has happened that a phase change depends on.
struct CaptainCues {
    double in_phase;           // seconds since the phase began
    int32_t cargo_range;       // nearest cargo ship perceived, -1 for none
    double charges_ago;        // seconds since depth charges were last heard, -1 for never
    int spread_fired;          // a spread left the tubes in this phase
    int sank, attacks;         // ships sunk, attacks made
    int32_t escort_range = -1; // nearest escort perceived, -1 for none
};
int CaptainNextPhase(int profile, int phase, const CaptainCues &c);

// The client's judgement of its own torpedo at `t` against a ship of table row `row` at `s`:
// within half a length of a surface ship, and inside its hull's rectangle once turned into the
// ship's frame.
bool CaptainTorpedoStrikes(const MotionState &t, const MotionState &s, int row);
