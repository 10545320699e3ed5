#include "drawing/analysis_report.h"

#include <algorithm>
#include <cmath>
#include <functional>

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

// An entity in a colour of the map's scale.
void coloured(View& view, Layer layer, Shape shape, int colour) {
    Entity e{layer, std::move(shape), Weight::Thick};
    e.colour = colour;
    view.entities.push_back(std::move(e));
}

// One flank's map in `room`: the flank's edges, the lines in the colour of
// their values, the axes' ends labelled.
void flankPanel(ViewPen& pen, const FlankLines& f, const ContactMaps& maps, const QRectF& room) {
    QRectF bounds;
    for (const auto* edge : {&f.root, &f.tip})
        for (const QPointF& p : *edge) bounds |= QRectF(p, QSizeF(1e-9, 1e-9));
    if (bounds.isEmpty()) return;
    const QRectF area(room.left() + 14, room.top() + 8, room.width() - 16, room.height() - 16);
    const auto place = [&](QPointF p) {
        return QPointF(area.left() + (p.x() - bounds.left()) / bounds.width() * area.width(),
                       area.top() + (p.y() - bounds.top()) / bounds.height() * area.height());
    };
    const auto placed = [&](const std::vector<QPointF>& points) {
        std::vector<QPointF> out;
        for (const QPointF& p : points) out.push_back(place(p));
        return out;
    };
    std::vector<QPointF> outline = placed(f.root);
    const std::vector<QPointF> tip = placed(f.tip);
    outline.insert(outline.end(), tip.rbegin(), tip.rend());
    pen.polyline(Layer::Outline, outline, true);
    const double span = maps.high > maps.low ? maps.high - maps.low : 1;
    for (const FlankLines::Line& line : f.lines) {
        for (std::size_t k = 0; k + 1 < line.points.size(); ++k) {
            const double value = (line.values[k] + line.values[k + 1]) / 2;
            coloured(pen.view(), line.second ? Layer::Hidden : Layer::Thin,
                     LineShape{place(line.points[k]), place(line.points[k + 1])},
                     scaleColour((value - maps.low) / span));
        }
    }
    const auto number = [](double v) { return QString::number(v, 'f', 1); };
    pen.text({area.left(), area.top() - 2}, number(bounds.left()), TextRole::Note, HAlign::Left,
             VAlign::Top);
    pen.text({area.right(), area.top() - 2}, number(bounds.right()), TextRole::Note, HAlign::Right,
             VAlign::Top);
    pen.text({area.center().x(), area.top() - 2}, QStringLiteral("沿轴线（mm）"), TextRole::Note,
             HAlign::Centre, VAlign::Top);
    pen.text({area.left() - 1, area.top()}, number(bounds.top()), TextRole::Note, HAlign::Right,
             VAlign::Middle);
    pen.text({area.left() - 1, area.bottom()}, number(bounds.bottom()), TextRole::Note,
             HAlign::Right, VAlign::Middle);
    pen.text({area.left(), area.bottom() + 2}, f.name + QStringLiteral("（纵向：距轴线 mm）"),
             TextRole::Note);
}

// The scale: bands of colour from low (bottom) to high, the ends labelled.
void scaleBar(ViewPen& pen, const ContactMaps& maps, const QRectF& room) {
    const int bands = 10;
    const QRectF bar(room.left() + 2, room.top() + 8, 5, room.height() - 16);
    for (int k = 0; k < bands; ++k) {
        const double y0 = bar.top() + bar.height() * k / bands,
                     y1 = bar.top() + bar.height() * (k + 1) / bands;
        const int colour = scaleColour((k + 0.5) / bands);
        coloured(pen.view(), Layer::Thin,
                 SolidShape{
                     {QPointF(bar.left(), y0), QPointF(bar.right(), y0), QPointF(bar.right(), y1)}},
                 colour);
        coloured(pen.view(), Layer::Thin,
                 SolidShape{
                     {QPointF(bar.left(), y0), QPointF(bar.right(), y1), QPointF(bar.left(), y1)}},
                 colour);
    }
    pen.polyline(Layer::Thin, {bar.topLeft(), bar.topRight(), bar.bottomRight(), bar.bottomLeft()},
                 true);
    const auto value = [&](double v) { return QString::number(v, 'f', maps.decimals); };
    pen.text({bar.right() + 1, bar.top()}, value(maps.low), TextRole::Note, HAlign::Left,
             VAlign::Middle);
    pen.text({bar.right() + 1, bar.bottom()}, value(maps.high), TextRole::Note, HAlign::Left,
             VAlign::Middle);
    pen.text({bar.left(), bar.bottom() + 2}, maps.quantity + " " + maps.unit, TextRole::Note);
}

