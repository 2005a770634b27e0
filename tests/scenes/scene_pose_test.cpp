// Where each module puts what it draws, read back from OpenGL in feedback
// mode: the modelview matrix under which every symbol is drawn (the symbol's
// display lists are swapped for a probe that emits four known points), the
// earth sphere's pose from the texture coordinates of its vertices, and the
// sky backdrop's corners. Then the two pictures as they appear on screen,
// compared with the decoded pictures. A wide orthographic projection during
// the captures keeps every probe point inside the clip volume.
#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "image/jpeg/jpeg_decoder.h"
#include "image/processor_probe.h"
#include "win32/render.h"
#include "resources/resource.h"
#include "scenes/floating_symbols.h"
#include "scenes/module_table.h"
#include "scenes/modules.h"
#include "scenes/scene_state.h"
#include "scenes/symbol.h"
#include "scenes/symbol_ring.h"
#include "tests/support/gl_test_context.h"

namespace {

const int kWidth = 320, kHeight = 240;
const double kPi = 3.14159265358979323846;
const double kOrtho = 1000.0;  // half-size of the capture's clip volume
const float kProbeReach = 10.0f;

// Column-major like OpenGL: m[column * 4 + row].
struct Matrix {
    double m[16];
};

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix r = {};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                r.m[c * 4 + row] += a.m[k * 4 + row] * b.m[c * 4 + k];
    return r;
}

Matrix Translation(double x, double y, double z)
{
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

Matrix Scaling(double s)
{
    return {{s, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0, 0, 0, 0, 1}};
}

// A right-handed turn by dDegrees about a coordinate axis (0 x, 1 y, 2 z).
Matrix Rotation(double dDegrees, int nAxis)
{
    const double c = std::cos(dDegrees * kPi / 180.0), s = std::sin(dDegrees * kPi / 180.0);
    const int i = (nAxis + 1) % 3, j = (nAxis + 2) % 3;  // the plane turned: i toward j
    Matrix r = Scaling(1.0);
    r.m[i * 4 + i] = c;
    r.m[j * 4 + j] = c;
    r.m[i * 4 + j] = s;
    r.m[j * 4 + i] = -s;
    return r;
}

Matrix Chain(std::initializer_list<Matrix> factors)
{
    Matrix r = Scaling(1.0);
    for (const Matrix& f : factors)
        r = Multiply(r, f);
    return r;
}

// A module's record as the keys may have left it, all at speed 1.5.
struct View {
    const char* pszName;
    ModuleSettings settings;
};

// Single turns show each axis and sign; the mixed view shows their order.
const View kViews[] = {
    {"Plain", {30, 0, 0, 0, 0, 0, 1.5f, true}},        {"Shifted", {25, 3, -2, 0, 0, 0, 1.5f, true}},
    {"TurnedAboutX", {30, 0, 0, 35, 0, 0, 1.5f, true}}, {"TurnedAboutY", {30, 0, 0, 0, 40, 0, 1.5f, true}},
    {"TurnedAboutZ", {30, 0, 0, 0, 0, 50, 1.5f, true}}, {"Mixed", {28, 1.5f, -1, -21, 35, 60, 1.5f, true}},
};

// The view as the modules apply it: translate, then turn about z, y and x.
Matrix ViewMatrix(const ModuleSettings& v)
{
    return Chain({Translation(v.horz, v.vert, -v.depth), Rotation(v.zrot, 2), Rotation(v.yrot, 1), Rotation(v.xrot, 0)});
}

// The module's record becomes the live view, as on a change of module.
void ApplyView(int nModule, const ModuleSettings& settings)
{
    g_Modules[nModule] = settings;
    ApplyModuleView(nModule);
}

bool DrawModule(int nModule)
{
    return nModule == 1 ? DrawFloatingSymbols() : nModule == 2 ? DrawEarthModule() : DrawSymbolRing();
}

// Module 1's symbols at rest inside the box, spread out, each with its own phase.
void PlaceFloatingSymbols()
{
    for (int i = 0; i < kFloatingSymbolCount; ++i)
        GetFloatingScene().aSymbols[i] = FloatingSymbol{-12.0f + 3.5f * i, 3.0f * (i % 3 - 1), -10.0f + 2.5f * i,
                                                        0, 0, 0, 45.0f * i};
}

// The pose of symbol i at animation angle a, below the view.
Matrix SymbolPose(int nModule, int i, double a)
{
    if (nModule == 1) {
        const FloatingSymbol& s = GetFloatingScene().aSymbols[i];
        return Chain({Translation(s.x, s.y, s.z), Rotation(a + s.phase, 1), Scaling(0.25)});
    }
    if (nModule == 2)
        return Chain({Rotation(-0.25 * a + 60 * i, 1), Translation(10, 0, 0), Rotation(-0.5 * a, 1), Scaling(0.75 * 0.2)});
    return Chain({Rotation(-0.25 * a + 45 * i, 1), Translation(8, 0, 0), Rotation(4 * a, 1), Scaling(0.175)});
}

// The angle step per frame at speed 1: module 1 spins backwards.
double AngleStep(int nModule)
{
    return nModule == 1 ? -1.2 : 1.0;
}

struct Vec {
    double x, y, z;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(Vec a, double s) { return {a.x * s, a.y * s, a.z * s}; }

// A feedback vertex back in eye coordinates, under the capture's projection.
Vec EyePosition(const FeedbackVertex& v)
{
    GLdouble adIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, adProjection[16];
    GLint anViewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, adProjection);
    glGetIntegerv(GL_VIEWPORT, anViewport);
    Vec p;
    gluUnProject(v.x, v.y, v.z, adIdentity, adProjection, anViewport, &p.x, &p.y, &p.z);
    return p;
}

// The primitives the draw emits, with eye coordinates in place of window
// coordinates, captured under the wide orthographic projection.
std::vector<FeedbackPrimitive> CaptureInEyeSpace(const std::function<void()>& draw)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-kOrtho, kOrtho, -kOrtho, kOrtho, -kOrtho, kOrtho);
    glMatrixMode(GL_MODELVIEW);
    std::vector<FeedbackPrimitive> primitives = CaptureFeedback(GL_3D_COLOR_TEXTURE, draw);
    for (FeedbackPrimitive& primitive : primitives)
        for (FeedbackVertex& v : primitive.vertices) {
            const Vec p = EyePosition(v);
            v.x = static_cast<float>(p.x), v.y = static_cast<float>(p.y), v.z = static_cast<float>(p.z);
        }
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    return primitives;
}

