#pragma once

#include <string>
#include <vector>

#include "analysis/contact_service.h"
#include "model/pair_model.h"
#include "model/vec3.h"

// The marking pattern (涂色接触斑点) on the wheel's first flank, as an
// assembler's marking test shows it: the pair turns through the whole
// contact zone, and each point of the wheel flank sees the worm flank come
// closest at some instant; turned by the backlash until the worm first
// touches, the points that come within the compound's thickness take the
// colour. The pair may
// be assembled with errors (centre distance, the wheel along its axis, the
// worm along its axis, the shaft angle).
//
// The gap is measured as an angle round the worm's axis from the worm flank
// (as ground, or the theoretical one), so that taking up the backlash
// subtracts one angle everywhere, and taken along the flank's normal: first
// order in the gap, exact where it is zero.

namespace wormpair::analysis {

struct PatternPoint {
    model::Vec3 point;  // wheel frame, mm
    double gap = 0;     // mm, the worm turned to first contact; NaN where it never faces it
    bool marked = false;
};

struct MarkingPattern {
    int heights = 0, radii = 0;
    std::vector<PatternPoint> points;  // [height * radii + radius], across the face, root to tip
    double halfWidth = 0;              // mm: the columns run from -halfWidth to +halfWidth
    std::vector<double> rootRadii, tipRadii;  // the flank's root and tip on each column, mm
    double firstContact = 0;  // mm, along the normal where it first touches, before turning
    // mm, likewise at the pitch point (the wheel's reference circle in the
    // middle plane); NaN where the worm does not pass it
    double pitchClearance = 0;
    model::Vec3 centre;       // of the marked points, wheel frame
    double flankShare = 0;    // of the points the worm faces
    double lengthShare = 0;   // the marked span across the face width
    double heightShare = 0;   // the marked span root to tip
};

// Throws ModelError with the model's reason when the design gives no model
// or the worm faces no point of the wheel flank.
MarkingPattern markingPattern(const model::PairModeller& modeller, const PatternSettings& settings);

// The CSV text: header lines beginning with '#' (frame, units, design,
// errors, the pattern's share, extent and centre), the column names
// x,y,z,gap_mm, one row per sampled point.
std::string patternCsv(const model::PairModeller& modeller, const MarkingPattern& pattern,
                       const PatternSettings& settings);

}  // namespace wormpair::analysis
