#pragma once

#include <QPointF>
#include <QStringList>

#include <vector>

#include "drawing/sheet_frame.h"
#include "drawing/sheet_model.h"

// The one-page report of the meshing analysis: the marking pattern on the
// wheel flank drawn as the marking test shows it, the settings and the
// results in the table, the method in the notes; written as the working
// drawings are (DXF, PDF, SVG).

namespace wormpair::drawing {

// The sampled wheel flank: `heights` columns across the face width (from
// -halfWidth to +halfWidth), `radii` rows root to tip.
struct PatternFigure {
    int heights = 0, radii = 0;
    std::vector<double> gaps;  // [height * radii + radius], mm; NaN where no worm flank passes
    std::vector<char> marked;
    double halfWidth = 0;  // mm
    // lines over the map in cell units: x across (0 … heights), y up (0 … radii)
    std::vector<std::vector<QPointF>> lines;
};

Sheet patternReportSheet(const PatternFigure& figure, std::vector<TableRow> rows, QStringList notes,
                         SheetSize size = SheetSize::A4);

}  // namespace wormpair::drawing
