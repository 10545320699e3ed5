#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

#include "drawing/sheet_model.h"

// What surrounds the views of a sheet: the border and frame, the title block,
// the parameter table at the top right and the technical requirements.

namespace wormpair::drawing {

// A row of the parameter table; a row with only a name heads a group.
struct TableRow {
    QString name, symbol, value, unit;
};

// A row of the parts list (明细栏) of an assembly sheet.
struct PartsRow {
    QString number, code, name, quantity, material;
};

struct SheetText {
    QString title;     // 蜗杆零件图 …
    QString partName;  // in the title block
    QString tableTitle;
    std::vector<TableRow> rows;
    QStringList notes;  // numbered requirements, one paragraph each
    std::vector<PartsRow> parts;  // above the title block, item 1 lowest; none on a part sheet
};

// Where things go on the sheet, paper mm, y up.
struct SheetRegions {
    QRectF frame;
    QRectF titleBlock;
    QRectF table;
    QRectF notes;
    QRectF parts;  // empty on a part sheet
    QRectF views;  // what is left for the views
};

SheetRegions sheetRegions(SheetSize size, const SheetText& text);

// Draws the border, frame, title block, table and notes onto the sheet's
// paper; the title block shows the main view's scale.
void drawSheetFrame(Sheet& sheet, const SheetRegions& regions, const SheetText& text,
                    const Scale& mainScale);

// The paragraphs broken into lines that fit `width` at `height`; digits and
// letters that belong together stay on one line.
QStringList wrapText(const QString& paragraph, double width, double height);

}  // namespace wormpair::drawing