// The columns of a pose recovered from where it put the origin and three axis points.
Matrix PoseFromPoints(Vec origin, Vec onX, Vec onY, Vec onZ, double dReach)
{
    const Vec axes[3] = {(onX - origin) * (1 / dReach), (onY - origin) * (1 / dReach), (onZ - origin) * (1 / dReach)};
    Matrix r = Scaling(1.0);
    for (int c = 0; c < 3; ++c) {
        r.m[c * 4 + 0] = axes[c].x;
        r.m[c * 4 + 1] = axes[c].y;
        r.m[c * 4 + 2] = axes[c].z;
    }
    r.m[12] = origin.x;
    r.m[13] = origin.y;
    r.m[14] = origin.z;
    return r;
}

// Turns and scales within 1e-3, positions within 5e-3 scene units.
void ExpectSamePose(const Matrix& actual, const Matrix& expected, const std::string& what)
{
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 3; ++row)
            EXPECT_NEAR(actual.m[c * 4 + row], expected.m[c * 4 + row], c == 3 ? 5e-3 : 1e-3)
                << what << ", column " << c << " row " << row;
}

class ScenePose : public ::testing::Test {
protected:
    // The probe is made once, in the program's one context.
    static void SetUpTestSuite()
    {
        if (s_nProbeList != 0)
            return;
        ASSERT_TRUE(OpenSceneTestWindow(kWidth, kHeight));
        BuildSymbolLists();
        s_nProbeList = glGenLists(2);
        glNewList(s_nProbeList, GL_COMPILE);
        glBegin(GL_POINTS);
        glVertex3f(0, 0, 0);
        glVertex3f(kProbeReach, 0, 0);
        glVertex3f(0, kProbeReach, 0);
        glVertex3f(0, 0, kProbeReach);
        glEnd();
        glEndList();
        glNewList(s_nProbeList + 1, GL_COMPILE);  // empty
        glEndList();
    }
    void SetUp() override
    {
        ASSERT_NE(s_nProbeList, 0u);
        RestoreFreshAnimation();
        ResetModuleTable();
        g_SaverState.bRunningAsSaver = true;
    }
    void TearDown() override { RestoreFreshAnimation(); }

