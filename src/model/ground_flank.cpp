#include "model/ground_flank.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <string>

#include "model/generation_checks.h"

namespace wormpair::model {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// plane positions sampled over the motion before the best is refined: a
// crossing angle has at most a few extremes over it
constexpr int kMotionSamples = 400;

}  // namespace

std::size_t indexNearestZero(const std::vector<double>& values) {
    std::size_t nearest = 0;
    for (std::size_t k = 1; k < values.size(); ++k)
        if (std::abs(values[k]) < std::abs(values[nearest])) nearest = k;
    return nearest;
}

double continuedAngle(double angle, double previous) {
    return previous + std::remainder(angle - previous, 2 * std::numbers::pi);
}

PlaneMotion::Pose PlaneMotion::pose(double phi) const {
    const Vec3 n = turnedAboutZ(m_plane.normal, -m_g.hand * phi);
    // fixed point of the worm point (rho, theta, Z1): (a - rho cos T, Z1, rho sin T),
    // T = theta + i phi; n . r - d = R cos(T - centre) - C, positive in the tooth
    return {n.y, m_plane.offset - n.x * m_g.centreDistance, std::sqrt(n.x * n.x + n.z * n.z),
            std::atan2(n.z, -n.x), m_g.ratio * phi};
}

double PlaneMotion::crossing(const Pose& p, double axial, double radius, double sense) {
    const double q = (p.base - p.ny * axial) / (radius * p.reach);
    if (!(std::abs(q) <= 1)) return kNaN;
    // on the near side (cos T > 0), T taken in (-pi/2, pi/2) so that the
    // crossing angle runs on continuously with phi
    const double T = std::remainder(p.angle - sense * std::acos(q), 2 * std::numbers::pi);
    if (!(std::abs(T) < std::numbers::pi / 2)) return kNaN;
    return T - p.turn;
}

double PlaneMotion::sense(const Vec3& fixed, double phi) const {
    const Vec3 n = turnedAboutZ(m_plane.normal, -m_g.hand * phi);
    const Vec3 r = fixed - Vec3{m_g.centreDistance, 0, 0};
    return dot(n, Vec3{r.z, 0, -r.x}) > 0 ? 1 : -1;  // d r / d theta
}

Vec3 PlaneMotion::wormNormal(double phi) const {
    return m_g.wormDirection(turnedAboutZ(m_plane.normal, -m_g.hand * phi), phi);
}

GroundFlank::GroundFlank(const EnvelopedFlank& flank)
    : m_flank(flank), m_motion(flank.meshing(), flank.plane()) {
    const WormFlankGeneration made = flankGeneration(flank, 33, 17, true);
    m_sense = made.sense;
    if (!(made.firstWheelAngle <= made.lastWheelAngle))
        throw ModelError("母平面在整个磨削运动中都不与螺牙齿面相切，无法磨出齿面（请检查设计参数）");
    // the tool reaches the root (its tip cuts the root torus) and every
    // contact of the working zone; a ten-thousandth further, since the
    // contacts are sampled (a tool ending exactly at the farthest sampled
    // one nicks the corners of the zone)
    m_toolRadius = std::max(made.toolRadius, flank.blank().rootArcRadius) * (1 + 1e-4);
    const double first = made.firstWheelAngle - made.wheelAngleStep;
    const double last = made.lastWheelAngle + made.wheelAngleStep;
    for (int k = 0; k <= kMotionSamples; ++k) {
        m_phis.push_back(first + (last - first) * k / kMotionSamples);
        m_poses.push_back(m_motion.pose(m_phis.back()));
    }
}

double GroundFlank::radiusAt(double axial, double height) const {
    return m_flank.blank().radiusAt(axial, height);
}

double GroundFlank::toolEdge(double axial, double radius) const {
    // |r|^2 = a^2 + rho^2 + Z1^2 - 2 a rho cos T <= R^2 on the tool
    const double a = m_flank.meshing().centreDistance;
    const double c = (a * a + radius * radius + axial * axial - m_toolRadius * m_toolRadius) /
                     (2 * a * radius);
    return c > 1 ? kNaN : std::acos(std::max(c, 0.0));
}

