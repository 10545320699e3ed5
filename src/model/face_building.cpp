#include "model/face_building.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepLib.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Tool.hxx>
#include <GCE2d_MakeSegment.hxx>
#include <ShapeFix_Face.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Wire.hxx>

#include "model/enveloping.h"

namespace wormpair::model {

namespace {

// Twice the signed area the wire encloses in the face's parameter plane.
double parameterArea(const TopoDS_Wire& wire, const TopoDS_Face& face) {
    double area = 0;
    for (BRepTools_WireExplorer e(wire, face); e.More(); e.Next()) {
        const TopoDS_Edge& edge = e.Current();
        double first, last;
        const Handle(Geom2d_Curve) c = BRep_Tool::CurveOnSurface(edge, face, first, last);
        if (c.IsNull()) continue;
        if (edge.Orientation() == TopAbs_REVERSED) std::swap(first, last);
        gp_Pnt2d previous = c->Value(first);
        for (int k = 1; k <= 16; ++k) {
            const gp_Pnt2d p = c->Value(first + (last - first) * k / 16);
            area += previous.X() * p.Y() - p.X() * previous.Y();
            previous = p;
        }
    }
    return area;
}

}  // namespace

TopoDS_Edge edgeOnSurface(const Handle(Geom2d_Curve)& curve, const Handle(Geom_Surface)& surface) {
    BRepBuilderAPI_MakeEdge edge(curve, surface);
    if (!edge.IsDone()) throw ModelError("边线生成失败");
    return edge.Edge();
}

TopoDS_Edge segmentOnSurface(const gp_Pnt2d& a, const gp_Pnt2d& b,
                             const Handle(Geom_Surface)& surface) {
    return edgeOnSurface(GCE2d_MakeSegment(a, b).Value(), surface);
}

TopoDS_Face faceWithinLoop(const Handle(Geom_Surface)& surface, const std::vector<TopoDS_Edge>& loop) {
    BRepBuilderAPI_MakeWire wire;
    for (const TopoDS_Edge& e : loop) wire.Add(e);
    if (!wire.IsDone()) throw ModelError("面的边界不闭合");
    TopoDS_Wire w = wire.Wire();
    TopoDS_Face f = BRepBuilderAPI_MakeFace(surface, w, Standard_True).Face();
    if (parameterArea(w, f) < 0) {
        w.Reverse();
        f = BRepBuilderAPI_MakeFace(surface, w, Standard_True).Face();
    }
    // a tenth of a micrometre is far within what the edges must meet (the
    // flanks are fitted to half a micrometre); finer only multiplies poles
    BRepLib::BuildCurves3d(f, 1e-5);
    ShapeFix_Face fix(f);
    fix.FixOrientationMode() = 0;  // the sense is already the enclosing one
    fix.Perform();
    return fix.Face();
}

}  // namespace wormpair::model
