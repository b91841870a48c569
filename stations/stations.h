// stations.h -- every station window module, for the frame, the main loop and the battle flow
#pragma once

#include "stations/bridge.h"
#include "stations/button.h"
#include "stations/chat.h"
#include "stations/compass.h"
#include "stations/dc.h"
#include "stations/depth.h"
#include "stations/gun.h"
#include "stations/map.h"
#include "stations/plan.h"
#include "stations/telegrph.h"
#include "stations/tubes.h"
