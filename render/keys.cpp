// The steering keys' arithmetic. Steps grow with the distance so that the
// view moves by a similar fraction of the screen whether it is near or far.
#include "render/keys.h"

#include <climits>
#include <cstdio>

// trunc(depth) / 50 in integers; depths beyond the int range saturate instead
// of overflowing the conversion (NaN counts as 0).
static int DepthDivided(float fDepth)
{
    int nDepth;
    if (fDepth >= 2147483648.0f)
        nDepth = INT_MAX;
    else if (fDepth <= -2147483648.0f)
        nDepth = INT_MIN;
    else if (fDepth == fDepth)
        nDepth = static_cast<int>(fDepth);
    else
        nDepth = 0;
    return nDepth / 50;
}

float DepthStep(float fDepth)
{
    int n = DepthDivided(fDepth);
    return n < 1 ? 0.3f : static_cast<float>(n);
}

float MoveStep(float fDepth)
{
    int n = DepthDivided(fDepth);
    return n < 1 ? 0.1f : static_cast<float>(n);
}

float LimitSpeed(float fSpeed)
{
    if (fSpeed > kSpeedUpperLimit)
        fSpeed = kSpeedUpperLimit;
    if (fSpeed < kSpeedLowerLimit)
        fSpeed = kSpeedLowerLimit;
    return fSpeed;
}

static float SpeedUp(float fSpeed)
{
    float fFactor = fSpeed < 0.05f ? 3.0f : 1.075f;
    return LimitSpeed(fSpeed * fFactor);
}

static float SlowDown(float fSpeed)
{
    return LimitSpeed(static_cast<float>(fSpeed * 0.95));
}

KeyCommand SteerView(int nVirtualKey, LiveView& view)
{
    switch (nVirtualKey) {
    case kVkBack:
        return kKeyPreviousModule;
    case kVkReturn:
        return kKeyNextModule;
    case kVkEscape:
        return kKeyQuit;
    case kVkHome:
        return kKeyRestoreView;
    case kVkF1:
        return kKeyControlMenu;
    case kVkF11:
        return kKeyParams;
    case kVkPrior:
    case kVkNumpad9:
        view.fDepth += DepthStep(view.fDepth);
        break;
    case kVkNext:
    case kVkNumpad3:
        view.fDepth -= DepthStep(view.fDepth);
        break;
    case kVkLeft:
    case kVkNumpad4:
        view.fHorz -= MoveStep(view.fDepth);
        break;
    case kVkUp:
    case kVkNumpad8:
        view.fVert += MoveStep(view.fDepth);
        break;
    case kVkRight:
    case kVkNumpad6:
        view.fHorz += MoveStep(view.fDepth);
        break;
    case kVkDown:
    case kVkNumpad2:
        view.fVert -= MoveStep(view.fDepth);
        break;
    case kVkF2:
        view.fXrot -= kRotationStep;
        break;
    case kVkF3:
        view.fXrot += kRotationStep;
        break;
    case kVkF4:
        view.fYrot -= kRotationStep;
        break;
    case kVkF5:
        view.fYrot += kRotationStep;
        break;
    case kVkF6:  // z turns the other way round from x and y
        view.fZrot += kRotationStep;
        break;
    case kVkF7:
        view.fZrot -= kRotationStep;
        break;
    case kVkF8:
        view.fSpeed = SlowDown(view.fSpeed);
        break;
    case kVkF9:
        view.fSpeed = SpeedUp(view.fSpeed);
        break;
    default:
        return kKeyUnmapped;
    }
    return kKeySteered;
}

void FormatParams(char* pszBuffer, size_t cbBuffer, const LiveView& view)
{
    std::snprintf(pszBuffer, cbBuffer,
                  "g_fDepth %f\ng_fHorz  %f\ng_fVert  %f\ng_fXrot  %f\ng_fYrot  %f\n"
                  "g_fZrot  %f\ng_fSpeed %f\n",
                  static_cast<double>(view.fDepth), static_cast<double>(view.fHorz),
                  static_cast<double>(view.fVert), static_cast<double>(view.fXrot),
                  static_cast<double>(view.fYrot), static_cast<double>(view.fZrot),
                  static_cast<double>(view.fSpeed));
}
