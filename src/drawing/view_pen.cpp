#include "drawing/view_pen.h"

#include <cmath>
#include <numbers>

#include "calc/numeric.h"
#include "drawing/part_sheets.h"
#include "drawing/worm_geometry.h"

namespace wormpair::drawing {

namespace {

QPointF along(double degreesAngle) {
    return {std::cos(radians(degreesAngle)), std::sin(radians(degreesAngle))};
}

double parsedValue(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        throw DrawingError("尺寸数值“" + text.toStdString() + "”不是有限的数字，不能成图");
    }
    return value;
}

}  // namespace

Number labelNumber(const Design& design, const char* label) {
    const QString text = QString::fromStdString(design.value(label));
    return {parsedValue(text), text};
}

Number realNumber(double value) {
    const QString text = QString::fromStdString(formatReal(value));
    return {parsedValue(text), text};
}

void ViewPen::line(Layer layer, QPointF a, QPointF b) {
    m_view.entities.push_back({layer, LineShape{a, b}});
}

void ViewPen::polyline(Layer layer, std::vector<QPointF> points, bool closed) {
    if (points.size() < 2) return;
    m_view.entities.push_back({layer, PolylineShape{std::move(points), closed}});
}

void ViewPen::arc(Layer layer, QPointF centre, double radius, double from, double to) {
    m_view.entities.push_back({layer, ArcShape{centre, radius, from, to}});
}

void ViewPen::circle(Layer layer, QPointF centre, double radius) {
    m_view.entities.push_back({layer, CircleShape{centre, radius}});
}

void ViewPen::hatch(std::vector<std::vector<QPointF>> loops) {
    m_view.entities.push_back(
        {Layer::Hatch, HatchShape{std::move(loops), m_size == SheetSize::A4 ? 2.5 : 3}});
}

void ViewPen::centreLine(QPointF a, QPointF b, double beyond) {
    const QPointF u = unit(b - a);
    line(Layer::Centre, a - u * part(beyond), b + u * part(beyond));
}

void ViewPen::breakLine(QPointF a, QPointF b) {
    const QPointF d = b - a;
    const double length = std::hypot(d.x(), d.y());
    const QPointF n = QPointF(-d.y(), d.x()) / std::max(1e-12, length);
    const int waves = std::max(1, static_cast<int>(std::round(length / part(12))));
    std::vector<QPointF> points;
    const int steps = waves * 12;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        points.push_back(a + d * t + n * (part(1.0) * std::sin(t * waves * 2 * std::numbers::pi)));
    }
    polyline(Layer::Thin, std::move(points));
}

void ViewPen::text(QPointF at, const QString& content, TextRole role, HAlign h, VAlign v,
                   double angle) {
    m_view.entities.push_back(
        {Layer::Text, TextShape{at, content, part(textHeight(role, m_size)), angle, h, v}});
}

Dimension& ViewPen::linear(const Number& n, const QString& prefix, QPointF p1, QPointF p2,
                           double direction, QPointF linePoint) {
    Dimension d;
    d.kind = DimensionKind::Linear;
    d.p1 = p1;
    d.p2 = p2;
    d.direction = direction;
    d.linePoint = linePoint;
    d.value = n.value;
    d.text = prefix + n.text;
    m_view.dimensions.push_back(d);
    return m_view.dimensions.back();
}

Dimension& ViewPen::radius(const Number& n, QPointF centre, QPointF towards, double leader) {
    Dimension d;
    d.kind = DimensionKind::Radius;
    d.p1 = centre;
    d.p2 = centre + unit(towards - centre) * n.value;
    d.value = n.value;
    d.text = "R" + n.text;
    d.leader = leader;
    m_view.dimensions.push_back(d);
    return m_view.dimensions.back();
}

Dimension& ViewPen::diameter(const Number& n, QPointF centre, double angle, double at) {
    Dimension d;
    d.kind = DimensionKind::Diameter;
    d.p1 = centre - along(angle) * (n.value / 2);
    d.p2 = centre + along(angle) * (n.value / 2);
    d.value = n.value;
    d.text = QStringLiteral("⌀") + n.text;
    d.along = at;
    m_view.dimensions.push_back(d);
    return m_view.dimensions.back();
}

