#include "model/surface_fit.h"

#include <Geom2dAPI_Interpolate.hxx>
#include <GeomAPI_Interpolate.hxx>
#include <GeomAPI_PointsToBSpline.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <TColgp_HArray1OfPnt.hxx>
#include <TColgp_HArray1OfPnt2d.hxx>
#include <gp_Vec.hxx>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "model/enveloping.h"

namespace wormpair::model {

namespace {

Handle(TColStd_HArray1OfReal) parameterArray(const std::vector<double>& parameters) {
    Handle(TColStd_HArray1OfReal) t =
        new TColStd_HArray1OfReal(1, static_cast<int>(parameters.size()));
    for (std::size_t k = 0; k < parameters.size(); ++k)
        t->SetValue(static_cast<int>(k) + 1, parameters[k]);
    return t;
}

std::vector<double> evenly(double first, double step, int count) {
    std::vector<double> values;
    for (int k = 0; k < count; ++k) values.push_back(first + step * k);
    return values;
}

}  // namespace

Handle(Geom_BSplineCurve) interpolateCurve(const std::vector<Vec3>& points,
                                           const std::vector<double>& parameters) {
    Handle(TColgp_HArray1OfPnt) p = new TColgp_HArray1OfPnt(1, static_cast<int>(points.size()));
    for (std::size_t k = 0; k < points.size(); ++k)
        p->SetValue(static_cast<int>(k) + 1, gp_Pnt(points[k].x, points[k].y, points[k].z));
    GeomAPI_Interpolate interpolation(p, parameterArray(parameters), Standard_False, 1e-12);
    interpolation.Perform();
    if (!interpolation.IsDone()) throw ModelError("曲面拟合失败");
    return interpolation.Curve();
}

Handle(Geom_BSplineCurve)
    approximateCurve(const std::vector<Vec3>& points, const std::vector<double>& parameters,
                     double tolerance) {
    TColgp_Array1OfPnt p(1, static_cast<int>(points.size()));
    for (std::size_t k = 0; k < points.size(); ++k)
        p.SetValue(static_cast<int>(k) + 1, gp_Pnt(points[k].x, points[k].y, points[k].z));
    GeomAPI_PointsToBSpline approximation(p, parameterArray(parameters)->Array1(), 3, 8, GeomAbs_C2,
                                          tolerance);
    if (!approximation.IsDone()) return interpolateCurve(points, parameters);
    return approximation.Curve();
}

Handle(Geom2d_BSplineCurve) interpolateCurve2d(const std::vector<gp_Pnt2d>& points,
                                               const std::vector<double>& parameters) {
    Handle(TColgp_HArray1OfPnt2d) p =
        new TColgp_HArray1OfPnt2d(1, static_cast<int>(points.size()));
    for (std::size_t k = 0; k < points.size(); ++k) p->SetValue(static_cast<int>(k) + 1, points[k]);
    Geom2dAPI_Interpolate interpolation(p, parameterArray(parameters), Standard_False, 1e-12);
    interpolation.Perform();
    if (!interpolation.IsDone()) throw ModelError("边线拟合失败");
    return interpolation.Curve();
}

SampleGrid::SampleGrid(double first, double last, int countU, double low, double high,
                       int countV, int outside)
    : beyond(outside), u0(first), u1(last), v0(low), v1(high) {
    const double du = (last - first) / (countU - 1), dv = (high - low) / (countV - 1);
    us = evenly(first - outside * du, du, countU + 2 * outside);
    vs = evenly(low - outside * dv, dv, countV + 2 * outside);
    // the face's own edges exactly, not as sums of steps
    us[static_cast<std::size_t>(outside)] = first;
    us[static_cast<std::size_t>(outside + countU - 1)] = last;
    vs[static_cast<std::size_t>(outside)] = low;
    vs[static_cast<std::size_t>(outside + countV - 1)] = high;
}

Handle(Geom_BSplineSurface) interpolateSurface(const std::vector<std::vector<Vec3>>& points,
                                               const SampleGrid& grid) {
    const std::size_t nu = grid.us.size(), nv = grid.vs.size();
    // along u for every v, then the poles of those curves along v
    std::vector<Handle(Geom_BSplineCurve)> rows;
    for (std::size_t j = 0; j < nv; ++j) {
        std::vector<Vec3> row;
        for (std::size_t i = 0; i < nu; ++i) row.push_back(points[i][j]);
        rows.push_back(interpolateCurve(row, grid.us));
    }
    const int poles = rows[0]->NbPoles();
    std::vector<Handle(Geom_BSplineCurve)> columns;
    for (int i = 1; i <= poles; ++i) {
        std::vector<Vec3> column;
        for (const auto& row : rows) {
            const gp_Pnt p = row->Pole(i);
            column.push_back({p.X(), p.Y(), p.Z()});
        }
        columns.push_back(interpolateCurve(column, grid.vs));
    }
    const Handle(Geom_BSplineCurve)& u = rows.front();
    const Handle(Geom_BSplineCurve)& v = columns.front();
    TColgp_Array2OfPnt net(1, poles, 1, v->NbPoles());
    for (int i = 1; i <= poles; ++i)
        for (int j = 1; j <= v->NbPoles(); ++j)
            net.SetValue(i, j, columns[static_cast<std::size_t>(i - 1)]->Pole(j));
    TColStd_Array1OfReal uKnots(1, u->NbKnots()), vKnots(1, v->NbKnots());
    TColStd_Array1OfInteger uMults(1, u->NbKnots()), vMults(1, v->NbKnots());
    u->Knots(uKnots);
    u->Multiplicities(uMults);
    v->Knots(vKnots);
    v->Multiplicities(vMults);
    Handle(Geom_BSplineSurface) surface = new Geom_BSplineSurface(
        net, uKnots, vKnots, uMults, vMults, u->Degree(), v->Degree());
    surface->Segment(grid.u0, grid.u1, grid.v0, grid.v1);
    return surface;
}

double sewingTolerance(const SurfaceFitError& error) { return std::max(1e-4, 3 * error.distance); }

void requireGoodFit(const SurfaceFitError& error, const char* partName) {
    constexpr double kLargestDistance = 0.001;    // mm
    constexpr double kLargestNormalAngle = 0.01;  // rad
    if (!(error.distance <= kLargestDistance && error.normalAngle <= kLargestNormalAngle)) {
        char millimetres[32];
        std::snprintf(millimetres, sizeof millimetres, "%.4f", error.distance);
        throw RoughFlankError(std::string(partName) + "齿面无法光滑拟合（误差 " + millimetres +
                         " mm），未生成实体（请检查设计参数）");
    }
}

SurfaceFitError measureFit(
    const Handle(Geom_BSplineSurface)& surface, const SampleGrid& grid,
    const std::function<SurfacePoint(double, double, std::size_t, std::size_t)>& exact) {
    SurfaceFitError worst;
    const auto first = static_cast<std::size_t>(grid.beyond);
    const std::size_t lastU = grid.us.size() - first - 1, lastV = grid.vs.size() - first - 1;
    for (std::size_t i = first; i <= lastU; ++i) {
        for (std::size_t j = first; j <= lastV; ++j) {
            const double us[] = {grid.us[i], i < lastU ? (grid.us[i] + grid.us[i + 1]) / 2 : grid.us[i]};
            const double vs[] = {grid.vs[j], j < lastV ? (grid.vs[j] + grid.vs[j + 1]) / 2 : grid.vs[j]};
            for (double u : us) {
                for (double v : vs) {
                    const SurfacePoint e = exact(u, v, i, j);
                    gp_Pnt p;
                    gp_Vec du, dv;
                    surface->D1(u, v, p, du, dv);
                    worst.distance = std::max(worst.distance, norm(Vec3{p.X(), p.Y(), p.Z()} - e.point));
                    const gp_Vec n = du.Crossed(dv).Normalized();
                    const double c = std::min(
                        1.0, std::abs(n.X() * e.normal.x + n.Y() * e.normal.y + n.Z() * e.normal.z));
                    worst.normalAngle = std::max(worst.normalAngle, std::acos(c));
                }
            }
        }
    }
    return worst;
}

}  // namespace wormpair::model
