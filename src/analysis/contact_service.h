#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calc/design_record.h"
#include "model/model_types.h"
#include "model/vec3.h"

// What the window and the tool ask of the contact analysis. It runs on the
// flank evaluators inside the model module, loaded on first use as the
// models are, so that neither program links the CAD kernel.

namespace wormpair {
struct ProgramLayout;
}

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

// A point of a flank as its map draws it: along the part's axis and from
// it, mm (the worm's Z1 and radius; the wheel's z across its face and radius).
struct FlankPlace {
    double axial = 0, radius = 0;
};

// The contact lines (contact_lines.h) as the window and the report draw
// them, on the worm's flank and on the wheel's, with their CSV.
struct ContactMap {
    struct Line {
        int position = 0;
        int kind = 1;  // 1 the plane's contact, 2 the second contact
        std::vector<FlankPlace> onWorm, onWheel;
        std::vector<double> lubricationAngle;  // degrees
        std::vector<double> slidingSpeed;      // m/s
        std::vector<double> inducedCurvature;  // 1/mm
    };
    std::vector<Line> lines;
    int positions = 0;
    // the flanks' edges: the worm's root and tip over its length, the
    // wheel's root (as far as the hob reaches) and tip over its face
    std::vector<FlankPlace> wormRoot, wormTip, wheelRoot, wheelTip;
    std::string csv;
};

// The design's contact lines, from the module in the program directory
// (ending with '/'). Throws ModelError with the reason when the design
// gives no model or the module cannot be loaded.
ContactMap contactMap(const std::string& programDirectory, const DesignSnapshot& design,
                      const ContactSettings& settings);

// The marking pattern (marking_pattern.h) as the window draws it, with its CSV.
struct PatternMap {
    int heights = 0, radii = 0;       // samples across the face, root to tip
    std::vector<model::Vec3> points;  // [height * radii + radius], wheel frame, mm
    std::vector<double> gaps;         // mm; NaN where no worm flank passes
    std::vector<char> marked;
    double firstContact = 0;  // mm, before the backlash is taken up
    double pitchClearance = 0;  // mm, likewise at the pitch point
    double flankShare = 0, lengthShare = 0, heightShare = 0;
    model::Vec3 centre;
    std::string csv;
    double halfWidth = 0;  // mm: the columns run from -halfWidth to +halfWidth
    // the flank's root and tip radius on each column (mm), and the plane's
    // contact lines at seven positions of one pitch, moved into this tooth
    // space (wheel frame)
    std::vector<double> rootRadii, tipRadii;
    std::vector<std::vector<model::Vec3>> contactLines;
};

// The contact lines in the map's cells: x across the face (0 … heights),
// y root to tip (0 … radii), for drawing over the pattern.
std::vector<std::vector<std::pair<double, double>>> contactLinesInCells(const PatternMap& map);

// The errors the design's grade allows its assembly: the grade row's ±fa
// and ±fx (mm; the worm's axial position, which has no row, is held to
// ±fx too) and ±fΣ over the wheel's face width as an angle (degrees).
struct PatternLimits {
    double centreDistance = 0, shift = 0, shaftAngle = 0;
};
// Nothing when the rules give no row for the design; throws
// DatabaseError where the rules cannot be read.
std::optional<PatternLimits> patternLimits(const ProgramLayout& layout,
                                           const DesignSnapshot& design);

// The marking pattern from the module, as contactCsv.
PatternMap markingPattern(const std::string& programDirectory, const DesignSnapshot& design,
                          const PatternSettings& settings);

}  // namespace wormpair::analysis

// What the module exports; throws as contactMap does.
extern "C" void wormpairContactMap(const wormpair::DesignSnapshot& design,
                                   const wormpair::analysis::ContactSettings& settings,
                                   wormpair::analysis::ContactMap& map);
extern "C" void wormpairMarkingPattern(const wormpair::DesignSnapshot& design,
                                       const wormpair::analysis::PatternSettings& settings,
                                       wormpair::analysis::PatternMap& map);