Dimension& ViewPen::angular(const Number& n, QPointF vertex, double fromAngle,
                            double leaderRadius) {
    Dimension d;
    d.kind = DimensionKind::Angular;
    d.vertex = vertex;
    d.p1 = vertex + along(fromAngle) * part(1);
    d.p2 = vertex + along(fromAngle + n.value) * part(1);
    d.linePoint = vertex + along(fromAngle + n.value / 2) * leaderRadius;
    d.value = n.value;
    d.text = n.text + QStringLiteral("°");
    m_view.dimensions.push_back(d);
    return m_view.dimensions.back();
}

std::vector<QPointF> arcPoints(QPointF centre, double radius, double from, double to, int steps) {
    std::vector<QPointF> points;
    for (int i = 0; i <= steps; ++i) {
        points.push_back(centre + along(from + (to - from) * i / steps) * radius);
    }
    return points;
}

void requireFinite(const std::vector<QPointF>& points, const char* what) {
    for (const QPointF& p : points) {
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) {
            throw DrawingError(std::string("本设计的") + what + "不能成图：几何关系不成立（数值超出范围）");
        }
    }
}

namespace {

// The parts of the segment a-b outside the box, as parameter ranges.
std::vector<std::pair<double, double>> outside(QPointF a, QPointF b, const QRectF& box) {
    // Liang-Barsky: the parameter range [t0, t1] inside the box
    double t0 = 0, t1 = 1;
    const QPointF d = b - a;
    const double p[] = {-d.x(), d.x(), -d.y(), d.y()};
    const double q[] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                        box.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return {{0, 1}};
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
    }
    if (t0 >= t1) return {{0, 1}};
    std::vector<std::pair<double, double>> parts;
    if (t0 > 0) parts.emplace_back(0, t0);
    if (t1 < 1) parts.emplace_back(t1, 1);
    return parts;
}

}  // namespace

void breakLinesAtTexts(View& view, SheetSize size) {
    std::vector<QRectF> boxes;
    const double margin = view.part(0.6);
    auto collect = [&](const Entity& e) {
        if (const auto* t = std::get_if<TextShape>(&e.shape)) {
            if (!t->text.isEmpty())
                boxes.push_back(textBounds(*t).adjusted(-margin, -margin, margin, margin));
        }
    };
    for (const Entity& e : view.entities) collect(e);
    for (const Dimension& d : view.dimensions) {
        for (const Entity& e : dimensionGeometry(d, view.scale.factor, size)) collect(e);
    }
    std::vector<Entity> kept;
    for (const Entity& e : view.entities) {
        const auto* line = std::get_if<LineShape>(&e.shape);
        const bool breakable =
            e.layer == Layer::Thin || e.layer == Layer::Centre || e.layer == Layer::Hidden;
        if (line == nullptr || !breakable) {
            kept.push_back(e);
            continue;
        }
        std::vector<std::pair<QPointF, QPointF>> pieces{{line->from, line->to}};
        for (const QRectF& box : boxes) {
            std::vector<std::pair<QPointF, QPointF>> next;
            for (const auto& [a, b] : pieces) {
                for (const auto& [t0, t1] : outside(a, b, box)) {
                    next.emplace_back(a + (b - a) * t0, a + (b - a) * t1);
                }
            }
            pieces = std::move(next);
        }
        for (const auto& [a, b] : pieces) {
            if (std::hypot(b.x() - a.x(), b.y() - a.y()) > view.part(0.3))
                kept.push_back({e.layer, LineShape{a, b}, e.weight});
        }
    }
    view.entities = std::move(kept);
}

FittedView fitView(const ViewFactory& factory, QSizeF room, SheetSize size, double largest,
                   double smallest) {
    FittedView last;
    for (const Scale& scale : standardScales()) {
        if (scale.factor > largest + 1e-12) continue;
        if (scale.factor < smallest - 1e-12) break;
        FittedView fitted;
        fitted.view = factory(scale);
        fitted.view.origin = QPointF(0, 0);
        breakLinesAtTexts(fitted.view, size);
        fitted.bounds = viewBounds(fitted.view, size);
        fitted.fits = fitted.bounds.width() <= room.width() && fitted.bounds.height() <= room.height();
        if (fitted.fits) return fitted;
        last = std::move(fitted);
    }
    return last;
}

void placeView(View& view, const QRectF& bounds, QPointF centre) {
    view.origin = centre - bounds.center();
}

}  // namespace wormpair::drawing
