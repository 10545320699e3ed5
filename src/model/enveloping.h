#pragma once

#include <stdexcept>
#include <string>

#include "model/model_types.h"
#include "model/vec3.h"

// The planar double-enveloping pair as equations: the motion, the generating
// plane fixed to the wheel, and the thread flank it envelops.
//
// Fixed frame on the wheel: origin at the wheel centre, x along the common
// perpendicular towards the worm axis, z along the wheel axis; the worm axis
// is the line (a, t, 0). Worm frame: Z1 along the worm axis with its origin
// at the throat, X1 towards the wheel axis at zero rotation (so X1 = a - x,
// Y1 = z, Z1 = y there). The worm turns by phi1 = i phi2 about +Z1 while the
// wheel turns by -h phi2 about z.

namespace wormpair::model {

struct Meshing {
    double centreDistance = 0;    // a
    double ratio = 0;             // i = phi1 / phi2
    double mainBaseRadius = 0;    // rb = db / 2
    double planeInclination = 0;  // beta, radians
    double referenceRadius = 0;   // d2 / 2 of the wheel this motion generates
    int hand = 1;                 // +1 right hand, -1 its mirror image

    // alpha = arcsin(db / d2)
    double pressureAngle() const;

    // A fixed-frame point or direction in the worm frame, the wheel having
    // turned by wheelAngle (the worm by ratio * wheelAngle).
    Vec3 wormPoint(const Vec3& fixed, double wheelAngle) const;
    Vec3 wormDirection(const Vec3& fixed, double wheelAngle) const;
    Vec3 fixedPoint(const Vec3& worm, double wheelAngle) const;
    Vec3 fixedDirection(const Vec3& worm, double wheelAngle) const;
    // A fixed-frame point in the wheel's own frame, and back.
    Vec3 wheelPoint(const Vec3& fixed, double wheelAngle) const;
    Vec3 fixedFromWheel(const Vec3& wheel, double wheelAngle) const;
    // The velocity of a wheel point relative to the worm point at the same
    // place, per unit of wheel angle (the same at every instant).
    Vec3 relativeVelocity(const Vec3& fixed) const;
};

// The generating plane of the first flank as it stands at zero wheel angle:
// it holds the tangent to the main base circle at rb (cos t, sin t, 0),
// t = alpha + halfToothAngle - 90 degrees, tilted about it by beta.
struct GeneratingPlane {
    GeneratingPlane(const Meshing& meshing, double halfToothAngle);
    Vec3 normal;          // inner normal (into the worm tooth), fixed frame, unit
    double offset;        // normal . r = offset
    Vec3 referencePoint;  // where it cuts the reference circle in the middle plane
};

struct Line {
    Vec3 point;
    Vec3 direction;  // unit
    Vec3 at(double t) const { return point + direction * t; }
};

// The root and tip arcs and the length that bound a thread, in the worm
// frame: radius rho from the worm axis, axial position Z1.
struct ThreadBlank {
    double axisToWheelCentre = 0;  // the nominal centre distance: the arcs' centres
    double rootArcRadius = 0;      // about the wheel axis
    double tipArcRadius = 0;       // about a centre moved by the eccentricity
    double tipEccentricity = 0;
    double halfLength = 0;  // the thread ends at +/- this
    int starts = 1;

    double rootRadiusAt(double axial) const;
    double tipRadiusAt(double axial) const;
    // between them: height 0 on the root, 1 on the tip
    double radiusAt(double axial, double height) const;
};

// The first flank of a thread: the envelope of its generating plane. Each
// wheel angle phi gives one straight contact line; the flank point (phi, u)
// lies on it, u = 0 on the root and u = 1 on the tip.
class EnvelopedFlank {
  public:
    EnvelopedFlank(const Meshing& meshing, double halfToothAngle, const ThreadBlank& blank);

    // The contact line in the fixed frame at wheel angle phi.
    Line contactLine(double wheelAngle) const;
    // Worm-frame point and unit normal (into the tooth) at (phi, u); u
    // outside 0..1 continues the contact line beyond the root or tip.
    SurfacePoint at(double wheelAngle, double height) const;
    // The same point in the fixed frame at the instant it is generated.
    SurfacePoint fixedAt(double wheelAngle, double height) const;
    // The point at parameter t of the contact line (fixed frame), its normal.
    SurfacePoint fixedOnLine(double wheelAngle, double t) const;
    // Line parameters of the root and the tip crossing at wheel angle phi.
    struct Span {
        Line line;
        double root = 0;
        double tip = 0;
    };
    Span span(double wheelAngle) const;
    // The wheel angles between which the flank covers the blank's length,
    // with margin (mm) beyond each end.
    struct Range {
        double first = 0;
        double last = 0;
    };
    Range wheelAngleRange(double margin) const;

    const Meshing& meshing() const { return m_meshing; }
    const GeneratingPlane& plane() const { return m_plane; }
    const ThreadBlank& blank() const { return m_blank; }

  private:
    double crossing(const Line& line, double guess, double arcRadius, double eccentricity) const;

    Meshing m_meshing;
    GeneratingPlane m_plane;
    ThreadBlank m_blank;
};

// Mirror image of the first flank: the half-turn about X1 (the second plane
// is the half-turn image about x, and the motion runs backwards).
inline Vec3 secondFlankImage(const Vec3& v) { return {v.x, -v.y, -v.z}; }

// The point where the first flank cuts the motion's reference circle in the
// throat section Y1 = 0 (worm frame), with the wheel angle that generates it.
struct ThroatPoint {
    Vec3 point;
    double wheelAngle = 0;
    double height = 0;  // u on the contact line's span; NaN where it has none
    // polar angle of the point about the wheel centre in the middle plane
    double polarAngle = 0;
};
ThroatPoint throatReferencePoint(const EnvelopedFlank& flank);

// The half angular tooth thickness at which the flanks, in the throat
// section, cut the reference circle an arc toothThickness apart.
double solveHalfToothAngle(const Meshing& meshing, const ThreadBlank& blank, double toothThickness);

}  // namespace wormpair::model
