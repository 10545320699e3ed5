#include "drawing/worm_geometry.h"

#include <QLineF>

#include <optional>

#include <algorithm>
#include <cmath>

namespace wormpair::drawing {

namespace {

// Distance along u from p to the circle (c, r): the nearest crossing ahead
// (forward) or behind.
double crossing(QPointF p, QPointF u, QPointF c, double r, bool forward) {
    const QPointF w = p - c;
    const double b = u.x() * w.x() + u.y() * w.y();
    const double q = w.x() * w.x() + w.y() * w.y() - r * r;
    const double root = std::sqrt(std::max(0.0, b * b - q));
    const double t1 = -b - root, t2 = -b + root;
    if (forward) return t1 > 0 ? t1 : t2;
    return t2 < 0 ? t2 : t1;
}

QPointF between(QPointF a, QPointF b, double x) {
    const double t = (x - a.x()) / (b.x() - a.x());
    return a + (b - a) * t;
}

}  // namespace

QPointF unit(QPointF v) {
    const double length = std::hypot(v.x(), v.y());
    return length > 0 ? v / length : QPointF(1, 0);
}

Scale fitScale(QSizeF part, QSizeF room, double largest, double smallest) {
    const Scale* last = nullptr;
    for (const Scale& s : standardScales()) {
        if (s.factor > largest + 1e-12) continue;
        if (s.factor < smallest - 1e-12) break;
        last = &s;
        if (part.width() * s.factor <= room.width() && part.height() * s.factor <= room.height()) {
            return s;
        }
    }
    return last != nullptr ? *last : standardScales().back();
}

double WormGeometry::rootY(double x) const { return a - std::sqrt(rootArc * rootArc - x * x); }

double WormGeometry::tipY(double x) const { return a + e - std::sqrt(tipArc * tipArc - x * x); }

double WormGeometry::pitchY(double x) const {
    return a - std::sqrt(pitchRadius * pitchRadius - x * x);
}

QPointF WormGeometry::onCircle(QPointF c, double r, double psi) const {
    return c + QPointF(r * std::sin(radians(psi)), -r * std::cos(radians(psi)));
}

double WormGeometry::angleOf(QPointF p) const { return degrees(std::atan2(p.x(), a - p.y())); }

std::vector<QPointF> WormGeometry::arc(QPointF c, double r, QPointF p, QPointF q) const {
    const double from = std::atan2(p.x() - c.x(), c.y() - p.y());
    const double to = std::atan2(q.x() - c.x(), c.y() - q.y());
    std::vector<QPointF> points;
    for (int i = 0; i <= 16; ++i) {
        const double t = from + (to - from) * i / 16;
        points.push_back(c + QPointF(r * std::sin(t), -r * std::cos(t)));
    }
    return points;
}

WormGeometry::Flank WormGeometry::flank(double psi, bool left) const {
    const double half = degrees(toothThickness / 2 / pitchRadius);
    const double side = left ? psi - half : psi + half;
    Flank f;
    f.pitchPoint = onCircle(centre(), pitchRadius, side);
    const QPointF v = unit(f.pitchPoint - centre());
    const double theta = std::acos(baseRadius / pitchRadius);
    // of the two tangents to the base circle, the one along which the tooth
    // narrows toward its tip
    for (const double sign : {1.0, -1.0}) {
        const double c = std::cos(sign * theta), s = std::sin(sign * theta);
        const QPointF t =
            centre() + baseRadius * QPointF(v.x() * c - v.y() * s, v.x() * s + v.y() * c);
        const QPointF u = unit(t - f.pitchPoint);
        const double towardTip = angleOf(f.pitchPoint + u * 0.5) - side;
        if ((left && towardTip > 0) || (!left && towardTip < 0)) {
            f.tangent = t;
            f.tip = f.pitchPoint + u * crossing(f.pitchPoint, u, tipCentre(), tipArc, true);
            f.root = f.pitchPoint + u * crossing(f.pitchPoint, u, centre(), rootArc, false);
        }
    }
    return f;
}

namespace {

// Where the segments p0-p1 and q0-q1 cross, if they do.
std::optional<QPointF> segmentsCross(QPointF p0, QPointF p1, QPointF q0, QPointF q1) {
    QPointF x;
    if (QLineF(p0, p1).intersects(QLineF(q0, q1), &x) != QLineF::BoundedIntersection) return std::nullopt;
    return x;
}

}  // namespace

std::vector<QPointF> WormGeometry::tooth(double psi) const {
    const Flank l = flank(psi, true), r = flank(psi, false);
    // a tooth whose flanks meet below the tip arc ends in their point
    if (const auto point = segmentsCross(l.root, l.tip, r.tip, r.root)) return {l.root, *point, r.root};
    std::vector<QPointF> p{l.root};
    const std::vector<QPointF> top = arc(tipCentre(), tipArc, l.tip, r.tip);
    p.insert(p.end(), top.begin(), top.end());
    p.push_back(r.root);
    return p;
}

std::vector<double> WormGeometry::toothAngles() const {
    std::vector<double> angles;
    for (int j = -12; j <= 12; ++j) {
        if (std::abs(j * pitchAngle) <= halfWrap + pitchAngle) angles.push_back(j * pitchAngle);
    }
    return angles;
}

std::vector<QPointF> WormGeometry::axialProfile(double x0, double x1, double phase) const {
    // the teeth from left of x0 to right of x1, joined by the root arc
    const double widest = std::max(std::abs(x0), std::abs(x1));
    const double reach = degrees(std::asin(std::min(1.0, widest / std::min(rootArc, tipArc))));
    const int first = static_cast<int>(std::floor((-reach - phase) / pitchAngle)) - 1;
    const int last = static_cast<int>(std::ceil((reach - phase) / pitchAngle)) + 1;
    std::vector<QPointF> path;
    for (int j = first; j <= last; ++j) {
        // only the teeth the worm's wrap holds (one beyond it is cut off at
        // the ends): those a quarter turn round the wheel are far crossings
        if (std::abs(phase + j * pitchAngle) > halfWrap + pitchAngle) continue;
        const std::vector<QPointF> t = tooth(phase + j * pitchAngle);
        if (!path.empty()) {
            // neighbouring flanks that meet above the root arc: the space
            // ends in their point, the tool reaching no deeper
            if (const auto bottom = segmentsCross(path[path.size() - 2], path.back(), t[0], t[1])) {
                path.back() = *bottom;
                path.insert(path.end(), t.begin() + 1, t.end());
                continue;
            }
            const std::vector<QPointF> gap = arc(centre(), rootArc, path.back(), t.front());
            path.insert(path.end(), gap.begin() + 1, gap.end() - 1);
        }
        path.insert(path.end(), t.begin(), t.end());
    }
    // cut to [x0, x1]
    std::vector<QPointF> cut;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const QPointF p = path[i];
        if (i > 0) {
            const QPointF q = path[i - 1];
            if (q.x() < x0 && p.x() > x0) cut.push_back(between(q, p, x0));
            if (q.x() < x1 && p.x() > x1) cut.push_back(between(q, p, x1));
        }
        if (p.x() >= x0 && p.x() <= x1) cut.push_back(p);
    }
    return cut;
}

WormGeometry wormGeometry(const DesignRecord& r) {
    WormGeometry g;
    g.a = r.centreDistance;
    g.e = r.tipEccentricity;
    g.rootArc = r.wormRootArcRadius;
    g.tipArc = r.wormTipArcRadius;
    g.pitchRadius = r.wheelReferenceDiameter / 2;
    g.baseRadius = r.mainBaseDiameter / 2;
    g.halfLength = r.wormWorkingLength / 2;
    g.shoulder = r.shoulder;
    g.pitchAngle = r.angularPitch;
    g.halfWrap = r.workingHalfWrapAngle;
    g.toothThickness = r.wormToothThickness;
    return g;
}

WormGeometry hobGeometry(const DesignRecord& r) {
    WormGeometry g = wormGeometry(r);
    g.rootArc = static_cast<double>(r.hobRootArcRadius);
    g.tipArc = r.hobTipArcRadius;
    g.halfLength = r.hobEffectiveLength / 2;
    g.shoulder = 0;
    g.halfWrap = r.hobHalfWrapAngle;
    g.toothThickness = r.hobToothThickness;
    return g;
}

}  // namespace wormpair::drawing
