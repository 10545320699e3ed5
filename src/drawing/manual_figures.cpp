#include "drawing/manual_figures.h"

#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "calc/numeric.h"
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
            p.lineTo(a + d * t + n * (0.9 * std::sin(t * 2 * kPi)));
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
struct View {
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

// --- tables on drawing sheets -------------------------------------------

struct Row {
    QString name, symbol, value, unit;
};

void drawParameterTable(Canvas& c, const QRectF& box, const QString& title,
                        const std::vector<Row>& rows) {
    const double widths[] = {0.39, 0.16, 0.32, 0.13};
    const double height = std::min(5.6, box.height() / (rows.size() + 1));
    const double top = box.top();
    c.line(box.topLeft(), box.topRight(), Stroke::Thick);
    c.text(QPointF(box.center().x(), top + height / 2), title, 8.5, Qt::AlignCenter, 0, true);
    double y = top + height;
    for (const Row& row : rows) {
        c.line(QPointF(box.left(), y), QPointF(box.right(), y), Stroke::Thin);
        const bool section = row.symbol.isEmpty() && row.value.isEmpty() && row.unit.isEmpty();
        if (section) {
            c.text(QPointF(box.center().x(), y + height / 2), row.name, 7.5, Qt::AlignCenter, 0,
                   true);
        } else {
            double x = box.left();
            const QString cells[] = {row.name, row.symbol, row.value, row.unit};
            for (int i = 0; i < 4; ++i) {
                const double w = widths[i] * box.width();
                if (i > 0) c.line(QPointF(x, y), QPointF(x, y + height), Stroke::Thin);
                c.text(QPointF(i == 0 ? x + 1.2 : x + w / 2, y + height / 2), cells[i], 7.3,
                       (i == 0 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter);
                x += w;
            }
        }
        y += height;
    }
    QPainterPath frame;
    frame.addRect(QRectF(box.left(), top, box.width(), y - top));
    c.path(frame, Stroke::Thick);
}

void drawTitleBlock(Canvas& c, const QRectF& box, const QString& name, const QString& scale,
                    const QString& number) {
    QPainterPath frame;
    frame.addRect(box);
    c.path(frame, Stroke::Thick);
    const double h = box.height() / 3;
    const double x1 = box.left() + 15, x2 = box.left() + 64, x3 = box.left() + 78;
    for (int i = 1; i < 3; ++i) {
        c.line(QPointF(box.left(), box.top() + i * h), QPointF(box.right(), box.top() + i * h),
               Stroke::Thin);
    }
    for (const double x : {x1, x2, x3})
        c.line(QPointF(x, box.top()), QPointF(x, box.top() + 2 * h), Stroke::Thin);
    auto cell = [&](double x0, double x1_, int row, const QString& s, bool bold = false) {
        c.text(QPointF((x0 + x1_) / 2, box.top() + (row + 0.5) * h), s, bold ? 8.5 : 7.5,
               Qt::AlignCenter, 0, bold);
    };
    cell(box.left(), x1, 0, QStringLiteral("名称"));
    cell(x1, x2, 0, name, true);
    cell(x2, x3, 0, QStringLiteral("比例"));
    cell(x3, box.right(), 0, scale);
    cell(box.left(), x1, 1, QStringLiteral("图号"));
    cell(x1, x2, 1, number);
    cell(x2, x3, 1, QStringLiteral("材料"));
    cell(x3, box.right(), 1, QStringLiteral("按设计选用"));
    cell(box.left(), box.right(), 2, QStringLiteral("NALVEX蜗杆副设计V8.601　制图示例"));
}

// The sheet's frame: drawing area left, parameter table and title block right.
struct SheetLayout {
    QRectF drawing, table, title;
};

SheetLayout sheetLayout(Canvas& c) {
    const QSizeF size = c.size();
    QPainterPath border;
    border.addRect(QRectF(0.3, 0.3, size.width() - 0.6, size.height() - 0.6));
    c.path(border, Stroke::Thick);
    const double right = size.width() - 4;
    const double columnLeft = right - 100;
    SheetLayout s;
    s.title = QRectF(columnLeft, size.height() - 4 - 24, 100, 24);
    s.table = QRectF(columnLeft, 4, 100, s.title.top() - 8);
    s.drawing = QRectF(4, 4, columnLeft - 10, size.height() - 8);
    return s;
}

std::vector<Row> wormRows(const Design& d) {
    const Recommendation& r = d.recommendation;
    const AccuracyValues& t = d.accuracy;
    return {
        {QStringLiteral("中心距"), "a", text(r.centreDistance), "mm"},
        {QStringLiteral("蜗杆头数"), "z1", text(r.wormStarts), ""},
        {QStringLiteral("蜗轮齿数"), "z2", text(r.wheelTeeth), ""},
        {QStringLiteral("端面模数"), "mt", label(d, "Label25"), "mm"},
        {QStringLiteral("包围齿数"), "K", label(d, "Label26"), ""},
        {QStringLiteral("母平面倾斜角"), QStringLiteral("β"),
         text(d.record.motherPlaneInclinationText), QStringLiteral("°")},
        {QStringLiteral("工作半包角"), QStringLiteral("φ"), label(d, "Label27"),
         QStringLiteral("°")},
        {QStringLiteral("喉部导程角"), QStringLiteral("γ"), label(d, "Label28"),
         QStringLiteral("°")},
        {QStringLiteral("分度圆齿形角"), QStringLiteral("α"), label(d, "Label14"),
         QStringLiteral("°")},
        {QStringLiteral("主基圆直径"), "db", label(d, "Label12"), "mm"},
        {QStringLiteral("蜗杆分度圆直径"), "d1", text(r.wormDiameter), "mm"},
        {QStringLiteral("旋向"), "", QStringLiteral("右旋"), ""},
        {QStringLiteral("精度等级"), "", text(d.designation), ""},
        {QStringLiteral("法向弦齿厚"), "sn1", label(d, "Label16"), "mm"},
        {QStringLiteral("法向弦齿厚公差"), "Ts1", "-" + text(t.accuracyValue8), "mm"},
        {QStringLiteral("法向弦齿高"), "ha1", label(d, "Label17"), "mm"},
        {QStringLiteral("入口修缘（量×长）"), QStringLiteral("Δe×le"), text(r.entryRelief),
         QStringLiteral("mm×°")},
        {QStringLiteral("出口修缘（量×长）"), QStringLiteral("Δx×lx"), text(r.exitRelief),
         QStringLiteral("mm×°")},
        {QStringLiteral("蜗杆齿距极限偏差"), QStringLiteral("±fpx"), text(t.accuracyValue3),
         QStringLiteral("μm")},
        {QStringLiteral("蜗杆齿距累积公差"), "fpxL", text(t.accuracyValue4), QStringLiteral("μm")},
        {QStringLiteral("修形参数"), "", "", ""},
        {QStringLiteral("磨齿增量"), QStringLiteral("Δz"), text(r.grindingIncrement), ""},
        {QStringLiteral("修形中心距"), QStringLiteral("a′"), label(d, "Label51"), "mm"},
        {QStringLiteral("修形传动比"), QStringLiteral("i′"), label(d, "Label42"), ""},
        {QStringLiteral("修形主基圆直径"), QStringLiteral("db′"), label(d, "Label52"), "mm"},
        {QStringLiteral("修形母面倾斜角"), QStringLiteral("β′"), label(d, "Label41"),
         QStringLiteral("°")},
    };
}

std::vector<Row> wheelRows(const Design& d) {
    const Recommendation& r = d.recommendation;
    const AccuracyValues& t = d.accuracy;
    const double difference = d.record.pressureAngle - d.record.workingHalfWrapAngle;
    return {
        {QStringLiteral("蜗杆头数"), "z1", text(r.wormStarts), ""},
        {QStringLiteral("蜗轮齿数"), "z2", text(r.wheelTeeth), ""},
        {QStringLiteral("端面模数"), "mt", label(d, "Label25"), "mm"},
        {QStringLiteral("喉部导程角"), QStringLiteral("γ"), label(d, "Label28"),
         QStringLiteral("°")},
        {QStringLiteral("分度圆齿形角"), QStringLiteral("α"), label(d, "Label14"),
         QStringLiteral("°")},
        {QStringLiteral("工作半包角"), QStringLiteral("φ"), label(d, "Label27"),
         QStringLiteral("°")},
        {QStringLiteral("齿形角与半包角之差"), QStringLiteral("α−φ"), number(difference),
         QStringLiteral("°")},
        {QStringLiteral("母平面倾斜角"), QStringLiteral("β"),
         text(d.record.motherPlaneInclinationText), QStringLiteral("°")},
        {QStringLiteral("主基圆直径"), "db", label(d, "Label12"), "mm"},
        {QStringLiteral("旋向"), "", QStringLiteral("右旋"), ""},
        {QStringLiteral("包围齿数"), "K", label(d, "Label26"), ""},
        {QStringLiteral("法向侧隙"), "jn", text(d.backlash), "mm"},
        {QStringLiteral("蜗轮法向弦齿高"), "ha2", label(d, "Label45"), "mm"},
        {QStringLiteral("蜗轮法向弦齿厚"), "sn2", label(d, "Label44"), "mm"},
        {QStringLiteral("齿厚公差"), "Ts2", "-" + text(t.accuracyValue11), "mm"},
        {QStringLiteral("中心距"), "a", text(r.centreDistance), "mm"},
        {QStringLiteral("蜗轮齿距极限偏差"), QStringLiteral("±fpt"), text(t.accuracyValue9),
         QStringLiteral("μm")},
        {QStringLiteral("蜗轮齿距累积公差"), "Fp", text(t.accuracyValue10), QStringLiteral("μm")},
        {QStringLiteral("精度等级"), "", text(d.designation), ""},
    };
}

QString diameter(const QString& value) { return QStringLiteral("⌀") + value; }

// --- the worm sheet ------------------------------------------------------

void drawWormSheet(Canvas& c, const Design& d) {
    const SheetLayout layout = sheetLayout(c);
    const WormGeometry g = wormGeometry(d.record);
    const double tipMax = g.tipMax();
    const double stubRadius = 0.72 * g.rootY(0);
    const double stub = std::max(10.0, 0.22 * g.halfLength * 2);
    const double end = g.halfLength + g.shoulder + stub;
    const QRectF area = layout.drawing;

    // main view: the worm seen from the side, tip surface thick, root thin
    const QRectF mainRoom(area.left(), area.top() + 8, area.width(), area.height() * 0.56);
    const Scale scale = fitScale(QSizeF(2 * end, 2 * tipMax), mainRoom.size() - QSizeF(40, 30), 1);
    const double k = scale.factor;
    const View v{QPointF(mainRoom.center().x() - 10, mainRoom.top() + 20 + tipMax * k), k};
    c.text(QPointF(v(0, 0).x(), area.top() + 3), QStringLiteral("蜗杆（主视图）"), 9,
           Qt::AlignHCenter | Qt::AlignTop, 0, true);

    QPainterPath outline;
    for (const double side : {1.0, -1.0}) {
        QPolygonF p;
        p << QPointF(-end, side * stubRadius)
          << QPointF(-g.halfLength - g.shoulder, side * stubRadius)
          << QPointF(-g.halfLength - g.shoulder, side * tipMax)
          << QPointF(-g.halfLength, side * tipMax);
        for (int i = 0; i <= 60; ++i) {
            const double x = -g.halfLength + 2 * g.halfLength * i / 60;
            p << QPointF(x, side * g.tipY(x));
        }
        p << QPointF(g.halfLength + g.shoulder, side * tipMax)
          << QPointF(g.halfLength + g.shoulder, side * stubRadius)
          << QPointF(end, side * stubRadius);
        outline.addPolygon(p);
    }
    for (const double x :
         {-g.halfLength - g.shoulder, -g.halfLength, g.halfLength, g.halfLength + g.shoulder}) {
        outline.moveTo(x, tipMax);
        outline.lineTo(x, -tipMax);
    }
    c.path(v.map(outline), Stroke::Thick);
    QPainterPath roots;
    for (const double side : {1.0, -1.0}) {
        QPolygonF p;
        for (int i = 0; i <= 60; ++i) {
            const double x = -g.halfLength + 2 * g.halfLength * i / 60;
            p << QPointF(x, side * g.rootY(x));
        }
        roots.addPolygon(p);
    }
    c.path(v.map(roots), Stroke::Thin);
    c.breakLine(v(-end, stubRadius), v(-end, -stubRadius));
    c.breakLine(v(end, stubRadius), v(end, -stubRadius));
    c.line(v(-end - 4, 0), v(end + 4, 0), Stroke::Centre);
    c.line(v(0, tipMax + 3 / k), v(0, -tipMax - 3 / k), Stroke::Centre);

    // its dimensions: lengths below, diameters at the throat and the end, radii above
    const double below = -tipMax - 10 / k;
    const QString shoulderText = QString::fromStdString(formatInteger(d.record.shoulder));
    c.dimension(v(-g.halfLength - g.shoulder, below), v(-g.halfLength, below), 0, shoulderText);
    c.dimension(v(-g.halfLength, below), v(g.halfLength, below), 0, label(d, "Label10"));
    c.dimension(v(g.halfLength, below), v(g.halfLength + g.shoulder, below), 0, shoulderText);
    for (const double x :
         {-g.halfLength - g.shoulder, -g.halfLength, g.halfLength, g.halfLength + g.shoulder}) {
        c.line(v(x, -tipMax) + QPointF(0, 0.8), v(x, below) + QPointF(0, 1.8), Stroke::Thin,
               kDimInk);
    }
    c.dimension(v(g.halfLength + g.shoulder, -tipMax), v(g.halfLength + g.shoulder, tipMax),
                -(stub * k + 8), diameter(label(d, "Label48")));
    c.dimension(v(0, -g.rootY(0)), v(0, g.rootY(0)), 0, diameter(label(d, "Label53")),
                -g.rootY(0) * k * 0.5);
    const double xTip = -0.6 * g.halfLength;
    c.leader(v(xTip, g.tipY(xTip)), QPointF(-0.5, -1), 12, "R" + label(d, "Label9"));
    const double xRoot = 0.45 * g.halfLength;
    c.leader(v(xRoot, g.rootY(xRoot)), QPointF(0.45, -1), 10 + (tipMax - g.rootY(xRoot)) * k,
             "R" + label(d, "Label8"));

    // detail I: the axial tooth profile at the throat, enlarged
    const double depth = g.tipY(0) - g.rootY(0);
    const double span =
        std::min(g.halfLength, g.pitchRadius * std::sin(radians(0.8 * g.pitchAngle)));
    const double low = g.rootY(0) - 0.8 * depth;
    const double high = g.tipY(span) + 0.1 * depth;
    const QPointF markCentre = v(0, (g.rootY(0) + g.tipY(0)) / 2);
    const double markRadius = std::max(span, depth) * k * 0.8;
    QPainterPath mark;
    mark.addEllipse(markCentre, markRadius, markRadius);
    c.path(mark, Stroke::Thin);
    c.text(markCentre + QPointF(markRadius * 0.72, -markRadius * 0.72), "I", 9, Qt::AlignLeft, 0,
           true);

    const QRectF detailRoom(area.left() + area.width() * 0.40, mainRoom.bottom() + 2,
                            area.width() * 0.60, area.bottom() - mainRoom.bottom() - 2);
    const Scale enlarged =
        fitScale(QSizeF(2 * span, high - low), detailRoom.size() - QSizeF(24, 22), 5);
    const double e = enlarged.factor;
    const View detail{QPointF(detailRoom.center().x() - 6, detailRoom.top() + 16 + high * e), e};
    c.text(QPointF(detail(0, 0).x(), detailRoom.top() + 3), QStringLiteral("I　") + enlarged.text,
           9, Qt::AlignHCenter | Qt::AlignTop, 0, true);

    QPolygonF cut;  // the local section ends in freehand lines below and at the sides
    const int n = 48;
    for (int i = 0; i <= n; ++i) {
        const double x = -span + 2 * span * i / n;
        cut << QPointF(x, low + 0.6 / e * std::sin(i * 0.8));
    }
    cut << QPointF(span, high + depth) << QPointF(-span, high + depth);
    QPainterPath cutArea;
    cutArea.addPolygon(cut);
    cutArea.closeSubpath();
    const QPainterPath section =
        g.section(-g.halfLength, g.halfLength, low - depth).intersected(cutArea);
    c.hatch(detail.map(section));
    c.path(detail.map(section), Stroke::Thick);
    QPolygonF freehand;
    for (int i = 0; i <= n; ++i) freehand << cut[i];
    c.polyline(detail.map(freehand), Stroke::Thin);
    QPolygonF pitchArc;
    const double a0 = degrees(std::asin(span / g.pitchRadius));
    for (int i = 0; i <= 40; ++i)
        pitchArc << g.onCircle(g.centre(), g.pitchRadius, -a0 + 2 * a0 * i / 40);
    c.polyline(detail.map(pitchArc), Stroke::Centre);
    c.line(detail(0, low - 0.2 * depth), detail(0, high + 0.5 * depth), Stroke::Centre);

    const WormGeometry::Flank left = g.flank(0, true), right = g.flank(0, false);
    c.dimension(detail(left.tip), detail(right.tip), 6, label(d, "Label43"));
    // the profile angle: the flank against the radius through its pitch point
    const QPointF p = detail(left.pitchPoint);
    const QPointF radial = unit(detail(g.centre()) - p);
    const QPointF flank = unit(detail(left.tip) - p);
    const double r0 = std::min(14.0, depth * e * 1.6);
    c.line(p, p + radial * (r0 + 3), Stroke::Thin, kDimInk);
    c.line(p, p + flank * (r0 + 3), Stroke::Thin, kDimInk);
    QPainterPath angleArc;
    const double t0 = std::atan2(-radial.y(), radial.x()), t1 = std::atan2(-flank.y(), flank.x());
    for (int i = 0; i <= 12; ++i) {
        const double t = t0 + (t1 - t0) * i / 12;
        const QPointF q = p + QPointF(r0 * std::cos(t), -r0 * std::sin(t));
        if (i == 0)
            angleArc.moveTo(q);
        else
            angleArc.lineTo(q);
    }
    c.path(angleArc, Stroke::Thin, kDimInk);
    c.leader(p + QPointF(r0 * std::cos((t0 + t1) / 2), -r0 * std::sin((t0 + t1) / 2)),
             QPointF(-1, 0.3), std::max(8.0, span * e * 0.55),
             QStringLiteral("α = ") + label(d, "Label14") + QStringLiteral("°"));
    const QPointF onPitch = g.onCircle(g.centre(), g.pitchRadius, 0.85 * a0);
    c.leader(detail(onPitch), QPointF(0.35, 1), 8,
             QStringLiteral("分度圆弧 R") + number(d.record.wheelReferenceDiameter / 2));

    // notes
    const QRectF notes(area.left() + 2, detailRoom.top() + 2, area.width() * 0.38 - 4,
                       detailRoom.height() - 4);
    c.text(notes.topLeft(), QStringLiteral("技术要求"), 9, Qt::AlignLeft | Qt::AlignTop, 0, true);
    c.paragraph(
        notes.adjusted(0, 6, 0, 0),
        QStringLiteral("1. 图中尺寸与右表数值由本软件按示例设计计算：中心距 %1，蜗轮齿数 %2，"
                       "蜗杆头数 %3，%4级精度，标准侧隙，推荐参数。\n"
                       "2. 齿根圆弧 R%5 的圆心在蜗轮轴线上（距蜗杆轴线 %1）；齿顶圆弧 R%6 "
                       "的圆心再偏移齿顶偏心量 %7。\n"
                       "3. 齿面按平面二次包络原理加工：母平面与主基圆 ⌀%8 相切，倾斜角 β 见右表；"
                       "修缘与修形按右表。\n"
                       "4. 轴颈、键槽等结构尺寸按整机设计确定，图中以断裂线省略。")
            .arg(text(d.recommendation.centreDistance), text(d.recommendation.wheelTeeth),
                 text(d.recommendation.wormStarts), text(d.gradeText), label(d, "Label8"),
                 label(d, "Label9"), label(d, "Label24"), label(d, "Label12")),
        7.5);

    drawParameterTable(c, layout.table, QStringLiteral("蜗杆参数"), wormRows(d));
    drawTitleBlock(c, layout.title, QStringLiteral("平面二次包络环面蜗杆"), scale.text,
                   QStringLiteral("示例-01"));
}

// --- the wheel sheet -----------------------------------------------------

void drawWheelSheet(Canvas& c, const Design& d) {
    const SheetLayout layout = sheetLayout(c);
    const DesignRecord& r = d.record;
    const double a = r.centreDistance;
    const double outside = r.wheelOutsideDiameter / 2;
    const double throat = (2 * r.addendum + r.wheelReferenceDiameter) / 2;
    const double pitch = r.wheelReferenceDiameter / 2;
    const double rootR = pitch - r.dedendum;
    const double halfWidth = r.rimWorkingWidth / 2.0;
    const double tipArc = std::stod(d.value("Label40"));
    const double rimInner = rootR - 2.2 * r.transverseModule;
    const double hubOuter = std::max(0.32 * pitch, 0.2 * rimInner);
    const double bore = 0.5 * hubOuter;
    const double web = 0.32 * halfWidth;
    const double hubHalf = 0.95 * halfWidth;

    // the throat arc: radius tipArc through the throat point, up to the outside cylinder
    const double arcCentre = throat + tipArc;
    const double rise = outside - throat;
    const double arcHalf =
        rise < tipArc ? std::sqrt(tipArc * tipArc - (tipArc - rise) * (tipArc - rise)) : halfWidth;
    auto top = [&](double x) {
        if (std::abs(x) >= arcHalf) return outside;
        return arcCentre - std::sqrt(tipArc * tipArc - x * x);
    };

    const QRectF area = layout.drawing;
    const double modelHeight = (a + 8) + outside;
    const Scale scale = fitScale(QSizeF(2 * halfWidth + outside + 60, modelHeight),
                                 QSizeF(area.width() - 60, area.height() - 64), 1);
    const double s = scale.factor;
    const View v{QPointF(area.left() + 36 + halfWidth * s, area.top() + 14 + (a + 8) * s), s};

    QPainterPath half;  // upper half of the section
    QPolygonF rim;
    rim << QPointF(-halfWidth, rimInner);
    for (int i = 0; i <= 60; ++i) {
        const double x = -halfWidth + 2 * halfWidth * i / 60;
        rim << QPointF(x, top(x));
    }
    rim << QPointF(halfWidth, rimInner);
    half.addPolygon(rim);
    half.closeSubpath();
    QPainterPath webPath;
    webPath.addRect(QRectF(QPointF(-web, hubOuter - 0.5), QPointF(web, rimInner + 0.5)));
    QPainterPath hub;
    hub.addRect(QRectF(QPointF(-hubHalf, bore), QPointF(hubHalf, hubOuter)));
    half = half.united(webPath).united(hub).simplified();
    QPainterPath both = half;
    both.addPath(QTransform(1, 0, 0, -1, 0, 0).map(half));
    const QPainterPath paper = v.map(both);
    c.hatch(paper);
    c.path(paper, Stroke::Thick);
    QPainterPath thin;
    for (const double side : {1.0, -1.0}) {
        thin.moveTo(-halfWidth, side * rootR);
        thin.lineTo(halfWidth, side * rootR);
    }
    c.path(v.map(thin), Stroke::Thin);
    for (const double side : {1.0, -1.0}) {
        c.line(v(-halfWidth - 4, side * pitch), v(halfWidth + 4, side * pitch), Stroke::Centre);
    }
    c.line(v(-hubHalf - 6, 0), v(hubHalf + 6, 0), Stroke::Centre);
    // the worm's axis, seen end on
    c.line(v(-10, a), v(10, a), Stroke::Centre);
    c.line(v(0, a - 10), v(0, a + 8), Stroke::Centre);

    // dimensions
    c.dimension(v(-halfWidth, -outside), v(-halfWidth, outside), 10, diameter(label(d, "Label33")));
    c.dimension(v(-halfWidth, -pitch), v(-halfWidth, pitch), 20, diameter(label(d, "Label23")));
    c.dimension(v(0, -throat), v(0, throat), -(halfWidth * s + 10), diameter(label(d, "Label35")));
    c.dimension(v(0, 0), v(0, a), -(halfWidth * s + 22), text(d.recommendation.centreDistance));
    c.dimension(v(-halfWidth, -outside), v(halfWidth, -outside), -8, label(d, "Label34"));
    c.leader(v(0.55 * arcHalf, top(0.55 * arcHalf)), QPointF(0.5, -1), 9 + (a - outside) * s * 0.3,
             "R" + label(d, "Label40"));
    c.text(v(0, 0) + QPointF(0, -(a + 8) * s - 8), QStringLiteral("蜗轮（剖视图）"), 9,
           Qt::AlignHCenter | Qt::AlignTop, 0, true);

    // half side view: the circles of the wheel, seen along its axis
    const QPointF sideCentre(area.left() + area.width() * 0.62 + 0, v(0, 0).y());
    const View sv{sideCentre, s};
    auto halfCircle = [&](double radius, Stroke stroke) {
        QPainterPath p;
        p.moveTo(sv(0, radius));
        p.arcTo(QRectF(sv(-radius, radius), sv(radius, -radius)), 90, -180);
        c.path(p, stroke);
    };
    halfCircle(outside, Stroke::Thick);
    halfCircle(throat, Stroke::Thin);
    halfCircle(pitch, Stroke::Centre);
    halfCircle(rootR, Stroke::Thin);
    halfCircle(rimInner, Stroke::Thick);
    halfCircle(hubOuter, Stroke::Thick);
    halfCircle(bore, Stroke::Thick);
    c.line(sv(0, outside + 4), sv(0, -outside - 4), Stroke::Centre);
    c.line(sv(-4, 0), sv(outside + 4, 0), Stroke::Centre);
    c.text(sv(outside * 0.5, 0) + QPointF(0, -(a + 8) * s - 8), QStringLiteral("半侧视图"), 9,
           Qt::AlignHCenter | Qt::AlignTop, 0, true);

    const QRectF notes(area.left() + 4, area.bottom() - 36, area.width() - 8, 34);
    c.text(notes.topLeft(), QStringLiteral("技术要求"), 9, Qt::AlignLeft | Qt::AlignTop, 0, true);
    c.paragraph(
        notes.adjusted(0, 6, 0, 0),
        QStringLiteral(
            "1. 图中尺寸与右表数值由本软件按示例设计计算；齿顶圆弧 R%1 与喉径 ⌀%2 "
            "相接，外侧为最大外圆 ⌀%3。\n"
            "2. 齿面用按本设计滚刀参数表制造的滚刀，在中心距 %4 下展成加工；齿圈工作宽度 %5。\n"
            "3. 轮毂、轮辐与孔的结构尺寸按整机设计确定，图中只按比例示意，未注尺寸。")
            .arg(label(d, "Label40"), label(d, "Label35"), label(d, "Label33"),
                 text(d.recommendation.centreDistance), label(d, "Label34")),
        7.5);

    drawParameterTable(c, layout.table, QStringLiteral("蜗轮参数"), wheelRows(d));
    drawTitleBlock(c, layout.title, QStringLiteral("平面二次包络环面蜗轮"), scale.text,
                   QStringLiteral("示例-02"));
}

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
    const View v{QPointF((column - 8) / 2, 4 + top * s), s};
    const QPointF centre = g.centre();
    const QColor generating(0x90, 0x20, 0x20);

    // worm: section above the axis (the teeth in mesh), view below
    const QPainterPath upper = g.section(-g.halfLength, g.halfLength, 0);
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
    const View v{QPointF(10 + (column - 12) / 2, 4 + (a2 + rbm) * s), s};
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
    if (name == "worm-sheet")
        drawWormSheet(canvas, m_example);
    else if (name == "wheel-sheet")
        drawWheelSheet(canvas, m_example);
    else if (name == "pair")
        drawPair(canvas, m_example);
    else if (name == "modification")
        drawModification(canvas, m_example);
    else if (name == "chart")
        drawChart(canvas, m_chart);
}

}  // namespace wormpair::drawing
