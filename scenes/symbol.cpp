// The symbol's display lists. Each piece keeps its own list, its last
// parameters and its scratch grid, so the three builders never share state.
// The materials are baked into the lists: the outer ring sets green before
// its quads and the arc restores the neutral material after its quads, so a
// whole symbol draws green and leaves neutral behind for whatever follows.
#include "scenes/symbol.h"

#include "scenes/opengl.h"
#include "scenes/torus_grid.h"

unsigned int g_nOuterTorusList = 0;
unsigned int g_nInnerTorusList = 0;
unsigned int g_nArcTorusList = 0;

enum TorusPiece { kOuterRing, kInnerRing, kArc };

struct TorusBuilder {
    unsigned int* pnList;
    TorusParams lastParams;  // all zero until the first successful build
    TorusGrid grid;
};

static TorusBuilder g_aBuilders[3] = {
    {&g_nOuterTorusList, {0.0f, 0.0f, 0, 0}, {}},
    {&g_nInnerTorusList, {0.0f, 0.0f, 0, 0}, {}},
    {&g_nArcTorusList, {0.0f, 0.0f, 0, 0}, {}},
};

static const GLfloat kGreenAmbient[] = {0.0f, 0.25f, 0.0f, 1.0f};
static const GLfloat kGreenDiffuse[] = {0.0f, 0.5f, 0.0f, 1.0f};
static const GLfloat kNeutralAmbient[] = {0.5f, 0.5f, 0.5f, 1.0f};
static const GLfloat kNeutralDiffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};

static void EmitPrefix(TorusPiece piece)
{
    switch (piece) {
    case kOuterRing:
        glMaterialfv(GL_FRONT, GL_AMBIENT, kGreenAmbient);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, kGreenDiffuse);
        break;
    case kInnerRing:
        glPushMatrix();
        glRotatef(30.0f, 0.0f, 0.0f, 1.0f);
        break;
    case kArc:
        glPushMatrix();
        glTranslatef(-1.55f, -2.3f, 0.0f);
        glRotatef(-100.0f, 0.0f, 0.0f, 1.0f);
        break;
    }
}

static void EmitSuffix(TorusPiece piece)
{
    switch (piece) {
    case kOuterRing:
        break;
    case kInnerRing:
        glPopMatrix();
        break;
    case kArc:
        glPopMatrix();
        glMaterialfv(GL_FRONT, GL_AMBIENT, kNeutralAmbient);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, kNeutralDiffuse);
        break;
    }
}

static void EmitVertex(const TorusGrid& grid, int i, int j)
{
    glNormal3fv(grid.afNormal[i][j]);
    glVertex3fv(grid.afVertex[i][j]);
}

// The first nDrawn ring segments as quads; the closing quads reuse row and column 0.
static void EmitQuads(const TorusGrid& grid, const TorusParams& p, int nDrawn)
{
    glBegin(GL_QUADS);
    for (int i = 0; i < nDrawn; ++i) {
        int iNext = i + 1 == p.nRings ? 0 : i + 1;
        for (int j = 0; j < p.nSides; ++j) {
            int jNext = j + 1 == p.nSides ? 0 : j + 1;
            EmitVertex(grid, i, j);
            EmitVertex(grid, iNext, j);
            EmitVertex(grid, iNext, jNext);
            EmitVertex(grid, i, jNext);
        }
    }
    glEnd();
}

static void BuildTorusPiece(TorusPiece piece, float fTube, float fRing, int nSides, int nRings,
                            float fSweep)
{
    TorusBuilder& b = g_aBuilders[piece];
    TorusParams p = {fTube, fRing, nSides, nRings};
    int nDrawn = CountDrawnRings(nRings, fSweep);
    if (IsTorusTooLarge(nSides, nRings)) {
        ReportTorusError(kTorusErrorText, kTorusErrorCaption);
        return;
    }
    if (IsSameTorus(p, b.lastParams))
        return;
    b.lastParams = p;
    if (*b.pnList != 0)
        glDeleteLists(*b.pnList, 1);

    FillTorusVertices(b.grid, p, piece == kInnerRing);
    if (piece == kOuterRing)
        FillExactTorusNormals(b.grid, p);
    else
        FillCrossNormals(b.grid, p);

    *b.pnList = glGenLists(1);
    glNewList(*b.pnList, GL_COMPILE);
    EmitPrefix(piece);
    EmitQuads(b.grid, p, nDrawn);
    EmitSuffix(piece);
    glEndList();
}

void BuildOuterTorus(float fTube, float fRing, int nSides, int nRings, float fSweep)
{
    BuildTorusPiece(kOuterRing, fTube, fRing, nSides, nRings, fSweep);
}

void BuildInnerTorus(float fTube, float fRing, int nSides, int nRings, float fSweep)
{
    BuildTorusPiece(kInnerRing, fTube, fRing, nSides, nRings, fSweep);
}

void BuildArcTorus(float fTube, float fRing, int nSides, int nRings, float fSweep)
{
    BuildTorusPiece(kArc, fTube, fRing, nSides, nRings, fSweep);
}

void BuildSymbolLists()
{
    BuildOuterTorus(0.7f, 10.0f, 20, 40, 1.0f);
    BuildInnerTorus(0.7f, 4.0f, 16, 40, 1.0f);
    BuildArcTorus(0.68f, 7.375f, 16, 40, 0.43f);
}

void DrawSymbol()
{
    glCallList(g_nOuterTorusList);
    glCallList(g_nInnerTorusList);
    glCallList(g_nArcTorusList);
}