double GroundFlank::removedUpTo(const PlaneMotion::Pose& p, double axial, double radius,
                                double edge) const {
    constexpr double kNothing = -std::numeric_limits<double>::infinity();
    if (std::isnan(edge)) return kNothing;
    const double q = (p.base - p.ny * axial) / (radius * p.reach);
    const double turn = m_sense * p.turn;
    if (q > 1) return edge - turn;  // the whole circle on the space side
    if (q < -1) return kNothing;    // the whole circle in the tooth
    // the tooth side of the plane runs from `start` over `width`
    const double start =
        m_sense * std::remainder(p.angle - m_sense * std::acos(q), 2 * std::numbers::pi);
    const double width = 2 * std::acos(q);
    if (start <= -edge) return kNothing;
    if (start < edge) return start - turn;
    // the plane beyond the tool's reach: its edge removes up to `edge`,
    // unless the tooth side wraps round over it
    return start + width < edge + 2 * std::numbers::pi ? edge - turn : kNothing;
}

GroundFlank::Point GroundFlank::at(double axial, double height) const {
    const double radius = radiusAt(axial, height);
    const double edge = toolEdge(axial, radius);
    // the best sampled position, then the extreme between its neighbours
    std::size_t best = m_phis.size();
    double bestValue = -std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < m_poses.size(); ++k) {
        const double v = removedUpTo(m_poses[k], axial, radius, edge);
        if (v > bestValue) bestValue = v, best = k;
    }
    if (best == m_phis.size()) {
        char where[96];
        std::snprintf(where, sizeof where, "Z1 = %.3f mm、半径 %.3f mm", axial, radius);
        throw ModelError(std::string("母平面在磨削运动中不经过螺牙齿面上的点（") + where +
                         "），无法磨出齿面（请检查设计参数）");
    }
    double lo = m_phis[best == 0 ? 0 : best - 1];
    double hi = m_phis[std::min(best + 1, m_phis.size() - 1)];
    const auto value = [&](double phi) { return removedUpTo(m_motion.pose(phi), axial, radius, edge); };
    // golden section: the extreme of a smooth crossing angle, or an end
    constexpr double kGolden = 0.6180339887498949;
    double x1 = hi - kGolden * (hi - lo), x2 = lo + kGolden * (hi - lo);
    double f1 = value(x1), f2 = value(x2);
    for (int iteration = 0; iteration < 60 && hi - lo > 1e-13; ++iteration) {
        if (f1 < f2) {
            lo = x1, x1 = x2, f1 = f2;
            x2 = lo + kGolden * (hi - lo), f2 = value(x2);
        } else {
            hi = x2, x2 = x1, f2 = f1;
            x1 = hi - kGolden * (hi - lo), f1 = value(x1);
        }
    }
    double phi = (lo + hi) / 2, top = value(phi);
    if (!(top >= bestValue)) phi = m_phis[best], top = bestValue;
    const double theta = m_sense * top;
    Point p;
    p.worm = {Vec3{radius * std::cos(theta), radius * std::sin(theta), axial}, m_motion.wormNormal(phi)};
    p.angle = std::atan2(p.worm.point.y, p.worm.point.x);
    p.wheelAngle = phi;
    return p;
}

std::vector<std::vector<GroundFlank::Point>> GroundFlank::grid(
    const std::vector<double>& axials, const std::vector<double>& heights) const {
    const std::size_t na = axials.size(), nh = heights.size();
    std::vector<std::vector<Point>> points(na, std::vector<Point>(nh));
    const std::size_t middle = indexNearestZero(axials);
    // continuous up the middle row, then out along every height
    for (std::size_t l = 0; l < nh; ++l) {
        Point p = at(axials[middle], heights[l]);
        if (l > 0) {
            p.angle = continuedAngle(p.angle, points[middle][l - 1].angle);
        }
        points[middle][l] = p;
        for (int direction : {-1, 1}) {
            for (std::size_t k = middle + direction; k < na; k += direction) {
                Point q = at(axials[k], heights[l]);
                q.angle = continuedAngle(q.angle, points[k - direction][l].angle);
                points[k][l] = q;
                if (k == 0) break;
            }
        }
    }
    return points;
}

}  // namespace wormpair::model
