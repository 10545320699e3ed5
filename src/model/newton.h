#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

// Two equations in two unknowns by Newton's method, the Jacobian from
// forward differences: how every point of a flank is found (a contact line
// through a circle, the second contact at a radius and height, the throat
// crossing).

namespace wormpair::model {

struct NewtonSettings {
    double differenceX = 1e-7;  // forward-difference steps
    double differenceY = 1e-6;
    // the largest move of each unknown in one step: a step is shrunk, not
    // cut, so the solution follows the nearest branch
    double largestStepX = std::numeric_limits<double>::infinity();
    double largestStepY = std::numeric_limits<double>::infinity();
    double singular = 1e-14;  // |det J| at or below: no solution here
    int iterations = 40;
};

// Solves residual(x, y) = (0, 0) from (x, y); true when both residuals end
// within 1e-8, false on a singular Jacobian or no convergence.
template <typename Residual>
bool solveTwo(const Residual& residual, double& x, double& y, const NewtonSettings& s = {}) {
    for (int iteration = 0; iteration < s.iterations; ++iteration) {
        const auto [f1, f2] = residual(x, y);
        if (std::abs(f1) < 1e-11 && std::abs(f2) < 1e-11) break;
        const auto [a1, a2] = residual(x + s.differenceX, y);
        const auto [b1, b2] = residual(x, y + s.differenceY);
        const double j11 = (a1 - f1) / s.differenceX, j12 = (b1 - f1) / s.differenceY;
        const double j21 = (a2 - f2) / s.differenceX, j22 = (b2 - f2) / s.differenceY;
        const double det = j11 * j22 - j12 * j21;
        if (!(std::abs(det) > s.singular)) return false;
        const double dx = (f1 * j22 - f2 * j12) / det;
        const double dy = (j11 * f2 - j21 * f1) / det;
        const double scale =
            std::max({1.0, std::abs(dx) / s.largestStepX, std::abs(dy) / s.largestStepY});
        x -= dx / scale;
        y -= dy / scale;
    }
    const auto [f1, f2] = residual(x, y);
    return std::abs(f1) < 1e-8 && std::abs(f2) < 1e-8;
}

}  // namespace wormpair::model
