// Module 1's state: eight symbols drifting through a box that widens toward
// the viewer. Exposed so that tests can place a symbol and read it back.
#pragma once

// Fields in this order; velocities move the position by 0.15 x v x speed per frame.
struct FloatingSymbol {
    float x, y, z;
    float vz, vx, vy;
    float phase;  // spin offset, degrees
};

const int kFloatingSymbolCount = 8;
const int kAngleWrapFrames = 500000;

struct FloatingScene {
    FloatingSymbol aSymbols[kFloatingSymbolCount];
    bool bFirstFrame;  // true until the first frame places the symbols
    int nFrameCount;   // frames since the last angle wrap
};

FloatingScene& GetFloatingScene();
