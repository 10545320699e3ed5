#include "model/render.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace wormpair::model {

void TriangleMesh::append(const TriangleMesh& other) {
    const auto offset = static_cast<std::uint32_t>(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    normals.insert(normals.end(), other.normals.begin(), other.normals.end());
    for (const auto& t : other.triangles)
        triangles.push_back({t[0] + offset, t[1] + offset, t[2] + offset});
}

Picture render(const std::vector<SceneItem>& items, const ViewAngles& view, int width, int height) {
    Picture picture{width, height,
                    std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    // a light grey-blue gradient behind
    for (int y = 0; y < height; ++y) {
        const double s = static_cast<double>(y) / std::max(1, height - 1);
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &picture.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(236 - 30 * s);
            p[1] = static_cast<std::uint8_t>(240 - 26 * s);
            p[2] = static_cast<std::uint8_t>(246 - 16 * s);
        }
    }
    // the view: turn by yaw about z, then pitch about the screen's x axis
    const double cy = std::cos(view.yaw), sy = std::sin(view.yaw);
    const double cp = std::cos(view.pitch), sp = std::sin(view.pitch);
    const auto toView = [&](const Vec3& v) {
        const Vec3 a{cy * v.x - sy * v.y, sy * v.x + cy * v.y, v.z};
        // screen x = a.x, screen up = b.y, depth (towards the viewer) = b.z
        return Vec3{a.x, cp * a.z - sp * a.y, sp * a.z + cp * a.y};
    };
    Vec3 low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
    for (const SceneItem& item : items) {
        for (const Vec3& v : item.mesh->vertices) {
            const Vec3 p = toView(v);
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
    }
    if (low.x > high.x) return picture;
    const double scale =
        view.zoom * 0.92 *
        std::min(width / std::max(1e-9, high.x - low.x), height / std::max(1e-9, high.y - low.y));
    const double cx = (low.x + high.x) / 2, cyv = (low.y + high.y) / 2;
    std::vector<double> depth(static_cast<std::size_t>(width) * height,
                              -std::numeric_limits<double>::infinity());
    const Vec3 light = normalized(Vec3{-0.4, 0.5, 0.75});
    for (const SceneItem& item : items) {
        const TriangleMesh& mesh = *item.mesh;
        std::vector<Vec3> screen(mesh.vertices.size()), normal(mesh.vertices.size());
        for (std::size_t k = 0; k < mesh.vertices.size(); ++k) {
            const Vec3 p = toView(mesh.vertices[k]);
            screen[k] = {width * (0.5 + view.panX) + (p.x - cx) * scale,
                         height * (0.5 + view.panY) - (p.y - cyv) * scale, p.z};
            normal[k] = toView(mesh.normals[k]);
        }
        for (const auto& t : mesh.triangles) {
            const Vec3 &a = screen[t[0]], &b = screen[t[1]], &c = screen[t[2]];
            const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
            if (std::abs(area) < 1e-12) continue;
            const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
            const int x1 =
                std::min(width - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
            const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
            const int y1 =
                std::min(height - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    const double px = x + 0.5, py = y + 0.5;
                    const double w0 = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
                    const double w1 = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
                    const double w2 = 1 - w0 - w1;
                    if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                    const double z = w0 * a.z + w1 * b.z + w2 * c.z;
                    double& stored = depth[static_cast<std::size_t>(y) * width + x];
                    if (z <= stored) continue;
                    stored = z;
                    Vec3 n = normalized(normal[t[0]] * w0 + normal[t[1]] * w1 + normal[t[2]] * w2);
                    if (n.z < 0) n = -n;  // the inside of an open cut shows lit too
                    const double diffuse = std::max(0.0, dot(n, light));
                    const Vec3 half = normalized(light + Vec3{0, 0, 1});
                    const double specular = std::pow(std::max(0.0, dot(n, half)), 40);
                    const double shade = 0.28 + 0.72 * diffuse;
                    std::uint8_t* p = &picture.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
                    const auto channel = [&](std::uint8_t base) {
                        return static_cast<std::uint8_t>(
                            std::clamp(base * shade + 255 * 0.35 * specular, 0.0, 255.0));
                    };
                    p[0] = channel(item.colour.r);
                    p[1] = channel(item.colour.g);
                    p[2] = channel(item.colour.b);
                }
            }
        }
    }
    return picture;
}

}  // namespace wormpair::model
