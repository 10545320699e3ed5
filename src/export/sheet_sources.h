#pragma once

#include "export/parameter_sheets.h"

namespace wormpair {

class DesignController;
class MainForm;

// The sources of the parameter sheets as the form and the design stand now.
SheetSources sheetSources(const MainForm& form, const DesignController& design);

}  // namespace wormpair