    // Makes nModule current, with its first frame behind it and the angle at 0.
    static void StartModule(int nModule)
    {
        g_nModule = nModule;
        ApplyModuleView(nModule);
        DrawModule(nModule);
        ApplyModuleView(nModule);
    }

    // One frame of the module in feedback mode, with the symbol drawn as the probe's points.
    static std::vector<FeedbackPrimitive> CaptureFrame(int nModule)
    {
        const unsigned int anLists[3] = {g_nOuterTorusList, g_nInnerTorusList, g_nArcTorusList};
        g_nOuterTorusList = s_nProbeList;
        g_nInnerTorusList = g_nArcTorusList = s_nProbeList + 1;
        bool bDrawn = false;
        std::vector<FeedbackPrimitive> primitives = CaptureInEyeSpace([&] { bDrawn = DrawModule(nModule); });
        g_nOuterTorusList = anLists[0];
        g_nInnerTorusList = anLists[1];
        g_nArcTorusList = anLists[2];
        EXPECT_TRUE(bDrawn);
        return primitives;
    }

    static GLuint s_nProbeList;
};
GLuint ScenePose::s_nProbeList = 0;

// The poses of the symbols in the order they were drawn.
std::vector<Matrix> SymbolPoses(const std::vector<FeedbackPrimitive>& primitives)
{
    std::vector<Vec> points;
    for (const FeedbackPrimitive& primitive : primitives)
        if (primitive.token == GL_POINT_TOKEN)
            points.push_back({primitive.vertices[0].x, primitive.vertices[0].y, primitive.vertices[0].z});
    std::vector<Matrix> poses;
    for (size_t k = 0; k + 4 <= points.size(); k += 4)
        poses.push_back(PoseFromPoints(points[k], points[k + 1], points[k + 2], points[k + 3], kProbeReach));
    return poses;
}

// Mean eye position of the polygon vertices that carry texture coordinates (s, t).
bool FindTextured(const std::vector<FeedbackPrimitive>& primitives, double s, double t, Vec* pFound)
{
    Vec sum = {0, 0, 0};
    int n = 0;
    for (const FeedbackPrimitive& primitive : primitives)
        for (const FeedbackVertex& v : primitive.vertices)
            if (primitive.token == GL_POLYGON_TOKEN && std::fabs(v.s - s) < 1e-4 && std::fabs(v.t - t) < 1e-4) {
                sum = sum + Vec{v.x, v.y, v.z};
                ++n;
            }
    *pFound = sum * (n ? 1.0 / n : 0.0);
    return n > 0;
}

// The pose of a sphere of radius r from its vertices, given the texture
// coordinates GLU puts on its local +x, -x, +y and +z.
struct SphereMarks {
    double sPlusX, tPlusX, sMinusX, tMinusX, sPlusY, tPlusY, tPlusZ;
};

