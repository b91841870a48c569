// bot_world.cpp -- the load tool's look into an in-process server's world
#include "server/srv_local.h"
#include "server/srv_world.h"

double BotWorldStep(SrvHandle *h, int *ships) {
    double us = 0;
    SrvCall(h, [&] {
        World *w = SrvServerOf(h)->world;
        us = WorldStepMicros(w);
        *ships = WorldShips(w);
    });
    return us;
}
