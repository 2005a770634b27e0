// Where a renderer puts things: runs one frame in OpenGL feedback mode and
// turns the window coordinates of every emitted vertex back into scene
// coordinates (the frame of the live view's translation by -g_fDepth, with
// no shift and no rotation). Clip planes given in scene coordinates keep only
// the part of the scene a test looks at.
#pragma once
#include <array>
#include <vector>

using Vec3 = std::array<double, 3>;
using Plane = std::array<double, 4>;  // a x + b y + c z + d >= 0 is kept

// Sets the live view to depth fDepth and no shift or rotation.
void SetPlainView(float fDepth);

// The frame's polygon vertices in scene coordinates.
std::vector<Vec3> FeedbackSceneVertices(bool (*pDraw)(), float fDepth, const std::vector<Plane>& clipPlanes);

struct Box {
    Vec3 min, max;
    Vec3 Centre() const { return {(min[0] + max[0]) / 2, (min[1] + max[1]) / 2, (min[2] + max[2]) / 2}; }
};
Box BoundingBox(const std::vector<Vec3>& vertices);