bool SpherePose(const std::vector<FeedbackPrimitive>& primitives, const SphereMarks& marks, double r, Matrix* pPose)
{
    Vec onX, onMinusX, onY, onZ;
    if (!FindTextured(primitives, marks.sPlusX, marks.tPlusX, &onX) ||
        !FindTextured(primitives, marks.sMinusX, marks.tMinusX, &onMinusX) ||
        !FindTextured(primitives, marks.sPlusY, marks.tPlusY, &onY))
        return false;
    // The pole is one point that every slice reaches with its own s.
    Vec sum = {0, 0, 0};
    int n = 0;
    for (const FeedbackPrimitive& primitive : primitives)
        for (const FeedbackVertex& v : primitive.vertices)
            if (primitive.token == GL_POLYGON_TOKEN && std::fabs(v.t - marks.tPlusZ) < 1e-4) {
                sum = sum + Vec{v.x, v.y, v.z};
                ++n;
            }
    if (n == 0)
        return false;
    onZ = sum * (1.0 / n);
    const Vec centre = (onX + onMinusX) * 0.5;
    *pPose = PoseFromPoints(centre, onX, onY, onZ, r);
    return true;
}

bool MeasureSphereMarks(SphereMarks* pMarks);

struct PoseCase {
    int nModule;
    View view;
    int nFrames;
};

class ModulePoses : public ScenePose, public ::testing::WithParamInterface<PoseCase> {};
class TexturedPoses : public ModulePoses {};

// Every symbol of the frame sits where the view and the module's rates put it:
// module 1 spins by -1.2 a frame with each symbol's phase; module 2's symbols
// orbit at -0.25 and turn at -0.5 times the angle, module 3's ring turns at
// -0.25 and its symbols spin at 4 times the angle.
TEST_P(ModulePoses, SymbolsFollowTheViewAndTheRates)
{
    const PoseCase& c = GetParam();
    StartModule(c.nModule);
    if (c.nModule == 1)
        PlaceFloatingSymbols();
    ApplyView(c.nModule, c.view.settings);
    for (int i = 0; i < c.nFrames; ++i)
        ASSERT_TRUE(DrawModule(c.nModule));
    GetRingScene().leap = RingLeap{false, 0.0f, 0.0f, 0};  // no leap in the captured frame
    const double a = c.nFrames * AngleStep(c.nModule) * 1.5;
    ASSERT_NEAR(g_fAngle, a, 1e-3);

    const std::vector<Matrix> poses = SymbolPoses(CaptureFrame(c.nModule));
    const size_t nSymbols = c.nModule == 2 ? 6 : 8;
    ASSERT_EQ(poses.size(), nSymbols);
    const Matrix view = ViewMatrix(c.view.settings);
    for (size_t i = 0; i < nSymbols; ++i)
        ExpectSamePose(poses[i], Multiply(view, SymbolPose(c.nModule, static_cast<int>(i), a)),
                       "symbol " + std::to_string(i));
}

// The earth turns at +0.25 times the angle about the view's y axis, its
// polar axis stood upright by -90 degrees about x; module 3's sky stays put
// whatever the view, with the picture's bottom left corner at the quad's
// bottom left.
TEST_P(TexturedPoses, EarthAndSkyFollowTheirRules)
{
    const PoseCase& c = GetParam();
    StartModule(c.nModule);
    ApplyView(c.nModule, c.view.settings);
    for (int i = 0; i < c.nFrames; ++i)
        ASSERT_TRUE(DrawModule(c.nModule));
    const double a = c.nFrames * 1.5;
    const std::vector<FeedbackPrimitive> primitives = CaptureFrame(c.nModule);

    if (c.nModule == 2) {
        SphereMarks marks;
        ASSERT_TRUE(MeasureSphereMarks(&marks));
        Matrix earth;
        ASSERT_TRUE(SpherePose(primitives, marks, 8.0, &earth));
        ExpectSamePose(earth, Chain({ViewMatrix(c.view.settings), Rotation(0.25 * a, 1), Rotation(-90, 0)}), "earth");
        return;
    }
    // The sky: picture corner (s, t) at the quad's corner, under the identity.
    const struct {
        double s, t;
        Vec corner;
    } kCorners[] = {{0, 0, {-310, -232.5, -500}}, {1, 0, {310, -232.5, -500}}, {1, 1, {310, 232.5, -500}},
                    {0, 1, {-310, 232.5, -500}}};
    for (const auto& k : kCorners) {
        Vec p;
        ASSERT_TRUE(FindTextured(primitives, k.s, k.t, &p)) << k.s << ", " << k.t;
        EXPECT_NEAR(p.x, k.corner.x, 0.05) << "corner " << k.s << ", " << k.t;
        EXPECT_NEAR(p.y, k.corner.y, 0.05) << "corner " << k.s << ", " << k.t;
        EXPECT_NEAR(p.z, k.corner.z, 0.05) << "corner " << k.s << ", " << k.t;
    }
}

