#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>

#include <array>
#include <map>
#include <variant>
#include <vector>

#include "drawing/drafting_standards.h"

// A drawing sheet as plain data, built once and handed to the outputs (DXF,
// QPainter for the preview, PDF, SVG and printing). Coordinates run with y
// up, as in CAD: on paper in mm from the sheet's lower left corner; inside a
// view in millimetres of the part, placed on the paper at the view's scale.

namespace wormpair::drawing {

struct LineShape {
    QPointF from, to;
};
// Counter-clockwise from start to end, angles in degrees.
struct ArcShape {
    QPointF centre;
    double radius = 0;
    double startAngle = 0;
    double endAngle = 0;
};
struct CircleShape {
    QPointF centre;
    double radius = 0;
};
struct PolylineShape {
    std::vector<QPointF> points;
    bool closed = false;
};
// Section lines at 45° inside the loops (even-odd: a loop inside another
// is left clear, as around a text written on a section).
struct HatchShape {
    std::vector<std::vector<QPointF>> loops;
    double spacing = 3;  // paper mm between the lines
};
// A filled triangle: the arrows of dimensions.
struct SolidShape {
    std::array<QPointF, 3> corners;
};

enum class HAlign { Left, Centre, Right };
enum class VAlign { Baseline, Middle, Top };

// Text: ⌀ ° ± are written as such; the DXF writer turns them into %%c %%d %%p.
struct TextShape {
    QPointF at;  // the alignment point
    QString text;
    double height = 3.5;  // in the units of its space
    double angle = 0;     // degrees counter-clockwise
    HAlign h = HAlign::Left;
    VAlign v = VAlign::Baseline;
    double widthFactor = 1;  // < 1 when narrowed to fit a cell
};

using Shape = std::variant<LineShape, ArcShape, CircleShape, PolylineShape, HatchShape,
                           SolidShape, TextShape>;

enum class Weight { ByLayer, Thick, Thin };

struct Entity {
    Layer layer;
    Shape shape;
    Weight weight = Weight::ByLayer;
    int colour = kLayerColour;  // 0xRRGGBB for the maps of an analysis
    static constexpr int kLayerColour = -1;
};

// Where a dimension's value sits.
enum class TextPlace {
    Centre,       // between the arrows, at `along` of the way
    BeyondStart,  // outside, beyond the first arrow
    BeyondEnd,    // outside, beyond the second arrow
};

enum class DimensionKind { Linear, Diameter, Radius, Angular };

// A real dimension: its definition points measure `value` exactly, and the
// text shows that value as the design's label prints it.
//   Linear    p1, p2: the feature points; measured along `direction`
//             (degrees); the dimension line runs through `linePoint`.
//   Diameter  p1, p2: opposite points of the circle.
//   Radius    p1: the centre, p2: the point on the arc; the line leaves the
//             arc toward the centre for `leader` paper mm.
//   Angular   vertex; p1, p2 on the two legs, measured counter-clockwise
//             from p1 to p2; the arc passes through `linePoint`.
struct Dimension {
    DimensionKind kind = DimensionKind::Linear;
    QPointF p1, p2, vertex, linePoint;
    double direction = 0;
    double value = 0;
    QString text;          // e.g. "⌀64.214", "R128.393", "16.2°"
    QString upper, lower;  // deviations, empty for none
    TextPlace place = TextPlace::Centre;
    TextPlace fallback = TextPlace::BeyondEnd;  // when Centre leaves no room
    double along = 0.5;
    double leader = 12;      // radius and diameter leaders, paper mm
    bool halfArrows = false;  // radius: the arrow only (no leader beyond the text)
};

// A view of the part: its own entities and dimensions in part millimetres,
// shown at `scale` with the part's origin at `origin` on the paper.
struct View {
    QString name;  // the block's name in the DXF file
    Scale scale{1, "1:1"};
    QPointF origin;
    std::vector<Entity> entities;
    std::vector<Dimension> dimensions;

    QPointF toPaper(QPointF part) const;
    QPointF toPart(QPointF paper) const;
    // paper mm to part mm at this view's scale
    double part(double paperLength) const { return paperLength / scale.factor; }
};

// A whole drawing sheet.
struct Sheet {
    SheetSize size = SheetSize::A3;
    QString title;    // 蜗杆零件图 …
    QString partName;  // the name in the title block
    std::map<TitleField, QString> fields;
    std::vector<Entity> paper;  // frame, title block, tables, notes, view names
    std::vector<View> views;
    QRectF frame;  // inside the frame line, paper mm
    std::vector<QRectF> reserved;  // title block, table and notes: no view may enter them

    double width() const { return sheetFormat(size).width; }
    double height() const { return sheetFormat(size).height; }
};

// The lines, arrows and texts a dimension is drawn with, in the units of its
// view; the same for every output (the DXF writer puts them into the
// dimension's block).
std::vector<Entity> dimensionGeometry(const Dimension& dimension, double scale, SheetSize size);

// A text as one line that every output holds: line breaks and tabs become a
// space; other control characters, lone surrogates and the non-characters
// U+FFFE and U+FFFF (none of which XML 1.0 allows, and a raw line break ends
// a DXF group value) are dropped. Design files and title-block fields may
// hold anything.
QString singleLineText(const QString& text);

// The rectangle a text covers, in its own space (rotated texts: the bounds
// of the rotated box).
QRectF textBounds(const TextShape& text);

// Everything on the sheet that can be looked at for overlaps, in paper mm:
// each text's rectangle, tagged with what it is.
struct PlacedText {
    QRectF box;
    QString text;
    bool inView;  // part of a view (its dimensions and labels)
};
std::vector<PlacedText> placedTexts(const Sheet& sheet);

// The bounds on paper of a view's entities and dimensions.
QRectF viewBounds(const View& view, SheetSize size);

// The bounds of an entity in its own space.
QRectF entityBounds(const Entity& entity);

}  // namespace wormpair::drawing
