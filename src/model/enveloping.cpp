#include "model/enveloping.h"

#include "model/newton.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wormpair::model {

namespace {

const char* const kNoContact = "母平面与蜗杆齿面没有接触线，无法生成齿面（请检查设计参数）";

}  // namespace

double Meshing::pressureAngle() const { return std::asin(mainBaseRadius / referenceRadius); }

Vec3 Meshing::wormPoint(const Vec3& fixed, double wheelAngle) const {
    return wormDirection(fixed - Vec3{centreDistance, 0, 0}, wheelAngle);
}

Vec3 Meshing::wormDirection(const Vec3& v, double wheelAngle) const {
    const double c = std::cos(ratio * wheelAngle), s = std::sin(ratio * wheelAngle);
    return {-v.x * c + v.z * s, v.x * s + v.z * c, v.y};
}

Vec3 Meshing::fixedPoint(const Vec3& worm, double wheelAngle) const {
    return fixedDirection(worm, wheelAngle) + Vec3{centreDistance, 0, 0};
}

Vec3 Meshing::fixedDirection(const Vec3& w, double wheelAngle) const {
    const double c = std::cos(ratio * wheelAngle), s = std::sin(ratio * wheelAngle);
    return {-w.x * c + w.y * s, w.z, w.x * s + w.y * c};
}

Vec3 Meshing::wheelPoint(const Vec3& fixed, double wheelAngle) const {
    return turnedAboutZ(fixed, hand * wheelAngle);
}

Vec3 Meshing::fixedFromWheel(const Vec3& wheel, double wheelAngle) const {
    return turnedAboutZ(wheel, -hand * wheelAngle);
}

Vec3 Meshing::relativeVelocity(const Vec3& r) const {
    // wheel: -h z x r; worm: i y x (r - A)
    return Vec3{hand * r.y, -hand * r.x, 0} -
           ratio * Vec3{r.z, 0, -(r.x - centreDistance)};
}

GeneratingPlane::GeneratingPlane(const Meshing& meshing, double halfToothAngle) {
    const double alpha = meshing.pressureAngle();
    const double tangentAngle = alpha + halfToothAngle - std::numbers::pi / 2;
    const double beta = meshing.planeInclination;
    normal = Vec3{std::cos(beta) * std::cos(tangentAngle), std::cos(beta) * std::sin(tangentAngle),
                  meshing.hand * std::sin(beta)};
    offset = meshing.mainBaseRadius * std::cos(beta);
    referencePoint = Vec3{meshing.referenceRadius * std::cos(halfToothAngle),
                          meshing.referenceRadius * std::sin(halfToothAngle), 0};
}

double ThreadBlank::rootRadiusAt(double axial) const {
    return axisToWheelCentre - std::sqrt(rootArcRadius * rootArcRadius - axial * axial);
}

double ThreadBlank::tipRadiusAt(double axial) const {
    return axisToWheelCentre + tipEccentricity -
           std::sqrt(tipArcRadius * tipArcRadius - axial * axial);
}

double ThreadBlank::radiusAt(double axial, double height) const {
    const double root = rootRadiusAt(axial);
    return root + height * (tipRadiusAt(axial) - root);
}

EnvelopedFlank::EnvelopedFlank(const Meshing& meshing, double halfToothAngle,
                               const ThreadBlank& blank)
    : m_meshing(meshing), m_plane(meshing, halfToothAngle), m_blank(blank) {}

Line EnvelopedFlank::contactLine(double wheelAngle) const {
    const Meshing& g = m_meshing;
    const Vec3 n = turnedAboutZ(m_plane.normal, -g.hand * wheelAngle);
    // n . v12 = 0 is linear in r: m . r = q
    const Vec3 m{-g.hand * n.y + g.ratio * n.z, g.hand * n.x, -g.ratio * n.x};
    const double q = g.ratio * g.centreDistance * n.z;
    const Vec3 d = cross(n, m);
    const double dd = dot(d, d);
    if (!(dd > 1e-18)) throw ModelError(kNoContact);
    const Vec3 onBoth = (m_plane.offset * cross(m, d) + q * cross(d, n)) / dd;
    const Vec3 direction = normalized(d);
    // start the parameter at the point nearest the plane's reference point
    const Vec3 reference = turnedAboutZ(m_plane.referencePoint, -g.hand * wheelAngle);
    return Line{onBoth + direction * dot(reference - onBoth, direction), direction};
}

double EnvelopedFlank::crossing(const Line& line, double guess, double arcRadius,
                                double eccentricity) const {
    // (c - rho)^2 + Z1^2 = R^2 with rho the distance from the worm axis
    const double c = m_blank.axisToWheelCentre + eccentricity;
    const double a = m_meshing.centreDistance;
    double t = guess;
    for (int iteration = 0; iteration < 60; ++iteration) {
        const Vec3 r = line.at(t);
        const double rho = std::hypot(r.x - a, r.z);
        const double f = (c - rho) * (c - rho) + r.y * r.y - arcRadius * arcRadius;
        const double dRho = ((r.x - a) * line.direction.x + r.z * line.direction.z) / rho;
        const double df = -2 * (c - rho) * dRho + 2 * r.y * line.direction.y;
        if (!(std::abs(df) > 1e-12)) break;
        const double step = std::clamp(f / df, -5.0, 5.0);
        t -= step;
        if (std::abs(step) < 1e-12) return t;
    }
    const Vec3 r = line.at(t);
    const double rho = std::hypot(r.x - a, r.z);
    if (std::abs((c - rho) * (c - rho) + r.y * r.y - arcRadius * arcRadius) < 1e-7 * arcRadius)
        return t;
    throw ModelError(kNoContact);
}