std::vector<PoseCase> PoseCases(int nFirstModule)
{
    std::vector<PoseCase> cases;
    for (int nModule = nFirstModule; nModule <= 3; ++nModule)
        for (const View& view : kViews)
            for (int nFrames : {0, 20})
                cases.push_back({nModule, view, nFrames});
    return cases;
}

std::string PoseCaseName(const ::testing::TestParamInfo<PoseCase>& info)
{
    return "Module" + std::to_string(info.param.nModule) + "_" + info.param.view.pszName + "_After" +
           std::to_string(info.param.nFrames) + "Frames";
}

INSTANTIATE_TEST_SUITE_P(EveryModule, ModulePoses, ::testing::ValuesIn(PoseCases(1)), PoseCaseName);
INSTANTIATE_TEST_SUITE_P(EarthAndSky, TexturedPoses, ::testing::ValuesIn(PoseCases(2)), PoseCaseName);

// ---- The pictures on screen -------------------------------------------------

// The embedded picture as the decoder delivers it, top line first.
struct Picture {
    int nWidth = 0, nHeight = 0;
    std::vector<unsigned char> rgb;
};

Picture DecodePicture(WORD wId)
{
    HRSRC hFound = FindResourceA(NULL, MAKEINTRESOURCEA(wId), "jpg");
    JpegMemoryStream stream(LockResource(LoadResource(NULL, hFound)), SizeofResource(NULL, hFound));
    JpegDecoder decoder(&stream, ProbeProcessorFeatures().bMmx);
    Picture picture;
    if (decoder.beginDecoding() != 0)
        return picture;
    const uint8_t* pLine = nullptr;
    uint32_t nLength = 0;
    while (decoder.decodeLine(&pLine, &nLength) == 0) {
        for (uint32_t i = 0; i < nLength; i += 4)
            picture.rgb.insert(picture.rgb.end(), pLine + i, pLine + i + 3);
        ++picture.nHeight;
    }
    picture.nWidth = picture.nHeight ? static_cast<int>(picture.rgb.size() / 3 / picture.nHeight) : 0;
    return picture;
}

// The picture's mean colour over 3 x 3 pixels around texture coordinates
// (s, t), with t = 0 at the picture's bottom line as OpenGL has it.
Vec PictureColour(const Picture& picture, double s, double t)
{
    const int x0 = static_cast<int>(s * picture.nWidth), y0 = static_cast<int>((1.0 - t) * picture.nHeight);
    Vec sum = {0, 0, 0};
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int x = (x0 + dx + picture.nWidth) % picture.nWidth;
            const int y = std::min(std::max(y0 + dy, 0), picture.nHeight - 1);
            const unsigned char* p = &picture.rgb[(y * picture.nWidth + x) * 3];
            sum = sum + Vec{double(p[0]), double(p[1]), double(p[2])};
        }
    return sum * (1.0 / 9);
}

// One screen pixel and what should be under it: texture coordinates and the light on them.
struct Sample {
    int x, y;
    double s, t, dLight;
};

