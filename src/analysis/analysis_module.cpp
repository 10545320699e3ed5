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

extern "C" __attribute__((visibility("default"))) void wormpairPatternCsv(
    const wormpair::DesignSnapshot& design, const wormpair::analysis::PatternSettings& settings,
    std::string& csv) {
    const wormpair::model::PairModeller modeller(design);
    csv = wormpair::analysis::patternCsv(modeller, settings);
}
