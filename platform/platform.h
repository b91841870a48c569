// platform.h -- the Win32, Winsock and DirectSound subset the game modules are written against
//
// Names, types, constants and numeric values are the Win32 ones. Handles are ids checked
// against the layer's tables: a null or stale handle makes a call fail quietly (return 0,
// FALSE or null), never touch freed memory. Strings are 8-bit Latin-1 text.
//
// Each area has its own header (plat_types.h for the shared basic types); this one includes
// them all.
#pragma once

#include "platform/plat_types.h"
#include "platform/plat_window.h"
#include "platform/plat_gdi.h"
#include "platform/plat_menu.h"
#include "platform/plat_controls.h"
#include "platform/plat_kernel.h"
#include "platform/plat_socket.h"
#include "platform/plat_sound.h"
