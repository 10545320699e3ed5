#pragma once

#include <Geom2d_BSplineCurve.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_BSplineSurface.hxx>
#include <gp_Pnt2d.hxx>
#include <numbers>

#include <cstddef>
#include <functional>
#include <vector>

#include "model/model_types.h"
#include "model/vec3.h"

// B-spline curves and surfaces through exact evaluators. Surfaces are
// sampled two steps beyond every edge of their face and trimmed back, so
// the less accurate ends of the interpolation fall outside the face; the
// error is measured against the evaluator between the samples, not taken
// from the fitter.

namespace wormpair::model {

// Curves through points at the given parameters (equal parameter lists give
// equal knots).
Handle(Geom_BSplineCurve) interpolateCurve(const std::vector<Vec3>& points,
                                           const std::vector<double>& parameters);
// A cubic within `tolerance` of the points at the given parameters, with as
// few poles as that allows (a densely sampled curve need not carry a pole
// for every sample); the parameters stay the curve's.
Handle(Geom_BSplineCurve) approximateCurve(const std::vector<Vec3>& points,
                                           const std::vector<double>& parameters, double tolerance);
Handle(Geom2d_BSplineCurve) interpolateCurve2d(const std::vector<gp_Pnt2d>& points,
                                               const std::vector<double>& parameters);

// Samples for a face over [u0, u1] x [v0, v1] with countU x countV samples on
// it and `beyond` more past each edge.
struct SampleGrid {
    SampleGrid(double u0, double u1, int countU, double v0, double v1, int countV, int beyond);
    std::vector<double> us, vs;  // all samples, the face's first at index `beyond`
    int beyond;
    double u0, u1, v0, v1;
};

// The tensor-product interpolant of points[i][j] at (grid.us[i], grid.vs[j]),
// trimmed to the face.
Handle(Geom_BSplineSurface) interpolateSurface(const std::vector<std::vector<Vec3>>& points,
                                               const SampleGrid& grid);

// The accuracy the models promise on their flanks (a thousandth of what a
// flank's tolerance allows, far finer than any measuring machine): a fitted
// flank is sampled more densely until it is within both, and no more.
inline constexpr double kFlankDistanceTarget = 0.0005;          // mm
inline constexpr double kFlankNormalTarget = 0.02 * std::numbers::pi / 180;  // rad, 0.02 degree
inline bool withinFitTarget(const SurfaceFitError& error) {
    return error.distance <= kFlankDistanceTarget && error.normalAngle <= kFlankNormalTarget;
}

// The tolerance faces are sewn with: edges of exact curves meet fitted
// surfaces within the fitting error.
double sewingTolerance(const SurfaceFitError& error);

// Throws RoughFlankError when a fitted flank strays too far from its evaluator
// to be a model of it (the design's flank is not a smooth surface there).
void requireGoodFit(const SurfaceFitError& error, const char* partName);

// Largest differences between the surface and exact(u, v, i, j) in the
// middle of the face's cells and their edges; (i, j) names the sample at the
// cell's lower corner (for the evaluator's start).
SurfaceFitError measureFit(
    const Handle(Geom_BSplineSurface)& surface, const SampleGrid& grid,
    const std::function<SurfacePoint(double u, double v, std::size_t i, std::size_t j)>& exact);

}  // namespace wormpair::model