// Each quantity's row: the worm's flank, the wheel's, the scale.
View contactView(const std::vector<ContactMaps>& rows, const QRectF& room, SheetSize size) {
    View view;
    view.name = "CONTACT";
    view.scale = naturalScale();
    ViewPen pen(view, size);
    const double rowHeight =
        room.height() / static_cast<double>(std::max<std::size_t>(1, rows.size()));
    const double barWidth = 24, panelWidth = (room.width() - barWidth) / 2;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        // the first quantity at the top (y runs up)
        const double top = room.bottom() - rowHeight * static_cast<double>(k + 1);
        flankPanel(pen, rows[k].worm, rows[k], QRectF(room.left(), top, panelWidth, rowHeight));
        flankPanel(pen, rows[k].wheel, rows[k],
                   QRectF(room.left() + panelWidth, top, panelWidth, rowHeight));
        scaleBar(pen, rows[k], QRectF(room.right() - barWidth, top, barWidth, rowHeight));
    }
    return view;
}

}  // namespace

int scaleColour(double t) {
    t = std::clamp(std::isfinite(t) ? t : 0.0, 0.0, 1.0);
    // blue (0, 0, 255) → cyan → green → yellow → red, in four equal steps
    const double s = 4 * t;
    const int step = std::min(3, static_cast<int>(s));
    const int rise = static_cast<int>(std::lround(255 * (s - step)));
    int r = 0, g = 0, b = 0;
    switch (step) {
        case 0:
            r = 0, g = rise, b = 255;
            break;
        case 1:
            r = 0, g = 255, b = 255 - rise;
            break;
        case 2:
            r = rise, g = 255, b = 0;
            break;
        default:
            r = 255, g = 255 - rise, b = 0;
            break;
    }
    return (r << 16) | (g << 8) | b;
}

namespace {

// A report page: the view made for the room the frame, table and notes leave.
Sheet reportSheet(const QString& partName, std::vector<TableRow> rows, QStringList notes,
                  SheetSize size, const std::function<View(const QRectF&)>& view) {
    Sheet sheet;
    sheet.size = size;
    sheet.title = QStringLiteral("啮合分析报告");
    sheet.partName = partName;
    SheetText text;
    text.title = sheet.title;
    text.partName = sheet.partName;
    text.tableTitle = QStringLiteral("啮合分析");
    text.rows = std::move(rows);
    text.notes = std::move(notes);
    const SheetRegions regions = sheetRegions(sheet.size, text);
    sheet.views.push_back(view(regions.views));
    drawSheetFrame(sheet, regions, text, naturalScale());
    return sheet;
}

}  // namespace

Sheet contactReportSheet(const std::vector<ContactMaps>& maps, std::vector<TableRow> rows,
                         QStringList notes, SheetSize size) {
    return reportSheet(QStringLiteral("蜗杆副接触线"), std::move(rows), std::move(notes), size,
                       [&](const QRectF& room) { return contactView(maps, room, size); });
}

Sheet contactMapsSheet(const ContactMaps& maps) {
    Sheet sheet;
    sheet.size = SheetSize::A4;
    sheet.frame = QRectF(0, 0, sheet.width(), sheet.height());
    sheet.views.push_back(
        contactView({maps}, QRectF(5, 5, sheet.width() - 10, sheet.height() - 10), sheet.size));
    return sheet;
}

Sheet patternReportSheet(const PatternFigure& figure, std::vector<TableRow> rows, QStringList notes,
                         SheetSize size) {
    return reportSheet(QStringLiteral("蜗轮齿面涂色接触斑点"), std::move(rows), std::move(notes),
                       size, [&](const QRectF& room) { return patternView(figure, room, size); });
}

}  // namespace wormpair::drawing
