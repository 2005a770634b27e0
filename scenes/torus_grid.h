// The arithmetic of the symbol's torus pieces: vertex and normal grids, the
// number of ring segments a sweep draws, and the size limit. Plain math with
// no OpenGL, so the grids can be checked natively; the display lists are
// built from them in scenes/symbol.cpp.
#pragma once

const int kTorusMaxSegments = 64;                    // largest sides or rings value
const int kTorusGridSize = kTorusMaxSegments + 1;    // plus the closing row and column
const float kTwoPi = 2.0f * 3.1416f;                 // 6.2832 in single precision

extern const char kTorusErrorText[];     // "Too many side or rings in torus! ..."
extern const char kTorusErrorCaption[];  // "Error in Torus"

// Scratch space of one build: P(i, j) and its normal for ring index i and side index j.
struct TorusGrid {
    float afVertex[kTorusGridSize][kTorusGridSize][3];
    float afNormal[kTorusGridSize][kTorusGridSize][3];
};

// The four parameters that decide whether a piece must be rebuilt (the sweep does not).
struct TorusParams {
    float fTube;   // r, radius of the tube's cross-section
    float fRing;   // R, distance from the centre to the tube's centre line
    int nSides;    // segments around the tube
    int nRings;    // segments around the ring
};

bool IsTorusTooLarge(int nSides, int nRings);
bool IsSameTorus(const TorusParams& a, const TorusParams& b);  // exact float equality
int CountDrawnRings(int nRings, float fSweep);  // trunc(rings x sweep), at most rings

// Fills P(i, j) for i = 0 ... rings, j = 0 ... sides. An oval centre line adds
// 0.72 cos(theta) to x (the inner ring).
void FillTorusVertices(TorusGrid& grid, const TorusParams& p, bool bOval);
// Exact normals of the plain torus at every grid point (the outer ring).
void FillExactTorusNormals(TorusGrid& grid, const TorusParams& p);
// Normals from the cross products of the grid's edges, for i < rings, j < sides.
void FillCrossNormals(TorusGrid& grid, const TorusParams& p);

// Unit vector of u x v; no guard for a zero-length product.
void NormalizedCross(const double u[3], const double v[3], double out[3]);
