// Everything that one frame of a module moves on: the animation angle, the
// drifting symbols, the ring's leap and the random generator. A frame drawn
// for a second monitor starts from the same snapshot as the primary's, so
// every monitor shows the same moment and the animation steps once a frame.
#pragma once
#include <cstdint>

#include "scenes/floating_symbols.h"
#include "scenes/symbol_ring.h"

struct AnimationSnapshot {
    float fAngle;
    FloatingScene floating;
    RingScene ring;
    uint32_t nRandomState;
};

void SaveAnimation(AnimationSnapshot* pSnapshot);
void RestoreAnimation(const AnimationSnapshot& snapshot);
