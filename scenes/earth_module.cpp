// Module 2: the textured earth with its poles upright, turning slowly about
// its axis, circled by six symbols that orbit the other way and each turn
// about their own vertical axis. Everything that moves is a function of
// g_fAngle, so the scene restarts from the same pose whenever it becomes
// current.
#include "image/texture.h"
#include "scenes/module_motion.h"
#include "scenes/module_table.h"
#include "scenes/modules.h"
#include "scenes/opengl.h"
#include "scenes/scene_state.h"
#include "scenes/symbol.h"

static struct {
    bool bFirstFrame;
} g_Earth = {true};

static void DrawOrbitingSymbols()
{
    for (int i = 0; i < 6; ++i) {
        glPushMatrix();
        glRotatef(-0.25f * g_fAngle + i * 360 / 6, 0.0f, 1.0f, 0.0f);
        glTranslatef(10.0f, 0.0f, 0.0f);
        glRotatef(-0.5f * g_fAngle, 0.0f, 1.0f, 0.0f);
        glScalef(0.75f, 0.75f, 0.75f);
        ScaleSymbol(0.2f);
        DrawSymbol();
        glPopMatrix();
    }
}

// The quadric's sphere has its poles on z; turning it by -90 degrees about x
// stands the axis upright along y. It takes the neutral material that the
// last symbol's lists left in force.
static void DrawEarth()
{
    glPushMatrix();
    glRotatef(0.25f * g_fAngle, 0.0f, 1.0f, 0.0f);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    glBindTexture(GL_TEXTURE_2D, g_Textures[TEXTURE_EARTH].textureId);
    SetLightLevel(0.65f);
    if (g_pQuadric)  // none when memory ran out at start-up; GLU would dereference it
        gluSphere(g_pQuadric, 8.0, 32, 32);
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopMatrix();
}

bool DrawEarthModule()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!g_Modules[2].active)
        return true;
    g_fAngle = WrapAnimationAngle(g_fAngle);
    if (g_Earth.bFirstFrame) {
        g_Earth.bFirstFrame = false;
        BuildSymbolLists();
    }

    glLoadIdentity();
    glTranslatef(g_fHorz, g_fVert, -g_fDepth);
    glRotatef(g_fZrot, 0.0f, 0.0f, 1.0f);
    glRotatef(g_fYrot, 0.0f, 1.0f, 0.0f);
    glRotatef(g_fXrot, 1.0f, 0.0f, 0.0f);
    DrawOrbitingSymbols();
    DrawEarth();

    g_fAngle += 1.0f * g_fSpeed;
    return glGetError() == GL_NO_ERROR;
}
