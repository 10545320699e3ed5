// The meshing drawing: the pair in the wheel's middle plane at its centre
// distance, and the view along the generating line that shows the
// generating plane's inclination.

#include <algorithm>
#include <cmath>

#include "drawing/sheet_builders.h"
#include "drawing/worm_geometry.h"

namespace wormpair::drawing {

namespace {

struct Pair {
    WormGeometry g;
    double hl, sh, T, stubRadius, end;
    double throat, root;  // the wheel's circles in the middle plane
};

Pair pairOf(const Design& d) {
    Pair p{wormGeometry(d.record), 0, 0, 0, 0, 0, 0, 0};
    const WormGeometry& g = p.g;
    p.hl = g.halfLength;
    p.sh = g.shoulder;
    p.T = g.tipMax();
    p.stubRadius = 0.7 * g.rootY(0);
    p.end = p.hl + p.sh + std::max(0.6 * p.T, 0.25 * p.hl);
    p.throat = labelNumber(d, "Label35").value / 2;
    p.root = g.pitchRadius - d.record.dedendum;
    requireFinite({{p.hl, p.T}, {0, g.rootY(0)}, {0, g.tipY(0)}}, "啮合图");
    if (!(p.T > g.tipY(0) && g.rootY(0) > 0 && g.baseRadius < g.pitchRadius && g.a > p.throat)) {
        throw DrawingError("本设计的啮合图不能成图：蜗杆与蜗轮的位置关系不成立");
    }
    return p;
}

// The angles (about 270°) over which a wheel circle runs inside the worm.
double hiddenHalfAngle(const Pair& p, double radius) {
    const double reach = p.hl + p.sh;
    const double a = p.g.a;
    if (a - radius >= p.T) return 0;
    const double byHeight = degrees(std::acos(std::clamp((a - p.T) / radius, -1.0, 1.0)));
    const double byWidth = degrees(std::asin(std::min(1.0, reach / radius)));
    return std::min(byHeight, byWidth);
}

View meshView(const Design& d, const Pair& p, const Scale& scale, SheetSize size) {
    View view;
    view.name = "MESH_MAIN";
    view.scale = scale;
    ViewPen pen(view, size);
    const WormGeometry& g = p.g;
    const QPointF centre = g.centre();

    // the worm: the axial section in mesh above its axis, the outside below
    std::vector<QPointF> profile = g.axialProfile(-p.hl, p.hl, 0);
    requireFinite(profile, "啮合图");
    std::vector<QPointF> section = profile;
    section.push_back({p.hl, 0});
    section.push_back({-p.hl, 0});
    pen.hatch({section});
    pen.polyline(Layer::Outline, profile);
    const double delta = degrees(std::asin(p.hl / g.tipArc));
    const double rootDelta = degrees(std::asin(p.hl / g.rootArc));
    pen.arc(Layer::Outline, {0, -(g.a + g.e)}, g.tipArc, 90 - delta, 90 + delta);
    pen.arc(Layer::Thin, {0, -g.a}, g.rootArc, 90 - rootDelta, 90 + rootDelta);
    for (const double s : {1.0, -1.0}) {
        for (const double x : {-1.0, 1.0}) {
            pen.polyline(Layer::Outline, {{x * p.hl, s * p.T},
                                          {x * (p.hl + p.sh), s * p.T},
                                          {x * (p.hl + p.sh), s * p.stubRadius},
                                          {x * p.end, s * p.stubRadius}});
        }
    }
    for (const double x : {-p.hl, p.hl}) pen.line(Layer::Outline, {x, -p.T}, {x, p.T});
    for (const double x : {-p.end, p.end}) pen.breakLine({x, -p.stubRadius}, {x, p.stubRadius});
    pen.centreLine({-p.end, 0}, {p.end, 0});

    // the wheel in its middle plane: throat and root circles stop at the worm
    for (const auto& [radius, layer] :
         {std::pair{p.throat, Layer::Outline}, std::pair{p.root, Layer::Thin}}) {
        const double hidden = hiddenHalfAngle(p, radius);
        if (hidden > 0) {
            pen.arc(layer, centre, radius, 270 + hidden, 270 - hidden + 360);
        } else {
            pen.circle(layer, centre, radius);
        }
    }
    pen.circle(Layer::Centre, centre, g.pitchRadius);
    pen.circle(Layer::Centre, centre, g.baseRadius);
    pen.centreLine({-p.throat, g.a}, {p.throat, g.a});
    pen.centreLine({0, -p.T}, {0, g.a + p.throat});

    // the generating planes: the flanks' lines on to their tangent points
    const WormGeometry::Flank left = g.flank(-g.pitchAngle, false);
    const WormGeometry::Flank right = g.flank(g.pitchAngle, true);
    for (const WormGeometry::Flank& f : {left, right}) {
        requireFinite({f.tip, f.tangent}, "啮合图");
        pen.line(Layer::Thin, f.tip, f.tangent);
        pen.circle(Layer::Thin, f.tangent, pen.part(0.6));
    }
    // the view along the right generating line, marked A
    const QPointF along = unit(right.tangent - right.tip);
    const QPointF arrowTip = right.tangent + along * pen.part(4);
    const QPointF arrowTail = arrowTip + along * pen.part(10);
    pen.line(Layer::Dimension, arrowTail, arrowTip);
    const QPointF n(-along.y(), along.x());
    view.entities.push_back(
        {Layer::Dimension,
         SolidShape{{arrowTip, arrowTip + along * pen.part(3) + n * pen.part(0.6),
                     arrowTip + along * pen.part(3) - n * pen.part(0.6)}}});
    // the letter beyond the tail, clear of the arrow's line
    const double letter = textHeight(TextRole::Heading, size);
    const double clear = std::abs(along.x()) * textWidth("A", letter) / 2 +
                         std::abs(along.y()) * 1.15 * letter / 2 + 1;
    pen.text(arrowTail + along * pen.part(clear), "A", TextRole::Heading, HAlign::Centre,
             VAlign::Middle);

    // the working wrap: the wheel's rays at ±phi
    const Number phi = labelNumber(d, "Label27");
    for (const double s : {-1.0, 1.0}) {
        const double psi = s * phi.value;
        pen.line(Layer::Thin, centre, g.onCircle(centre, p.throat + pen.part(4), psi));
    }
    const double arcRadius = (g.baseRadius + p.root) / 2;
    pen.angular(phi, centre, 270, arcRadius);

    // dimensions: centre distance, working length, main base circle
    const Number a = realNumber(d.record.centreDistance);
    const double leftEnd = -std::max(p.throat, p.end) - pen.part(3);
    pen.linear(a, "", {-p.end - pen.part(3), 0}, {-p.throat - pen.part(3), a.value}, 90,
               {leftEnd - pen.part(8), 0});
    const Number length = labelNumber(d, "Label10");
    pen.linear(length, "", {-length.value / 2, -p.T}, {length.value / 2, -p.T}, 0,
               {0, -p.T - pen.part(10)});
    const Number base = labelNumber(d, "Label12");
    pen.diameter(base, centre, 40, 0.8);

    // the parts' numbers of the parts list (GB/T 4458.2): a thin leader from
    // a dot on the part to the number written on a short line, outside the
    // outlines: the worm 1 at the lower right, the wheel 2 at the upper left
    const double numberHeight = textHeight(TextRole::Heading, size);
    auto balloon = [&](QPointF on, QPointF knee, double side, const QString& number) {
        pen.circle(Layer::Thin, on, pen.part(0.5));
        pen.line(Layer::Thin, on, knee);
        const QPointF end = knee + QPointF(side * pen.part(numberHeight + 3), 0);
        pen.line(Layer::Thin, knee, end);
        pen.text((knee + end) / 2 + QPointF(0, pen.part(1)), number, TextRole::Heading,
                 HAlign::Centre, VAlign::Baseline);
    };
    balloon({0.6 * p.hl, -0.5 * p.T}, {p.end + pen.part(6), -p.T - pen.part(6)}, 1,
            QStringLiteral("1"));
    const double out = p.throat + pen.part(8);
    balloon(centre + QPointF(-0.55, 0.55) * p.throat, centre + QPointF(-out, 0.8 * p.throat), -1,
            QStringLiteral("2"));
    return view;
}

View inclinationView(const Design& d, const Scale& scale, SheetSize size) {
    View view;
    view.name = "MESH_VIEW_A";
    view.scale = scale;
    ViewPen pen(view, size);
    const double reach = pen.part(26);
    const Number beta = labelNumber(d, "Label13");
    pen.centreLine({0, -reach}, {0, reach}, 0);  // the wheel's axis direction
    pen.centreLine({-reach, 0}, {reach, 0}, 0);  // the middle plane
    const QPointF u(std::sin(radians(beta.value)), std::cos(radians(beta.value)));
    // the generating plane, on edge, named beyond the angle's value
    const double plane = reach + pen.part(5);
    pen.line(Layer::Thin, -u * reach, u * plane);
    pen.text(u * plane + QPointF(pen.part(1.5), 0), QStringLiteral("母平面"), TextRole::Note,
             HAlign::Left, VAlign::Middle);
    pen.text({reach, pen.part(1.5)}, QStringLiteral("中间平面"), TextRole::Note, HAlign::Right,
             VAlign::Baseline);
    pen.text({-pen.part(1.5), -reach}, QStringLiteral("蜗轮轴线"), TextRole::Note, HAlign::Right,
             VAlign::Baseline);
    pen.angular(beta, {0, 0}, 90 - beta.value, pen.part(18));
    return view;
}

}  // namespace

Scale drawMeshViews(Sheet& sheet, const Design& d, const QRectF& room) {
    const Pair p = pairOf(d);
    const SheetSize size = sheet.size;
    const double asideWidth = 70;
    const FittedView main =
        fitView([&](const Scale& s) { return meshView(d, p, s, size); },
                QSizeF(room.width() - asideWidth, room.height()), size, 5, 0.01);
    requireFit(main, "啮合图");
    View placed = main.view;
    placeView(placed, main.bounds,
              {room.left() + (room.width() - asideWidth) / 2, room.center().y()});
    const Scale scale = placed.scale;
    sheet.views.push_back(std::move(placed));

    // view A beside it, at the top, drawn at the main view's scale
    View aside = inclinationView(d, scale, size);
    aside.origin = QPointF(0, 0);
    breakLinesAtTexts(aside, size);
    const QRectF box = viewBounds(aside, size);
    const double captionRoom = captionHeight(size, false);
    const QPointF centre(room.right() - asideWidth / 2,
                         room.bottom() - captionRoom - 4 - box.height() / 2);
    placeView(aside, box, centre);
    addViewCaption(sheet, {centre.x(), centre.y() + box.height() / 2 + 2}, "A");
    sheet.views.push_back(std::move(aside));
    return scale;
}

}  // namespace wormpair::drawing
