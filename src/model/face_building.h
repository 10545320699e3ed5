#pragma once

#include <Geom2d_Curve.hxx>
#include <Geom_Surface.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <gp_Pnt2d.hxx>

#include <vector>

// Faces of the exact surfaces of the blanks (tori, cylinders, surfaces of
// revolution) bounded by curves given in the surface's parameter plane.

namespace wormpair::model {

TopoDS_Edge edgeOnSurface(const Handle(Geom2d_Curve)& curve, const Handle(Geom_Surface)& surface);
TopoDS_Edge segmentOnSurface(const gp_Pnt2d& a, const gp_Pnt2d& b,
                             const Handle(Geom_Surface)& surface);

// The face inside one closed loop of such edges, whatever the loop's sense:
// the region is always the one the loop encloses in the parameter plane
// (on a periodic surface the other sense would be the rest of the surface).
TopoDS_Face faceWithinLoop(const Handle(Geom_Surface)& surface, const std::vector<TopoDS_Edge>& loop);

}  // namespace wormpair::model
