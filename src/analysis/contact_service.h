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

// What the marking pattern (涂色接触斑点) is taken under: the worm, the
// assembly's errors and the thickness of the marking compound.
struct PatternSettings {
    model::WormKind worm = model::WormKind::Ground;
    double centreDistanceError = 0;  // delta a, mm (the worm farther from the wheel: +)
    double wheelShift = 0;           // the wheel along its axis, mm
    double wormShift = 0;            // the worm along its axis, mm
    double shaftAngleError = 0;      // about the common perpendicular, degrees
    double compound = 0.006;         // mm
    int heights = 41;                // samples across the wheel's face width
    int radii = 21;                  // samples root to tip
    int positions = 120;             // worm positions over one angular pitch of the wheel
};

// The contact lines' CSV (contact_lines.h) of the design, from the module
// in the program directory (ending with '/'). Throws ModelError with the
// reason when the design gives no model or the module cannot be loaded.
std::string contactCsv(const std::string& programDirectory, const DesignSnapshot& design,
                       const ContactSettings& settings);

// The marking pattern's CSV (marking_pattern.h), from the module likewise.
std::string patternCsv(const std::string& programDirectory, const DesignSnapshot& design,
                       const PatternSettings& settings);

}  // namespace wormpair::analysis

// What the module exports: the CSV into csv; throws as contactCsv does.
extern "C" void wormpairContactCsv(const wormpair::DesignSnapshot& design,
                                   const wormpair::analysis::ContactSettings& settings,
                                   std::string& csv);
extern "C" void wormpairPatternCsv(const wormpair::DesignSnapshot& design,
                                   const wormpair::analysis::PatternSettings& settings,
                                   std::string& csv);
