#include "drawing/worm_geometry.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace wormpair::drawing {

namespace {

constexpr Scale kScales[] = {{5, "5:1"},       {4, "4:1"},         {2.5, "2.5:1"}, {2, "2:1"},
                             {1, "1:1"},       {1 / 1.5, "1:1.5"}, {0.5, "1:2"},   {0.4, "1:2.5"},
                             {1 / 3.0, "1:3"}, {0.25, "1:4"},      {0.2, "1:5"},   {0.1, "1:10"}};

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

}  // namespace

QPointF unit(QPointF v) {
    const double length = std::hypot(v.x(), v.y());
    return length > 0 ? v / length : QPointF(1, 0);
}

Scale fitScale(QSizeF part, QSizeF room, double largest) {
    for (const Scale& s : kScales) {
        if (s.factor > largest) continue;
        if (part.width() * s.factor <= room.width() && part.height() * s.factor <= room.height()) {
            return s;
        }
    }
    return kScales[std::size(kScales) - 1];
}

double WormGeometry::rootY(double x) const { return a - std::sqrt(rootArc * rootArc - x * x); }

double WormGeometry::tipY(double x) const { return a + e - std::sqrt(tipArc * tipArc - x * x); }

QPointF WormGeometry::onCircle(QPointF c, double r, double psi) const {
    return c + QPointF(r * std::sin(radians(psi)), -r * std::cos(radians(psi)));
}

double WormGeometry::angleOf(QPointF p) const { return degrees(std::atan2(p.x(), a - p.y())); }

QPolygonF WormGeometry::arc(QPointF c, double r, QPointF p, QPointF q) const {
    const double from = std::atan2(p.x() - c.x(), c.y() - p.y());
    const double to = std::atan2(q.x() - c.x(), c.y() - q.y());
    QPolygonF points;
    for (int i = 0; i <= 16; ++i) {
        const double t = from + (to - from) * i / 16;
        points << c + QPointF(r * std::sin(t), -r * std::cos(t));
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

QPolygonF WormGeometry::tooth(double psi) const {
    const Flank l = flank(psi, true), r = flank(psi, false);
    QPolygonF p;
    p << l.root << l.tip << arc(tipCentre(), tipArc, l.tip, r.tip) << r.tip << r.root
      << arc(centre(), rootArc, r.root, l.root);
    return p;
}

std::vector<double> WormGeometry::toothAngles() const {
    std::vector<double> angles;
    for (int j = -12; j <= 12; ++j) {
        if (std::abs(j * pitchAngle) <= halfWrap + pitchAngle) angles.push_back(j * pitchAngle);
    }
    return angles;
}

QPainterPath WormGeometry::section(double x0, double x1, double bottom) const {
    QPolygonF core;
    core << QPointF(x0, bottom);
    for (int i = 0; i <= 60; ++i) {
        const double x = x0 + (x1 - x0) * i / 60;
        core << QPointF(x, rootY(x));
    }
    core << QPointF(x1, bottom);
    QPainterPath area;
    area.addPolygon(core);
    area.closeSubpath();
    for (const double psi : toothAngles()) {
        QPainterPath t;
        t.addPolygon(tooth(psi));
        t.closeSubpath();
        area = area.united(t);
    }
    QPainterPath box;
    box.addRect(QRectF(QPointF(x0, bottom), QPointF(x1, a)));
    return area.intersected(box).simplified();
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

}  // namespace wormpair::drawing
