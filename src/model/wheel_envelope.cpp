#include "model/wheel_envelope.h"

#include "model/flank_graph.h"
#include "model/newton.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace wormpair::model {

namespace {

const char* const kNoWheelContact =
    "蜗轮齿面超出滚刀二次包络的可解范围（多头、大导程角时常见），无法生成蜗轮";

// Turns v about the worm axis direction (y) by angle, as the worm turns.
Vec3 turnedAboutWormAxis(const Vec3& v, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {c * v.x + s * v.z, v.y, -s * v.x + c * v.z};
}

}  // namespace

WheelEnvelope::WheelEnvelope(const EnvelopedFlank& hobFlank) : m_hob(hobFlank) {
    const ThreadBlank& b = m_hob.blank();
    const Meshing& g = m_hob.meshing();
    // hob flank points a little beyond its ends, root and tip, and where
    // each touches the plane (first contact) and the wheel again (second)
    const ThreadFlankGraph graph(m_hob);
    // as far beyond the root and tip as the flank is regular
    std::vector<std::vector<ThreadFlankGraph::Point>> points;
    for (double beyond : {0.2, 0.1, 0.0}) {
        try {
            points = graph.grid(evenlySpaced(-b.halfLength, b.halfLength, 241),
                                evenlySpaced(-beyond, 1 + beyond, 29));
            break;
        } catch (const ModelError&) {
            if (beyond == 0.0) throw;
        }
    }
    for (const auto& row : points) {
        for (const auto& p : row) {
            const Vec3 w = secondContact(p.wheelAngle, p.lineParameter).point;
            m_table.push_back({std::hypot(w.x, w.y), w.z, p.wheelAngle, p.lineParameter});
        }
    }
    // the limit line: at each radius, the highest (right hand) first
    // contact over the hob flank, found along its lines of constant height
    const double tip = b.tipArcRadius - b.tipEccentricity;
    const double depth = std::abs(b.rootArcRadius - tip);
    const double low = std::min(tip, b.rootArcRadius) - depth;
    const double high = std::max(tip, b.rootArcRadius) + depth;
    constexpr int kBins = 400;
    const double binWidth = (high - low) / kBins;
    std::vector<double> best(kBins + 1, -std::numeric_limits<double>::infinity());
    const auto onPlane = [&](const ThreadFlankGraph::Point& p) {
        const Vec3 r =
            g.wheelPoint(m_hob.contactLine(p.wheelAngle).at(p.lineParameter), p.wheelAngle);
        return std::pair{std::hypot(r.x, r.y), g.hand * r.z};
    };
    const auto include = [&](const ThreadFlankGraph::Point& p, const ThreadFlankGraph::Point& q) {
        const auto [r0, z0] = onPlane(p);
        const auto [r1, z1] = onPlane(q);
        const double from = std::min(r0, r1), to = std::max(r0, r1);
        const int k0 = std::max(0, static_cast<int>(std::ceil((from - low) / binWidth)));
        const int k1 = std::min(kBins, static_cast<int>(std::floor((to - low) / binWidth)));
        for (int k = k0; k <= k1; ++k) {
            const double r = low + k * binWidth;
            const double share = to > from ? (r - r0) / (r1 - r0) : 0.0;
            auto& z = best[static_cast<std::size_t>(k)];
            z = std::max(z, z0 + share * (z1 - z0));
        }
    };
    // along both directions of the grid, so every radius is crossed densely
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t j = 0; j < points[i].size(); ++j) {
            if (i + 1 < points.size()) include(points[i][j], points[i + 1][j]);
            if (j + 1 < points[i].size()) include(points[i][j], points[i][j + 1]);
        }
    }
    for (int k = 0; k <= kBins; ++k) {
        m_limitRadii.push_back(low + k * binWidth);
        m_limitHeights.push_back(g.hand * best[static_cast<std::size_t>(k)]);
    }
}

double WheelEnvelope::limitHeight(double radius) const {
    const auto& rs = m_limitRadii;
    const double f = (radius - rs.front()) / (rs.back() - rs.front()) * (rs.size() - 1);
    const auto k = static_cast<std::size_t>(
        std::clamp(std::floor(f), 0.0, static_cast<double>(rs.size() - 2)));
    const double s = f - k;
    return m_limitHeights[k] * (1 - s) + m_limitHeights[k + 1] * s;
}

