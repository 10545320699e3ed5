#pragma once

#include <string>

#include "calc/design_record.h"
#include "model/model_types.h"

// What the window and the tool ask of the contact analysis. It runs on the
// flank evaluators inside the model module, loaded on first use as the
// models are, so that neither program links the CAD kernel.

namespace wormpair::analysis {

struct ContactSettings {
    model::WormKind worm = model::WormKind::Ground;
    int positions = 7;        // over one angular pitch of the wheel
    double wormSpeed = 1000;  // r/min
    int heights = 31;         // candidate points root to tip on each line
};

// The contact lines' CSV (contact_lines.h) of the design, from the module
// in the program directory (ending with '/'). Throws ModelError with the
// reason when the design gives no model or the module cannot be loaded.
std::string contactCsv(const std::string& programDirectory, const DesignSnapshot& design,
                       const ContactSettings& settings);

}  // namespace wormpair::analysis

// What the module exports: the CSV into csv; throws as contactCsv does.
extern "C" void wormpairContactCsv(const wormpair::DesignSnapshot& design,
                                   const wormpair::analysis::ContactSettings& settings,
                                   std::string& csv);
