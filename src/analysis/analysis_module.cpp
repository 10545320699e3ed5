// The contact analysis as the model module exports it (contact_service.h).
#include "analysis/contact_lines.h"
#include "analysis/contact_service.h"
#include "analysis/marking_pattern.h"

extern "C" __attribute__((visibility("default"))) void wormpairContactCsv(
    const wormpair::DesignSnapshot& design, const wormpair::analysis::ContactSettings& settings,
    std::string& csv) {
    const wormpair::model::PairModeller modeller(design);
    csv = wormpair::analysis::contactCsv(modeller, settings);
}

extern "C" __attribute__((visibility("default"))) void wormpairMarkingPattern(
    const wormpair::DesignSnapshot& design, const wormpair::analysis::PatternSettings& settings,
    wormpair::analysis::PatternMap& map) {
    using namespace wormpair::analysis;
    const wormpair::model::PairModeller modeller(design);
    const MarkingPattern pattern = markingPattern(modeller, settings);
    map.heights = pattern.heights;
    map.radii = pattern.radii;
    for (const PatternPoint& p : pattern.points) {
        map.points.push_back(p.point);
        map.gaps.push_back(p.gap);
        map.marked.push_back(p.marked);
    }
    map.firstContact = pattern.firstContact;
    map.flankShare = pattern.flankShare;
    map.lengthShare = pattern.lengthShare;
    map.heightShare = pattern.heightShare;
    map.centre = pattern.centre;
    map.csv = patternCsv(modeller, pattern, settings);
}
