// Feedback mode reports the transformed vertices without rasterising, so the
// positions are exact up to float rounding, independent of pixels.
#include "tests/scenes/scene_feedback.h"

#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

#include "scenes/module_table.h"

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

    static std::vector<GLfloat> buffer(4 * 1024 * 1024);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    pDraw();
    const GLint nValues = glRenderMode(GL_RENDER);
    for (size_t i = 0; i < clipPlanes.size(); ++i)
        glDisable(GL_CLIP_PLANE0 + i);

    std::vector<Vec3> vertices;
    for (GLint i = 0; i < nValues;) {
        const GLint nToken = static_cast<GLint>(buffer[i++]);
        GLint nCount = 0;
        if (nToken == GL_POLYGON_TOKEN)
            nCount = static_cast<GLint>(buffer[i++]);
        else if (nToken == GL_POINT_TOKEN || nToken == GL_BITMAP_TOKEN || nToken == GL_DRAW_PIXEL_TOKEN ||
                 nToken == GL_COPY_PIXEL_TOKEN)
            nCount = 1;
        else if (nToken == GL_LINE_TOKEN || nToken == GL_LINE_RESET_TOKEN)
            nCount = 2;
        else if (nToken == GL_PASS_THROUGH_TOKEN) {
            ++i;
            continue;
        }
        for (GLint v = 0; v < nCount; ++v, i += 3) {
            Vec3 p;
            gluUnProject(buffer[i], buffer[i + 1], buffer[i + 2], adModel, adProjection, anViewport, &p[0], &p[1], &p[2]);
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
