// The animation arithmetic of modules 2 and 3, apart from their drawing: the
// angle wrap and module 3's leap state machine. Portable (no OpenGL), so the
// frame-by-frame behaviour is tested natively.
#pragma once

const float kAngleWrap = 5000000.0f;

// Keeps the animation angle where single precision still resolves the
// per-frame steps: above the wrap value it is taken back by the wrap value.
float WrapAnimationAngle(float fAngle);

// Module 3's leap: four symbols, every second one from nGroupBase on, leap
// over the ring's centre while fFlipAngle runs from 0 to 180.
struct RingLeap {
    bool bFlipping;
    float fFlipAngle;   // degrees, 0 ... 180
    float fPauseTimer;  // counts up between leaps
    int nGroupBase;     // 0 or 1
};

// One frame at rate fRate: advances the leap or the pause; a leap that starts
// here draws a new group base from the random generator.
void StepRingLeap(RingLeap& leap, float fRate);

bool IsLeapingSymbol(const RingLeap& leap, int nSymbol);  // nSymbol 0 ... 7

// Distance of a leaping symbol from the ring's centre: 8 at the ends, 6.5 at the top.
float LeapRadius(float fFlipAngle);

// Module 3's pace: full speed in the saver, half in the settings-dialog preview.
float RingRate(bool bRunningAsSaver, float fSpeed);
