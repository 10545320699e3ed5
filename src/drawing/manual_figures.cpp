#include "drawing/manual_figures.h"

#include <QPainterPath>
#include <QPolygonF>
#include <numbers>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "calc/numeric.h"
#include "drawing/part_sheets.h"
#include "drawing/sheet_painter.h"
#include "drawing/worm_geometry.h"

namespace wormpair::drawing {

namespace {

QString number(double value) { return QString::fromStdString(formatReal(value)); }

const QColor kInk(0x10, 0x10, 0x10);
const QColor kDimInk(0x10, 0x30, 0x60);

enum class Stroke { Thick, Thin, Centre, Hidden };

// Drawing on a figure's rectangle in paper millimetres (origin top left, y
// down). Lines are drawn in millimetres; text in device space, so that its
// point size is the size on paper.
class Canvas {
  public:
    Canvas(QPainter& painter, const QRectF& rect, double pxPerMm)
        : m_p(painter), m_rect(rect), m_k(pxPerMm), m_base(painter.worldTransform()) {
        m_mm = QTransform::fromScale(m_k, m_k) * QTransform::fromTranslate(rect.x(), rect.y()) *
               m_base;
        m_p.setRenderHint(QPainter::Antialiasing);
    }

    QSizeF size() const { return m_rect.size() / m_k; }

    QPen pen(Stroke stroke, QColor colour = kInk) const {
        QPen pen(colour, stroke == Stroke::Thick ? 0.5 : 0.22);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::RoundJoin);
        if (stroke == Stroke::Centre) pen.setDashPattern({40, 6, 4, 6});
        if (stroke == Stroke::Hidden) pen.setDashPattern({14, 6});
        return pen;
    }

    void path(const QPainterPath& path, Stroke stroke, QColor colour = kInk) {
        m_p.save();
        m_p.setWorldTransform(m_mm);
        m_p.setPen(pen(stroke, colour));
        m_p.setBrush(Qt::NoBrush);
        m_p.drawPath(path);
        m_p.restore();
    }

    void line(QPointF a, QPointF b, Stroke stroke, QColor colour = kInk) {
        QPainterPath p(a);
        p.lineTo(b);
        path(p, stroke, colour);
    }

    void polyline(const QPolygonF& points, Stroke stroke) {
        QPainterPath p;
        p.addPolygon(points);
        path(p, stroke);
    }

    void fill(const QPainterPath& path, QColor colour) {
        m_p.save();
        m_p.setWorldTransform(m_mm);
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(colour);
        m_p.drawPath(path);
        m_p.restore();
    }

    // 45° section lines, spacing mm apart, inside the area.
    void hatch(const QPainterPath& area, double spacing = 2.2) {
        const QRectF box = area.boundingRect();
        QPainterPath lines;
        const double span = box.width() + box.height();
        for (double t = -box.height(); t <= span; t += spacing) {
            lines.moveTo(box.left() + t, box.bottom());
            lines.lineTo(box.left() + t + box.height(), box.top());
        }
        m_p.save();
        m_p.setWorldTransform(m_mm);
        m_p.setClipPath(area);
        m_p.setPen(pen(Stroke::Thin));
        m_p.drawPath(lines);
        m_p.restore();
    }

    // Text with its reference point at `at` (mm): align as Qt flags, angle in
    // degrees counter-clockwise.
    void text(QPointF at, const QString& text, double points, int align = Qt::AlignLeft,
              double angle = 0, bool bold = false, QColor colour = kInk) {
        QFont font;
        font.setFamilies({kLatinFamily, kChineseFamily});
        font.setPointSizeF(points);
        font.setBold(bold);
        const QFontMetricsF metrics(font, m_p.device());
        double x = 0;
        double y = 0;
        const double width = metrics.horizontalAdvance(text);
        if (align & Qt::AlignHCenter) x = -width / 2;
        if (align & Qt::AlignRight) x = -width;
        if (align & Qt::AlignVCenter) y = (metrics.ascent() - metrics.descent()) / 2;
        if (align & Qt::AlignTop) y = metrics.ascent();
        m_p.save();
        m_p.setWorldTransform(m_base);
        m_p.translate(m_rect.topLeft() + at * m_k);
        m_p.rotate(-angle);
        m_p.setFont(font);
        m_p.setPen(colour);
        m_p.drawText(QPointF(x, y), text);
        m_p.restore();
    }

