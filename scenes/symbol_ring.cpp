// Module 3: eight symbols spinning on a slowly turning ring in front of a
// fixed picture of a cloudy sky; from time to time every second symbol leaps
// over the ring's centre to the opposite side. The sky is drawn under the
// identity matrix, so it stays put while the view moves the ring.
#include "image/texture.h"
#include "render/frame_step.h"
#include "scenes/module_motion.h"
#include "scenes/module_table.h"
#include "scenes/modules.h"
#include "scenes/opengl.h"
#include "scenes/random.h"
#include "scenes/scene_state.h"
#include "scenes/symbol.h"
#include "scenes/symbol_ring.h"

unsigned int g_nBackdropList = 0;

static RingScene g_Ring = {true, {false, 0.0f, 0.0f, 0}};

RingScene& GetRingScene()
{
    return g_Ring;
}

// A 4:3 quad 500 units down the viewing axis: with the 50-degree vertical
// field of view it just fills the screen's height.
static void CompileBackdrop()
{
    static const GLfloat afWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat fHalfWidth = 100.0f * 3.1f;
    const GLfloat fHalfHeight = 75.0f * 3.1f;
    glMaterialfv(GL_FRONT, GL_AMBIENT, afWhite);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, afWhite);
    glBindTexture(GL_TEXTURE_2D, g_Textures[TEXTURE_SKY].textureId);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-fHalfWidth, -fHalfHeight, -500.0f);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(fHalfWidth, -fHalfHeight, -500.0f);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(fHalfWidth, fHalfHeight, -500.0f);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-fHalfWidth, fHalfHeight, -500.0f);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
}

void DrawBackdrop()
{
    if (g_nBackdropList == 0) {
        g_nBackdropList = glGenLists(1);
        glNewList(g_nBackdropList, GL_COMPILE);
        CompileBackdrop();
        glEndList();
    }
    glCallList(g_nBackdropList);
}

// Between leaps the flip angle is 0 and the leap form equals the plain one.
static void PlaceRingSymbol(int i)
{
    if (IsLeapingSymbol(g_Ring.leap, i)) {
        const float fPhi = g_Ring.leap.fFlipAngle;
        glRotatef(fPhi, 0.0f, 0.0f, 1.0f);
        glTranslatef(LeapRadius(fPhi), 0.0f, 0.0f);
        glRotatef(-fPhi, 0.0f, 0.0f, 1.0f);
        glRotatef(-fPhi, 0.0f, 1.0f, 0.0f);
    } else {
        glTranslatef(8.0f, 0.0f, 0.0f);
    }
}

static void DrawRingSymbols()
{
    for (int i = 0; i < 8; ++i) {
        glPushMatrix();
        glRotatef(-0.25f * g_fAngle + i * 360 / 8, 0.0f, 1.0f, 0.0f);
        PlaceRingSymbol(i);
        glRotatef(4.0f * g_fAngle, 0.0f, 1.0f, 0.0f);
        SetLightLevel(0.3f);
        glScalef(0.175f, 0.175f, 0.175f);
        DrawSymbol();
        glPopMatrix();
    }
}

bool DrawSymbolRing()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!g_Modules[3].active)
        return true;
    const float fRate = RingRate(IsRunningAsSaver(), g_fSpeed);
    g_fAngle = WrapAnimationAngle(g_fAngle);
    if (g_Ring.bFirstFrame) {
        g_Ring.bFirstFrame = false;
        SeedRandom(ReadRandomSeed());
        g_Ring.leap.nGroupBase = 0;
        BuildSymbolLists();
    }
    StepRingLeap(g_Ring.leap, fRate);

    glLoadIdentity();
    DrawBackdrop();
    glTranslatef(g_fHorz, g_fVert, -g_fDepth);
    glRotatef(g_fZrot, 0.0f, 0.0f, 1.0f);
    glRotatef(g_fYrot, 0.0f, 1.0f, 0.0f);
    glRotatef(g_fXrot, 1.0f, 0.0f, 0.0f);
    DrawRingSymbols();

    g_fAngle += 1.0f * fRate;
    return glGetError() == GL_NO_ERROR;
}
