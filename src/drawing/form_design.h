#pragma once

#include "drawing/drawn_design.h"

namespace wormpair {
class DesignController;
class MainForm;
}  // namespace wormpair

namespace wormpair::drawing {

// The calculated design as the window (or the tool's headless form) holds
// it: the texts of the fields, the grade's tolerance texts and the record.
Design formDesign(const MainForm& form, const DesignController& design);

}  // namespace wormpair::drawing
