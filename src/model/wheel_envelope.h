#pragma once

#include <vector>

#include "model/enveloping.h"

// The wheel flank cut by the hob: the envelope of the hob's first flank
// under the nominal motion, in the wheel's own frame (axis z, middle plane
// z = 0), for the tooth space centred on the x axis at zero wheel angle.
//
// The hob's flank was itself enveloped by the generating plane, so the
// plane is part of this envelope wherever the hob's contact lines sweep it
// (first contact); beyond the line where they stop (the limit line) the
// hob touches the wheel a second time, at the hob turn that solves
// tan(turn / 2) = -c.x / c.z with c = (r - A) x n for the hob point r,
// normal n at its generation and A the worm axis point (second contact).

namespace wormpair::model {

enum class WheelContact { Plane, Second };

class WheelEnvelope {
  public:
    explicit WheelEnvelope(const EnvelopedFlank& hobFlank);

    struct Point {
        SurfacePoint wheel;  // point and unit normal (into the space), wheel frame
        double angle = 0;    // polar angle about z
        WheelContact contact = WheelContact::Plane;
        // the hob point that touches here (second contact)
        double hobWheelAngle = 0;
        double hobLineParameter = 0;
    };

    // The first flank of the space at radius r and height z. A second-contact
    // point is solved from the guess (a nearby point of the same kind) when
    // one is given, otherwise from a table of hob points.
    Point at(double radius, double height, const Point* guess = nullptr) const;

    // The same point taken on one contact: the plane at (r, z), or the
    // second contact continued smoothly past the limit line.
    Point onPlane(double radius, double height) const;
    Point onSecond(double radius, double height, const Point* guess) const;

    // The plane's angle at (r, z).
    double planeAngle(double radius, double height) const;
    // The highest (for a right hand; lowest for the mirror) height the first
    // contact lines reach at radius r: the limit line on the plane.
    double limitHeight(double radius) const;
    // Where the second contact of the hob point (phi, t) lies, wheel frame.
    SurfacePoint secondContact(double hobWheelAngle, double lineParameter) const;

    const EnvelopedFlank& hobFlank() const { return m_hob; }

  private:
    Point solveSecond(double radius, double height, double phi, double t) const;
    Point inSpace(Point p, double plane) const;

    const EnvelopedFlank& m_hob;
    std::vector<double> m_limitRadii, m_limitHeights;
    struct TableEntry {
        double radius, height, phi, t;
    };
    std::vector<TableEntry> m_table;
};

}  // namespace wormpair::model
