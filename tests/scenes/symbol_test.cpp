// The symbol's display lists in a real OpenGL context: the quads each list
// emits (feedback mode), where its points lie and which way its normals face,
// the materials the lists leave behind, and when a builder rebuilds.
#include <windows.h>

#include "scenes/symbol.h"
#include "tests/support/gl_test_context.h"
#include "tests/support/win_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// Feedback window coordinates map back to scene units: x_w = x + 20, y_w = y + 20.
const float kHalfBox = 20.0f;

class SymbolTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_pContext = new GlTestContext(); }
    static void TearDownTestSuite()
    {
        delete s_pContext;
        s_pContext = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_pContext->IsCurrent());
        glViewport(0, 0, 40, 40);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-kHalfBox, kHalfBox, -kHalfBox, kHalfBox, -kHalfBox, kHalfBox);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        // A white light from +x and no ambient light: a vertex's green shows n.x.
        const GLfloat afFromX[] = {1, 0, 0, 0}, afWhite[] = {1, 1, 1, 1}, afNone[] = {0, 0, 0, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, afFromX);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, afWhite);
        glLightfv(GL_LIGHT0, GL_AMBIENT, afNone);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, afNone);
        glEnable(GL_LIGHT0);
        glEnable(GL_LIGHTING);
        BuildSymbolLists();
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    static GlTestContext* s_pContext;
};
GlTestContext* SymbolTest::s_pContext = nullptr;

void CallOuter() { glCallList(g_nOuterTorusList); }
void CallInner() { glCallList(g_nInnerTorusList); }
void CallArc() { glCallList(g_nArcTorusList); }

// Quads reach feedback whole or split in two triangles, depending on the driver.
int CountQuads(void (*pfnDraw)())
{
    std::vector<FeedbackPolygon> polygons = CapturePolygons(pfnDraw);
    size_t nVertices = 0;
    for (const FeedbackPolygon& polygon : polygons)
        nVertices += polygon.size() == 3 ? 2 : polygon.size();
    return static_cast<int>(nVertices / 4);
}

// The vertex closest to (x, y, z) in scene units among everything the list drew.
FeedbackVertex ClosestVertex(void (*pfnDraw)(), float x, float y, float z, float* pfDistance)
{
    FeedbackVertex best = {};
    *pfDistance = 1e9f;
    for (const FeedbackPolygon& polygon : CapturePolygons(pfnDraw)) {
        for (const FeedbackVertex& v : polygon) {
            float dx = v.x - kHalfBox - x, dy = v.y - kHalfBox - y;
            float dz = -(2.0f * v.z - 1.0f) * kHalfBox - z;
            float fDistance = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (fDistance < *pfDistance) {
                *pfDistance = fDistance;
                best = v;
            }
        }
    }
    return best;
}

TEST_F(SymbolTest, EachListEmitsItsQuads)
{
    EXPECT_EQ(CountQuads(CallOuter), 800);
    EXPECT_EQ(CountQuads(CallInner), 640);
    EXPECT_EQ(CountQuads(CallArc), 272);
    EXPECT_EQ(CountQuads(DrawSymbol), 800 + 640 + 272);
}

TEST_F(SymbolTest, PiecesLieWhereTheirListsPutThem)
{
    float fDistance;
    // Outer ring: (10.7, 0, 0), lit head-on by the light from +x (normal (1, 0, 0)),
    // green at the list's diffuse 0.5.
    FeedbackVertex v = ClosestVertex(CallOuter, 10.7f, 0.0f, 0.0f, &fDistance);
    EXPECT_LT(fDistance, 1e-3f);
    EXPECT_NEAR(v.g, 0.5f, 2e-3f);
    EXPECT_NEAR(v.r, 0.0f, 1e-6f);
    v = ClosestVertex(CallOuter, -10.7f, 0.0f, 0.0f, &fDistance);
    EXPECT_LT(fDistance, 1e-3f);
    EXPECT_NEAR(v.g, 0.0f, 1e-6f);  // facing away from the light

    // Inner ring: (5.42, 0, 0) turned by 30 degrees about z.
    const double dTurn = 30.0 * 3.14159265358979 / 180.0;
    ClosestVertex(CallInner, float(5.42 * std::cos(dTurn)), float(5.42 * std::sin(dTurn)), 0.0f,
                  &fDistance);
    EXPECT_LT(fDistance, 1e-3f);

    // Arc: (7.375 + 0.68, 0, 0) turned by -100 degrees, then shifted by (-1.55, -2.3).
    const double dArcTurn = -100.0 * 3.14159265358979 / 180.0;
    const double dArcStart = 7.375 + 0.68;
    ClosestVertex(CallArc, float(dArcStart * std::cos(dArcTurn) - 1.55),
                  float(dArcStart * std::sin(dArcTurn) - 2.3), 0.0f, &fDistance);
    EXPECT_LT(fDistance, 1e-3f);
}