    double textWidth(const QString& text, double points) const {
        QFont font;
        font.setFamilies({kLatinFamily, kChineseFamily});
        font.setPointSizeF(points);
        return QFontMetricsF(font, m_p.device()).horizontalAdvance(text) / m_k;
    }

    // Wrapped text in a box (mm).
    void paragraph(const QRectF& box, const QString& text, double points) {
        QFont font;
        font.setFamilies({kLatinFamily, kChineseFamily});
        font.setPointSizeF(points);
        m_p.save();
        m_p.setWorldTransform(m_base);
        m_p.setFont(font);
        m_p.setPen(kInk);
        m_p.drawText(QRectF(m_rect.topLeft() + box.topLeft() * m_k, box.size() * m_k),
                     Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
        m_p.restore();
    }

    void arrow(QPointF tip, QPointF direction, QColor colour = kDimInk) {
        const QPointF d = unit(direction);
        const QPointF n(-d.y(), d.x());
        QPainterPath head(tip);
        head.lineTo(tip - d * 2.6 + n * 0.45);
        head.lineTo(tip - d * 2.6 - n * 0.45);
        head.closeSubpath();
        fill(head, colour);
    }

    // A dimension between two points, its line `offset` mm to the left of the
    // direction p1 -> p2 (negative: to the right), the text above the line.
    void dimension(QPointF p1, QPointF p2, double offset, const QString& label,
                   double textShift = 0) {
        const QPointF d = unit(p2 - p1);
        const QPointF n(d.y(), -d.x());  // left of d on paper (y down)
        const QPointF q1 = p1 + n * offset;
        const QPointF q2 = p2 + n * offset;
        if (std::abs(offset) > 0.5) {
            const double s = offset > 0 ? 1 : -1;
            line(p1 + n * s * 0.8, q1 + n * s * 1.8, Stroke::Thin, kDimInk);
            line(p2 + n * s * 0.8, q2 + n * s * 1.8, Stroke::Thin, kDimInk);
        }
        const bool tight = std::hypot(q2.x() - q1.x(), q2.y() - q1.y()) < 7;
        if (tight) {
            line(q1 - d * 4, q2 + d * 4, Stroke::Thin, kDimInk);
            arrow(q1, d);
            arrow(q2, -d);
        } else {
            line(q1, q2, Stroke::Thin, kDimInk);
            arrow(q1, -d);
            arrow(q2, d);
        }
        double angle = degrees(std::atan2(-d.y(), d.x()));
        if (angle > 90.5) angle -= 180;
        if (angle <= -89.5) angle += 180;
        const QPointF reading(std::cos(radians(angle)), -std::sin(radians(angle)));
        const QPointF up(-std::sin(radians(angle)), -std::cos(radians(angle)));
        const QPointF at = (q1 + q2) / 2 + up * 0.7 + reading * textShift;
        text(at, label, 7.5, Qt::AlignHCenter, angle, false, kDimInk);
    }

    // Leader from a point of a line or arc outward, the text on a landing.
    void leader(QPointF target, QPointF outward, double length, const QString& label) {
        const QPointF d = unit(outward);
        const QPointF elbow = target + d * length;
        const double width = textWidth(label, 7.5) + 1.5;
        const QPointF end = elbow + QPointF(d.x() >= 0 ? width : -width, 0);
        arrow(target, -d);
        QPainterPath p(target);
        p.lineTo(elbow);
        p.lineTo(end);
        path(p, Stroke::Thin, kDimInk);
        text((elbow + end) / 2 + QPointF(0, -0.7), label, 7.5, Qt::AlignHCenter, 0, false, kDimInk);
    }

    // Names in a column at x = column, each joined to its point by a thin
    // line; the names keep their points' order from top to bottom and at
    // least `spacing` mm apart.
    void callouts(std::vector<std::pair<QPointF, QString>> items, double column,
                  double spacing = 5.5, QColor colour = kDimInk) {
        std::sort(items.begin(), items.end(),
                  [](const auto& a, const auto& b) { return a.first.y() < b.first.y(); });
        std::vector<double> ys;
        for (const auto& item : items) {
            ys.push_back(ys.empty() ? item.first.y()
                                    : std::max(item.first.y(), ys.back() + spacing));
        }
        const double overflow = ys.empty() ? 0 : ys.back() - (size().height() - 3);
        if (overflow > 0) {
            for (double& y : ys) y -= overflow;
            for (std::size_t i = 1; i < ys.size(); ++i)
                ys[i] = std::max(ys[i], ys[i - 1] + spacing);
        }
        for (std::size_t i = 0; i < items.size(); ++i) {
            const QPointF target = items[i].first;
            const QPointF end(column - 1, ys[i]);
            QPainterPath p(target);
            p.lineTo(QPointF(column - 6, ys[i]));
            p.lineTo(end);
            path(p, Stroke::Thin, colour);
            QPainterPath dot;
            dot.addEllipse(target, 0.5, 0.5);
            fill(dot, colour);
            text(QPointF(column, ys[i]), items[i].second, 8, Qt::AlignLeft | Qt::AlignVCenter);
        }
    }

    // Freehand break line between two points.
    void breakLine(QPointF a, QPointF b) {
        QPainterPath p(a);
        const QPointF d = b - a;
        const QPointF n = QPointF(-d.y(), d.x()) / std::max(1e-9, std::hypot(d.x(), d.y()));
        for (int i = 1; i <= 24; ++i) {
            const double t = i / 24.0;
            p.lineTo(a + d * t + n * (0.9 * std::sin(t * 2 * std::numbers::pi)));
        }
        path(p, Stroke::Thin);
    }

  private:
    QPainter& m_p;
    QRectF m_rect;
    double m_k;
    QTransform m_base;
    QTransform m_mm;
};

// Model coordinates (mm of the part, y up) placed on the paper at a scale.
struct PaperView {
    QPointF origin;    // paper position of the model origin
    double scale = 1;  // paper mm per model mm

