#include "model/flank_graph.h"

#include "model/ground_flank.h"

#include "model/newton.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wormpair::model {

namespace {

const char* const kUndercut =
    "螺牙齿面在工作区内出现根切，或母平面包络不到（请检查设计参数）";

}  // namespace

std::vector<double> evenlySpaced(double first, double last, int count) {
    std::vector<double> values(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
        values[static_cast<std::size_t>(k)] =
            count == 1 ? first : first + (last - first) * k / (count - 1);
    return values;
}

double ThreadFlankGraph::radiusAt(double axial, double height) const {
    return m_flank.blank().radiusAt(axial, height);
}

ThreadFlankGraph::Point ThreadFlankGraph::at(double axial, double height,
                                             const Point& guess) const {
    const Meshing& g = m_flank.meshing();
    const double rho = radiusAt(axial, height);
    double phi = guess.wheelAngle, t = guess.lineParameter;
    const auto residual = [&](double p, double s) {
        const Vec3 r = m_flank.contactLine(p).at(s);
        return std::pair{std::hypot(r.x - g.centreDistance, r.z) - rho, r.y - axial};
    };
    // keep each step local: the contact line turns by little per step
    NewtonSettings settings;
    settings.differenceY = 1e-5;
    settings.largestStepX = 0.05;
    settings.largestStepY = 5.0;
    settings.iterations = 30;
    if (!solveTwo(residual, phi, t, settings)) throw ModelError(kUndercut);
    const SurfacePoint fixed = m_flank.fixedOnLine(phi, t);
    Point p;
    p.worm = {g.wormPoint(fixed.point, phi), g.wormDirection(fixed.normal, phi)};
    p.angle = std::atan2(p.worm.point.y, p.worm.point.x);
    p.wheelAngle = phi;
    p.lineParameter = t;
    return p;
}

ThreadFlankGraph::Point ThreadFlankGraph::throatStart() const {
    const EnvelopedFlank::Span s = m_flank.span(0);
    Point guess;
    guess.wheelAngle = 0;
    guess.lineParameter = (s.root + s.tip) / 2;
    // solve first at the axial position this contact point has, then slide
    const double axial = s.line.at(guess.lineParameter).y;
    Point p = at(axial, 0.5, guess);
    for (int k = 1; k <= 8; ++k) p = at(axial * (1 - k / 8.0), 0.5, p);
    return p;
}

std::vector<std::vector<ThreadFlankGraph::Point>> ThreadFlankGraph::grid(
    const std::vector<double>& axials, const std::vector<double>& heights) const {
    const std::size_t na = axials.size(), nh = heights.size();
    std::vector<std::vector<Point>> points(na, std::vector<Point>(nh));
    // the axial position nearest the throat starts every row
    const std::size_t middle = indexNearestZero(axials);
    Point start = throatStart();
    start = at(axials[middle], 0.5, start);
    // up and down the height at the middle axial position
    std::vector<Point> column(nh);
    for (std::size_t l = 0; l < nh; ++l) {
        Point p = start;
        const int steps = 4;
        for (int k = 1; k <= steps; ++k)
            p = at(axials[middle], 0.5 + (heights[l] - 0.5) * k / steps, p);
        p.angle = continuedAngle(p.angle, start.angle);
        column[l] = p;
    }
    for (std::size_t l = 0; l < nh; ++l) {
        points[middle][l] = column[l];
        for (int direction : {-1, 1}) {
            Point previous = column[l];
            for (std::size_t k = middle + direction; k < na; k += direction) {
                Point p = at(axials[k], heights[l], previous);
                p.angle = continuedAngle(p.angle, previous.angle);
                points[k][l] = p;
                previous = p;
                if (k == 0) break;
            }
        }
    }
    return points;
}

}  // namespace wormpair::model