double WheelEnvelope::planeAngle(double radius, double height) const {
    const Meshing& g = m_hob.meshing();
    const GeneratingPlane& p = m_hob.plane();
    const double tangentAngle = std::atan2(p.normal.y, p.normal.x);
    const double cb = std::cos(g.planeInclination);
    const double c = (p.offset - p.normal.z * height) / (radius * cb);
    if (std::abs(c) > 1) throw ModelError(kNoWheelContact);
    return tangentAngle + std::acos(c);
}

SurfacePoint WheelEnvelope::secondContact(double phi, double t) const {
    const Meshing& g = m_hob.meshing();
    const SurfacePoint generated = m_hob.fixedOnLine(phi, t);
    const Vec3 axisPoint{g.centreDistance, 0, 0};
    const Vec3 w = generated.point - axisPoint;
    const Vec3 c = cross(w, generated.normal);
    const double turn = std::remainder(2 * std::atan2(-c.x, c.z), 2 * kPi);
    const Vec3 fixed = axisPoint + turnedAboutWormAxis(w, turn);
    const Vec3 normal = turnedAboutWormAxis(generated.normal, turn);
    const double wheelAngle = phi + turn / g.ratio;
    return {g.wheelPoint(fixed, wheelAngle), g.wheelPoint(normal, wheelAngle)};
}

WheelEnvelope::Point WheelEnvelope::solveSecond(double radius, double height, double phi,
                                                double t) const {
    const auto residual = [&](double p, double s) {
        const Vec3 w = secondContact(p, s).point;
        return std::pair{std::hypot(w.x, w.y) - radius, w.z - height};
    };
    NewtonSettings settings;
    settings.largestStepX = 0.02;
    settings.largestStepY = 2.0;
    if (!solveTwo(residual, phi, t, settings)) throw ModelError(kNoWheelContact);
    Point p;
    p.wheel = secondContact(phi, t);
    p.contact = WheelContact::Second;
    p.hobWheelAngle = phi;
    p.hobLineParameter = t;
    return p;
}

WheelEnvelope::Point WheelEnvelope::onPlane(double radius, double height) const {
    const double plane = planeAngle(radius, height);
    Point p;
    p.wheel.point = {radius * std::cos(plane), radius * std::sin(plane), height};
    p.wheel.normal = m_hob.plane().normal;
    p.angle = plane;
    p.contact = WheelContact::Plane;
    return p;
}

WheelEnvelope::Point WheelEnvelope::onSecond(double radius, double height,
                                             const Point* guess) const {
    double phi = 0, t = 0;
    if (guess && guess->contact == WheelContact::Second) {
        phi = guess->hobWheelAngle;
        t = guess->hobLineParameter;
    } else {
        double best = std::numeric_limits<double>::infinity();
        for (const TableEntry& e : m_table) {
            const double d = std::hypot(e.radius - radius, e.height - height);
            if (d < best) best = d, phi = e.phi, t = e.t;
        }
    }
    return inSpace(solveSecond(radius, height, phi, t), planeAngle(radius, height));
}

WheelEnvelope::Point WheelEnvelope::inSpace(Point p, double plane) const {
    // the same space: within half a pitch of the plane's angle
    const double pitch = 2 * kPi / (m_hob.meshing().ratio * m_hob.blank().starts);
    const double raw = std::atan2(p.wheel.point.y, p.wheel.point.x);
    p.angle = plane + std::remainder(raw - plane, pitch);
    p.wheel.point = turnedAboutZ(p.wheel.point, p.angle - raw);
    p.wheel.normal = turnedAboutZ(p.wheel.normal, p.angle - raw);
    return p;
}

WheelEnvelope::Point WheelEnvelope::at(double radius, double height, const Point* guess) const {
    if (m_hob.meshing().hand * (height - limitHeight(radius)) <= 0) return onPlane(radius, height);
    return onSecond(radius, height, guess);
}

}  // namespace wormpair::model
