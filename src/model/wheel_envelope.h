#pragma once

#include <vector>

#include "model/enveloping.h"
#include "model/flank_graph.h"

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
// Where the hob point that would make either contact lies beyond the end
// of the hob's thread, the flank is what the thread's end edge cuts as it
// passes: the surface that edge traces (hob end).

namespace wormpair::model {

enum class WheelContact { Plane, Second, HobEnd };

class WheelEnvelope {
  public:
    explicit WheelEnvelope(const EnvelopedFlank& hobFlank);

    struct Point {
        SurfacePoint wheel;  // point and unit normal (into the space), wheel frame
        double angle = 0;    // polar angle about z
        WheelContact contact = WheelContact::Plane;
        // the hob point that touches here (second contact: its generating
        // instant and contact-line parameter; hob end: the wheel angle of the
        // pass and the height on the end edge)
        double hobWheelAngle = 0;
        double hobLineParameter = 0;
        int end = 0;  // hob end: -1 or +1, the end of the thread (Z1 < 0 or > 0)
    };

    // The first flank of the space at radius r and height z. A second-contact
    // point is solved from the guess (a nearby point of the same kind) when
    // one is given, otherwise from a table of hob points.
    Point at(double radius, double height, const Point* guess = nullptr) const;

    // The same point taken on one contact: the plane at (r, z), or the
    // second contact continued smoothly past the limit line.
    Point onPlane(double radius, double height) const;
    Point onSecond(double radius, double height, const Point* guess) const;

    // The flank as the hob cuts it: at() where the hob's thread reaches,
    // else the trace of the end edge it runs out at.
    Point cut(double radius, double height, const Point* guess = nullptr) const;
    // 0 when the hob point making this contact at (r, z) lies on the
    // thread, else the end (-1, +1) beyond which it lies.
    int beyondEnd(WheelContact contact, double radius, double height) const;
    // The trace of the end edge of the thread at `end` through (r, z): the
    // pass cutting deepest into the tooth unless a guess names the pass.
    Point onHobEnd(double radius, double height, int end, const Point* guess) const;
    // Whether a hob-end point lies on the edge between the thread's root
    // and tip (the solver continues the edge beyond them).
    static bool onTheEdge(const Point& p) {
        return p.hobLineParameter >= -1e-9 && p.hobLineParameter <= 1 + 1e-9;
    }

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
    Point solveHobEnd(double radius, double height, int end, double wheelAngle,
                      double edgeHeight) const;
    Vec3 endEdgePoint(int end, double edgeHeight) const;
    Vec3 tracedPoint(int end, double wheelAngle, double edgeHeight) const;
    // the hob axial positions (Z1) of the hob points making the plane
    // contact at (r, z)
    std::vector<double> planeContactAxials(double radius, double height) const;

    const EnvelopedFlank& m_hob;
    std::vector<double> m_limitRadii, m_limitHeights;
    struct TableEntry {
        double radius, height, phi, t;
    };
    std::vector<TableEntry> m_table;
    // The thread's end edges, root to tip (worm frame), and points they
    // trace through the wheel for a first guess of a pass.
    struct EndEdge {
        std::vector<double> heights;
        std::vector<ThreadFlankGraph::Point> points;
        std::vector<TableEntry> passes;  // phi: the pass's wheel angle, t: edge height
    };
    EndEdge m_ends[2];  // [0] Z1 = -L/2, [1] Z1 = +L/2
};

}  // namespace wormpair::model
