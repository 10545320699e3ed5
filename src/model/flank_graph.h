#pragma once

#include <vector>

#include "model/enveloping.h"

// The first flank of a thread seen from the blank: at axial position Z1 and
// height v between the root (v = 0) and the tip (v = 1) it lies at one
// angle about the worm axis. Every edge of the thread is then a line of
// constant Z1 or v: the root, the tip and the end planes.

namespace wormpair::model {

class ThreadFlankGraph {
  public:
    explicit ThreadFlankGraph(const EnvelopedFlank& flank) : m_flank(flank) {}

    struct Point {
        SurfacePoint worm;         // point and unit normal in the worm frame
        double angle = 0;          // about Z1, unwrapped along a grid row
        double wheelAngle = 0;     // the generating instant
        double lineParameter = 0;  // along that contact line
    };

    // Radius from the worm axis at (axial, height).
    double radiusAt(double axial, double height) const;

    // The flank point at (axial, height), Newton from a nearby solution.
    Point at(double axial, double height, const Point& guess) const;

    // The point at the throat, half way up: a start for marching.
    Point throatStart() const;

    // Points on the grid axials x heights, [axial][height], marched out
    // from the throat so every solution starts next to its neighbour;
    // angles unwrapped continuously along each axial row. Throws
    // ModelError where the flank folds (undercut) or is not reached.
    std::vector<std::vector<Point>> grid(const std::vector<double>& axials,
                                         const std::vector<double>& heights) const;

    const EnvelopedFlank& flank() const { return m_flank; }

  private:
    const EnvelopedFlank& m_flank;
};

std::vector<double> evenlySpaced(double first, double last, int count);

}  // namespace wormpair::model
