#pragma once

#include "calc/design_record.h"
#include "drawing/drawn_design.h"

namespace wormpair::drawing {

// The calculated design as it leaves the window or the tool's headless form
// (designSnapshot()), in the form the drawings take it.
Design drawnDesign(const DesignSnapshot& snapshot);

}  // namespace wormpair::drawing
