#include "drawing/drafting_standards.h"

#include <QList>

#include <algorithm>
#include <stdexcept>

namespace wormpair::drawing {

namespace {

constexpr SheetFormat kSheets[] = {
    {SheetSize::A4, "A4", 297, 210, 25, 5},
    {SheetSize::A3, "A3", 420, 297, 25, 5},
    {SheetSize::A2, "A2", 594, 420, 25, 10},
};

constexpr Scale kScales[] = {
    {10, "10:1"},     {5, "5:1"},      {4, "4:1"},         {2.5, "2.5:1"},   {2, "2:1"},
    {1, "1:1"},       {1 / 1.5, "1:1.5"}, {0.5, "1:2"},    {0.4, "1:2.5"},   {1 / 3.0, "1:3"},
    {0.25, "1:4"},    {0.2, "1:5"},    {0.1, "1:10"},      {1 / 15.0, "1:15"}, {0.05, "1:20"},
    {0.04, "1:25"},   {0.025, "1:40"}, {0.02, "1:50"},     {0.01, "1:100"},
};

// Dash-dot and dashed lines of GB/T 4457.4 for d = 0.5: long dashes of about
// 24d with gaps of 3d and dots, dashes of 12d with gaps of 3d.
const LineTypeDefinition kLineTypes[] = {
    {LineType::Continuous, "Continuous", "Solid line", {}},
    {LineType::DashDot, "GB_DASHDOT", "GB/T 4457.4 点画线 __ . __ . __", {12, -3, 0, -3}},
    {LineType::Dashed, "GB_DASHED", "GB/T 4457.4 虚线 __ __ __", {4, -1.5}},
};

// Colours as GB/T 14665 gives them to the kinds of line.
constexpr LayerDefinition kLayers[] = {
    {Layer::Outline, "轮廓线", LineType::Continuous, kThickWidth, 7},
    {Layer::Thin, "细实线", LineType::Continuous, kThinWidth, 3},
    {Layer::Centre, "中心线", LineType::DashDot, kThinWidth, 1},
    {Layer::Hidden, "虚线", LineType::Dashed, kThinWidth, 2},
    {Layer::Hatch, "剖面线", LineType::Continuous, kThinWidth, 3},
    {Layer::Dimension, "尺寸", LineType::Continuous, kThinWidth, 3},
    {Layer::Text, "文字", LineType::Continuous, kThinWidth, 7},
    {Layer::Table, "表格", LineType::Continuous, kThinWidth, 7},
    {Layer::Frame, "图框", LineType::Continuous, kThickWidth, 7},
};

// Chinese characters no lower than 3.5 mm (GB/T 14691) on every size: the
// roles that letter them; digits of dimensions and deviations may be lower.
struct RoleHeights {
    TextRole role;
    double a4, a3, a2;
};
constexpr RoleHeights kHeights[] = {
    {TextRole::Dimension, 2.5, 3.5, 3.5},      {TextRole::Tolerance, 1.8, 2.5, 2.5},
    {TextRole::Note, 3.5, 3.5, 3.5},           {TextRole::Heading, 3.5, 5, 5},
    {TextRole::TitleBlockCell, 3.5, 3.5, 3.5}, {TextRole::TitleBlockName, 5, 5, 5},
};

constexpr TitleFieldDefinition kTitleFields[] = {
    {TitleField::DrawingNumber, "图号", "drawingNumber", true},
    {TitleField::Material, "材料", "material", true},
    {TitleField::Weight, "重量", "weight", true},
    {TitleField::Designer, "设计", "designer", false},
    {TitleField::Checker, "审核", "checker", false},
    {TitleField::Date, "日期", "date", false},
    {TitleField::Company, "单位名称", "company", false},
};

// GB/T 10609.1: changes (更改区) and signatures (签字区) on the left, material,
// stage, weight and scale in the middle, company, name and number on the right.
constexpr TextRole kCell = TextRole::TitleBlockCell;
constexpr TitleBlockCell kTitleCells[] = {
    // changes: the header row
    {0, 28, 10, 7, CellContent::Caption, "标记", {}, kCell},
    {10, 28, 10, 7, CellContent::Caption, "处数", {}, kCell},
    {20, 28, 16, 7, CellContent::Caption, "分区", {}, kCell},
    {36, 28, 16, 7, CellContent::Caption, "更改文件号", {}, kCell},
    {52, 28, 12, 7, CellContent::Caption, "签名", {}, kCell},
    {64, 28, 16, 7, CellContent::Caption, "年、月、日", {}, kCell},
    // signatures
    {0, 21, 12, 7, CellContent::Caption, "设计", {}, kCell},
    {12, 21, 12, 7, CellContent::Field, "", TitleField::Designer, kCell},
    {24, 21, 16, 7, CellContent::Field, "", TitleField::Date, kCell},
    {40, 21, 12, 7, CellContent::Caption, "标准化", {}, kCell},
    {0, 14, 12, 7, CellContent::Caption, "审核", {}, kCell},
    {12, 14, 12, 7, CellContent::Field, "", TitleField::Checker, kCell},
    {0, 7, 12, 7, CellContent::Caption, "工艺", {}, kCell},
    {40, 7, 12, 7, CellContent::Caption, "批准", {}, kCell},
    // material, stage, weight, scale, sheets (each drawing is one sheet)
    {80, 35, 50, 21, CellContent::Field, "", TitleField::Material, kCell},
    {80, 28, 26, 7, CellContent::Caption, "阶段标记", {}, kCell},
    {106, 28, 12, 7, CellContent::Caption, "重量", {}, kCell},
    {118, 28, 12, 7, CellContent::Caption, "比例", {}, kCell},
    {106, 9, 12, 19, CellContent::Field, "", TitleField::Weight, kCell},
    {118, 9, 12, 19, CellContent::Scale, "", {}, kCell},
    {80, 0, 25, 9, CellContent::Caption, "共 1 张", {}, kCell},
    {105, 0, 25, 9, CellContent::Caption, "第 1 张", {}, kCell},
    // company, name, number
    {130, 38, 50, 18, CellContent::Field, "", TitleField::Company, TextRole::TitleBlockName},
    {130, 18, 50, 20, CellContent::Name, "", {}, TextRole::TitleBlockName},
    {130, 0, 50, 18, CellContent::Field, "", TitleField::DrawingNumber, TextRole::TitleBlockName},
};

constexpr TitleBlockRule kTitleRules[] = {
    // the zones
    {80, 0, 80, 56, true},
    {130, 0, 130, 56, true},
    {0, 28, 80, 28, true},
    {0, 35, 80, 35, true},
    // change rows and columns
    {0, 42, 80, 42, false},
    {0, 49, 80, 49, false},
    {10, 28, 10, 56, false},
    {20, 28, 20, 56, false},
    {36, 28, 36, 56, false},
    {52, 28, 52, 56, false},
    {64, 28, 64, 56, false},
    // signature rows and columns
    {0, 7, 80, 7, false},
    {0, 14, 80, 14, false},
    {0, 21, 80, 21, false},
    {12, 0, 12, 28, false},
    {24, 0, 24, 28, false},
    {40, 0, 40, 28, false},
    {52, 0, 52, 28, false},
    {64, 0, 64, 28, false},
    // the middle zone
    {80, 35, 130, 35, false},
    {80, 28, 130, 28, false},
    {80, 9, 130, 9, false},
    {86.5, 9, 86.5, 28, false},
    {93, 9, 93, 28, false},
    {99.5, 9, 99.5, 28, false},
    {106, 9, 106, 35, false},
    {118, 9, 118, 35, false},
    {105, 0, 105, 9, false},
    // the right zone
    {130, 38, 180, 38, false},
    {130, 18, 180, 18, false},
};

template <typename Row, typename Key>
const Row& rowOf(std::span<const Row> rows, Key key, Key Row::*member) {
    const auto found =
        std::find_if(rows.begin(), rows.end(), [&](const Row& row) { return row.*member == key; });
    if (found == rows.end()) throw std::logic_error("no row for a drafting convention");
    return *found;
}

}  // namespace

const SheetFormat& sheetFormat(SheetSize size) {
    return rowOf<SheetFormat>(kSheets, size, &SheetFormat::size);
}

std::span<const SheetFormat> sheetFormats() { return kSheets; }

std::optional<SheetSize> sheetSizeNamed(std::string_view name) {
    for (const SheetFormat& format : kSheets) {
        if (name == format.name) return format.size;
    }
    return std::nullopt;
}

std::span<const Scale> standardScales() { return kScales; }

const Scale& naturalScale() { return kScales[5]; }

const LineTypeDefinition& lineType(LineType type) {
    return rowOf<LineTypeDefinition>(kLineTypes, type, &LineTypeDefinition::type);
}

std::span<const LineTypeDefinition> lineTypes() { return kLineTypes; }

const LayerDefinition& layerDefinition(Layer layer) {
    return rowOf<LayerDefinition>(kLayers, layer, &LayerDefinition::layer);
}

std::span<const LayerDefinition> layers() { return kLayers; }

double textHeight(TextRole role, SheetSize size) {
    const RoleHeights& row = rowOf<RoleHeights>(kHeights, role, &RoleHeights::role);
    switch (size) {
        case SheetSize::A4:
            return row.a4;
        case SheetSize::A3:
            return row.a3;
        case SheetSize::A2:
            return row.a2;
    }
    return row.a3;
}

double characterAdvance(char32_t c) {
    if (c >= 0x2E80 || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF)) {
        if (c == 0x2300) return 0.75;  // ⌀
        return 0.8;
    }
    switch (c) {
        case ' ':
            return 0.35;
        case '.':
        case ',':
        case ':':
        case ';':
        case '\'':
        case 0x2032:  // ′
        case '!':
        case '|':
            return 0.3;
        case '(':
        case ')':
        case '[':
        case ']':
        case '/':
        case '-':
        case 0xB0:  // °
            return 0.4;
        case 0x2300:  // ⌀
            return 0.75;
        case 'i':
        case 'j':
        case 'l':
        case 'I':
        case 'f':
        case 't':
        case 'r':
            return 0.4;
        case 'm':
        case 'M':
        case 'W':
        case 'w':
            return 0.8;
        default:
            break;
    }
    if (c >= 'a' && c <= 'z') return 0.55;
    return 0.62;
}

double textWidth(const QString& text, double height) {
    double width = 0;
    const QList<uint> codes = text.toUcs4();
    for (const uint c : codes) width += characterAdvance(c);
    return width * height;
}

const DimensionStyle& dimensionStyle() {
    static const DimensionStyle style;
    return style;
}

std::span<const TitleFieldDefinition> titleFields() { return kTitleFields; }

std::optional<TitleField> titleFieldNamed(const QString& caption) {
    for (const TitleFieldDefinition& field : kTitleFields) {
        if (caption == QString::fromUtf8(field.caption)) return field.field;
    }
    return std::nullopt;
}

std::span<const TitleBlockCell> titleBlockCells() { return kTitleCells; }

std::span<const TitleBlockRule> titleBlockRules() { return kTitleRules; }

}  // namespace wormpair::drawing
