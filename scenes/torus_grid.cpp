// Torus grids of the symbol. Angles come from the single-precision 2 x 3.1416,
// divided in single precision; sines, cosines and cross products are taken in
// double precision and stored as 32-bit floats, so every build gives the same
// bits on every platform with an IEEE double libm.
#include "scenes/torus_grid.h"

#include <cmath>

const char kTorusErrorText[] = "Too many side or rings in torus! Max is 64.  No torus will be drawn.";
const char kTorusErrorCaption[] = "Error in Torus";

bool IsTorusTooLarge(int nSides, int nRings)
{
    return nSides > kTorusMaxSegments || nRings > kTorusMaxSegments;
}

bool IsSameTorus(const TorusParams& a, const TorusParams& b)
{
    return a.fTube == b.fTube && a.fRing == b.fRing && a.nSides == b.nSides &&
           a.nRings == b.nRings;
}

// Limited to 0 ... rings: a sweep above 1 would index past the grid.
int CountDrawnRings(int nRings, float fSweep)
{
    float fDrawn = static_cast<float>(nRings) * fSweep;
    if (!(fDrawn > 0.0f))
        return 0;
    if (fDrawn >= static_cast<float>(nRings))
        return nRings;
    return static_cast<int>(fDrawn);
}

static double RingAngle(int i, int nRings)
{
    return static_cast<float>(i) * kTwoPi / static_cast<float>(nRings);
}

void FillTorusVertices(TorusGrid& grid, const TorusParams& p, bool bOval)
{
    for (int i = 0; i <= p.nRings; ++i) {
        double dTheta = RingAngle(i, p.nRings);
        double dCosTheta = std::cos(dTheta), dSinTheta = std::sin(dTheta);
        for (int j = 0; j <= p.nSides; ++j) {
            double dPhi = RingAngle(j, p.nSides);
            double dCentre = p.fTube * std::cos(dPhi) + p.fRing;
            double dX = dCentre * dCosTheta;
            if (bOval)
                dX += 0.72 * dCosTheta;
            float* pfPoint = grid.afVertex[i][j];
            pfPoint[0] = static_cast<float>(dX);
            pfPoint[1] = static_cast<float>(dCentre * dSinTheta);
            pfPoint[2] = static_cast<float>(p.fTube * std::sin(dPhi));
        }
    }
}

void FillExactTorusNormals(TorusGrid& grid, const TorusParams& p)
{
    for (int i = 0; i <= p.nRings; ++i) {
        double dTheta = RingAngle(i, p.nRings);
        double dCosTheta = std::cos(dTheta), dSinTheta = std::sin(dTheta);
        for (int j = 0; j <= p.nSides; ++j) {
            const float* pfPoint = grid.afVertex[i][j];
            float* pfNormal = grid.afNormal[i][j];
            pfNormal[0] = static_cast<float>((pfPoint[0] - p.fRing * dCosTheta) / p.fTube);
            pfNormal[1] = static_cast<float>((pfPoint[1] - p.fRing * dSinTheta) / p.fTube);
            pfNormal[2] = static_cast<float>(static_cast<double>(pfPoint[2]) / p.fTube);
        }
    }
}

static void Difference(const float* pfA, const float* pfB, double out[3])
{
    for (int k = 0; k < 3; ++k)
        out[k] = static_cast<double>(pfA[k]) - pfB[k];
}

void FillCrossNormals(TorusGrid& grid, const TorusParams& p)
{
    for (int i = 0; i < p.nRings; ++i) {
        for (int j = 0; j < p.nSides; ++j) {
            double adU[3], adV[3], adN[3];
            Difference(grid.afVertex[i + 1][j], grid.afVertex[i][j], adU);
            Difference(grid.afVertex[i + 1][j + 1], grid.afVertex[i][j], adV);
            NormalizedCross(adU, adV, adN);
            for (int k = 0; k < 3; ++k)
                grid.afNormal[i][j][k] = static_cast<float>(adN[k]);
        }
    }
}

void NormalizedCross(const double u[3], const double v[3], double out[3])
{
    double adCross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
    double dLength = std::sqrt(adCross[0] * adCross[0] + adCross[1] * adCross[1] +
                               adCross[2] * adCross[2]);
    for (int k = 0; k < 3; ++k)
        out[k] = adCross[k] / dLength;
}
