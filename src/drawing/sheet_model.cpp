#include "drawing/sheet_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wormpair::drawing {

namespace {

double rad(double degrees) { return degrees * std::numbers::pi / 180; }
double deg(double radians) { return radians * 180 / std::numbers::pi; }
double dot(QPointF a, QPointF b) { return a.x() * b.x() + a.y() * b.y(); }
double length(QPointF v) { return std::hypot(v.x(), v.y()); }
QPointF unitOf(QPointF v) {
    const double l = length(v);
    return l > 0 ? v / l : QPointF(1, 0);
}
QPointF direction(double degrees) { return {std::cos(rad(degrees)), std::sin(rad(degrees))}; }
QPointF leftOf(QPointF v) { return {-v.y(), v.x()}; }

QRectF bounding(const std::vector<QPointF>& points) {
    if (points.empty()) return {};
    double x0 = points[0].x(), x1 = x0, y0 = points[0].y(), y1 = y0;
    for (const QPointF& p : points) {
        x0 = std::min(x0, p.x());
        x1 = std::max(x1, p.x());
        y0 = std::min(y0, p.y());
        y1 = std::max(y1, p.y());
    }
    return QRectF(QPointF(x0, y0), QPointF(x1, y1));
}

// The dimension's drawing, in view units; paper lengths are divided by the scale.
class DimensionPen {
  public:
    DimensionPen(double scale, SheetSize size)
        : m_k(scale),
          m_style(dimensionStyle()),
          m_height(textHeight(TextRole::Dimension, size)),
          m_toleranceHeight(textHeight(TextRole::Tolerance, size)) {}

    double part(double paper) const { return paper / m_k; }

    void line(QPointF a, QPointF b) { m_out.push_back({Layer::Dimension, LineShape{a, b}}); }

    // An arrow whose tip is at `tip`, pointing along `towards`.
    void arrow(QPointF tip, QPointF towards) {
        const QPointF d = unitOf(towards);
        const QPointF n = leftOf(d);
        const QPointF base = tip - d * part(m_style.arrowLength);
        const QPointF half = n * part(m_style.arrowWidth / 2);
        m_out.push_back({Layer::Dimension, SolidShape{{tip, base + half, base - half}}});
    }

    // Width on paper of the value with its deviations.
    double textWidthOf(const Dimension& d) const {
        double width = textWidth(d.text, m_height);
        if (!d.upper.isEmpty() || !d.lower.isEmpty()) {
            width += 0.6 + std::max(textWidth(d.upper, m_toleranceHeight),
                                    textWidth(d.lower, m_toleranceHeight));
        }
        return width;
    }

    // The value (and deviations) centred at `centre` along `reading`, its
    // baseline `gap` above the line through `centre`.
    void text(const Dimension& d, QPointF centre, QPointF reading) {
        const double angle = deg(std::atan2(reading.y(), reading.x()));
        const QPointF up = leftOf(reading);
        const double width = textWidthOf(d);
        const QPointF start = centre - reading * part(width / 2) + up * part(m_style.textGap);
        m_out.push_back({Layer::Dimension,
                         TextShape{start, d.text, part(m_height), angle, HAlign::Left,
                                   VAlign::Baseline}});
        if (d.upper.isEmpty() && d.lower.isEmpty()) return;
        const QPointF deviations = start + reading * part(textWidth(d.text, m_height) + 0.6);
        // the lower deviation on the value's baseline, the upper one above it
        m_out.push_back({Layer::Dimension,
                         TextShape{deviations + up * part(1.15 * m_toleranceHeight + 0.4), d.upper,
                                   part(m_toleranceHeight), angle, HAlign::Left,
                                   VAlign::Baseline}});
        m_out.push_back({Layer::Dimension,
                         TextShape{deviations, d.lower, part(m_toleranceHeight), angle,
                                   HAlign::Left, VAlign::Baseline}});
    }

    // A horizontal text centred at `centre` (angles are lettered upright).
    void uprightText(const Dimension& d, QPointF centre) {
        m_out.push_back({Layer::Dimension, TextShape{centre, d.text, part(m_height), 0,
                                                     HAlign::Centre, VAlign::Middle}});
    }

    const DimensionStyle& style() const { return m_style; }
    double height() const { return m_height; }
    std::vector<Entity> take() { return std::move(m_out); }