// How well the screen matches the picture laid out by the samples' texture
// coordinates, or by coordinates mirrored (s -> 1 - s) or upside down
// (t -> 1 - t): the correlation over all samples and channels.
double Match(const std::vector<unsigned char>& screen, const Picture& picture, const std::vector<Sample>& samples,
             bool bMirrored, bool bUpsideDown)
{
    std::vector<double> actual, expected;
    for (const Sample& sample : samples) {
        const Vec c = PictureColour(picture, bMirrored ? 1.0 - sample.s : sample.s,
                                    bUpsideDown ? 1.0 - sample.t : sample.t) * sample.dLight;
        const unsigned char* p = &screen[(sample.y * kWidth + sample.x) * 4];
        actual.insert(actual.end(), {double(p[0]), double(p[1]), double(p[2])});
        expected.insert(expected.end(), {c.x, c.y, c.z});
    }
    const double n = static_cast<double>(actual.size());
    double sa = 0, se = 0, saa = 0, see = 0, sae = 0;
    for (size_t i = 0; i < actual.size(); ++i) {
        sa += actual[i], se += expected[i];
        saa += actual[i] * actual[i], see += expected[i] * expected[i], sae += actual[i] * expected[i];
    }
    return (sae - sa * se / n) / std::sqrt((saa - sa * sa / n) * (see - se * se / n));
}

