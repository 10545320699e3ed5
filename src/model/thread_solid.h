#pragma once

#include <Geom_BSplineSurface.hxx>
#include <TopoDS_Shape.hxx>
#include <TopoDS_Shell.hxx>

#include <vector>

#include "model/enveloping.h"
#include "model/pair_geometry.h"
#include "model/surface_fit.h"

// Solids of a threaded part (the worm and the hob) in the part's own frame.
// Each flank is fitted over (Z1, v) so that its four edges are the root, the
// tip and the two end planes; the tip and root lands are faces of the exact
// tori of the blank; the faces are sewn into one closed shell without any
// Boolean operation.

namespace wormpair::model {

// The first flank of the thread that starts at zero rotation, fitted over
// Z1 in [-L/2, L/2] and v in [0, 1].
struct FittedThreadFlank {
    Handle(Geom_BSplineSurface) surface;
    std::vector<double> axials;       // the sample rows, symmetric about 0
    std::vector<double> rootAngles;   // exact angle at v = 0 on each row, unwrapped
    std::vector<double> tipAngles;    // exact angle at v = 1 on each row
    SurfaceFitError error;            // measured between the samples
};

FittedThreadFlank fitThreadFlank(const EnvelopedFlank& flank);

// The whole part; throws ModelError when it cannot be closed into one
// valid solid.
TopoDS_Shape threadedPart(const FittedThreadFlank& flank, const ThreadedBody& body);

// The solid a sewn closed shell bounds, its faces turned outwards and held
// by a forward shell (a reversed shell is lost by some readers of STEP).
TopoDS_Shape solidOfShell(const TopoDS_Shape& sewn, const char* partName);

// Checks the shape is one valid closed solid of positive volume; throws
// ModelError otherwise.
void requireValidSolid(const TopoDS_Shape& shape, const char* partName);

}  // namespace wormpair::model
