#include "drawing/sheet_frame.h"

#include <algorithm>

namespace wormpair::drawing {

namespace {

constexpr double kGap = 4;  // between the frame's parts
constexpr double kTableColumns[] = {0.44, 0.17, 0.27, 0.12};
// GB/T 10609.2: 序号, 代号, 名称, 数量, 材料 over the title block's width
constexpr double kPartsColumns[] = {12, 44, 66, 14, 44};
constexpr const char* kPartsHeadings[] = {"序号", "代号", "名称", "数量", "材料"};
constexpr double kPartsRow = 7;

double rowHeight(SheetSize size) { return size == SheetSize::A4 ? 5 : 7; }
double tableWidth(SheetSize size) { return size == SheetSize::A4 ? 96 : 110; }
double lineSpacing(double height) { return 1.6 * height; }

double notesHeight(const SheetText& text, SheetSize size, double width) {
    const double h = textHeight(TextRole::Note, size);
    double lines = 0;
    for (const QString& note : text.notes) lines += wrapText(note, width, h).size();
    return textHeight(TextRole::Heading, size) * 1.8 + lines * lineSpacing(h);
}

void addLine(Sheet& sheet, Layer layer, QPointF a, QPointF b, Weight weight = Weight::ByLayer) {
    sheet.paper.push_back({layer, LineShape{a, b}, weight});
}

void addRectangle(Sheet& sheet, Layer layer, const QRectF& r, Weight weight) {
    sheet.paper.push_back(
        {layer,
         PolylineShape{{r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()}, true},
         weight});
}

// A text fitted into a cell: narrowed when wider than the cell.
void addCellText(Sheet& sheet, Layer layer, const QRectF& cell, const QString& text, double height,
                 HAlign h = HAlign::Centre) {
    if (text.isEmpty()) return;
    const double room = cell.width() - 2;
    const double natural = textWidth(text, height);
    TextShape t;
    t.text = text;
    t.height = height;
    t.h = h;
    t.v = VAlign::Middle;
    t.widthFactor = natural > room ? room / natural : 1;
    t.at = QPointF(h == HAlign::Left ? cell.left() + 1.2 : cell.center().x(), cell.center().y());
    sheet.paper.push_back({layer, t});
}

bool breakable(QChar before, QChar after) {
    auto word = [](QChar c) {
        return c.unicode() < 0x2E80 && !c.isSpace() && c != QChar(0x2300);
    };
    // never inside a number or a word, nor before closing punctuation
    if (word(before) && word(after)) return false;
    if (QStringLiteral("，。、；：）)%°").contains(after)) return false;
    if (QStringLiteral("（(⌀").contains(before)) return false;
    return true;
}

}  // namespace

QStringList wrapText(const QString& paragraph, double width, double height) {
    QStringList lines;
    QString line;
    int lastBreak = -1;  // position in line after which it may break
    for (const QChar c : paragraph) {
        if (!line.isEmpty() && breakable(line.back(), c)) lastBreak = static_cast<int>(line.size());
        line += c;
        if (textWidth(line, height) > width && lastBreak > 0) {
            lines << line.left(lastBreak).trimmed();
            line = line.mid(lastBreak).trimmed();
            lastBreak = -1;
        }
    }
    if (!line.trimmed().isEmpty()) lines << line.trimmed();
    return lines;
}

SheetRegions sheetRegions(SheetSize size, const SheetText& text) {
    const SheetFormat& f = sheetFormat(size);
    SheetRegions r;
    r.frame = QRectF(QPointF(f.binding, f.margin), QPointF(f.width - f.margin, f.height - f.margin));
    r.titleBlock = QRectF(r.frame.right() - kTitleBlockWidth, r.frame.top(), kTitleBlockWidth,
                          kTitleBlockHeight);
    const double partsHeight =
        text.parts.empty() ? 0 : kPartsRow * (static_cast<double>(text.parts.size()) + 1);
    r.parts = QRectF(r.titleBlock.left(), r.titleBlock.bottom(), kTitleBlockWidth, partsHeight);
    const double base = r.titleBlock.bottom() + partsHeight;  // what the frame holds up to
    const double width = tableWidth(size);
    const double tableHeight = rowHeight(size) * (static_cast<double>(text.rows.size()) + 1);
    r.table = QRectF(r.frame.right() - width, r.frame.bottom() - tableHeight, width, tableHeight);
    const double column = r.table.left() - kGap;
    // the requirements below the table when they fit there, else left of the title block
    const double besideWidth = width - 2;
    const double below = r.table.top() - base - 2 * kGap;
    if (notesHeight(text, size, besideWidth) <= below) {
        r.notes = QRectF(r.table.left() + 1, base + kGap, besideWidth, below);
    } else {
        r.notes = QRectF(r.frame.left() + kGap, r.frame.top() + 2,
                         r.titleBlock.left() - r.frame.left() - 2 * kGap, kTitleBlockHeight - 2);
    }
    r.views = QRectF(QPointF(r.frame.left() + kGap, base + kGap),
                     QPointF(column - kGap, r.frame.bottom() - kGap));
    return r;
}

void drawSheetFrame(Sheet& sheet, const SheetRegions& r, const SheetText& text,
                    const Scale& mainScale) {
    const SheetSize size = sheet.size;
    const SheetFormat& f = sheetFormat(size);
    sheet.frame = r.frame;
    sheet.reserved = {r.titleBlock, r.table, r.notes};
    if (!r.parts.isEmpty()) sheet.reserved.push_back(r.parts);
    // border, frame and the centring marks of GB/T 14689
    addRectangle(sheet, Layer::Frame, QRectF(0, 0, f.width, f.height), Weight::Thin);
    addRectangle(sheet, Layer::Frame, r.frame, Weight::Thick);
    // centring marks: from the paper's edge 5 mm into the frame, stopping at
    // the frame line where the title block or the table lies behind it
    const QPointF middle(f.width / 2, f.height / 2);
    const struct {
        QPointF edge, frame, inward;
    } marks[] = {{{middle.x(), 0}, {middle.x(), r.frame.top()}, {0, 5}},
                 {{middle.x(), f.height}, {middle.x(), r.frame.bottom()}, {0, -5}},
                 {{0, middle.y()}, {r.frame.left(), middle.y()}, {5, 0}},
                 {{f.width, middle.y()}, {r.frame.right(), middle.y()}, {-5, 0}}};
    for (const auto& mark : marks) {
        QPointF end = mark.frame + mark.inward;
        for (const QRectF& area : {r.titleBlock, r.table}) {
            if (area.adjusted(-0.5, -0.5, 0.5, 0.5).contains(end)) end = mark.frame;
        }
        addLine(sheet, Layer::Frame, mark.edge, end);
    }

    // title block
    const QRectF& tb = r.titleBlock;
    addRectangle(sheet, Layer::Table, tb, Weight::Thick);
    for (const TitleBlockRule& rule : titleBlockRules()) {
        addLine(sheet, Layer::Table, tb.topLeft() + QPointF(rule.x1, rule.y1),
                tb.topLeft() + QPointF(rule.x2, rule.y2), rule.thick ? Weight::Thick : Weight::Thin);
    }
    for (const TitleBlockCell& cell : titleBlockCells()) {
        const QRectF box(tb.left() + cell.x, tb.top() + cell.y, cell.width, cell.height);
        const double h = textHeight(cell.role, size);
        QString value;
        switch (cell.content) {
            case CellContent::Caption:
                value = QString::fromUtf8(cell.caption);
                break;
            case CellContent::Field:
                if (const auto found = sheet.fields.find(cell.field); found != sheet.fields.end())
                    value = found->second;
                break;
            case CellContent::Name:
                value = sheet.partName;
                break;
            case CellContent::Scale:
                value = QString::fromUtf8(mainScale.text);
                break;
            case CellContent::SheetName:
                value = sheet.title;
                break;
        }
        addCellText(sheet, Layer::Text, box, value, h);
    }

    // parts list: headings on the title block, items upwards; vertical
    // lines thick, horizontal thin (GB/T 10609.2)
    if (!text.parts.empty()) {
        const QRectF& parts = r.parts;
        const double cellH = textHeight(TextRole::TitleBlockCell, size);
        double x = parts.left();
        for (std::size_t c = 0; c <= std::size(kPartsColumns); ++c) {
            addLine(sheet, Layer::Table, {x, parts.top()}, {x, parts.bottom()}, Weight::Thick);
            if (c < std::size(kPartsColumns)) x += kPartsColumns[c];
        }
        for (std::size_t row = 0; row <= text.parts.size(); ++row) {
            const double y = parts.top() + kPartsRow * static_cast<double>(row);
            addLine(sheet, Layer::Table, {parts.left(), y + kPartsRow}, {parts.right(), y + kPartsRow},
                    Weight::Thin);
            QStringList cells;
            if (row == 0) {
                for (const char* heading : kPartsHeadings) cells << QString::fromUtf8(heading);
            } else {
                const PartsRow& item = text.parts[row - 1];
                cells = {item.number, item.code, item.name, item.quantity, item.material};
            }
            double left = parts.left();
            for (std::size_t c = 0; c < std::size(kPartsColumns); ++c) {
                addCellText(sheet, Layer::Text, QRectF(left, y, kPartsColumns[c], kPartsRow),
                            cells[static_cast<qsizetype>(c)], cellH);
                left += kPartsColumns[c];
            }
        }
    }

    // parameter table
    const double rowH = rowHeight(size);
    const double h = textHeight(TextRole::Note, size);
    const QRectF& table = r.table;
    addRectangle(sheet, Layer::Table, table, Weight::Thick);
    double y = table.bottom() - rowH;
    addCellText(sheet, Layer::Text, QRectF(table.left(), y, table.width(), rowH), text.tableTitle,
                std::max(h, textHeight(TextRole::Heading, size) * 0.9));
    for (const TableRow& row : text.rows) {
        addLine(sheet, Layer::Table, {table.left(), y}, {table.right(), y});
        y -= rowH;
        const bool group = row.symbol.isEmpty() && row.value.isEmpty() && row.unit.isEmpty();
        if (group) {
            addCellText(sheet, Layer::Text, QRectF(table.left(), y, table.width(), rowH), row.name,
                        h);
            continue;
        }
        double x = table.left();
        const QString cells[] = {row.name, row.symbol, row.value, row.unit};
        for (int i = 0; i < 4; ++i) {
            const double w = kTableColumns[i] * table.width();
            if (i > 0) addLine(sheet, Layer::Table, {x, y}, {x, y + rowH});
            addCellText(sheet, Layer::Text, QRectF(x, y, w, rowH), cells[i], h,
                        i == 0 ? HAlign::Left : HAlign::Centre);
            x += w;
        }
    }

    // technical requirements
    const QRectF& notes = r.notes;
    const double heading = textHeight(TextRole::Heading, size);
    double line = notes.bottom() - heading;
    sheet.paper.push_back({Layer::Text, TextShape{{notes.left(), line}, QStringLiteral("技术要求"),
                                                  heading, 0, HAlign::Left, VAlign::Baseline}});
    line -= heading * 0.8;
    for (const QString& note : text.notes) {
        for (const QString& l : wrapText(note, notes.width(), h)) {
            line -= lineSpacing(h);
            sheet.paper.push_back({Layer::Text, TextShape{{notes.left(), line}, l, h, 0,
                                                          HAlign::Left, VAlign::Baseline}});
        }
    }
}

}  // namespace wormpair::drawing