std::vector<unsigned char> ReadScreen()
{
    std::vector<unsigned char> pixels(kWidth * kHeight * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Direction of the eye ray through a pixel's centre, at z = -1.
Vec EyeRay(int x, int y)
{
    const double dTan = std::tan(25.0 * kPi / 180.0);
    return {((x + 0.5) / (kWidth / 2) - 1) * dTan * kWidth / kHeight, ((y + 0.5) / (kHeight / 2) - 1) * dTan, -1};
}

// The sky picture fills the screen as it is: the ring is pushed behind the
// sky, and every pixel shows the picture point on the 4:3 quad at z = -500.
std::vector<Sample> SkySamples()
{
    std::vector<Sample> samples;
    for (int y = 4; y < kHeight; y += 8)
        for (int x = 4; x < kWidth; x += 8) {
            const Vec d = EyeRay(x, y) * 500.0;
            samples.push_back({x, y, (d.x + 310) / 620, (d.y + 232.5) / 465, 1.0});
        }
    return samples;
}

// The globe of radius 8 at depth 30 under a plain view: each pixel's eye ray
// meets the sphere; away from the limb and from the orbiting symbols' band,
// the point is turned back into the sphere's own frame and given GLU's
// texture coordinates there (t linear in the angle from the pole, s around
// the polar axis as the unturned sphere showed), lit from the eye.
std::vector<Sample> EarthSamples(double a, const SphereMarks& marks)
{
    const Matrix turn = Chain({Rotation(0.25 * a, 1), Rotation(-90, 0)});
    std::vector<Sample> samples;
    for (int y = 1; y < kHeight; y += 3)
        for (int x = 1; x < kWidth; x += 3) {
            const Vec d = EyeRay(x, y) * (1.0 / std::sqrt(EyeRay(x, y).x * EyeRay(x, y).x +
                                                          EyeRay(x, y).y * EyeRay(x, y).y + 1));
            const Vec centre = {0, 0, -30};
            const double b = d.x * centre.x + d.y * centre.y + d.z * centre.z;
            const double disc = b * b - (900 - 64);
            if (disc <= 0)
                continue;
            const Vec hit = d * (b - std::sqrt(disc));
            const Vec q = hit - centre;  // scene coordinates
            const Vec n = q * (1.0 / 8);
            const double dFacing = -(n.x * d.x + n.y * d.y + n.z * d.z);
            if (std::fabs(q.y) < 3 || dFacing < 0.5)
                continue;
            // Local = turn^T q.
            const Vec local = {turn.m[0] * q.x + turn.m[1] * q.y + turn.m[2] * q.z,
                               turn.m[4] * q.x + turn.m[5] * q.y + turn.m[6] * q.z,
                               turn.m[8] * q.x + turn.m[9] * q.y + turn.m[10] * q.z};
            const double dFromPole = std::acos(std::max(-1.0, std::min(1.0, local.z / 8))) / kPi;
            const double t = marks.tPlusZ > 0.5 ? 1 - dFromPole : dFromPole;
            double dAround = std::atan2(local.x, local.y) / (2 * kPi);  // from +y toward +x
            dAround -= std::floor(dAround);
            const double s = marks.sPlusX < 0.5 ? dAround : 1 - dAround;
            Vec toLight = Vec{0, 0, 1000} - hit;
            toLight = toLight * (1.0 / std::sqrt(toLight.x * toLight.x + toLight.y * toLight.y + toLight.z * toLight.z));
            const double dDiffuse = std::max(0.0, n.x * toLight.x + n.y * toLight.y + n.z * toLight.z);
            samples.push_back({x, y, s, t, 0.35 + 0.52 * dDiffuse});
        }
    return samples;
}

// Where GLU's sphere puts its texture coordinates, from a sphere drawn
// unturned: false unless all four places were found.
bool MeasureSphereMarks(SphereMarks* pMarks)
{
    SphereMarks& marks = *pMarks;
    bool abSeen[4] = {};
    const std::vector<FeedbackPrimitive> primitives = CaptureInEyeSpace([] {
        glLoadIdentity();
        gluSphere(g_pQuadric, 8.0, 32, 32);
    });
    for (const FeedbackPrimitive& primitive : primitives)
        for (const FeedbackVertex& v : primitive.vertices) {
            const Vec p = {v.x, v.y, v.z};
            const bool bOnEquator = std::fabs(p.z) < 1e-2;
            if (bOnEquator && std::fabs(p.x - 8) < 1e-2)
                marks.sPlusX = v.s, marks.tPlusX = v.t, abSeen[0] = true;
            if (bOnEquator && std::fabs(p.x + 8) < 1e-2)
                marks.sMinusX = v.s, marks.tMinusX = v.t, abSeen[1] = true;
            if (bOnEquator && std::fabs(p.y - 8) < 1e-2)
                marks.sPlusY = v.s, marks.tPlusY = v.t, abSeen[2] = true;
            if (std::fabs(p.z - 8) < 1e-2)
                marks.tPlusZ = v.t, abSeen[3] = true;
        }
    return abSeen[0] && abSeen[1] && abSeen[2] && abSeen[3];
}

struct PictureCase {
    const char* pszName;
    int nModule;
    WORD wPicture;
};

class PicturesOnScreen : public ScenePose, public ::testing::WithParamInterface<PictureCase> {};

// The real module with the embedded picture: the screen must match the
// picture as laid out, clearly better than mirrored or upside down.
TEST_P(PicturesOnScreen, ShowThePictureTheRightWayRound)
{
    const PictureCase& c = GetParam();
    const Picture picture = DecodePicture(c.wPicture);
    ASSERT_GT(picture.nWidth, 0);
    StartModule(c.nModule);
    std::vector<Sample> samples;
    if (c.nModule == 3) {
        ApplyView(c.nModule, {2000, 0, 0, 0, 0, 0, 1.0f, true});  // the ring behind the sky
        samples = SkySamples();
    } else {
        SphereMarks marks = {};
        ASSERT_TRUE(MeasureSphereMarks(&marks));
        ApplyView(c.nModule, {30, 0, 0, 0, 0, 0, 5.0f, true});
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(DrawModule(c.nModule));
        ASSERT_EQ(g_fAngle, 100.0f);
        samples = EarthSamples(100.0, marks);
    }
    ASSERT_GT(samples.size(), 300u);
    ASSERT_TRUE(DrawModule(c.nModule));
    const std::vector<unsigned char> screen = ReadScreen();
    const double dRight = Match(screen, picture, samples, false, false);
    const double dMirrored = Match(screen, picture, samples, true, false);
    const double dUpsideDown = Match(screen, picture, samples, false, true);
    EXPECT_GT(dRight, 0.9) << "mirrored " << dMirrored << ", upside down " << dUpsideDown;
    EXPECT_LT(dMirrored, dRight - 0.3);
    EXPECT_LT(dUpsideDown, dRight - 0.3);
}

INSTANTIATE_TEST_SUITE_P(BothPictures, PicturesOnScreen,
                         ::testing::Values(PictureCase{"Earth", 2, IDR_EARTH_JPG}, PictureCase{"Sky", 3, IDR_SKY_JPG}),
                         [](const ::testing::TestParamInfo<PictureCase>& info) { return std::string(info.param.pszName); });

}  // namespace
