// Feedback mode reports the transformed vertices without rasterising, so the
// positions are exact up to float rounding, independent of pixels.
#include "tests/scenes/scene_feedback.h"

#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

#include "scenes/module_table.h"
#include "tests/support/gl_test_context.h"

void SetPlainView(float fDepth)
{
    g_fDepth = fDepth;
    g_fHorz = g_fVert = 0.0f;
    g_fXrot = g_fYrot = g_fZrot = 0.0f;
}

std::vector<Vec3> FeedbackSceneVertices(bool (*pDraw)(), float fDepth, const std::vector<Plane>& clipPlanes)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -fDepth);
    GLdouble adModel[16], adProjection[16];
    GLint anViewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, adModel);
    glGetDoublev(GL_PROJECTION_MATRIX, adProjection);
    glGetIntegerv(GL_VIEWPORT, anViewport);
    for (size_t i = 0; i < clipPlanes.size(); ++i) {
        glClipPlane(GL_CLIP_PLANE0 + i, clipPlanes[i].data());  // stored in eye coordinates
        glEnable(GL_CLIP_PLANE0 + i);
    }

    const std::vector<FeedbackPrimitive> primitives = CaptureFeedback(GL_3D, [pDraw] { pDraw(); });
    for (size_t i = 0; i < clipPlanes.size(); ++i)
        glDisable(GL_CLIP_PLANE0 + i);

    std::vector<Vec3> vertices;
    for (const FeedbackPrimitive& primitive : primitives) {
        for (const FeedbackVertex& v : primitive.vertices) {
            Vec3 p;
            gluUnProject(v.x, v.y, v.z, adModel, adProjection, anViewport, &p[0], &p[1], &p[2]);
            vertices.push_back(p);
        }
    }
    return vertices;
}

Box BoundingBox(const std::vector<Vec3>& vertices)
{
    Box box = {{1e30, 1e30, 1e30}, {-1e30, -1e30, -1e30}};
    for (const Vec3& p : vertices) {
        for (int c = 0; c < 3; ++c) {
            box.min[c] = std::min(box.min[c], p[c]);
            box.max[c] = std::max(box.max[c], p[c]);
        }
    }
    return box;
}
