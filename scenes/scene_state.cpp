// Scene state set once per rendering context. Only OpenGL 1.1 and GLU are
// used; nothing here is reset later, the renderers change only the modelview
// matrix, light 0's diffuse level, materials and the bound texture.
#include "scenes/scene_state.h"

GLUquadric* g_pQuadric = nullptr;

// The earth and sky textures are loaded before any state is set. Texture
// loading is not built yet, so this succeeds without loading anything.
static bool LoadSceneTextures()
{
    return true;
}

static void InitLight0()
{
    const GLfloat afAmbient[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat afDiffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat afPosition[] = {0.0f, 0.0f, 1000.0f, 1.0f};  // behind the eye, in eye space
    glLightfv(GL_LIGHT0, GL_AMBIENT, afAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, afDiffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, afPosition);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
}

bool InitSceneState()
{
    if (!LoadSceneTextures())
        return false;
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_ALPHA_TEST);
    g_pQuadric = gluNewQuadric();
    if (g_pQuadric) {  // null only when memory ran out; GLU would dereference it
        gluQuadricNormals(g_pQuadric, GLU_SMOOTH);
        gluQuadricTexture(g_pQuadric, GL_TRUE);
    }
    InitLight0();
    return true;
}

void SetLightLevel(float fLevel)
{
    const GLfloat fDiffuse = static_cast<GLfloat>(0.8 * static_cast<double>(fLevel));
    const GLfloat afDiffuse[] = {fDiffuse, fDiffuse, fDiffuse, 1.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, afDiffuse);
}

void ScaleSymbol(float fScale)
{
    SetLightLevel(fScale);
    glScalef(fScale, fScale, fScale);
}
