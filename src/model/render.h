#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/vec3.h"

// Triangles of a solid and a small software renderer for them: the window's
// model view and the pictures of the documentation, without a graphics
// driver (it runs the same under a virtual display and in tests).

namespace wormpair::model {

struct TriangleMesh {
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;  // per vertex, unit, outwards
    std::vector<std::array<std::uint32_t, 3>> triangles;

    void append(const TriangleMesh& other);
};

struct Colour {
    std::uint8_t r, g, b;
};

struct ViewAngles {
    double yaw = 0.6;     // about the vertical screen axis, radians
    double pitch = 0.45;  // about the horizontal screen axis; positive: seen from above
    double zoom = 1.0;    // 1: the whole scene fills the picture
    double panX = 0;      // moves the scene right, in picture widths
    double panY = 0;      // moves the scene down, in picture heights
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // row by row, 3 bytes a pixel
};

struct SceneItem {
    const TriangleMesh* mesh;
    Colour colour;
};

// A shaded orthographic picture of the items seen from the view angles.
Picture render(const std::vector<SceneItem>& items, const ViewAngles& view, int width, int height);

}  // namespace wormpair::model
