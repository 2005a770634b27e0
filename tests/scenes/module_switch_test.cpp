// A thousand changes of module in one context leave exactly the OpenGL names
// they started with: display lists and textures are made once, not on every
// change. Names are counted with glIsList and glIsTexture over a range far
// beyond what the product uses.
#include <windows.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "scenes/module_table.h"
#include "scenes/modules.h"
#include "scenes/scene_state.h"
#include "tests/support/gl_test_context.h"

namespace {

const GLuint kNamesChecked = 4096;

struct NameCounts {
    int nLists;
    int nTextures;
};

NameCounts CountNames()
{
    NameCounts counts = {0, 0};
    for (GLuint n = 1; n <= kNamesChecked; ++n) {
        counts.nLists += glIsList(n) ? 1 : 0;
        counts.nTextures += glIsTexture(n) ? 1 : 0;
    }
    return counts;
}

bool DrawModule(int nModule)
{
    switch (nModule) {
    case 1:
        return DrawFloatingSymbols();
    case 2:
        return DrawEarthModule();
    default:
        return DrawSymbolRing();
    }
}

// The saver's change of module, followed by a frame of the new module.
void ChangeModuleAndDraw()
{
    StoreModuleView(g_nModule);
    g_nModule = NextActiveModule(g_nModule);
    ApplyModuleView(g_nModule);
    EXPECT_TRUE(DrawModule(g_nModule)) << g_nModule;
}

TEST(ModuleSwitch, AThousandChangesKeepTheListsAndTextures)
{
    ASSERT_TRUE(OpenGlTestWindow(64, 48));
    ASSERT_TRUE(InitSceneState());
    ResetModuleTable();
    g_nModule = 1;
    ApplyModuleView(1);
    for (int i = 0; i < 3; ++i)  // every module's first frame
        ChangeModuleAndDraw();
    const NameCounts before = CountNames();
    EXPECT_GE(before.nLists, 3);
    EXPECT_EQ(before.nTextures, 2);
    for (int i = 0; i < 1000; ++i)
        ChangeModuleAndDraw();
    const NameCounts after = CountNames();
    EXPECT_EQ(after.nLists, before.nLists);
    EXPECT_EQ(after.nTextures, before.nTextures);
    CloseGlTestWindow();
}

}  // namespace
