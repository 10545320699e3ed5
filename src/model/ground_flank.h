#pragma once

#include <cstddef>
#include <vector>

#include "model/enveloping.h"
#include "model/generation_checks.h"

// The thread flank as the grinding makes it. At every circle of the blank
// (axial position Z1, radius rho about the worm axis) each position of the
// generating plane over the grinding motion removes the material on its
// side; the flank is where the last of them leaves it: the extreme of the
// plane's crossing angles over the motion. Where a contact line passes, the
// extreme is interior and the plane touches (the envelope); where none
// does, it is the trace of the motion's end positions; where the envelope
// folds, one sheet trims the other as the machine trims it.

namespace wormpair::model {

// The generating plane of the first flank as the worm sees it: at wheel
// angle phi it crosses the circle (rho, Z1) at the worm-frame angle
// theta(phi).
class PlaneMotion {
  public:
    PlaneMotion(const Meshing& g, const GeneratingPlane& plane) : m_g(g), m_plane(plane) {}

    // What the plane's position at phi alone decides: the crossing of every
    // circle at that instant then costs one acos.
    struct Pose {
        double ny = 0, base = 0;  // n . r - d = R cos(T - angle) - (base - ny Z1)
        double reach = 0;         // R / rho
        double angle = 0;
        double turn = 0;  // i phi
    };
    Pose pose(double phi) const;

    // theta where the plane at that pose crosses the circle on the side
    // facing the wheel, where the tooth begins (towards larger sense *
    // theta); NaN where it misses the circle or crosses it only on the far
    // side.
    static double crossing(const Pose& p, double axial, double radius, double sense);

    // +1 when the tooth lies towards larger theta at the plane's point
    // `fixed` of the instant phi.
    double sense(const Vec3& fixed, double phi) const;

    // The plane's inner normal at phi in the worm frame.
    Vec3 wormNormal(double phi) const;

  private:
    Meshing m_g;
    GeneratingPlane m_plane;
};

// The index of the value nearest zero: the throat's row, where a grid's
// marching starts.
std::size_t indexNearestZero(const std::vector<double>& values);

// The angle, taken whole turns from where it lies, nearest the previous one.
double continuedAngle(double angle, double previous);

class GroundFlank {
  public:
    // The grinding motion covers every contact of the working flank (the
    // blank between its ends, root to tip).
    explicit GroundFlank(const EnvelopedFlank& flank);

    struct Point {
        SurfacePoint worm;      // point and unit normal (into the tooth), worm frame
        double angle = 0;       // about Z1; unwrapped across a grid
        double wheelAngle = 0;  // the plane position that leaves it
    };

    double radiusAt(double axial, double height) const;
    // height 0 on the root, 1 on the tip; beyond them the same rule goes on
    Point at(double axial, double height) const;
    // [axial][height], angles continuous along rows and columns
    std::vector<std::vector<Point>> grid(const std::vector<double>& axials,
                                         const std::vector<double>& heights) const;

    double firstWheelAngle() const { return m_phis.front(); }
    double lastWheelAngle() const { return m_phis.back(); }
    double toolRadius() const { return m_toolRadius; }
    // +1 when the tooth lies towards larger angles from the flank
    double sense() const { return m_sense; }
    const EnvelopedFlank& flank() const { return m_flank; }

  private:
    // sense * theta where the tool at phi stops removing the material of
    // the circle (rho, Z1) next to the tooth: the plane, or the edge of the
    // tool where the plane crosses the circle beyond the tool's reach
    // (|T| > toolEdge); -infinity where it removes nothing there
    double removedUpTo(const PlaneMotion::Pose& pose, double axial, double radius,
                       double toolEdge) const;
    double toolEdge(double axial, double radius) const;

    const EnvelopedFlank& m_flank;
    PlaneMotion m_motion;
    double m_sense = 1;
    double m_toolRadius = 0;
    std::vector<double> m_phis;
    std::vector<PlaneMotion::Pose> m_poses;
};

}  // namespace wormpair::model
