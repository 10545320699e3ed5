#pragma once

#include <QPointF>
#include <QString>

#include <functional>
#include <vector>

#include "drawing/drawn_design.h"
#include "drawing/sheet_model.h"

// Helpers the sheets are built with: a pen that draws into a view in part
// millimetres (paper lengths converted at the view's scale), the design's
// numbers as their labels print them, and the choice of scales.

namespace wormpair::drawing {

// A number as the design prints it, and the value its dimension measures.
struct Number {
    double value = 0;
    QString text;
};
// The number a result label shows.
Number labelNumber(const Design& design, const char* label);
// A record value printed as the labels print numbers (formatReal).
Number realNumber(double value);

class ViewPen {
  public:
    ViewPen(View& view, SheetSize size) : m_view(view), m_size(size) {}

    double part(double paper) const { return m_view.part(paper); }
    SheetSize size() const { return m_size; }
    View& view() { return m_view; }

    void line(Layer layer, QPointF a, QPointF b);
    void polyline(Layer layer, std::vector<QPointF> points, bool closed = false);
    // Counter-clockwise from `from` to `to` degrees.
    void arc(Layer layer, QPointF centre, double radius, double from, double to);
    void circle(Layer layer, QPointF centre, double radius);
    void hatch(std::vector<std::vector<QPointF>> loops);
    // A centre line from a to b, running `beyond` paper mm past both ends.
    void centreLine(QPointF a, QPointF b, double beyond = 3);
    // A freehand break line (thin, wavy) from a to b.
    void breakLine(QPointF a, QPointF b);
    void text(QPointF at, const QString& text, TextRole role, HAlign h = HAlign::Left,
              VAlign v = VAlign::Baseline, double angle = 0);

    // Dimensions; the returned reference may be adjusted before the next one.
    Dimension& linear(const Number& n, const QString& prefix, QPointF p1, QPointF p2,
                      double direction, QPointF linePoint);
    Dimension& radius(const Number& n, QPointF centre, QPointF towards, double leader);
    Dimension& diameter(const Number& n, QPointF centre, double angle, double along = 0.5);
    Dimension& angular(const Number& n, QPointF vertex, double fromAngle, double leaderRadius);

  private:
    View& m_view;
    SheetSize m_size;
};

// The points of a circle's arc (centre, radius) between two angles, for
// outlines and hatch boundaries.
std::vector<QPointF> arcPoints(QPointF centre, double radius, double from, double to,
                               int steps = 24);

// GB/T 4458.4: no line runs through a dimension's value. Thin, centre and
// hidden lines of the view are broken where they cross one of its texts.
void breakLinesAtTexts(View& view, SheetSize size);

// Throws DrawingError when any point is not a finite number.
void requireFinite(const std::vector<QPointF>& points, const char* what);

// Builds a view at a scale; the largest standard scale in [smallest,
// largest] whose view fits `room` (paper mm) is taken.
using ViewFactory = std::function<View(const Scale&)>;
struct FittedView {
    View view;
    QRectF bounds;  // on paper, relative to the view's origin at (0, 0)
    bool fits = false;
};
FittedView fitView(const ViewFactory& factory, QSizeF room, SheetSize size, double largest,
                   double smallest);

// Moves the view so that its bounds' centre lies at `centre` (paper).
void placeView(View& view, const QRectF& bounds, QPointF centre);

}  // namespace wormpair::drawing
