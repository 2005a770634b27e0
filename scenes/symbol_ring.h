// Module 3's sky backdrop: one display list, built on the first call and
// replayed afterwards under whatever modelview matrix is current.
#pragma once
#include "scenes/module_motion.h"

extern unsigned int g_nBackdropList;  // GL list name; 0 until DrawBackdrop first runs

void DrawBackdrop();

// Module 3's animation state, kept for the process.
struct RingScene {
    bool bFirstFrame;  // true until the first frame seeds the generator and builds the lists
    RingLeap leap;
};

RingScene& GetRingScene();
