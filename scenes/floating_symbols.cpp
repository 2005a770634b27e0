// Module 1: eight symbols drift through a box in front of the viewer, each
// spinning about its vertical axis with its own phase. A symbol that leaves
// the box on an axis gets a new random speed on that axis, pointing back in.
// The box is ±15 w by ±10 w with w = 2 + z / 40, so it widens toward the
// viewer. All state lives in one record that persists for the process, so
// leaving the module and coming back continues the drift where it was.
#include "scenes/opengl.h"
#include "scenes/floating_symbols.h"
#include "scenes/module_table.h"
#include "scenes/modules.h"
#include "scenes/random.h"
#include "scenes/scene_state.h"
#include "scenes/symbol.h"

#include <cmath>

const float kDriftSpeed = 0.3f;   // start and bounce speed: each component in [-0.3, 0.3)
const float kDepthHalfRange = 40.0f;
const float kWidthFactor = 15.0f;
const float kHeightFactor = 10.0f;
const float kMotionStep = 0.15f;
const float kSpinStep = 1.2f;
const float kSymbolScale = 0.25f;

static FloatingScene g_Floating = {{}, true, 0};

FloatingScene& GetFloatingScene()
{
    return g_Floating;
}

// A random value times a factor, stored as a 32-bit float.
static float RandomTimes(double dFactor)
{
    return static_cast<float>(NextRandomUnit() * dFactor);
}

static float BoxWidening(float z)
{
    return (kDepthHalfRange + z) / kDepthHalfRange + 1.0f;
}

// Random placement, drawing the values in a fixed order so that a seed gives one layout.
static void PlaceSymbols()
{
    for (int i = 0; i < kFloatingSymbolCount; ++i) {
        FloatingSymbol& s = g_Floating.aSymbols[i];
        s = FloatingSymbol{};
        s.phase = static_cast<float>(i * 360 / kFloatingSymbolCount);
        s.vz = RandomTimes(kDriftSpeed);
        s.vy = RandomTimes(kDriftSpeed);
        s.vx = RandomTimes(kDriftSpeed);
        s.z = RandomTimes(kDepthHalfRange);
        float w = BoxWidening(s.z);
        s.x = RandomTimes(kWidthFactor * w);
        s.y = RandomTimes(kHeightFactor * w);
    }
}

// Past the limit a new speed back inward; at most one draw per axis.
static void BounceAxis(float fPosition, float fLimit, float& fVelocity)
{
    if (fPosition > fLimit)
        fVelocity = -std::fabs(RandomTimes(kDriftSpeed));
    else if (fPosition < -fLimit)
        fVelocity = std::fabs(RandomTimes(kDriftSpeed));
}

static void BounceSymbol(FloatingSymbol& s)
{
    float w = BoxWidening(s.z);
    BounceAxis(s.x, kWidthFactor * w, s.vx);
    BounceAxis(s.y, kHeightFactor * w, s.vy);
    BounceAxis(s.z, kDepthHalfRange, s.vz);
}

static void DrawOneSymbol(const FloatingSymbol& s)
{
    glPushMatrix();
    glTranslatef(s.x, s.y, s.z);
    glRotatef(g_fAngle + s.phase, 0.0f, 1.0f, 0.0f);
    ScaleSymbol(kSymbolScale);
    DrawSymbol();
    glPopMatrix();
}

static void MoveSymbol(FloatingSymbol& s)
{
    s.x += kMotionStep * s.vx * g_fSpeed;
    s.y += kMotionStep * s.vy * g_fSpeed;
    s.z += kMotionStep * s.vz * g_fSpeed;
}

// Every 500 000 frames the angle drops its whole turns (and its fraction of a
// degree) so that it never grows large enough to lose precision.
static void CountFrame()
{
    if (++g_Floating.nFrameCount % kAngleWrapFrames != 0)
        return;
    g_fAngle = static_cast<float>(std::fmod(std::trunc(static_cast<double>(g_fAngle)), 360.0));
    g_Floating.nFrameCount = 0;
}

static void ApplyLiveView()
{
    glLoadIdentity();
    glTranslatef(g_fHorz, g_fVert, -g_fDepth);
    glRotatef(g_fZrot, 0.0f, 0.0f, 1.0f);
    glRotatef(g_fYrot, 0.0f, 1.0f, 0.0f);
    glRotatef(g_fXrot, 1.0f, 0.0f, 0.0f);
}

bool DrawFloatingSymbols()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!g_Modules[1].active)
        return true;
    CountFrame();
    if (g_Floating.bFirstFrame) {
        g_Floating.bFirstFrame = false;
        PlaceSymbols();
        BuildSymbolLists();
    }
    ApplyLiveView();
    for (FloatingSymbol& s : g_Floating.aSymbols) {
        BounceSymbol(s);
        DrawOneSymbol(s);
        MoveSymbol(s);
    }
    g_fAngle -= kSpinStep * g_fSpeed;
    return glGetError() == GL_NO_ERROR;
}
