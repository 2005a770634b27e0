// The steering keys' arithmetic, natively: every key of the table, the
// depth-dependent steps, the speed limits and the "Params" text.
#include "render/keys.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <string>

namespace {

LiveView MakeView(float fDepth, float fSpeed = 0.5f)
{
    return LiveView{fDepth, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, fSpeed};
}

bool SameView(const LiveView& a, const LiveView& b)
{
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

TEST(Keys, StepsFollowTheDepth)
{
    struct { float fDepth, fDepthStep, fMoveStep; } cases[] = {
        {40.0f, 0.3f, 0.1f},     {49.9f, 0.3f, 0.1f},   {50.0f, 1.0f, 1.0f},
        {99.9f, 1.0f, 1.0f},     {100.0f, 2.0f, 2.0f},  {120.0f, 2.0f, 2.0f},
        {150.0f, 3.0f, 3.0f},    {-60.0f, 0.3f, 0.1f},  {-500.0f, 0.3f, 0.1f},
        {0.0f, 0.3f, 0.1f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DepthStep(c.fDepth), c.fDepthStep) << c.fDepth;
        EXPECT_EQ(MoveStep(c.fDepth), c.fMoveStep) << c.fDepth;
    }
}

TEST(Keys, DepthKeys)
{
    LiveView view = MakeView(40.0f);
    EXPECT_EQ(SteerView(kVkPrior, view), kKeySteered);
    EXPECT_EQ(view.fDepth, 40.3f);
    EXPECT_EQ(SteerView(kVkNext, view), kKeySteered);
    EXPECT_EQ(view.fDepth, 40.3f - 0.3f);

    view = MakeView(120.0f);
    SteerView(kVkPrior, view);
    EXPECT_EQ(view.fDepth, 122.0f);
    SteerView(kVkNumpad3, view);
    EXPECT_EQ(view.fDepth, 120.0f);
    SteerView(kVkNumpad9, view);
    EXPECT_EQ(view.fDepth, 122.0f);
}

// Depths far beyond the int range take the largest step instead of overflowing.
TEST(Keys, HugeDepthsSaturate)
{
    EXPECT_EQ(DepthStep(1e30f), static_cast<float>(2147483647 / 50));
    EXPECT_EQ(DepthStep(-1e30f), 0.3f);
    EXPECT_EQ(MoveStep(FLT_MAX), static_cast<float>(2147483647 / 50));
}

TEST(Keys, MoveKeysAndTheirKeypadTwins)
{
    struct { int nKey; float fHorz, fVert; } cases[] = {
        {kVkLeft, -2.0f, 0.0f},    {kVkNumpad4, -2.0f, 0.0f}, {kVkRight, 2.0f, 0.0f},
        {kVkNumpad6, 2.0f, 0.0f},  {kVkUp, 0.0f, 2.0f},       {kVkNumpad8, 0.0f, 2.0f},
        {kVkDown, 0.0f, -2.0f},    {kVkNumpad2, 0.0f, -2.0f},
    };
    for (const auto& c : cases) {
        LiveView view = MakeView(120.0f);
        EXPECT_EQ(SteerView(c.nKey, view), kKeySteered) << c.nKey;
        EXPECT_EQ(view.fHorz, 1.0f + c.fHorz) << c.nKey;
        EXPECT_EQ(view.fVert, 2.0f + c.fVert) << c.nKey;
        EXPECT_EQ(view.fDepth, 120.0f) << c.nKey;
    }
    LiveView view = MakeView(40.0f);
    SteerView(kVkRight, view);
    EXPECT_EQ(view.fHorz, 1.0f + 0.1f);
}

TEST(Keys, RotationKeys)
{
    struct { int nKey; float fX, fY, fZ; } cases[] = {
        {kVkF2, -1.5f, 0, 0}, {kVkF3, 1.5f, 0, 0}, {kVkF4, 0, -1.5f, 0},
        {kVkF5, 0, 1.5f, 0},  {kVkF6, 0, 0, 1.5f}, {kVkF7, 0, 0, -1.5f},
    };
    for (const auto& c : cases) {
        LiveView view = MakeView(40.0f);
        EXPECT_EQ(SteerView(c.nKey, view), kKeySteered);
        EXPECT_EQ(view.fXrot, 3.0f + c.fX) << c.nKey;
        EXPECT_EQ(view.fYrot, 4.0f + c.fY) << c.nKey;
        EXPECT_EQ(view.fZrot, 5.0f + c.fZ) << c.nKey;
    }
}

float PressSpeedKey(int nKey, float fSpeed)
{
    LiveView view = MakeView(40.0f, fSpeed);
    EXPECT_EQ(SteerView(nKey, view), kKeySteered);
    return view.fSpeed;
}

TEST(Keys, SpeedKeysAndLimits)
{
    EXPECT_FLOAT_EQ(PressSpeedKey(kVkF9, 0.01f), 0.03f);
    EXPECT_EQ(PressSpeedKey(kVkF9, 0.5f), 0.5375f);
    EXPECT_EQ(PressSpeedKey(kVkF9, 9.5f), 10.0f);
    EXPECT_EQ(PressSpeedKey(kVkF9, 10.0f), 10.0f);
    EXPECT_FLOAT_EQ(PressSpeedKey(kVkF9, 0.049f), 0.147f);
    EXPECT_FLOAT_EQ(PressSpeedKey(kVkF9, 0.05f), 0.05375f);
    EXPECT_EQ(PressSpeedKey(kVkF8, 0.005f), 0.005f);
    EXPECT_EQ(PressSpeedKey(kVkF8, 1.0f), 0.95f);
    EXPECT_EQ(PressSpeedKey(kVkF8, 20.0f), 10.0f);
    EXPECT_EQ(LimitSpeed(0.001f), 0.005f);
    EXPECT_EQ(LimitSpeed(11.0f), 10.0f);
    EXPECT_EQ(LimitSpeed(3.0f), 3.0f);
}

TEST(Keys, CommandKeysLeaveTheViewAlone)
{
    struct { int nKey; KeyCommand command; } cases[] = {
        {kVkBack, kKeyPreviousModule}, {kVkReturn, kKeyNextModule}, {kVkEscape, kKeyQuit},
        {kVkHome, kKeyRestoreView},    {kVkF1, kKeyControlMenu},    {kVkF11, kKeyParams},
        // Keys without a function: F10, F12, letters, digits, space, Tab, Insert,
        // Delete, End and the keypad keys that do not steer.
        {121, kKeyUnmapped}, {123, kKeyUnmapped}, {'A', kKeyUnmapped}, {'Z', kKeyUnmapped},
        {'5', kKeyUnmapped}, {' ', kKeyUnmapped}, {9, kKeyUnmapped},   {45, kKeyUnmapped},
        {46, kKeyUnmapped},  {35, kKeyUnmapped},  {96, kKeyUnmapped},  {97, kKeyUnmapped},
        {101, kKeyUnmapped}, {103, kKeyUnmapped}, {106, kKeyUnmapped}, {110, kKeyUnmapped},
    };
    for (const auto& c : cases) {
        LiveView view = MakeView(40.0f);
        const LiveView before = view;
        EXPECT_EQ(SteerView(c.nKey, view), c.command) << c.nKey;
        EXPECT_TRUE(SameView(view, before)) << c.nKey;
    }
}

TEST(Keys, ParamsText)
{
    char szText[kParamsBufferSize];
    FormatParams(szText, sizeof(szText), LiveView{22.8f, -1.5f, 0.1f, -90.0f, 0.0f, 361.5f, 5.0f});
    EXPECT_EQ(std::string(szText),
              "g_fDepth 22.799999\n"
              "g_fHorz  -1.500000\n"
              "g_fVert  0.100000\n"
              "g_fXrot  -90.000000\n"
              "g_fYrot  0.000000\n"
              "g_fZrot  361.500000\n"
              "g_fSpeed 5.000000\n");
    // The largest floats still fit the buffer whole.
    FormatParams(szText, sizeof(szText),
                 LiveView{-FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX});
    size_t cchText = std::strlen(szText);
    ASSERT_LT(cchText, kParamsBufferSize - 1);
    EXPECT_EQ(szText[cchText - 1], '\n');
}

}  // namespace
