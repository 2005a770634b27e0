// Torus grids of the symbol, natively: grid points, normals, the 2 x 3.1416
// constant, the sweep count and the size limit.
#include "scenes/torus_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

const TorusParams kOuter = {0.7f, 10.0f, 20, 40};
const TorusParams kInner = {0.7f, 4.0f, 16, 40};
const TorusParams kArc = {0.68f, 7.375f, 16, 40};

std::unique_ptr<TorusGrid> MakeGrid(const TorusParams& p, bool bOval, bool bExactNormals)
{
    std::unique_ptr<TorusGrid> grid(new TorusGrid());
    FillTorusVertices(*grid, p, bOval);
    if (bExactNormals)
        FillExactTorusNormals(*grid, p);
    else
        FillCrossNormals(*grid, p);
    return grid;
}

double Length(const float* v)
{
    return std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
}

TEST(TorusGrid, OuterRingFirstPointAndNormal)
{
    auto grid = MakeGrid(kOuter, false, true);
    EXPECT_FLOAT_EQ(grid->afVertex[0][0][0], 10.7f);
    EXPECT_EQ(grid->afVertex[0][0][1], 0.0f);
    EXPECT_EQ(grid->afVertex[0][0][2], 0.0f);
    EXPECT_NEAR(grid->afNormal[0][0][0], 1.0f, 1e-6);
    EXPECT_NEAR(grid->afNormal[0][0][1], 0.0f, 1e-6);
    EXPECT_NEAR(grid->afNormal[0][0][2], 0.0f, 1e-6);
    // A quarter round the tube the point is on top of the tube and the normal points up +z.
    EXPECT_NEAR(grid->afVertex[0][5][0], 10.0f, 1e-4);
    EXPECT_NEAR(grid->afVertex[0][5][2], 0.7f, 1e-5);
    EXPECT_NEAR(grid->afNormal[0][5][2], 1.0f, 1e-5);
}

TEST(TorusGrid, InnerRingIsStretchedAlongX)
{
    auto grid = MakeGrid(kInner, true, false);
    EXPECT_FLOAT_EQ(grid->afVertex[0][0][0], 5.42f);
    EXPECT_EQ(grid->afVertex[0][0][1], 0.0f);
    EXPECT_EQ(grid->afVertex[0][0][2], 0.0f);
    // A quarter round the ring (i = 10) the stretch is gone: y = r + R.
    EXPECT_NEAR(grid->afVertex[10][0][0], 0.0f, 1e-4);
    EXPECT_NEAR(grid->afVertex[10][0][1], 4.7f, 1e-4);
}

TEST(TorusGrid, TwoPiIsTheSinglePrecisionConstant)
{
    EXPECT_EQ(kTwoPi, 6.2832f);
    auto grid = MakeGrid(kOuter, false, true);
    // The last row does not quite close on row 0: sin(6.2832) is about 7.3e-6.
    double dExpected = 10.7 * std::sin(double(6.2832f));
    EXPECT_GT(grid->afVertex[40][0][1], 0.0f);
    EXPECT_NEAR(grid->afVertex[40][0][1], dExpected, 1e-9);
}

// The cross-product normals are unit vectors that point away from the tube's centre line.
void ExpectOutwardUnitNormals(const TorusParams& p, bool bOval)
{
    auto grid = MakeGrid(p, bOval, false);
    for (int i = 0; i < p.nRings; ++i) {
        for (int j = 0; j < p.nSides; ++j) {
            const float* pfN = grid->afNormal[i][j];
            const float* pfP = grid->afVertex[i][j];
            double dTheta = float(i) * kTwoPi / float(p.nRings);
            double dCentreX = (p.fRing + (bOval ? 0.72 : 0.0)) * std::cos(dTheta);
            double adOut[3] = {pfP[0] - dCentreX, pfP[1] - p.fRing * std::sin(dTheta), pfP[2]};
            double dDot = adOut[0] * pfN[0] + adOut[1] * pfN[1] + adOut[2] * pfN[2];
            ASSERT_NEAR(Length(pfN), 1.0, 1e-6) << i << "," << j;
            ASSERT_GT(dDot, 0.0) << i << "," << j;
        }
    }
}

TEST(TorusGrid, CrossNormalsPointOutward)
{
    ExpectOutwardUnitNormals(kInner, true);
    ExpectOutwardUnitNormals(kArc, false);
}

TEST(TorusGrid, NormalizedCross)
{
    const double adX[3] = {1, 0, 0}, adY[3] = {0, 1, 0}, adZ3[3] = {0, 0, 3}, adX2[3] = {2, 0, 0};
    double adOut[3];
    NormalizedCross(adX, adY, adOut);
    EXPECT_EQ(adOut[0], 0.0);
    EXPECT_EQ(adOut[1], 0.0);
    EXPECT_EQ(adOut[2], 1.0);
    NormalizedCross(adX2, adZ3, adOut);
    EXPECT_EQ(adOut[0], 0.0);
    EXPECT_EQ(adOut[1], -1.0);
    EXPECT_EQ(adOut[2], 0.0);
}

TEST(TorusGrid, DrawnRingsAndLimits)
{
    EXPECT_EQ(CountDrawnRings(40, 0.43f), 17);
    EXPECT_EQ(CountDrawnRings(40, 1.0f), 40);
    EXPECT_EQ(CountDrawnRings(40, 0.0f), 0);
    // Sweeps outside 0 ... 1 stay inside the grid.
    EXPECT_EQ(CountDrawnRings(64, 2.0f), 64);
    EXPECT_EQ(CountDrawnRings(40, -0.5f), 0);
    EXPECT_EQ(CountDrawnRings(40, std::nanf("")), 0);

    EXPECT_FALSE(IsTorusTooLarge(64, 64));
    EXPECT_TRUE(IsTorusTooLarge(65, 40));
    EXPECT_TRUE(IsTorusTooLarge(20, 65));
    EXPECT_STREQ(kTorusErrorText,
                 "Too many side or rings in torus! Max is 64.  No torus will be drawn.");
    EXPECT_STREQ(kTorusErrorCaption, "Error in Torus");
}

}  // namespace
