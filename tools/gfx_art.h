// gfx_art.h -- the pictures of the stations, the splash screen, flags, icons and cursor
#pragma once
#include "tools/gen_canvas.h"

// Each draws one picture at twice its station's design size.
Canvas ArtCompass();                        // 358 x 370, card centre (188, 172)
Canvas ArtDepthGauge();                     // 250 x 286, dial centre (124, 138)
Canvas ArtTelegraph(int order);             // 390 x 236, lever pivot at the top centre
Canvas ArtTubeArc(bool beam, bool in_arc);  // 118 x 132, pointer centre (58, 66)
Canvas ArtLamp(bool green, bool on);        // 50 x 50
Canvas ArtOptic(bool periscope, int state); // 100 x 100; state 0 unavailable, 1 off, 2 on
Canvas ArtDive(bool on);                    // 100 x 100
Canvas ArtMagnifier(int zoom);              // 164 x 42
Canvas ArtHitOverlay(bool periscope);       // 550 x 400
Canvas ArtPlan();                           // 1400 x 312
Canvas ArtSplash();                         // 952 x 736
Canvas ArtFlag(bool northland, int size);   // size x size
Canvas ArtCursor();                         // 32 x 32 reticle; alpha from ArtCursorAlpha
std::vector<float> ArtCursorAlpha();        // 32 x 32 coverage of the cursor