  private:
    double m_k;
    const DimensionStyle& m_style;
    double m_height;
    double m_toleranceHeight;
    std::vector<Entity> m_out;
};

// Reading direction of a line along u: left to right, or bottom to top.
QPointF readingOf(QPointF u) {
    const double angle = deg(std::atan2(u.y(), u.x()));
    return (angle > 90.5 || angle <= -89.5) ? -u : u;
}

void linear(DimensionPen& pen, const Dimension& d) {
    const DimensionStyle& s = pen.style();
    const QPointF u = direction(d.direction);
    const QPointF n = leftOf(u);
    QPointF q1 = d.p1 + n * dot(d.linePoint - d.p1, n);
    QPointF q2 = d.p2 + n * dot(d.linePoint - d.p2, n);
    for (const auto& [p, q] : {std::pair{d.p1, q1}, std::pair{d.p2, q2}}) {
        if (length(q - p) > pen.part(0.2)) {
            pen.line(p, q + unitOf(q - p) * pen.part(s.extensionBeyond));
        }
    }
    if (dot(q2 - q1, u) < 0) std::swap(q1, q2);  // q1 first along u
    const double span = length(q2 - q1) / pen.part(1);
    const double width = pen.textWidthOf(d);
    const bool arrowsInside = span >= 2 * s.arrowLength + 1.5;
    TextPlace place = d.place;
    if (place == TextPlace::Centre && span < width + 2 + (arrowsInside ? 2 * s.arrowLength : 0)) {
        place = d.fallback;
    }
    const double offset = pen.part((arrowsInside ? 1.5 : s.arrowLength + 1.5));
    QPointF from = q1, to = q2;
    if (!arrowsInside) {
        from -= u * pen.part(s.arrowLength + 2);
        to += u * pen.part(s.arrowLength + 2);
    }
    const QPointF reading = readingOf(u);
    QPointF centre;
    switch (place) {
        case TextPlace::Centre:
            centre = q1 + (q2 - q1) * d.along;
            break;
        case TextPlace::BeyondEnd:
            centre = q2 + u * (offset + pen.part(width / 2));
            to = q2 + u * (offset + pen.part(width + 0.5));
            break;
        case TextPlace::BeyondStart:
            centre = q1 - u * (offset + pen.part(width / 2));
            from = q1 - u * (offset + pen.part(width + 0.5));
            break;
    }
    pen.line(from, to);
    pen.arrow(q1, arrowsInside ? -u : u);
    pen.arrow(q2, arrowsInside ? u : -u);
    pen.text(d, centre, reading);
}

void radius(DimensionPen& pen, const Dimension& d) {
    const DimensionStyle& s = pen.style();
    const QPointF towardCentre = unitOf(d.p1 - d.p2);
    const double width = pen.textWidthOf(d);
    const double leader = std::max(d.leader, s.arrowLength + 2 + width + 1);
    const QPointF end = d.p2 + towardCentre * pen.part(leader);
    pen.line(d.p2, end);
    pen.arrow(d.p2, -towardCentre);
    const QPointF centre = d.p2 + towardCentre * pen.part(leader - 0.5 - width / 2);
    pen.text(d, centre, readingOf(towardCentre));
}

void diameter(DimensionPen& pen, const Dimension& d) {
    const QPointF u = unitOf(d.p2 - d.p1);
    pen.line(d.p1, d.p2);
    pen.arrow(d.p1, -u);
    pen.arrow(d.p2, u);
    pen.text(d, d.p1 + (d.p2 - d.p1) * d.along, readingOf(u));
}

void angular(DimensionPen& pen, const Dimension& d, std::vector<Entity>& out) {
    const DimensionStyle& s = pen.style();
    const QPointF v = d.vertex;
    const double a1 = deg(std::atan2(d.p1.y() - v.y(), d.p1.x() - v.x()));
    double sweep = deg(std::atan2(d.p2.y() - v.y(), d.p2.x() - v.x())) - a1;
    while (sweep <= 0) sweep += 360;
    const double r = length(d.linePoint - v);
    for (const QPointF& p : {d.p1, d.p2}) {
        const double reach = length(p - v);
        if (reach < r - pen.part(0.2)) {
            pen.line(p, v + unitOf(p - v) * (r + pen.part(s.extensionBeyond)));
        }
    }
    const double arcLength = rad(sweep) * r / pen.part(1);
    const bool arrowsInside = arcLength >= 2 * s.arrowLength + 1.5;
    double from = a1, to = a1 + sweep;
    if (!arrowsInside) {
        const double extra = deg(pen.part(s.arrowLength + 2) / r);
        from -= extra;
        to += extra;
    }
    out.push_back({Layer::Dimension, ArcShape{v, r, from, to}});
    const QPointF end1 = v + direction(a1) * r;
    const QPointF end2 = v + direction(a1 + sweep) * r;
    // the arrows' chords, so that their tips stay on the arc
    const double chord = deg(pen.part(s.arrowLength) / r) / 2;
    const QPointF along1 = leftOf(direction(a1 + chord));
    const QPointF along2 = -leftOf(direction(a1 + sweep - chord));
    pen.arrow(end1, arrowsInside ? -along1 : along1);
    pen.arrow(end2, arrowsInside ? -along2 : along2);
    const double middle = a1 + sweep / 2;
    const QPointF outward = direction(middle);
    const double width = textWidth(d.text, pen.height());
    const double reach = std::abs(outward.x()) * width / 2 + std::abs(outward.y()) * pen.height() / 2;
    // a narrow angle's legs run through its value: the value goes beyond the
    // extension lines' ends
    double gap = s.textGap;
    const bool extended = length(d.p1 - v) < r - pen.part(0.2) || length(d.p2 - v) < r - pen.part(0.2);
    const double across = (r + pen.part(gap + reach)) * std::sin(rad(sweep / 2));
    if (extended && sweep < 180 && across < pen.part(width / 2 + 0.6)) gap += s.extensionBeyond;
    pen.uprightText(d, v + outward * (r + pen.part(gap + reach)));
}

QRectF shapeBounds(const Shape& shape) {
    struct Visitor {
        QRectF operator()(const LineShape& s) const { return bounding({s.from, s.to}); }
        QRectF operator()(const ArcShape& s) const {
            std::vector<QPointF> points;
            double sweep = s.endAngle - s.startAngle;
            while (sweep < 0) sweep += 360;
            for (int i = 0; i <= 32; ++i) {
                points.push_back(s.centre + direction(s.startAngle + sweep * i / 32) * s.radius);
            }
            return bounding(points);
        }
        QRectF operator()(const CircleShape& s) const {
            return QRectF(s.centre - QPointF(s.radius, s.radius),
                          s.centre + QPointF(s.radius, s.radius));
        }
        QRectF operator()(const PolylineShape& s) const { return bounding(s.points); }
        QRectF operator()(const HatchShape& s) const {
            std::vector<QPointF> points;
            for (const auto& loop : s.loops) points.insert(points.end(), loop.begin(), loop.end());
            return bounding(points);
        }
        QRectF operator()(const SolidShape& s) const {
            return bounding({s.corners[0], s.corners[1], s.corners[2]});
        }
        QRectF operator()(const TextShape& s) const { return textBounds(s); }
    };
    return std::visit(Visitor{}, shape);
}

QRectF mapped(const View& view, const QRectF& box) {
    return bounding({view.toPaper(box.topLeft()), view.toPaper(box.bottomRight())});
}

}  // namespace

