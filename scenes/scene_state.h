// The OpenGL state shared by all modules: the fixed switches, light 0, the
// quadric of the earth sphere, and the light level tied to a symbol's scale.
#pragma once
#include <GL/gl.h>
#include <GL/glu.h>

extern GLUquadric* g_pQuadric;  // smooth normals and texture coordinates; never deleted

// Runs once per context, with the context current and an identity modelview
// matrix. False when a scene texture cannot be loaded (no state is set then).
bool InitSceneState();
// Light 0's diffuse level becomes 0.8 x fLevel (formed in double precision).
void SetLightLevel(float fLevel);
// SetLightLevel(fScale) and a uniform scale by it: with GL_NORMALIZE off the
// shortened normals and the raised light cancel out.
void ScaleSymbol(float fScale);
