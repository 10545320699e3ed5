#pragma once

#include <Geom_BSplineCurve.hxx>
#include <Geom_BSplineSurface.hxx>

#include <functional>

#include "model/vec3.h"

// B-spline curves and surfaces through exact evaluators, with the error
// measured back against the evaluator between the samples (not the
// fitter's own estimate).

namespace wormpair::model {

struct FittedCurve {
    Handle(Geom_BSplineCurve) curve;  // parameter = the evaluator's parameter
    double error = 0;                 // largest distance found between the samples
};

// Interpolates f at count parameters evenly spaced over [first, last].
FittedCurve interpolateCurve(const std::function<Vec3(double)>& f, double first, double last,
                             int count);

// The ruled surface S(u, v) = (1 - v) c0(u) + v c1(u), v in [0, 1]; the two
// curves must share degree and knots (interpolated at the same parameters).
Handle(Geom_BSplineSurface) ruledSurface(const Handle(Geom_BSplineCurve)& c0,
                                         const Handle(Geom_BSplineCurve)& c1);

struct SurfaceFitError {
    double distance = 0;     // mm
    double normalAngle = 0;  // radians
};

// Compares the surface with the evaluator at (u, v) on a grid that falls
// between the samples; evaluate gives the exact point and unit normal at
// the surface's own parameters.
SurfaceFitError measureFit(const Handle(Geom_BSplineSurface)& surface,
                           const std::function<SurfacePoint(double, double)>& evaluate,
                           int countU, int countV);

}  // namespace wormpair::model
