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

// The colour (0xRRGGBB) of the place t (0 … 1) on a map's scale: blue
// through green and yellow to red.
int scaleColour(double t);

// The contact lines on one flank: x along the part's axis, y the distance
// from it (mm); each point with the value the map shows.
struct FlankLines {
    QString name;  // 蜗杆齿面 …
    std::vector<QPointF> root, tip;
    struct Line {
        std::vector<QPointF> points;
        std::vector<double> values;
        bool second = false;  // the second contact: dashed
    };
    std::vector<Line> lines;
};

// One quantity along the contact lines on the worm's and the wheel's flank,
// coloured on the scale low … high.
struct ContactMaps {
    QString quantity;  // 润滑角 …
    QString unit;
    int decimals = 1;
    double low = 0, high = 1;
    FlankLines worm, wheel;
};

// The report: each quantity's maps in a row, the table and the notes.
Sheet contactReportSheet(const std::vector<ContactMaps>& maps, std::vector<TableRow> rows,
                         QStringList notes, SheetSize size = SheetSize::A4);

// One quantity's maps alone on an A4 sheet, without frame: for the window.
Sheet contactMapsSheet(const ContactMaps& maps);

}  // namespace wormpair::drawing
