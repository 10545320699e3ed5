#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/pair_model.h"
#include "model/vec3.h"

// Points and unit normals of a flank on a grid over its working zone, in the
// part's own frame, as a CSV a measuring program imports (X, Y, Z and the
// normal I, J, K pointing out of the material).

namespace wormpair::model {

struct InspectionPoint {
    Vec3 point;
    Vec3 normal;  // unit, out of the material
};

// Rows along the length, columns from the root to the tip; the working zone
// leaves a tenth of the tooth height at root and tip and 2.5 % of the
// length (or width) at each end, where a probe cannot touch.
std::vector<InspectionPoint> inspectionPoints(const PairModeller& modeller, InspectedFlank flank,
                                              WormKind kind, GridSize size);

// The CSV text: header lines (frame, units, design, hand, grid), then one
// row per point.
std::string inspectionCsv(const PairModeller& modeller, InspectedFlank flank, WormKind kind,
                          GridSize size);

}  // namespace wormpair::model