void ExpectFrontMaterial(const GLfloat afAmbient[4], const GLfloat afDiffuse[4])
{
    GLfloat afGot[4];
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, afGot);
    for (int k = 0; k < 4; ++k)
        EXPECT_FLOAT_EQ(afGot[k], afAmbient[k]) << "ambient " << k;
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, afGot);
    for (int k = 0; k < 4; ++k)
        EXPECT_FLOAT_EQ(afGot[k], afDiffuse[k]) << "diffuse " << k;
}

TEST_F(SymbolTest, SymbolDrawsGreenAndLeavesTheNeutralMaterial)
{
    const GLfloat afRed[] = {1, 0, 0, 1};
    const GLfloat afGreenAmbient[] = {0, 0.25f, 0, 1}, afGreenDiffuse[] = {0, 0.5f, 0, 1};
    const GLfloat afNeutralAmbient[] = {0.5f, 0.5f, 0.5f, 1}, afWhite[] = {1, 1, 1, 1};

    glMaterialfv(GL_FRONT, GL_AMBIENT, afRed);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, afRed);
    CallOuter();
    ExpectFrontMaterial(afGreenAmbient, afGreenDiffuse);
    CallInner();
    ExpectFrontMaterial(afGreenAmbient, afGreenDiffuse);

    glMaterialfv(GL_FRONT, GL_AMBIENT, afRed);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, afRed);
    DrawSymbol();
    ExpectFrontMaterial(afNeutralAmbient, afWhite);

    // The arc itself is drawn in the green that is in force, not in the neutral it sets after.
    glMaterialfv(GL_FRONT, GL_AMBIENT, afGreenAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, afGreenDiffuse);
    for (const FeedbackPolygon& polygon : CapturePolygons(CallArc))
        for (const FeedbackVertex& v : polygon)
            ASSERT_TRUE(v.r == 0.0f && v.b == 0.0f);
    // The lists do not leave the modelview matrix changed.
    GLfloat afMatrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, afMatrix);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(afMatrix[k], (k % 5 == 0) ? 1.0f : 0.0f);
}

TEST_F(SymbolTest, SameParametersLeaveTheListAlone)
{
    GLuint nOuter = g_nOuterTorusList, nArc = g_nArcTorusList;
    BuildOuterTorus(0.7f, 10.0f, 20, 40, 0.25f);  // another sweep only
    BuildArcTorus(0.68f, 7.375f, 16, 40, 1.0f);
    BuildSymbolLists();
    EXPECT_EQ(g_nOuterTorusList, nOuter);
    EXPECT_EQ(g_nArcTorusList, nArc);
    EXPECT_EQ(CountQuads(CallOuter), 800);
    EXPECT_EQ(CountQuads(CallArc), 272);
}

TEST_F(SymbolTest, OtherParametersRebuildTheList)
{
    BuildInnerTorus(0.7f, 4.0f, 64, 64, 0.5f);
    EXPECT_EQ(CountQuads(CallInner), 32 * 64);
    EXPECT_TRUE(glIsList(g_nInnerTorusList));
    BuildInnerTorus(0.7f, 4.0f, 16, 40, 1.0f);  // back to the symbol's own
    EXPECT_EQ(CountQuads(CallInner), 640);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SymbolTest, MoreThan64SidesOrRingsShowTheBoxAndKeepTheList)
{
    GLuint nOuter = g_nOuterTorusList;
    {
        vt::MessageBoxWatcher watcher;
        BuildOuterTorus(0.7f, 10.0f, 65, 40, 1.0f);
        BuildOuterTorus(0.7f, 10.0f, 20, 65, 1.0f);
        std::vector<vt::MessageBoxInfo> seen = watcher.Seen();
        ASSERT_EQ(seen.size(), 2u);
        for (const vt::MessageBoxInfo& box : seen) {
            EXPECT_EQ(box.caption, "Error in Torus");
            EXPECT_EQ(box.text, "Too many side or rings in torus! Max is 64.  No torus will be drawn.");
        }
        EXPECT_EQ(g_nOuterTorusList, nOuter);
        EXPECT_EQ(CountQuads(CallOuter), 800);
        // The refused call did not become the last build: the symbol's own parameters still match.
        BuildSymbolLists();
        EXPECT_EQ(g_nOuterTorusList, nOuter);
        EXPECT_EQ(CountQuads(CallOuter), 800);

        BuildOuterTorus(0.7f, 10.0f, 64, 64, 1.0f);
        EXPECT_EQ(CountQuads(CallOuter), 64 * 64);
        BuildOuterTorus(0.7f, 10.0f, 20, 40, 1.0f);
        EXPECT_EQ(CountQuads(CallOuter), 800);
        EXPECT_EQ(watcher.Seen().size(), 2u);
    }
}

}  // namespace
