#include "model/wheel_envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace wormpair::model {

namespace {

const char* const kNoWheelContact = "蜗轮齿面在齿槽内无法求得（请检查设计参数）";

// Turns v about the worm axis direction (y) by angle, as the worm turns.
Vec3 turnedAboutWormAxis(const Vec3& v, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {c * v.x + s * v.z, v.y, -s * v.x + c * v.z};
}

}  // namespace

WheelEnvelope::WheelEnvelope(const EnvelopedFlank& hobFlank) : m_hob(hobFlank) {
    const EnvelopedFlank::Range range = m_hob.wheelAngleRange(3.0);
    m_firstAngle = range.first;
    m_lastAngle = range.last;
    const ThreadBlank& b = m_hob.blank();
    const Meshing& g = m_hob.meshing();
    // the limit line, tabulated over the radii the space can have
    const double low = g.referenceRadius - 2.5 * (b.rootArcRadius - b.tipArcRadius);
    const double high = g.referenceRadius + 2.5 * (b.rootArcRadius - b.tipArcRadius);
    for (int k = 0; k <= 400; ++k) {
        const double r = low + (high - low) * k / 400;
        m_limitRadii.push_back(r);
        double best = -std::numeric_limits<double>::infinity(), bestPhi = m_firstAngle;
        const int samples = 240;
        for (int j = 0; j <= samples; ++j) {
            const double phi = m_firstAngle + (m_lastAngle - m_firstAngle) * j / samples;
            const double z = g.hand * lineHeightAt(phi, r);
            if (z > best) best = z, bestPhi = phi;
        }
        // golden-section refinement around the best sample
        double a = std::max(m_firstAngle, bestPhi - (m_lastAngle - m_firstAngle) / samples);
        double c = std::min(m_lastAngle, bestPhi + (m_lastAngle - m_firstAngle) / samples);
        for (int j = 0; j < 40; ++j) {
            const double m1 = c - 0.618033988749895 * (c - a);
            const double m2 = a + 0.618033988749895 * (c - a);
            (g.hand * lineHeightAt(m1, r) > g.hand * lineHeightAt(m2, r) ? c : a) =
                (g.hand * lineHeightAt(m1, r) > g.hand * lineHeightAt(m2, r) ? m2 : m1);
        }
        m_limitHeights.push_back(lineHeightAt((a + c) / 2, r));
    }
    // hob points and where they touch a second time, to start the solutions
    for (int k = 0; k <= 60; ++k) {
        const double phi = m_firstAngle + (m_lastAngle - m_firstAngle) * k / 60;
        const EnvelopedFlank::Span s = m_hob.span(phi);
        const double depth = s.tip - s.root;
        for (int j = -12; j <= 36; ++j) {
            const double t = s.root + depth * j / 24.0;
            const SurfacePoint w = secondContact(phi, t);
            m_table.push_back({std::hypot(w.point.x, w.point.y), w.point.z, phi, t});
        }
    }
}

double WheelEnvelope::lineHeightAt(double phi, double radius) const {
    // the point of the contact line at wheel radius r (nearest its anchor)
    const Line line = m_hob.contactLine(phi);
    const double a = line.direction.x * line.direction.x + line.direction.y * line.direction.y;
    const double b = line.point.x * line.direction.x + line.point.y * line.direction.y;
    const double c = line.point.x * line.point.x + line.point.y * line.point.y - radius * radius;
    const double disc = b * b - a * c;
    if (disc < 0 || a < 1e-14) return -m_hob.meshing().hand * 1e9;
    const double r1 = (-b + std::sqrt(disc)) / a, r2 = (-b - std::sqrt(disc)) / a;
    const double t = std::abs(r1) < std::abs(r2) ? r1 : r2;
    return line.at(t).z;
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
    for (int iteration = 0; iteration < 40; ++iteration) {
        const auto [f1, f2] = residual(phi, t);
        if (std::abs(f1) < 1e-11 && std::abs(f2) < 1e-11) break;
        const double hp = 1e-7, ht = 1e-6;
        const auto [a1, a2] = residual(phi + hp, t);
        const auto [b1, b2] = residual(phi, t + ht);
        const double j11 = (a1 - f1) / hp, j12 = (b1 - f1) / ht;
        const double j21 = (a2 - f2) / hp, j22 = (b2 - f2) / ht;
        const double det = j11 * j22 - j12 * j21;
        if (!(std::abs(det) > 1e-14)) throw ModelError(kNoWheelContact);
        const double dPhi = (f1 * j22 - f2 * j12) / det;
        const double dT = (j11 * f2 - j21 * f1) / det;
        const double scale = std::max({1.0, std::abs(dPhi) / 0.02, std::abs(dT) / 2.0});
        phi -= dPhi / scale;
        t -= dT / scale;
    }
    const auto [f1, f2] = residual(phi, t);
    if (!(std::abs(f1) < 1e-8 && std::abs(f2) < 1e-8)) throw ModelError(kNoWheelContact);
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
