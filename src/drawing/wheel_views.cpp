// The wheel's sheet: the section through its axis (the teeth unsectioned, as
// GB/T 4459.2 draws gears) and the half view along the axis.

#include <algorithm>
#include <cmath>

#include "drawing/sheet_builders.h"
#include "drawing/worm_geometry.h"

namespace wormpair::drawing {

namespace {

struct Wheel {
    double a;
    double outside;     // Ro
    double throat;      // Rt
    double pitch;       // d2 / 2
    double tipArc;      // R of the throat arc
    double arcCentre;   // its centre's distance from the axis
    double halfWidth;   // b / 2
    double arcHalf;     // where the throat arc meets the outside cylinder
    double rootArc;     // the root arc about the same centre
    double rimInner, webHalf, hubOuter, hubHalf, bore;

    double topAt(double x) const {
        if (std::abs(x) >= arcHalf) return std::min(outside, arcCentre - std::sqrt(tipArc * tipArc - x * x));
        return arcCentre - std::sqrt(tipArc * tipArc - x * x);
    }
    double rootAt(double x) const { return arcCentre - std::sqrt(rootArc * rootArc - x * x); }
};

Wheel wheelOf(const Design& d) {
    const DesignRecord& r = d.record;
    Wheel w{};
    w.a = r.centreDistance;
    w.outside = labelNumber(d, "Label33").value / 2;
    w.throat = labelNumber(d, "Label35").value / 2;
    w.pitch = r.wheelReferenceDiameter / 2;
    w.tipArc = labelNumber(d, "Label40").value;
    w.arcCentre = w.throat + w.tipArc;
    w.halfWidth = labelNumber(d, "Label34").value / 2;
    const double rise = w.outside - w.throat;
    w.arcHalf = rise < w.tipArc
                    ? std::sqrt(w.tipArc * w.tipArc - (w.tipArc - rise) * (w.tipArc - rise))
                    : w.halfWidth;
    w.arcHalf = std::min(w.arcHalf, w.halfWidth);
    w.rootArc = w.tipArc + r.addendum + r.dedendum;
    const double rootSide = w.rootAt(std::min(w.halfWidth, 0.999 * w.rootArc));
    w.rimInner = std::min(w.pitch - r.dedendum, rootSide) - 2.5 * r.transverseModule;
    w.webHalf = 0.3 * w.halfWidth;
    w.hubOuter = std::max(0.35 * w.rimInner, 0.2 * w.pitch);
    w.hubHalf = w.halfWidth;
    w.bore = 0.55 * w.hubOuter;
    const bool sound = std::isfinite(rootSide) && w.halfWidth > 0 && w.tipArc > 0 &&
                       w.halfWidth < w.rootArc && w.arcHalf <= w.tipArc &&
                       w.rootArc < w.arcCentre && w.rimInner > w.hubOuter &&
                       w.hubOuter > w.bore && w.outside > w.throat && w.a > w.outside;
    if (!sound) {
        throw DrawingError("本设计的蜗轮不能成图：齿圈宽度、喉部圆弧与齿根的位置关系不成立");
    }
    return w;
}

// The upper half of the section: the outline and the part that is hatched
// (everything below the root line).
void drawSectionHalf(ViewPen& pen, const Wheel& w, double s) {
    auto at = [s](double x, double y) { return QPointF(x, s * y); };
    const int steps = 24;
    std::vector<QPointF> outline{at(-w.halfWidth, w.rimInner), at(-w.halfWidth, w.topAt(-w.halfWidth))};
    if (w.arcHalf < w.halfWidth) outline.push_back(at(-w.arcHalf, w.outside));
    for (int i = 0; i <= steps; ++i) {
        const double x = -w.arcHalf + 2 * w.arcHalf * i / steps;
        outline.push_back(at(x, w.topAt(x)));
    }
    if (w.arcHalf < w.halfWidth) outline.push_back(at(w.halfWidth, w.outside));
    outline.push_back(at(w.halfWidth, w.rimInner));
    const std::vector<QPointF> body{at(w.webHalf, w.rimInner), at(w.webHalf, w.hubOuter),
                                    at(w.hubHalf, w.hubOuter), at(w.hubHalf, w.bore),
                                    at(-w.hubHalf, w.bore),   at(-w.hubHalf, w.hubOuter),
                                    at(-w.webHalf, w.hubOuter), at(-w.webHalf, w.rimInner)};
    std::vector<QPointF> closed = outline;
    closed.insert(closed.end(), body.begin(), body.end());
    requireFinite(closed, "蜗轮");
    pen.polyline(Layer::Outline, closed, true);
    // the root line, thick in a section; where the rim is wider than the hob
    // reaches, the root the hob cuts lies above the blank's tip: the line
    // ends where it meets the tip
    double rootEnd = w.halfWidth;
    if (w.rootAt(w.halfWidth) > w.topAt(w.halfWidth)) {
        // root minus tip falls along the throat arc and rises beyond it: one crossing
        double inside = 0;
        for (int i = 0; i < 60; ++i) {
            const double x = (inside + rootEnd) / 2;
            (w.rootAt(x) > w.topAt(x) ? rootEnd : inside) = x;
        }
        rootEnd = inside;
    }
    std::vector<QPointF> root;
    for (int i = 0; i <= steps; ++i) {
        const double x = -rootEnd + 2 * rootEnd * i / steps;
        root.push_back(at(x, w.rootAt(x)));
    }
    pen.polyline(Layer::Outline, root);
    // the hatched part below the root, and below the tip beyond its ends
    auto tip = [&](double from, double to) {
        std::vector<QPointF> points;
        if (rootEnd >= w.halfWidth) return points;
        for (int i = 0; i <= steps / 4; ++i) {
            const double x = from + (to - from) * i / (steps / 4);
            points.push_back(at(x, w.topAt(x)));
        }
        return points;
    };
    std::vector<QPointF> hatched{at(-w.halfWidth, w.rimInner)};
    for (const std::vector<QPointF>& part :
         {tip(-w.halfWidth, -rootEnd), root, tip(rootEnd, w.halfWidth)}) {
        hatched.insert(hatched.end(), part.begin(), part.end());
    }
    hatched.push_back(at(w.halfWidth, w.rimInner));
    hatched.insert(hatched.end(), body.begin(), body.end());
    pen.hatch({hatched});
    // the reference line about the throat arc's centre, over the throat arc
    const double pitchArc = w.tipArc + (w.throat - w.pitch);
    const double delta = degrees(std::asin(std::min(1.0, w.arcHalf / pitchArc)));
    pen.arc(Layer::Centre, at(0, w.arcCentre), pitchArc, s > 0 ? 270 - delta : 90 - delta,
            s > 0 ? 270 + delta : 90 + delta);
}

View sectionView(const Design& d, const Wheel& w, const Scale& scale, SheetSize size) {
    View view;
    view.name = "WHEEL_SECTION";
    view.scale = scale;
    ViewPen pen(view, size);
    drawSectionHalf(pen, w, 1);
    drawSectionHalf(pen, w, -1);
    pen.centreLine({-w.halfWidth, 0}, {w.halfWidth, 0});
    // the worm's axis, seen end on
    pen.centreLine({-pen.part(4), w.a}, {pen.part(4), w.a}, 0);
    pen.centreLine({0, w.a - pen.part(4)}, {0, w.a + pen.part(4)}, 0);
    // the throat arc's centre, a throat arc radius beyond the throat: the
    // calculated radius need not put it on the worm's axis
    if (std::abs(w.arcCentre - w.a) > pen.part(0.2)) {
        const double m = pen.part(2);
        pen.line(Layer::Thin, {-m, w.arcCentre}, {m, w.arcCentre});
        pen.line(Layer::Thin, {0, w.arcCentre - m}, {0, w.arcCentre + m});
    }

    const Number outside = labelNumber(d, "Label33");
    pen.linear(outside, QStringLiteral("⌀"), {-w.halfWidth, -outside.value / 2},
               {-w.halfWidth, outside.value / 2}, 90, {-w.halfWidth - pen.part(10), 0});
    const Number throat = labelNumber(d, "Label35");
    pen.linear(throat, QStringLiteral("⌀"), {0, -throat.value / 2}, {0, throat.value / 2}, 90,
               {w.halfWidth + pen.part(10), 0});
    const Number pitch = labelNumber(d, "Label23");
    pen.linear(pitch, QStringLiteral("⌀"), {0, -pitch.value / 2}, {0, pitch.value / 2}, 90,
               {w.halfWidth + pen.part(10 + dimensionStyle().spacing + 3.5), 0});
    const Number width = labelNumber(d, "Label34");
    pen.linear(width, "", {-width.value / 2, -w.outside}, {width.value / 2, -w.outside}, 0,
               {0, -w.outside - pen.part(10)});
    const Number tipArc = labelNumber(d, "Label40");
    const QPointF centre(0, w.arcCentre);
    const double x = -0.55 * w.arcHalf;
    const QPointF onArc(x, w.topAt(x));
    const QPointF towardCentre = unit(centre - onArc);
    const double exit = (w.outside - onArc.y()) / std::max(0.2, towardCentre.y());
    // the value beyond the blank and beyond the centre's mark, on neither
    const double pastCentre = std::hypot(centre.x() - onArc.x(), centre.y() - onArc.y()) + pen.part(3);
    pen.radius(tipArc, centre, onArc,
               std::max(exit + pen.part(3), pastCentre) / pen.part(1) +
                   textWidth("R" + tipArc.text, textHeight(TextRole::Dimension, size)) + 2);
    return view;
}

View sideView(const Design& d, const Wheel& w, const Scale& scale, SheetSize size) {
    View view;
    view.name = "WHEEL_SIDE";
    view.scale = scale;
    ViewPen pen(view, size);
    pen.arc(Layer::Outline, {0, 0}, w.outside, 0, 180);
    pen.arc(Layer::Centre, {0, 0}, w.pitch, 0, 180);
    for (const double r : {w.rimInner, w.hubOuter, w.bore}) pen.arc(Layer::Outline, {0, 0}, r, 0, 180);
    pen.centreLine({-w.outside, 0}, {w.outside, 0});
    pen.centreLine({0, 0}, {0, w.outside});
    // the half view's symmetry marks: two short thin lines across each end
    for (const double s : {-1.0, 1.0}) {
        const double x = s * (w.outside + pen.part(3));
        for (const double dx : {-pen.part(1), pen.part(1)}) {
            pen.line(Layer::Thin, {x + dx, -pen.part(3)}, {x + dx, pen.part(3)});
        }
    }
    // the worm's axis at the centre distance, with its dimension
    const double end = w.outside + pen.part(3);
    pen.centreLine({-pen.part(12), w.a}, {end, w.a}, 0);
    // the centre distance belongs to the pair: a reference dimension here
    Number a = realNumber(d.record.centreDistance);
    a.text = QStringLiteral("(%1)").arg(a.text);
    pen.linear(a, "", {end, 0}, {end, a.value}, 90, {end + pen.part(6), 0});
    return view;
}

}  // namespace

Scale drawWheelViews(Sheet& sheet, const Design& d, const QRectF& room) {
    const Wheel w = wheelOf(d);
    const SheetSize size = sheet.size;
    const double gap = 12;
    FittedView section, side;
    for (const Scale& scale : standardScales()) {
        if (scale.factor > 5) continue;
        section.view = sectionView(d, w, scale, size);
        side.view = sideView(d, w, scale, size);
        breakLinesAtTexts(section.view, size);
        breakLinesAtTexts(side.view, size);
        section.bounds = viewBounds(section.view, size);
        side.bounds = viewBounds(side.view, size);
        const double height = std::max(section.bounds.bottom(), side.bounds.bottom()) -
                              std::min(section.bounds.top(), side.bounds.top());
        section.fits = section.bounds.width() + gap + side.bounds.width() <= room.width() &&
                       height <= room.height();
        if (section.fits) break;
    }
    requireFit(section, "蜗轮");
    // side by side on one axis, the pair centred in the room
    const double top = std::max(section.bounds.bottom(), side.bounds.bottom());
    const double bottom = std::min(section.bounds.top(), side.bounds.top());
    const double axisY = room.center().y() - (top + bottom) / 2;
    const double total = section.bounds.width() + gap + side.bounds.width();
    const double left = room.center().x() - total / 2;
    section.view.origin = QPointF(left - section.bounds.left(), axisY);
    side.view.origin = QPointF(left + section.bounds.width() + gap - side.bounds.left(), axisY);
    const Scale scale = section.view.scale;
    sheet.views.push_back(std::move(section.view));
    sheet.views.push_back(std::move(side.view));
    return scale;
}

}  // namespace wormpair::drawing
