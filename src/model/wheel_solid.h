#pragma once

#include <Geom_BSplineCurve.hxx>
#include <Geom_BSplineSurface.hxx>
#include <TopoDS_Shape.hxx>

#include <vector>

#include "model/pair_geometry.h"
#include "model/surface_fit.h"
#include "model/wheel_envelope.h"

// The wheel: a blank (outside cylinder, throat torus about the worm axis,
// rim width about the middle plane) with its tooth spaces as the hob cuts
// them in one pass at full depth. The first flank of a space is cut into
// pieces: one per tip surface (outside cylinder, throat torus, outside
// cylinder), and where the limit line runs from root to tip inside a piece,
// a piece on the plane (a planar face) and a piece of second contact. Each
// piece is fitted over (s, w) in [0, 1]: s from its lower to its upper
// height, w from the root the hob's tip sweeps to the blank's tip, so every
// edge is a line of constant s or w; the faces are sewn without any Boolean
// operation.

namespace wormpair::model {

struct WheelFlankPiece {
    Handle(Geom_BSplineSurface) surface;  // (s, w) in [0, 1]^2, first flank, wheel frame
    bool planar = false;                  // all on the generating plane
    bool secondContact = false;           // all of second contact
    bool onTorus = false;                 // ends on the throat torus (else the cylinder)
    int tipPiece = 0;                     // which tip surface range it lies in
    // exact samples along s on the root (w = 0) and the tip (w = 1)
    std::vector<double> rootHeights, rootAngles, tipHeights, tipAngles;
};

struct FittedWheelFlank {
    std::vector<WheelFlankPiece> pieces;     // by rising height
    std::vector<double> tipBreaks;           // tip piece k spans [k], [k + 1]
    Handle(Geom_BSplineCurve) rootMeridian;  // (r(z), 0, z), parameter z
    // the same within a hundredth of a micrometre in a few poles: the root
    // land's surface, so that its edges are not made of every sample
    Handle(Geom_BSplineCurve) rootLandMeridian;
    SurfaceFitError error;                   // of the fitted pieces, measured
    double rootError = 0;                    // of the meridian, radius in mm
};

FittedWheelFlank fitWheelFlank(const WheelEnvelope& envelope, const PairGeometry& pair);

TopoDS_Shape wheelPart(const FittedWheelFlank& flank, const WheelBlank& blank);

// The wheel whose teeth were cut up to +/-cutHalf (wheelPart of the blank
// that wide) with the rim beyond, which the hob does not reach, left as the
// blank: the teeth fade out towards the sides.
TopoDS_Shape withUncutRim(const TopoDS_Shape& cut, const WheelBlank& blank, double cutHalf);

}  // namespace wormpair::model