EnvelopedFlank::Span EnvelopedFlank::span(double wheelAngle) const {
    Span s{contactLine(wheelAngle), 0, 0};
    const double middle = crossing(s.line, 0.0, m_meshing.referenceRadius, 0.0);
    s.root = crossing(s.line, middle, m_blank.rootArcRadius, 0.0);
    s.tip = crossing(s.line, middle, m_blank.tipArcRadius, m_blank.tipEccentricity);
    const double depth = std::abs(s.tip - s.root);
    if (!(depth > 1e-6) || (s.root - middle) * (s.tip - middle) > 0 ||
        depth > 4 * (m_blank.rootArcRadius - m_blank.tipArcRadius + m_blank.tipEccentricity) + 50)
        throw ModelError(kNoContact);
    return s;
}

SurfacePoint EnvelopedFlank::fixedAt(double wheelAngle, double height) const {
    const Span s = span(wheelAngle);
    return {s.line.at(s.root + height * (s.tip - s.root)),
            turnedAboutZ(m_plane.normal, -m_meshing.hand * wheelAngle)};
}

SurfacePoint EnvelopedFlank::fixedOnLine(double wheelAngle, double t) const {
    return {contactLine(wheelAngle).at(t), turnedAboutZ(m_plane.normal, -m_meshing.hand * wheelAngle)};
}

SurfacePoint EnvelopedFlank::at(double wheelAngle, double height) const {
    const SurfacePoint f = fixedAt(wheelAngle, height);
    return {m_meshing.wormPoint(f.point, wheelAngle),
            m_meshing.wormDirection(f.normal, wheelAngle)};
}

EnvelopedFlank::Range EnvelopedFlank::wheelAngleRange(double margin) const {
    const double limit = m_blank.halfLength + margin;
    // axial extent of the contact segment, root to tip
    const auto axialExtent = [&](double phi) {
        const Span s = span(phi);
        double low = 1e300, high = -1e300;
        for (int k = 0; k <= 8; ++k) {
            const double y = s.line.at(s.root + k / 8.0 * (s.tip - s.root)).y;
            low = std::min(low, y);
            high = std::max(high, y);
        }
        return std::pair{low, high};
    };
    const auto outside = [&](double phi) {
        const auto [low, high] = axialExtent(phi);
        return low > limit || high < -limit;
    };
    // walk out from the throat in both directions, then bisect
    const double step = 0.25 / std::max(1.0, m_meshing.ratio / 10);
    Range range;
    for (int sign : {-1, 1}) {
        double inside = 0, beyond = 0;
        for (int k = 1;; ++k) {
            const double phi = sign * k * step * 0.2;
            if (outside(phi)) {
                beyond = phi;
                break;
            }
            inside = phi;
            if (k > 400) throw ModelError(kNoContact);
        }
        for (int k = 0; k < 50; ++k) {
            const double mid = (inside + beyond) / 2;
            (outside(mid) ? beyond : inside) = mid;
        }
        (sign < 0 ? range.first : range.last) = beyond;
    }
    return range;
}

ThroatPoint throatReferencePoint(const EnvelopedFlank& flank) {
    const Meshing& g = flank.meshing();
    const double a = g.centreDistance;
    const double r2 = g.referenceRadius;
    // solve Y1 = 0 and (a - X1)^2 + Z1^2 = r2^2 over the contact line (phi, t):
    // the line, not its span between root and tip, so that a flank the
    // plane does not envelop down to the root still has its throat point
    const auto wormAt = [&](double phi, double t) {
        return g.wormPoint(flank.contactLine(phi).at(t), phi);
    };
    const auto residual = [&](double phi, double t) {
        const Vec3 p = wormAt(phi, t);
        return std::pair{p.y, ((a - p.x) * (a - p.x) + p.z * p.z - r2 * r2) / (2 * r2)};
    };
    double phi = 0, t = 0;
    NewtonSettings settings;
    settings.singular = 1e-18;
    settings.largestStepX = 0.05;
    if (!solveTwo(residual, phi, t, settings)) throw ModelError(kNoContact);
    const Vec3 p = wormAt(phi, t);
    double height = std::nan("");
    try {
        const EnvelopedFlank::Span s = flank.span(phi);
        height = (t - s.root) / (s.tip - s.root);
    } catch (const ModelError&) {
    }
    return {p, phi, height, std::atan2(p.z, a - p.x)};
}

double solveHalfToothAngle(const Meshing& meshing, const ThreadBlank& blank,
                           double toothThickness) {
    const double target = toothThickness / (2 * meshing.referenceRadius);
    double delta = target;
    for (int iteration = 0; iteration < 30; ++iteration) {
        const double reached = throatReferencePoint(EnvelopedFlank(meshing, delta, blank)).polarAngle;
        const double correction = reached - target;
        delta -= correction;
        if (std::abs(correction) < 1e-13) return delta;
    }
    throw ModelError("无法确定齿厚对应的母平面位置（请检查设计参数）");
}

}  // namespace wormpair::model