    QPointF operator()(double x, double y) const {
        return {origin.x() + x * scale, origin.y() - y * scale};
    }
    QPointF operator()(QPointF p) const { return (*this)(p.x(), p.y()); }
    QPainterPath map(const QPainterPath& model) const {
        return QTransform(scale, 0, 0, -scale, origin.x(), origin.y()).map(model);
    }
    QPolygonF map(const QPolygonF& model) const {
        return QTransform(scale, 0, 0, -scale, origin.x(), origin.y()).map(model);
    }
};

QString label(const Design& d, const char* name) { return QString::fromStdString(d.value(name)); }
QString text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QPainterPath axialSection(const WormGeometry& g, double x0, double x1, double bottom) {
    QPolygonF core;
    core << QPointF(x0, bottom);
    for (int i = 0; i <= 60; ++i) {
        const double x = x0 + (x1 - x0) * i / 60;
        core << QPointF(x, g.rootY(x));
    }
    core << QPointF(x1, bottom);
    QPainterPath area;
    area.addPolygon(core);
    area.closeSubpath();
    for (const double psi : g.toothAngles()) {
        QPainterPath t;
        const std::vector<QPointF> tooth = g.tooth(psi);
        t.addPolygon(QPolygonF(QList<QPointF>(tooth.begin(), tooth.end())));
        t.closeSubpath();
        area = area.united(t);
    }
    QPainterPath box;
    box.addRect(QRectF(QPointF(x0, bottom), QPointF(x1, g.a)));
    return area.intersected(box).simplified();
}

namespace {


// --- the pair in the middle plane (技术资料) ---------------------------------

void drawPair(Canvas& c, const Design& d) {
    const WormGeometry g = wormGeometry(d.record);
    const double column = c.size().width() - 62;
    const double top = g.a + g.baseRadius;
    const double bottom = g.tipMax();
    const double halfWidth = std::max(g.baseRadius, g.halfLength) + 12;
    const Scale scale = fitScale(QSizeF(2 * halfWidth, top + bottom + 12),
                                 QSizeF(column - 14, c.size().height() - 12), 1);
    const double s = scale.factor;
    const PaperView v{QPointF((column - 8) / 2, 4 + top * s), s};
    const QPointF centre = g.centre();
    const QColor generating(0x90, 0x20, 0x20);

    // worm: section above the axis (the teeth in mesh), view below
    const QPainterPath upper = axialSection(g, -g.halfLength, g.halfLength, 0);
    c.fill(v.map(upper), QColor(0xdc, 0xe6, 0xf2));
    c.path(v.map(upper), Stroke::Thick);
    QPolygonF tip, root;
    for (int i = 0; i <= 60; ++i) {
        const double x = -g.halfLength + 2 * g.halfLength * i / 60;
        tip << QPointF(x, -g.tipY(x));
        root << QPointF(x, -g.rootY(x));
    }
    c.polyline(v.map(tip), Stroke::Thick);
    c.polyline(v.map(root), Stroke::Thin);
    c.line(v(-g.halfLength, 0), v(-g.halfLength, -g.tipMax()), Stroke::Thick);
    c.line(v(g.halfLength, 0), v(g.halfLength, -g.tipMax()), Stroke::Thick);
    c.line(v(-g.halfLength - 8, 0), v(g.halfLength + 8, 0), Stroke::Centre);

    // wheel: centre, reference circle, base circle, two generating planes
    c.line(v(-8, g.a), v(8, g.a), Stroke::Centre);
    c.line(v(0, g.a + 8), v(0, -g.tipMax() - 4), Stroke::Centre);
    QPainterPath base;
    base.addEllipse(v(centre), g.baseRadius * s, g.baseRadius * s);
    c.path(base, Stroke::Centre, generating);
    QPolygonF pitchArc;
    for (int i = 0; i <= 40; ++i) {
        pitchArc << g.onCircle(centre, g.pitchRadius,
                               -g.halfWrap - 8 + (2 * g.halfWrap + 16) * i / 40);
    }
    c.polyline(v.map(pitchArc), Stroke::Centre);
    const WormGeometry::Flank left = g.flank(-g.pitchAngle, false);
    const WormGeometry::Flank right = g.flank(g.pitchAngle, true);
    for (const WormGeometry::Flank& f : {left, right}) {
        c.line(v(f.tip), v(f.tangent), Stroke::Hidden, generating);
        QPainterPath dot;
        dot.addEllipse(v(f.tangent), 0.6, 0.6);
        c.fill(dot, generating);
    }
    // the working half wrap angle and the angular pitch at the wheel centre
    for (const double side : {-1.0, 1.0}) {
        c.line(v(centre), v(g.onCircle(centre, g.rootArc + 3, side * g.halfWrap)), Stroke::Thin,
               kDimInk);
    }
    QPolygonF wrap;
    const double rw = g.a * 0.45;
    for (int i = 0; i <= 20; ++i) wrap << g.onCircle(centre, rw, g.halfWrap * i / 20);
    c.polyline(v.map(wrap), Stroke::Thin);
    c.text(v(g.onCircle(centre, rw + 2.5 / s, g.halfWrap * 0.5)), QStringLiteral("φ"), 8,
           Qt::AlignLeft | Qt::AlignVCenter, 0, false, kDimInk);
    QPolygonF pitch;
    const double rt = g.a * 0.65;
    for (int i = 0; i <= 10; ++i) pitch << g.onCircle(centre, rt, -g.pitchAngle * i / 10);
    c.polyline(v.map(pitch), Stroke::Thin);
    c.line(v(centre), v(g.onCircle(centre, rt + 4 / s, -g.pitchAngle)), Stroke::Thin, kDimInk);
    c.text(v(g.onCircle(centre, rt + 2.5 / s, -g.pitchAngle * 0.5)), QStringLiteral("τ"), 8,
           Qt::AlignRight | Qt::AlignVCenter, 0, false, kDimInk);

    // dimensions on the left, names on the right
    const double dimX = -halfWidth + 4;
    c.dimension(v(dimX, 0), v(dimX, g.a), 3, "a = " + text(d.recommendation.centreDistance));
    c.line(v(dimX - 2, g.a), v(-8, g.a), Stroke::Thin, kDimInk);
    c.line(v(dimX - 2, 0), v(-g.halfLength - 8, 0), Stroke::Thin, kDimInk);
    const double below = -g.tipMax() - 6 / s;
    c.dimension(v(-g.halfLength, below), v(g.halfLength, below), 0, "L = " + label(d, "Label10"));
    c.line(v(-g.halfLength, -g.tipMax()), v(-g.halfLength, below) + QPointF(0, 1.8), Stroke::Thin,
           kDimInk);
    c.line(v(g.halfLength, -g.tipMax()), v(g.halfLength, below) + QPointF(0, 1.8), Stroke::Thin,
           kDimInk);
    c.callouts({{v(g.onCircle(centre, g.baseRadius, 45)),
                 QStringLiteral("主基圆 ⌀db = ") + label(d, "Label12")},
                {v(0, g.a), QStringLiteral("蜗轮轴线")},
                {v(right.tangent), QStringLiteral("母平面与主基圆的切点")},
                {v((right.tip + right.tangent) / 2), QStringLiteral("母平面（齿面的母线）")},
                {v(g.onCircle(centre, g.pitchRadius, g.halfWrap + 6)),
                 QStringLiteral("蜗轮分度圆 ⌀d2 = ") + label(d, "Label23")},
                {v(right.tip), QStringLiteral("蜗杆齿（轴向截面）")},
                {v(g.halfLength * 0.7, -g.tipY(g.halfLength * 0.7)),
                 QStringLiteral("齿顶圆弧 R") + label(d, "Label9")},
                {v(g.halfLength * 0.4, -g.rootY(g.halfLength * 0.4)),
                 QStringLiteral("齿根圆弧 R") + label(d, "Label8")},
                {v(g.halfLength + 6, 0), QStringLiteral("蜗杆轴线")}},
               column);
    c.text(QPointF(column, c.size().height() - 3),
           QStringLiteral("按示例设计 ") + scale.text + QStringLiteral(" 绘制"), 7.5,
           Qt::AlignLeft);
}

// --- modification (修形原理) -------------------------------------------------

void drawModification(Canvas& c, const Design& d) {
    const DesignRecord& r = d.record;
    const double a = r.centreDistance;
    const double mt = r.transverseModule;
    // drawn with a larger increment, so that the two circles can be told apart
    const double shown = std::max(8.0, 6 * r.grindingIncrement);
    const double a2 = a + shown * mt / 2;
    const double r2 = r.wheelReferenceDiameter / 2, r2m = (r.wheelTeeth + shown) * mt / 2;
    const double rb = r.mainBaseDiameter / 2, rbm = rb * r2m / r2;
    const double throatY = a - r2;
    const double column = c.size().width() - 66;
    const double halfWidth = r2m * std::sin(radians(26)) + 4;
    const Scale scale = fitScale(QSizeF(2 * halfWidth + 30, a2 + rbm + 8),
                                 QSizeF(column - 20, c.size().height() - 10), 1);
    const double s = scale.factor;
    const PaperView v{QPointF(10 + (column - 12) / 2, 4 + (a2 + rbm) * s), s};
    const QColor modified(0x90, 0x20, 0x20);

    c.line(v(-halfWidth, 0), v(halfWidth, 0), Stroke::Centre);
    auto colouredArc = [&](double cy, double radius, double from, double to, Stroke stroke,
                           QColor colour) {
        QPolygonF p;
        for (int i = 0; i <= 72; ++i) {
            const double t = radians(from + (to - from) * i / 72);
            p << QPointF(radius * std::sin(t), cy - radius * std::cos(t));
        }
        QPainterPath path;
        path.addPolygon(v.map(p));
        c.path(path, stroke, colour);
    };
    colouredArc(a, r2, -24, 24, Stroke::Thick, kInk);
    colouredArc(a2, r2m, -24, 24, Stroke::Hidden, modified);
    colouredArc(a, rb, -180, 180, Stroke::Centre, kInk);
    colouredArc(a2, rbm, -180, 180, Stroke::Centre, modified);
    for (const auto& [cy, colour] : {std::pair{a, kInk}, std::pair{a2, modified}}) {
        c.line(v(-5, cy), v(5, cy), Stroke::Thin, colour);
        c.line(v(0, cy - 5), v(0, cy + 5), Stroke::Thin, colour);
    }
    c.line(v(0, -3), v(0, a2 + rbm + 2), Stroke::Centre);
    // the profile line through the throat point is tangent to both base circles
    const double alpha = std::asin(rb / r2);
    const QPointF pitchPoint(0, throatY);
    const QPointF dir(std::sin(alpha), std::cos(alpha));
    const QPointF tangent = pitchPoint + dir * (r2 * std::cos(alpha));
    const QPointF tangentModified = pitchPoint + dir * (r2m * std::cos(alpha));
    c.line(v(pitchPoint - dir * 10), v(tangentModified + dir * 10), Stroke::Thin, kDimInk);
    for (const QPointF& p : {pitchPoint, tangent, tangentModified}) {
        QPainterPath dot;
        dot.addEllipse(v(p), 0.7, 0.7);
        c.fill(dot, kDimInk);
    }
    const double dimX = -halfWidth;
    c.dimension(v(dimX + 14, 0), v(dimX + 14, a), 3, "a");
    c.dimension(v(dimX + 4, 0), v(dimX + 4, a2), 3, QStringLiteral("a′"));
    c.line(v(dimX + 12, a), v(-5, a), Stroke::Thin, kDimInk);
    c.line(v(dimX + 2, a2), v(-5, a2), Stroke::Thin, kDimInk);
    c.callouts({{v(0, a2), QStringLiteral("假想蜗轮中心，a′ = a + Δz·mt/2")},
                {v(0, a), QStringLiteral("蜗轮中心")},
                {v(rbm * std::sin(radians(-140)), a2 - rbm * std::cos(radians(-140))),
                 QStringLiteral("修形主基圆 db′ = d2′·sin α")},
                {v(rb * std::sin(radians(-120)), a - rb * std::cos(radians(-120))),
                 QStringLiteral("主基圆 db")},
                {v(tangentModified), QStringLiteral("齿形线与修形主基圆相切")},
                {v(tangent), QStringLiteral("齿形线与主基圆相切")},
                {v(pitchPoint + dir * (r2 * 0.3)), QStringLiteral("共同的齿形线（齿形角 α）")},
                {v(r2m * std::sin(radians(20)), a2 - r2m * std::cos(radians(20))),
                 QStringLiteral("假想蜗轮分度圆 d2′ = (z2+Δz)·mt")},
                {v(r2 * std::sin(radians(22)), a - r2 * std::cos(radians(22))),
                 QStringLiteral("蜗轮分度圆 d2 = z2·mt")},
                {v(pitchPoint), QStringLiteral("喉部节点")},
                {v(halfWidth - 2, 0), QStringLiteral("蜗杆轴线")}},
               column);
    c.text(QPointF(column, c.size().height() - 3),
           QStringLiteral("示意：磨齿增量按 %1 绘制，比例 %2").arg(number(shown), scale.text), 7.5,
           Qt::AlignLeft);
}

// --- chart of recommended diameters (推荐参数) ------------------------------

void drawChart(Canvas& c, const std::vector<ChartSeries>& series) {
    const QRectF plot(16, 6, c.size().width() - 60, c.size().height() - 18);
    double minA = 1e9, maxA = 0, maxD = 0;
    for (const ChartSeries& s : series) {
        for (const Recommendation& r : s.points) {
            const double a = std::stod(r.centreDistance);
            minA = std::min(minA, a);
            maxA = std::max(maxA, a);
            maxD = std::max({maxD, std::stod(r.wormDiameter), std::stod(r.mainBaseDiameter)});
        }
    }
    if (maxA <= minA) throw std::runtime_error("the chart needs two centre distances");
    const double yTop = std::ceil(maxD / 50) * 50;
    auto at = [&](double a, double dia) {
        const double t = std::log(a / minA) / std::log(maxA / minA);
        return QPointF(plot.left() + t * plot.width(), plot.bottom() - dia / yTop * plot.height());
    };
    for (double y = 0; y <= yTop + 1e-9; y += 50) {
        c.line(at(minA, y), at(maxA, y), Stroke::Thin, QColor(0xc8, 0xd0, 0xda));
        c.text(at(minA, y) + QPointF(-1.5, 0), number(y), 7, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (const Recommendation& r : series.front().points) {
        const double a = std::stod(r.centreDistance);
        c.line(at(a, 0), at(a, yTop), Stroke::Thin, QColor(0xe0, 0xe5, 0xeb));
        c.text(at(a, 0) + QPointF(0, 1.2), text(r.centreDistance), 7,
               Qt::AlignHCenter | Qt::AlignTop);
    }
    QPainterPath axes;
    axes.moveTo(plot.topLeft());
    axes.lineTo(plot.bottomLeft());
    axes.lineTo(plot.bottomRight());
    c.path(axes, Stroke::Thin);
    c.text(QPointF(plot.right(), plot.bottom() + 6.5), QStringLiteral("中心距 a / mm（对数刻度）"),
           7.5, Qt::AlignRight | Qt::AlignTop);
    c.text(QPointF(plot.left() - 12, plot.center().y()), QStringLiteral("直径 / mm"), 7.5,
           Qt::AlignHCenter | Qt::AlignBottom, 90);
    const QColor colours[] = {QColor(0x1f, 0x5f, 0xa8), QColor(0x2e, 0x8b, 0x3e),
                              QColor(0xc0, 0x6a, 0x10), QColor(0x90, 0x20, 0x70)};
    for (std::size_t i = 0; i < series.size(); ++i) {
        const QColor colour = colours[i % 4];
        for (const bool worm : {true, false}) {
            QPolygonF line;
            for (const Recommendation& r : series[i].points) {
                line << at(std::stod(r.centreDistance),
                           std::stod(worm ? r.wormDiameter : r.mainBaseDiameter));
            }
            QPainterPath p;
            p.addPolygon(line);
            c.path(p, worm ? Stroke::Thin : Stroke::Hidden, colour);
            for (const QPointF& q : line) {
                QPainterPath m;
                m.addEllipse(q, 0.55, 0.55);
                c.fill(m, colour);
            }
        }
        const double y = plot.top() + 4 + i * 5.5;
        c.line(QPointF(plot.right() + 4, y), QPointF(plot.right() + 10, y), Stroke::Thin,
               colours[i % 4]);
        c.text(QPointF(plot.right() + 11.5, y), QStringLiteral("i = ") + series[i].ratio, 7.5,
               Qt::AlignLeft | Qt::AlignVCenter);
    }
    const double y = plot.top() + 6 + series.size() * 5.5;
    c.line(QPointF(plot.right() + 4, y), QPointF(plot.right() + 10, y), Stroke::Thin);
    c.text(QPointF(plot.right() + 11.5, y), QStringLiteral("实线 d1"), 7.5,
           Qt::AlignLeft | Qt::AlignVCenter);
    c.line(QPointF(plot.right() + 4, y + 5.5), QPointF(plot.right() + 10, y + 5.5), Stroke::Hidden);
    c.text(QPointF(plot.right() + 11.5, y + 5.5), QStringLiteral("虚线 db"), 7.5,
           Qt::AlignLeft | Qt::AlignVCenter);
}

}  // namespace

Drawings::Drawings(const Design& example, std::vector<ChartSeries> chart)
    : m_example(example), m_chart(std::move(chart)) {}

QSizeF Drawings::figureSize(const QString& name, const QSizeF& body) const {
    if (name == "worm-sheet" || name == "wheel-sheet") return {body.width(), body.height() - 7};
    if (name == "pair") return {body.width(), 150};
    if (name == "modification") return {body.width(), 120};
    if (name == "chart") return {body.width(), 82};
    return {};
}

void Drawings::drawFigure(QPainter& painter, const QRectF& rect, const QString& name,
                          double pxPerMm) const {
    Canvas canvas(painter, rect, pxPerMm);
    if (name == "worm-sheet" || name == "wheel-sheet") {
        // the sheet as the program draws it, its A3 paper reduced onto the page
        SheetRequest request;
        request.kind = name == "worm-sheet" ? SheetKind::Worm : SheetKind::Wheel;
        request.size = SheetSize::A3;
        request.fields = {{TitleField::DrawingNumber,
                           name == "worm-sheet" ? QStringLiteral("示例-01") : QStringLiteral("示例-02")},
                          {TitleField::Material, QStringLiteral("按设计选用")},
                          {TitleField::Company, QStringLiteral("NALVEX 制图示例")}};
        paintSheet(painter, buildSheet(m_example, request), rect);
        return;
    }
    if (name == "pair")
        drawPair(canvas, m_example);
    else if (name == "modification")
        drawModification(canvas, m_example);
    else if (name == "chart")
        drawChart(canvas, m_chart);
}

}  // namespace wormpair::drawing