QPointF View::toPaper(QPointF p) const { return origin + p * scale.factor; }

QPointF View::toPart(QPointF paper) const { return (paper - origin) / scale.factor; }

std::vector<Entity> dimensionGeometry(const Dimension& dimension, double scale, SheetSize size) {
    DimensionPen pen(scale, size);
    std::vector<Entity> arcs;
    switch (dimension.kind) {
        case DimensionKind::Linear:
            linear(pen, dimension);
            break;
        case DimensionKind::Radius:
            radius(pen, dimension);
            break;
        case DimensionKind::Diameter:
            diameter(pen, dimension);
            break;
        case DimensionKind::Angular:
            angular(pen, dimension, arcs);
            break;
    }
    std::vector<Entity> out = pen.take();
    out.insert(out.end(), arcs.begin(), arcs.end());
    return out;
}

QString singleLineText(const QString& text) {
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            line += text[i];
            line += text[++i];
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            continue;  // CR LF: one break, one space
        } else if ((c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029) {
            line += u' ';
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || QChar::isSurrogate(c) || c == 0xFFFE ||
                   c == 0xFFFF) {
            continue;
        } else {
            line += text[i];
        }
    }
    return line;
}

QRectF textBounds(const TextShape& t) {
    const double w = textWidth(t.text, t.height) * t.widthFactor;
    double x0 = 0;
    if (t.h == HAlign::Centre) x0 = -w / 2;
    if (t.h == HAlign::Right) x0 = -w;
    double base = 0;
    if (t.v == VAlign::Middle) base = -t.height / 2;
    if (t.v == VAlign::Top) base = -t.height;
    const QPointF corners[] = {{x0, base - 0.15 * t.height},
                               {x0 + w, base - 0.15 * t.height},
                               {x0, base + t.height},
                               {x0 + w, base + t.height}};
    const double c = std::cos(rad(t.angle)), s = std::sin(rad(t.angle));
    std::vector<QPointF> points;
    for (const QPointF& p : corners) {
        points.push_back(t.at + QPointF(p.x() * c - p.y() * s, p.x() * s + p.y() * c));
    }
    return bounding(points);
}

QRectF entityBounds(const Entity& entity) { return shapeBounds(entity.shape); }

std::vector<PlacedText> placedTexts(const Sheet& sheet) {
    std::vector<PlacedText> texts;
    for (const Entity& e : sheet.paper) {
        if (const auto* t = std::get_if<TextShape>(&e.shape)) {
            if (!t->text.isEmpty()) texts.push_back({textBounds(*t), t->text, false});
        }
    }
    for (const View& view : sheet.views) {
        auto add = [&](const Entity& e) {
            if (const auto* t = std::get_if<TextShape>(&e.shape)) {
                if (!t->text.isEmpty()) texts.push_back({mapped(view, textBounds(*t)), t->text, true});
            }
        };
        for (const Entity& e : view.entities) add(e);
        for (const Dimension& d : view.dimensions) {
            for (const Entity& e : dimensionGeometry(d, view.scale.factor, sheet.size)) add(e);
        }
    }
    return texts;
}

QRectF viewBounds(const View& view, SheetSize size) {
    QRectF box;
    auto add = [&](const Entity& e) {
        const QRectF b = mapped(view, shapeBounds(e.shape));
        box = box.isNull() ? b : box.united(b);
    };
    for (const Entity& e : view.entities) add(e);
    for (const Dimension& d : view.dimensions) {
        for (const Entity& e : dimensionGeometry(d, view.scale.factor, size)) add(e);
    }
    return box;
}

}  // namespace wormpair::drawing
