#include "model/surface_fit.h"

#include <GeomAPI_Interpolate.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <TColgp_HArray1OfPnt.hxx>
#include <gp_Vec.hxx>

#include <algorithm>
#include <cmath>

#include "model/enveloping.h"

namespace wormpair::model {

namespace {

gp_Pnt toPnt(const Vec3& v) { return gp_Pnt(v.x, v.y, v.z); }
Vec3 toVec3(const gp_XYZ& p) { return {p.X(), p.Y(), p.Z()}; }

}  // namespace

FittedCurve interpolateCurve(const std::function<Vec3(double)>& f, double first, double last,
                             int count) {
    Handle(TColgp_HArray1OfPnt) points = new TColgp_HArray1OfPnt(1, count);
    Handle(TColStd_HArray1OfReal) parameters = new TColStd_HArray1OfReal(1, count);
    for (int k = 0; k < count; ++k) {
        const double t = first + (last - first) * k / (count - 1);
        points->SetValue(k + 1, toPnt(f(t)));
        parameters->SetValue(k + 1, t);
    }
    GeomAPI_Interpolate interpolation(points, parameters, Standard_False, 1e-9);
    interpolation.Perform();
    if (!interpolation.IsDone()) throw ModelError("齿面曲线拟合失败");
    FittedCurve fitted{interpolation.Curve(), 0};
    for (int k = 0; k + 1 < count; ++k) {
        for (double share : {0.25, 0.5, 0.75}) {
            const double t = first + (last - first) * (k + share) / (count - 1);
            fitted.error =
                std::max(fitted.error, norm(toVec3(fitted.curve->Value(t).XYZ()) - f(t)));
        }
    }
    return fitted;
}

Handle(Geom_BSplineSurface) ruledSurface(const Handle(Geom_BSplineCurve)& c0,
                                         const Handle(Geom_BSplineCurve)& c1) {
    const int poles = c0->NbPoles();
    if (c1->NbPoles() != poles || c1->Degree() != c0->Degree() || c1->NbKnots() != c0->NbKnots())
        throw ModelError("齿面曲线不相容");
    TColgp_Array2OfPnt net(1, poles, 1, 2);
    for (int k = 1; k <= poles; ++k) {
        net.SetValue(k, 1, c0->Pole(k));
        net.SetValue(k, 2, c1->Pole(k));
    }
    TColStd_Array1OfReal uKnots(1, c0->NbKnots());
    TColStd_Array1OfInteger uMults(1, c0->NbKnots());
    c0->Knots(uKnots);
    c0->Multiplicities(uMults);
    TColStd_Array1OfReal vKnots(1, 2);
    vKnots.SetValue(1, 0.0);
    vKnots.SetValue(2, 1.0);
    TColStd_Array1OfInteger vMults(1, 2);
    vMults.SetValue(1, 2);
    vMults.SetValue(2, 2);
    return new Geom_BSplineSurface(net, uKnots, vKnots, uMults, vMults, c0->Degree(), 1);
}

SurfaceFitError measureFit(const Handle(Geom_BSplineSurface)& surface,
                           const std::function<SurfacePoint(double, double)>& evaluate,
                           int countU, int countV) {
    double u0, u1, v0, v1;
    surface->Bounds(u0, u1, v0, v1);
    SurfaceFitError worst;
    for (int i = 0; i < countU; ++i) {
        const double u = u0 + (u1 - u0) * (i + 0.5) / countU;
        for (int j = 0; j <= countV; ++j) {
            const double v = v0 + (v1 - v0) * j / countV;
            gp_Pnt p;
            gp_Vec du, dv;
            surface->D1(u, v, p, du, dv);
            const SurfacePoint exact = evaluate(u, v);
            worst.distance = std::max(worst.distance, norm(toVec3(p.XYZ()) - exact.point));
            const Vec3 n = normalized(toVec3(du.Crossed(dv).XYZ()));
            const double c = std::min(1.0, std::abs(dot(n, exact.normal)));
            worst.normalAngle = std::max(worst.normalAngle, std::acos(c));
        }
    }
    return worst;
}

}  // namespace wormpair::model
