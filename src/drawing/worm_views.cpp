// The worm's and the hob's sheets: both are hourglass bodies about the wheel
// centre, drawn from the same geometry with their own arcs and sizes.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "drawing/sheet_builders.h"
#include "drawing/worm_geometry.h"
#include "model/thread_section.h"

namespace wormpair::drawing {

namespace {

// Which of the design's numbers a body shows.
struct HourglassNumbers {
    const char* what;  // for messages: 蜗杆, 滚刀
    const char* tipArc;
    const char* rootArc;
    const char* length;
    const char* shoulder;    // nullptr: none
    const char* largestTip;  // nullptr: not dimensioned
    bool throatDiameters;
    const char* tipWidth;
    const char* chordalThickness;
    const char* chordalHeight;
    model::ThreadDesign model::PairGeometry::*thread;  // the thread as made
};

constexpr HourglassNumbers kWorm{"蜗杆",
                                 "Label9",
                                 "Label8",
                                 "Label10",
                                 "Label11",
                                 "Label48",
                                 true,
                                 "Label43",
                                 "Label16",
                                 "Label17",
                                 &model::PairGeometry::groundWorm};
constexpr HourglassNumbers kHob{"滚刀",
                                "Label18",
                                "Label19",
                                "Label20",
                                nullptr,
                                nullptr,
                                false,
                                "Label49",
                                "Label21",
                                "Label22",
                                &model::PairGeometry::hob};

struct Body {
    WormGeometry g;
    double hl, sh, T, t0, r0, stubRadius, end;
    double leadAngle;  // gamma, degrees
    QString upper, lower;  // deviations of the chordal thickness
    // the outlines the details show, each from -halfWidth to +halfWidth
    std::vector<QPointF> axialSection, normalSection;
};

Body bodyOf(const Design& d, const HourglassNumbers& n, const WormGeometry& g) {
    Body b{g,
           g.halfLength,
           n.shoulder ? g.shoulder : 0,
           g.tipMax(),
           g.tipY(0),
           g.rootY(0),
           0,
           0,
           d.record.throatLeadAngle,
           {},
           {},
           {},
           {}};
    b.stubRadius = 0.7 * b.r0;
    b.end = b.hl + b.sh + std::max(0.6 * b.T, 0.25 * b.hl);
    requireFinite({{b.hl, b.T}, {0, b.t0}, {0, b.r0}}, n.what);
    if (!(b.T > b.t0 && b.t0 > b.r0 && b.r0 > 0 && b.hl > 0)) {
        throw DrawingError(std::string("本设计的") + n.what +
                           "不能成图：齿顶、齿根与轴线的位置关系不成立");
    }
    return b;
}

// The outline half of the body on one side (side = ±1): shoulder, tip arc
// ends, stub; the arcs themselves are drawn as arcs.
void drawOutside(ViewPen& pen, const Body& b) {
    const WormGeometry& g = b.g;
    const double delta = degrees(std::asin(b.hl / g.tipArc));
    const double rootDelta = degrees(std::asin(b.hl / g.rootArc));
    const double pitchDelta = degrees(std::asin(b.hl / g.pitchRadius));
    for (const double s : {1.0, -1.0}) {
        const double around = s > 0 ? 270 : 90;
        pen.arc(Layer::Outline, {0, s * (g.a + g.e)}, g.tipArc, around - delta, around + delta);
        pen.arc(Layer::Thin, {0, s * g.a}, g.rootArc, around - rootDelta, around + rootDelta);
        pen.arc(Layer::Centre, {0, s * g.a}, g.pitchRadius, around - pitchDelta,
                around + pitchDelta);
        for (const double x : {-1.0, 1.0}) {
            std::vector<QPointF> p;
            if (b.sh > 0) p.push_back({x * b.hl, s * b.T});
            p.push_back({x * (b.hl + b.sh), s * b.T});
            p.push_back({x * (b.hl + b.sh), s * b.stubRadius});
            p.push_back({x * b.end, s * b.stubRadius});
            pen.polyline(Layer::Outline, p);
        }
    }
    for (const double x : {-b.hl, b.hl}) pen.line(Layer::Outline, {x, -b.T}, {x, b.T});
    for (const double x : {-b.end, b.end}) pen.breakLine({x, -b.stubRadius}, {x, b.stubRadius});
    pen.centreLine({-b.end, 0}, {b.end, 0});
}

// The leader of a radius, from the arc point out past the top of the body.
double leaderPast(ViewPen& pen, QPointF from, QPointF centre, double top, const QString& text) {
    const QPointF d = unit(centre - from);
    const double exit = (top - from.y()) / std::max(0.2, d.y());
    return (exit + pen.part(3)) / pen.part(1) + textWidth(text, textHeight(TextRole::Dimension,
                                                                           pen.size())) + 2;
}

// Half the width of the region the details show about the throat.
double detailHalfWidth(const Body& b) {
    return b.g.pitchRadius * std::sin(radians(0.8 * b.g.pitchAngle));
}

// Half the width (axial) the normal section shows: the throat tooth and a
// third of a pitch beyond its root corners, within the details' region.
double normalHalfWidth(const Body& b) {
    const WormGeometry::Flank left = b.g.flank(0, true), right = b.g.flank(0, false);
    const double w = std::max(-left.root.x(), right.root.x()) +
                     0.35 * b.g.pitchRadius * std::sin(radians(b.g.pitchAngle));
    return std::min(w, detailHalfWidth(b));
}

// The thin ellipse that marks detail I on the main view: about the throat
// region the detail shows, half width and half height.
QPointF detailMark(const Body& b) { return {1.05 * detailHalfWidth(b), 0.85 * (b.t0 - b.r0)}; }
QPointF detailMarkCentre(const Body& b) { return {0, b.t0 - 0.7 * (b.t0 - b.r0)}; }

View mainView(const Design& d, const HourglassNumbers& n, const Body& b, const Scale& scale,
              SheetSize size, QString name) {
    View view;
    view.name = std::move(name);
    view.scale = scale;
    ViewPen pen(view, size);
    drawOutside(pen, b);
    const WormGeometry& g = b.g;

    // lengths below: shoulder, working length, shoulder
    const Number length = labelNumber(d, n.length);
    // the chain of lengths below; lower still when a throat text had to go
    // below the worm
    double below = -b.T - pen.part(10);
    if (n.throatDiameters) {
        const double h = textHeight(TextRole::Dimension, size);
        const double room = b.r0 * scale.factor - 1.3;
        const double widest =
            std::max(textWidth(QStringLiteral("⌀") + realNumber(d.record.wormThroatTipDiameter).text, h),
                     textWidth(QStringLiteral("⌀") + labelNumber(d, "Label53").text, h));
        if (room < widest) below = std::min(below, -b.t0 - pen.part(widest + 8));
    }
    if (n.shoulder) {
        const Number shoulder = labelNumber(d, n.shoulder);
        const double x = length.value / 2;
        // a narrow shoulder's value goes outside, beyond its outer arrow
        const bool roomy = shoulder.value * scale.factor >
                           textWidth(shoulder.text, textHeight(TextRole::Dimension, size)) + 2 +
                               2 * dimensionStyle().arrowLength;
        pen.linear(shoulder, "", {-x - shoulder.value, -b.T}, {-x, -b.T}, 0, {0, below}).place =
            roomy ? TextPlace::Centre : TextPlace::BeyondStart;
        pen.linear(length, "", {-x, -b.T}, {x, -b.T}, 0, {0, below});
        pen.linear(shoulder, "", {x, -b.T}, {x + shoulder.value, -b.T}, 0, {0, below}).place =
            roomy ? TextPlace::Centre : TextPlace::BeyondEnd;
    } else {
        pen.linear(length, "", {-length.value / 2, -b.T}, {length.value / 2, -b.T}, 0, {0, below});
    }
    if (n.largestTip) {
        const Number largest = labelNumber(d, n.largestTip);
        const double x = b.hl + b.sh;
        pen.linear(largest, QStringLiteral("⌀"), {x, -largest.value / 2}, {x, largest.value / 2}, 90,
                   {b.end + pen.part(8), 0});
    }
    if (n.throatDiameters) {
        // at the throat, their lines just beside the middle plane, both texts
        // between the axis and the lower root line, clear of the detail's mark
        const double room = b.r0 * scale.factor - 1.3;
        const double middle = (1 + b.r0 * scale.factor - 0.3) / 2 / scale.factor;
        const double h = textHeight(TextRole::Dimension, size);
        const Number tip = realNumber(d.record.wormThroatTipDiameter);
        Dimension& tipDimension = pen.linear(tip, QStringLiteral("⌀"), {0, -tip.value / 2},
                                             {0, tip.value / 2}, 90, {-pen.part(3), 0});
        tipDimension.along = (tip.value / 2 - middle) / tip.value;
        if (room < textWidth(tipDimension.text, h)) tipDimension.place = TextPlace::BeyondStart;
        const Number root = labelNumber(d, "Label53");
        Dimension& rootDimension = pen.linear(root, QStringLiteral("⌀"), {0, -root.value / 2},
                                              {0, root.value / 2}, 90, {pen.part(3), 0});
        rootDimension.along = (root.value / 2 - middle) / root.value;
        if (room < textWidth(rootDimension.text, h)) rootDimension.place = TextPlace::BeyondStart;
    }
    // the arcs' radii, their leaders out past the top, clear of the detail's mark
    const double top = b.T;
    const double clear =
        std::min(0.85 * b.hl, std::max(0.6 * b.hl, detailMark(b).x() + pen.part(5)));
    const Number tipArc = labelNumber(d, n.tipArc);
    const QPointF tipPoint(-clear, g.tipY(-clear));
    pen.radius(tipArc, g.tipCentre(), tipPoint,
               leaderPast(pen, tipPoint, g.tipCentre(), top, "R" + tipArc.text));
    const Number rootArc = labelNumber(d, n.rootArc);
    const QPointF rootPoint(clear, g.rootY(clear));
    pen.radius(rootArc, g.centre(), rootPoint,
               leaderPast(pen, rootPoint, g.centre(), top, "R" + rootArc.text));
    return view;
}

// The thread's outline in a detail: its section as the grinding makes it
// (the thread as made, also where formula lines would cross themselves);
// the formula outline, narrowed by xScale into the normal section, where
// the design gives no ground thread.
std::vector<QPointF> sectionOutline(const Design& d, const HourglassNumbers& n, const Body& b,
                                    model::SectionPlane plane, double halfWidth, double xScale) {
    try {
        const model::PairGeometry pair = model::pairGeometry(d.record, d.hand);
        std::vector<QPointF> outline;
        for (const model::SectionPoint& p :
             model::threadSectionOutline(pair.*n.thread, plane, halfWidth * xScale))
            outline.emplace_back(p.along, p.height);
        if (outline.size() >= 2) return outline;
    } catch (const std::exception&) {
        // the formula outline below
    }
    std::vector<QPointF> outline = b.g.axialProfile(-halfWidth, halfWidth, 0);
    for (QPointF& p : outline) p.setX(p.x() * xScale);
    return outline;
}

// A local section about the throat: the profile above, freehand breaks
// below and at the sides, section lines between.
void drawLocalSection(ViewPen& pen, const std::vector<QPointF>& profile, double bottom) {
    requireFinite(profile, "齿形");
    const double left = profile.front().x(), w = profile.back().x();
    // freehand lines: right side down, bottom right to left, left side up
    auto wavy = [&](QPointF from, QPointF to) {
        const QPointF dd = to - from;
        const double length = std::hypot(dd.x(), dd.y());
        const QPointF nn = QPointF(-dd.y(), dd.x()) / std::max(1e-12, length);
        const int waves = std::max(1, static_cast<int>(std::round(length / pen.part(12))));
        std::vector<QPointF> points;
        for (int i = 0; i <= waves * 12; ++i) {
            const double t = static_cast<double>(i) / (waves * 12);
            points.push_back(from + dd * t +
                             nn * (pen.part(0.8) * std::sin(t * waves * 2 * std::numbers::pi)));
        }
        return points;
    };
    const std::vector<QPointF> right = wavy(profile.back(), {w, bottom});
    const std::vector<QPointF> base = wavy({w, bottom}, {left, bottom});
    const std::vector<QPointF> leftSide = wavy({left, bottom}, profile.front());
    std::vector<QPointF> loop = profile;
    loop.insert(loop.end(), right.begin() + 1, right.end());
    loop.insert(loop.end(), base.begin() + 1, base.end());
    loop.insert(loop.end(), leftSide.begin() + 1, leftSide.end() - 1);
    pen.hatch({loop});
    pen.polyline(Layer::Outline, profile);
    pen.polyline(Layer::Thin, right);
    pen.polyline(Layer::Thin, base);
    pen.polyline(Layer::Thin, leftSide);
}

View axialDetail(const Design& d, const HourglassNumbers& n, const Body& b, const Scale& scale,
                 SheetSize size, QString name) {
    View view;
    view.name = std::move(name);
    view.scale = scale;
    ViewPen pen(view, size);
    const WormGeometry& g = b.g;
    const double w = detailHalfWidth(b);
    const double depth = b.t0 - b.r0;
    drawLocalSection(pen, b.axialSection, b.r0 - 0.5 * depth);
    const double pitchDelta = degrees(std::asin(std::min(1.0, (w + pen.part(3)) / g.pitchRadius)));
    pen.arc(Layer::Centre, g.centre(), g.pitchRadius, 270 - pitchDelta, 270 + pitchDelta);
    pen.centreLine({0, b.r0 - 0.5 * depth}, {0, b.t0});

    const Number tipWidth = labelNumber(d, n.tipWidth);
    pen.linear(tipWidth, "", {-tipWidth.value / 2, b.t0}, {tipWidth.value / 2, b.t0}, 0,
               {0, b.t0 + pen.part(9)});
    // the profile angle between a flank and the radius through its pitch
    // point, on the neighbour left of the throat tooth, opening above its tip
    const WormGeometry::Flank flank = g.flank(-g.pitchAngle, false);
    const QPointF radial = g.centre() - flank.pitchPoint;
    const double radialAngle = degrees(std::atan2(radial.y(), radial.x()));
    const double reach = std::hypot(flank.tip.x() - flank.pitchPoint.x(),
                                    flank.tip.y() - flank.pitchPoint.y());
    const Number alpha = labelNumber(d, "Label14");
    pen.angular(alpha, flank.pitchPoint, radialAngle, reach + pen.part(5));
    return view;
}

View normalDetail(const Design& d, const HourglassNumbers& n, const Body& b, const Scale& scale,
                  SheetSize size, QString name) {
    View view;
    view.name = std::move(name);
    view.scale = scale;
    ViewPen pen(view, size);
    const WormGeometry& g = b.g;
    const double cosLead = std::cos(radians(b.leadAngle));
    const WormGeometry::Flank right = g.flank(0, false);
    const double w = normalHalfWidth(b);
    const double depth = b.t0 - b.r0;
    drawLocalSection(pen, b.normalSection, b.r0 - 0.35 * depth);
    pen.centreLine({0, b.r0 - 0.35 * depth}, {0, b.t0});

    const Number height = labelNumber(d, n.chordalHeight);
    const Number thickness = labelNumber(d, n.chordalThickness);
    const double chord = b.t0 - height.value;
    Dimension& s = pen.linear(thickness, "", {-thickness.value / 2, chord},
                              {thickness.value / 2, chord}, 0, {0, b.t0 + pen.part(9)});
    s.upper = b.upper;
    s.lower = b.lower;
    const double tipCorner = right.tip.x() * cosLead;
    Dimension& h = pen.linear(height, "", {thickness.value / 2, chord}, {tipCorner, b.t0}, 90,
                              {w * cosLead + pen.part(6), 0});
    h.fallback = TextPlace::BeyondStart;  // below, clear of the thickness above
    return view;
}

Scale drawHourglass(Sheet& sheet, const Design& d, const QRectF& room, const HourglassNumbers& n,
                    const WormGeometry& g, QString upper, QString lower, const char* blockPrefix) {
    Body b = bodyOf(d, n, g);
    b.upper = std::move(upper);
    b.lower = std::move(lower);
    b.axialSection = sectionOutline(d, n, b, model::SectionPlane::Axial, detailHalfWidth(b), 1);
    b.normalSection = sectionOutline(d, n, b, model::SectionPlane::NormalToThread,
                                     normalHalfWidth(b), std::cos(radians(b.leadAngle)));
    const SheetSize size = sheet.size;
    const QString prefix = QString::fromLatin1(blockPrefix);

    // the main view across the top, the two details side by side below it,
    // at no smaller a scale; where they do not fit under it, the main view
    // one scale smaller leaves them more room
    const double detailRow = 0.4 * room.height();
    FittedView main, axial, normal;
    for (double largestMain = 5;;) {
        main = fitView([&](const Scale& s) { return mainView(d, n, b, s, size, prefix + "_MAIN"); },
                       QSizeF(room.width(), room.height() - detailRow), size, largestMain, 0.01);
        requireFit(main, n.what);
        const double mainFactor = main.view.scale.factor;
        const double rowHeight = room.height() - main.bounds.height() - 4;
        const QSizeF detailRoom(room.width() / 2 - 6, rowHeight - captionHeight(size, true) - 4);
        axial = fitView(
            [&](const Scale& s) { return axialDetail(d, n, b, s, size, prefix + "_DETAIL_I"); },
            detailRoom, size, 10, mainFactor);
        normal = fitView(
            [&](const Scale& s) { return normalDetail(d, n, b, s, size, prefix + "_NORMAL"); },
            detailRoom, size, 10, mainFactor);
        if ((axial.fits && normal.fits) || mainFactor <= 0.01) break;
        largestMain = mainFactor * (1 - 1e-9);
    }
    requireFit(axial, n.what);
    requireFit(normal, n.what);

    View mainPlaced = main.view;
    placeView(mainPlaced, main.bounds,
              {room.center().x(), room.bottom() - main.bounds.height() / 2});
    // the detail's mark about the throat tooth, lettered I
    {
        ViewPen pen(mainPlaced, size);
        const QPointF half = detailMark(b), centre = detailMarkCentre(b);
        std::vector<QPointF> ellipse;
        for (int i = 0; i < 72; ++i) {
            const double t = radians(5.0 * i);
            ellipse.push_back(centre + QPointF(half.x() * std::cos(t), half.y() * std::sin(t)));
        }
        pen.polyline(Layer::Thin, std::move(ellipse), true);
        const double x = centre.x() + 0.75 * half.x();
        pen.text({x, std::max(centre.y() + half.y(), b.g.tipY(x)) + pen.part(1.5)}, "I",
                 TextRole::Heading);
    }
    sheet.views.push_back(mainPlaced);

    const double rowTop = room.bottom() - main.bounds.height() - 4;
    const double detailTop = rowTop - captionHeight(size, true);
    const struct {
        const FittedView* fitted;
        double x;
        QString caption;
    } details[] = {{&axial, room.left() + room.width() / 4, "I"},
                   {&normal, room.left() + 3 * room.width() / 4, QStringLiteral("法向齿形")}};
    for (const auto& detail : details) {
        View placed = detail.fitted->view;
        const QRectF& box = detail.fitted->bounds;
        placeView(placed, box, {detail.x, detailTop - 4 - box.height() / 2});
        addViewCaption(sheet, {detail.x, detailTop - 1}, detail.caption,
                       QString::fromUtf8(placed.scale.text));
        sheet.views.push_back(std::move(placed));
    }
    return main.view.scale;
}

}  // namespace

Scale drawWormViews(Sheet& sheet, const Design& d, const QRectF& room) {
    return drawHourglass(sheet, d, room, kWorm, wormGeometry(d.record), QStringLiteral("0"),
                         "-" + QString::fromStdString(d.accuracy.accuracyValue8), "WORM");
}

Scale drawHobViews(Sheet& sheet, const Design& d, const QRectF& room) {
    return drawHourglass(sheet, d, room, kHob, hobGeometry(d.record),
                         "+" + QString::fromStdString(d.accuracy.accuracyValue11),
                         QStringLiteral("0"), "HOB");
}

}  // namespace wormpair::drawing
