// The real velthra.scr /s with all three modules active and a cycle time of
// one second: pictures of the screen taken over several seconds must show
// each module in turn, told apart by what only that module puts on screen.
#include "tests/support/win_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const DWORD kStartMs = 15000;

enum class Scene { Unknown, FloatingSymbols, Earth, SkyRing };

int Red(DWORD px) { return (px >> 16) & 0xFF; }
int Green(DWORD px) { return (px >> 8) & 0xFF; }
int Blue(DWORD px) { return px & 0xFF; }
bool IsBlack(DWORD px) { return Red(px) + Green(px) + Blue(px) < 24; }
// Blue sky and its white, faintly blue clouds.
bool IsSky(DWORD px) { return Blue(px) > 120 && Blue(px) + 8 >= Red(px) && Green(px) > 60; }
bool IsSymbolGreen(DWORD px) { return Green(px) > 40 && Green(px) > 2 * Red(px) + 10 && Green(px) > 2 * Blue(px) + 10; }

// Share of the points of a grid over the given rectangle that pass the test.
double Share(const vt::Screenshot& shot, int x0, int y0, int x1, int y1, bool (*pTest)(DWORD), int nStep = 8)
{
    int nPass = 0, nAll = 0;
    for (int y = y0; y < y1; y += nStep)
        for (int x = x0; x < x1; x += nStep, ++nAll)
            nPass += pTest(shot.At(x, y)) ? 1 : 0;
    return nAll ? static_cast<double>(nPass) / nAll : 0.0;
}

// Module 3: the sky fills the background, corners included. Module 2: a large
// globe in the middle (the earth map's ocean blue and land colours), black
// at the corners. Module 1: green symbols on black.
Scene Classify(const vt::Screenshot& shot)
{
    const int w = shot.nWidth, h = shot.nHeight;
    const int cx = w / 2, cy = h / 2;
    const double fCornersSky = (Share(shot, 0, 0, w / 8, h / 8, IsSky) + Share(shot, w - w / 8, 0, w, h / 8, IsSky)) / 2;
    const double fCornersBlack =
        (Share(shot, 0, 0, w / 8, h / 8, IsBlack) + Share(shot, w - w / 8, h - h / 8, w, h, IsBlack)) / 2;
    const int r = h / 6;  // well inside the globe
    const double fCentreBlack = Share(shot, cx - r, cy - r, cx + r, cy + r, IsBlack);
    const double fCentreOcean =
        Share(shot, cx - r, cy - r, cx + r, cy + r, [](DWORD px) { return Blue(px) > Red(px) + 10 && !IsBlack(px); });
    const double fGreen = Share(shot, 0, 0, w, h, IsSymbolGreen, 2);
    if (fCornersSky > 0.8)  // the quad leaves the outermost pixel rows black
        return Scene::SkyRing;
    // A symbol passing close to the viewer may cover part of a corner.
    if (fCornersBlack > 0.8 && fCentreBlack < 0.02 && fCentreOcean > 0.2)
        return Scene::Earth;
    if (fCornersSky < 0.1 && fGreen > 0.0001 && fCentreOcean < 0.05)
        return Scene::FloatingSymbols;
    return Scene::Unknown;
}

const char* SceneName(Scene scene)
{
    switch (scene) {
    case Scene::FloatingSymbols: return "module1";
    case Scene::Earth: return "module2";
    case Scene::SkyRing: return "module3";
    default: return "unknown";
    }
}

class ModuleCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        vt::DeleteVelthraKey();
        vt::WriteDword(vt::kVelthraKey, "cycle time", 1);
        vt::WriteDword(vt::kVelthraKey, "mod1 depth", 4000);  // module values are read only with it
        for (int n = 1; n <= 3; ++n)
            vt::WriteDword(vt::kVelthraKey, ("mod" + std::to_string(n) + " active").c_str(), 1);
        vt::MoveCursorTo(300, 300);
    }
    void TearDown() override
    {
        saver.Kill();
        vt::DeleteVelthraKey();
    }
    vt::Process saver;
};

}  // namespace

TEST_F(ModuleCycle, EachModuleTakesItsTurn)
{
    ASSERT_TRUE(saver.StartSaver("/s"));
    HWND hSaver = vt::WaitForWindow("WindowsScreenSaverClass", "Screen Saver", kStartMs, saver.Id());
    ASSERT_NE(hSaver, nullptr);
    DWORD_PTR dwResult;  // answered once WM_CREATE (pictures, context) is over
    SendMessageTimeoutA(hSaver, WM_NULL, 0, 0, SMTO_NORMAL, kStartMs, &dwResult);

    std::vector<Scene> seen;
    bool abSaved[4] = {};
    const DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < 8000 && saver.IsRunning()) {
        const vt::Screenshot shot = vt::CaptureScreen();
        const Scene scene = Classify(shot);
        if (seen.empty() || seen.back() != scene)
            seen.push_back(scene);
        const int n = static_cast<int>(scene);
        if (scene != Scene::Unknown && !abSaved[n]) {
            abSaved[n] = vt::SaveBitmap(shot, vt::ProgramDir() + "\\" + SceneName(scene) + ".bmp");
        }
        Sleep(150);
    }
    ASSERT_TRUE(saver.IsRunning());

    std::string order;
    for (Scene scene : seen)
        order += std::string(SceneName(scene)) + " ";
    // Each in turn, in the order 1, 2, 3, 1 ... (a picture taken during a
    // module change may be of neither).
    std::vector<Scene> known;
    for (Scene scene : seen)
        if (scene != Scene::Unknown && (known.empty() || known.back() != scene))
            known.push_back(scene);
    ASSERT_GE(known.size(), 4u) << order;
    for (size_t i = 1; i < known.size(); ++i) {
        const int nBefore = static_cast<int>(known[i - 1]), nAfter = static_cast<int>(known[i]);
        EXPECT_EQ(nAfter, nBefore % 3 + 1) << order;
    }
    EXPECT_TRUE(abSaved[1] && abSaved[2] && abSaved[3]) << order;
}
