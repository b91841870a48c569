// srv_score.h -- what the score entries of a player's service record mean
#pragma once

// Entries of one mission (the current one in slots 0..5 of the record; 6..35 stay 0). Every entry
// is in points, so sums of entries are mission totals.
enum {
    SCORE_CARGO = 0,    // merchants and tankers sunk
    SCORE_WARSHIPS = 1, // corvettes, destroyers and submarines sunk
    SCORE_HITS = 2,     // damaging hits on enemy ships
    SCORE_PATROL = 3,   // time at sea: one point a minute, up to SCORE_PATROL_MAX
    SCORE_RETURN = 4,   // bringing the ship home
    SCORE_PENALTY = 5,  // friendly fire and the loss of the ship (negative)
    SCORE_CATEGORIES = 6,
    SCORE_MISSION_SLOTS = 36,
};

// Best missions by class: slots 42..47 corvette, 48..53 destroyer, 54..59 submarine, each the six
// entries above of the mission with the highest total in that class.
#define SCORE_BEST_CORVETTE 42
#define SCORE_BEST_DESTROYER 48
#define SCORE_BEST_SUBMARINE 54

#define SCORE_PATROL_MAX 60
#define SCORE_RETURN_BONUS 50
#define SCORE_LOSS_PENALTY (-100)
#define SCORE_HIT 10
#define SCORE_UNDER_FIRE_MS 120000 // a ship hit this recently that leaves is counted as lost

// Points for sinking a ship of a server ship type (0 tanker ... 5 merchant).
int ScoreForSinking(int server_type);
