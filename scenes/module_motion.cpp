// The leap runs in two stages: a steady 0.5 degrees per frame up to 176, then
// an ease toward 181 that crosses 180 within a few frames, so the symbols
// settle into their new places instead of stopping abruptly.
#include "scenes/module_motion.h"

#include <cmath>

#include "scenes/random.h"

float WrapAnimationAngle(float fAngle)
{
    if (fAngle > kAngleWrap)
        fAngle -= kAngleWrap;
    return fAngle;
}

// The next group base, always the other one: (2 g) / 32768 is 0 or 1.
static int DrawOtherGroup(int nGroupBase)
{
    int nNext;
    do {
        nNext = (2 * NextRandom()) / (kRandomMax + 1);
    } while (nNext == nGroupBase);
    return nNext;
}

void StepRingLeap(RingLeap& leap, float fRate)
{
    if (leap.bFlipping) {
        if (leap.fFlipAngle > 176.0f)
            leap.fFlipAngle += fRate * 0.1f * (181.0f - leap.fFlipAngle);
        else
            leap.fFlipAngle += fRate * 0.5f;
        if (leap.fFlipAngle >= 180.0f) {
            leap.bFlipping = false;
            leap.fFlipAngle = 0.0f;
        }
        return;
    }
    leap.fPauseTimer += 5.0f * fRate;
    if (leap.fPauseTimer > 100.0f) {
        leap.bFlipping = true;
        leap.fPauseTimer = 0.0f;
        leap.nGroupBase = DrawOtherGroup(leap.nGroupBase);
    }
}

bool IsLeapingSymbol(const RingLeap& leap, int nSymbol)
{
    return nSymbol >= leap.nGroupBase && (nSymbol - leap.nGroupBase) % 2 == 0;
}

float LeapRadius(float fFlipAngle)
{
    return 6.5f + 1.5f * std::fabs(fFlipAngle - 90.0f) / 90.0f;
}

float RingRate(bool bRunningAsSaver, float fSpeed)
{
    return bRunningAsSaver ? fSpeed : fSpeed / 2.0f;
}
