#pragma once

#include <QPointF>
#include <QSizeF>
#include <numbers>

#include <vector>

#include "calc/design_record.h"
#include "drawing/drafting_standards.h"

// The geometry drawings are made from: the worm (or the hob) of a calculated
// design in the middle plane, and the drawing scales.

namespace wormpair::drawing {

inline double radians(double degrees) { return degrees * std::numbers::pi / 180; }
inline double degrees(double radians) { return radians * 180 / std::numbers::pi; }
QPointF unit(QPointF v);

// The largest standard scale, at most `largest` and at least `smallest`, at
// which a part of that size fits the room; the smallest such scale when none
// does.
Scale fitScale(QSizeF part, QSizeF room, double largest, double smallest = 0.1);

// The worm in the middle plane, in mm: x along its axis, y toward the wheel
// centre, which lies at (0, a). Angles psi are seen from the wheel centre,
// from the line to the worm axis, positive toward +x.
struct WormGeometry {
    double a = 0;            // centre distance
    double e = 0;            // tip eccentricity
    double rootArc = 0;      // Rf1, about the wheel centre
    double tipArc = 0;       // Ra1, about the wheel centre moved out by e
    double pitchRadius = 0;  // d2 / 2
    double baseRadius = 0;   // db / 2
    double halfLength = 0;   // L / 2
    double shoulder = 0;
    double pitchAngle = 0;      // tau, degrees
    double halfWrap = 0;        // phi, degrees
    double toothThickness = 0;  // s, on the reference circle

    QPointF centre() const { return {0, a}; }
    QPointF tipCentre() const { return {0, a + e}; }
    double rootY(double x) const;
    double tipY(double x) const;
    double pitchY(double x) const;
    double tipMax() const { return tipY(halfLength); }
    QPointF onCircle(QPointF c, double r, double psi) const;
    double angleOf(QPointF p) const;

    // Arc points around c from p to q (both at radius r), inclusive.
    std::vector<QPointF> arc(QPointF c, double r, QPointF p, QPointF q) const;

    struct Flank {
        QPointF pitchPoint, root, tip, tangent;
    };

    // One flank of the worm tooth centred at psi: the line of the generating
    // plane through its point on the reference circle, tangent to the main
    // base circle, from the root arc to the tip arc.
    Flank flank(double psi, bool left) const;

    // The tooth centred at psi in the axial section, from its left root
    // corner over the tip to its right root corner.
    std::vector<QPointF> tooth(double psi) const;

    // Centres of the teeth in mesh: multiples of tau within the wrap.
    std::vector<double> toothAngles() const;

    // The outline of the axial section above the axis between x0 and x1:
    // root arc and teeth, the teeth centred at phase + j tau, left to right.
    std::vector<QPointF> axialProfile(double x0, double x1, double phase = 0) const;
};

WormGeometry wormGeometry(const DesignRecord& record);
// The hob that cuts the wheel: its own arcs, thickness and effective length.
WormGeometry hobGeometry(const DesignRecord& record);

}  // namespace wormpair::drawing
