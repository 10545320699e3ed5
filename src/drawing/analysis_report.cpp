#include "drawing/analysis_report.h"

#include <algorithm>
#include <cmath>

#include "drawing/drafting_standards.h"
#include "drawing/sheet_builders.h"
#include "drawing/view_pen.h"

namespace wormpair::drawing {

namespace {

// The flank map in paper mm inside `room`: the columns across, root at the
// bottom; the region the worm passes outlined, the marked samples hatched.
View patternView(const PatternFigure& f, const QRectF& room, SheetSize size) {
    View view;
    view.name = "PATTERN";
    view.scale = naturalScale();
    ViewPen pen(view, size);
    const QRectF map(room.left() + 14, room.top() + 18, room.width() - 20, room.height() - 26);
    const double w = map.width() / f.heights, h = map.height() / f.radii;
    const auto cell = [&](int j, int i0, int i1) {  // rows i0..i1 of column j
        return std::vector<QPointF>{{map.left() + j * w, map.top() + i0 * h},
                                    {map.left() + (j + 1) * w, map.top() + i0 * h},
                                    {map.left() + (j + 1) * w, map.top() + (i1 + 1) * h},
                                    {map.left() + j * w, map.top() + (i1 + 1) * h}};
    };
    std::vector<std::vector<QPointF>> marked;
    for (int j = 0; j < f.heights; ++j) {
        int faceFrom = -1, faceTo = -1;
        for (int i = 0; i < f.radii; ++i) {
            const std::size_t k = static_cast<std::size_t>(j * f.radii + i);
            if (std::isnan(f.gaps[k])) continue;
            if (faceFrom < 0) faceFrom = i;
            faceTo = i;
            // runs of marked samples up the column
            if (f.marked[k] && (i == 0 || !f.marked[k - 1])) {
                int end = i;
                while (end + 1 < f.radii && f.marked[k + static_cast<std::size_t>(end - i + 1)])
                    ++end;
                marked.push_back(cell(j, i, end));
            }
        }
        if (faceFrom >= 0) pen.polyline(Layer::Thin, cell(j, faceFrom, faceTo), true);
    }
    if (!marked.empty()) pen.hatch(marked);
    for (const std::vector<QPointF>& line : f.lines) {
        std::vector<QPointF> points;
        for (const QPointF& c : line)
            points.push_back({map.left() + c.x() * w, map.top() + c.y() * h});
        pen.polyline(Layer::Hidden, std::move(points));
    }
    pen.polyline(Layer::Outline,
                 {map.topLeft(), map.topRight(), map.bottomRight(), map.bottomLeft()}, true);
    pen.text({map.center().x(), map.top() - 11}, QStringLiteral("齿宽方向 z（mm）"), TextRole::Note,
             HAlign::Centre, VAlign::Top);
    for (const double z : {-f.halfWidth, 0.0, f.halfWidth}) {
        const double x = map.left() + (z + f.halfWidth) / (2 * f.halfWidth) * map.width();
        pen.line(Layer::Thin, {x, map.top()}, {x, map.top() - 2});
        pen.text({x, map.top() - 4}, QString::number(z, 'f', 1), TextRole::Note, HAlign::Centre,
                 VAlign::Top);
    }
    pen.text({map.left() - 2, map.top()}, QStringLiteral("齿根"), TextRole::Note, HAlign::Right,
             VAlign::Middle);
    pen.text({map.left() - 2, map.bottom()}, QStringLiteral("齿顶"), TextRole::Note, HAlign::Right,
             VAlign::Middle);
    return view;
}

}  // namespace

Sheet patternReportSheet(const PatternFigure& figure, std::vector<TableRow> rows, QStringList notes,
                         SheetSize size) {
    Sheet sheet;
    sheet.size = size;
    sheet.title = QStringLiteral("啮合分析报告");
    sheet.partName = QStringLiteral("蜗轮齿面涂色接触斑点");
    SheetText text;
    text.title = sheet.title;
    text.partName = sheet.partName;
    text.tableTitle = QStringLiteral("啮合分析");
    text.rows = std::move(rows);
    text.notes = std::move(notes);
    const SheetRegions regions = sheetRegions(sheet.size, text);
    sheet.views.push_back(patternView(figure, regions.views, size));
    drawSheetFrame(sheet, regions, text, naturalScale());
    return sheet;
}

}  // namespace wormpair::drawing
