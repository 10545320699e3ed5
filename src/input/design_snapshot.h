#pragma once

#include "calc/design_record.h"

namespace wormpair {

class DesignController;
class MainForm;

// The design as the form and the controller hold it now.
DesignSnapshot designSnapshot(const MainForm& form, const DesignController& design);

}  // namespace wormpair
