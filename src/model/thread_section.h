#pragma once

#include <vector>

#include "model/pair_geometry.h"

// Sections of a thread as the grinding makes it (the ground flank), for the
// drawings: the real outline where formula lines would cross themselves.

namespace wormpair::model {

struct SectionPoint {
    double along = 0;   // in the plane, along the worm's axis side
    double height = 0;  // from the worm's axis towards the wheel centre
};

enum class SectionPlane {
    Axial,          // through the axis and the wheel centre
    NormalToThread  // through the line to the wheel centre, square to the thread at the throat
};

// The outline of the thread in that plane over |along| <= halfWidth: the
// root, the flanks and the tips from left to right, the tooth or space at
// the throat centred on along = 0. Teeth whose flanks meet below the tip
// end in their point; spaces whose flanks meet above the root in theirs.
// Throws ModelError where the thread cannot be ground.
std::vector<SectionPoint> threadSectionOutline(const ThreadDesign& thread, SectionPlane plane,
                                               double halfWidth);

}  // namespace wormpair::model
