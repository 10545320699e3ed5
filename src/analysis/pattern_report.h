#pragma once

#include <vector>

#include "analysis/contact_service.h"
#include "drawing/sheet_frame.h"
#include "drawing/sheet_model.h"

// The marking pattern of a design as a one-page report sheet (the drawing
// layer writes it as DXF, PDF or SVG): the flank map, the design, the
// assembly errors and the results in the table, the method in the notes.

namespace wormpair::analysis {

// The first rows of an analysis report's table: the design and the worm.
std::vector<drawing::TableRow> designReportRows(const DesignSnapshot& design, model::WormKind worm);

drawing::Sheet patternReport(const DesignSnapshot& design, const PatternMap& map,
                             const PatternSettings& settings);

}  // namespace wormpair::analysis
