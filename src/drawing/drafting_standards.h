#pragma once

#include <QString>

#include <optional>
#include <span>
#include <string_view>
#include <vector>

// The conventions of Chinese mechanical drawings as data, one table each, so
// that a revised standard changes one table: sheet sizes and frames
// (GB/T 14689), scales (GB/T 14690), lines and layers (GB/T 4457.4, colours
// of GB/T 14665), lettering (GB/T 14691), dimensioning (GB/T 4458.4) and the
// title block (GB/T 10609.1). Lengths in paper millimetres.

namespace wormpair::drawing {

// --- sheets (GB/T 14689, landscape, with a binding margin) ------------------

enum class SheetSize { A4, A3, A2 };

struct SheetFormat {
    SheetSize size;
    const char* name;  // "A3"
    double width;      // the trimmed sheet, landscape
    double height;
    double binding;  // a: the frame's distance from the left (binding) edge
    double margin;   // c: from the other three edges
};

const SheetFormat& sheetFormat(SheetSize size);
std::span<const SheetFormat> sheetFormats();
// "A4", "A3" or "A2"; nothing for any other name.
std::optional<SheetSize> sheetSizeNamed(std::string_view name);

// --- scales (GB/T 14690) ----------------------------------------------------

struct Scale {
    double factor;  // paper mm per part mm
    const char* text;
};

// The preferred scales, largest first: enlargements 10:1 … 2:1, 1:1 and the
// reductions 1:1.5 … 1:100.
std::span<const Scale> standardScales();
const Scale& naturalScale();

// --- lines and layers -------------------------------------------------------

enum class LineType { Continuous, DashDot, Dashed };

struct LineTypeDefinition {
    LineType type;
    const char* dxfName;
    const char* description;
    std::vector<double> pattern;  // dash lengths, gaps negative, 0 a dot; empty: continuous
};
const LineTypeDefinition& lineType(LineType type);
std::span<const LineTypeDefinition> lineTypes();

// The thick line d and the thin line d/2 (GB/T 4457.4, d = 0.5 mm).
constexpr double kThickWidth = 0.5;
constexpr double kThinWidth = 0.25;

enum class Layer { Outline, Thin, Centre, Hidden, Hatch, Dimension, Text, Table, Frame };

struct LayerDefinition {
    Layer layer;
    const char* name;  // as a CAD program lists it
    LineType lineType;
    double width;  // mm
    int colour;    // AutoCAD colour index
};
const LayerDefinition& layerDefinition(Layer layer);
std::span<const LayerDefinition> layers();

// --- lettering (GB/T 14691) -------------------------------------------------

enum class TextRole {
    Dimension,       // dimension values
    Tolerance,       // deviations beside a dimension value
    Note,            // technical requirements, table cells
    Heading,         // "技术要求", view names
    TitleBlockCell,  // captions and fields of the title block
    TitleBlockName,  // the drawing's name and number in the title block
};
double textHeight(TextRole role, SheetSize size);

// Advance of one character as a multiple of the text height: Chinese
// characters in 长仿宋 proportion, Latin letters and digits narrower. Every
// output fits its lettering to these widths, so a layout that keeps texts
// apart here keeps them apart on every output.
double characterAdvance(char32_t c);
double textWidth(const QString& text, double height);

// --- dimensions (GB/T 4458.4) -----------------------------------------------

struct DimensionStyle {
    double arrowLength = 3.0;
    double arrowWidth = 1.0;     // across the arrow's base
    double extensionBeyond = 2;  // extension lines beyond the dimension line
    double textGap = 0.8;        // text above its dimension line
    double spacing = 7;          // between parallel dimension lines
};
const DimensionStyle& dimensionStyle();

// --- title block (GB/T 10609.1) ---------------------------------------------

constexpr double kTitleBlockWidth = 180;
constexpr double kTitleBlockHeight = 56;

// A field of the title block the user fills in once (图纸设置…).
enum class TitleField { DrawingNumber, Material, Weight, Designer, Checker, Date, Company };

struct TitleFieldDefinition {
    TitleField field;
    const char* caption;  // 图号, 材料, …
    const char* key;      // in the user's file
    bool perSheet;        // each kind of sheet has its own (图号, 材料, 重量)
};
std::span<const TitleFieldDefinition> titleFields();
std::optional<TitleField> titleFieldNamed(const QString& caption);

// What a cell of the title block shows.
enum class CellContent {
    Caption,   // its fixed caption
    Field,     // a user's field
    Name,      // the part's name
    Scale,     // the scale of the main view
    SheetName  // the kind of drawing (蜗杆零件图 …)
};

struct TitleBlockCell {
    double x, y, width, height;  // from the block's lower left corner
    CellContent content;
    const char* caption;  // for Caption
    TitleField field;     // for Field
    TextRole role;
};
std::span<const TitleBlockCell> titleBlockCells();

// Lines dividing the title block, from its lower left corner; the outline
// itself is drawn thick.
struct TitleBlockRule {
    double x1, y1, x2, y2;
    bool thick;
};
std::span<const TitleBlockRule> titleBlockRules();

}  // namespace wormpair::drawing
