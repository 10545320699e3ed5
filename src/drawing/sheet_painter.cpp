#include "drawing/sheet_painter.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <cmath>

#include "drawing/figure_source.h"

namespace wormpair::drawing {

namespace {

constexpr double kFontPixels = 200;   // texts are drawn at this size and scaled
constexpr double kEmPerHeight = 1.15;  // em of the fonts per lettering height

QFont letteringFont() {
    QFont font;
    font.setFamilies({kLatinFamily, kChineseFamily});
    font.setPixelSize(static_cast<int>(kFontPixels));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Paints in paper millimetres (y up) onto the device.
class SheetPainter {
  public:
    SheetPainter(QPainter& painter, const Sheet& sheet, const QTransform& paperToDevice)
        : m_p(painter), m_sheet(sheet), m_paper(paperToDevice), m_font(letteringFont()),
          m_metrics(m_font, painter.device()) {
        m_mmToDevice = std::sqrt(std::abs(paperToDevice.determinant()));
    }

    void paint() {
        m_p.save();
        m_p.setRenderHint(QPainter::Antialiasing);
        m_p.setRenderHint(QPainter::TextAntialiasing);
        for (const Entity& e : m_sheet.paper) draw(e, m_paper, 1);
        for (const View& view : m_sheet.views) {
            const QTransform toPaper =
                QTransform::fromScale(view.scale.factor, view.scale.factor) *
                QTransform::fromTranslate(view.origin.x(), view.origin.y());
            const QTransform t = toPaper * m_paper;
            for (const Entity& e : view.entities) draw(e, t, view.scale.factor);
            for (const Dimension& d : view.dimensions) {
                for (const Entity& e : dimensionGeometry(d, view.scale.factor, m_sheet.size))
                    draw(e, t, view.scale.factor);
            }
        }
        m_p.restore();
    }

  private:
    QPen pen(const Entity& e) const {
        const LayerDefinition& layer = layerDefinition(e.layer);
        double width = layer.width;
        if (e.weight == Weight::Thick) width = kThickWidth;
        if (e.weight == Weight::Thin) width = kThinWidth;
        const double px = std::max(0.6, width * m_mmToDevice);
        QPen pen(Qt::black, px);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::RoundJoin);
        const LineTypeDefinition& type = lineType(layer.lineType);
        if (!type.pattern.empty()) {
            QList<qreal> dashes;
            for (const double dash : type.pattern) {
                dashes << std::max(0.5, std::abs(dash)) * m_mmToDevice / px;
            }
            pen.setDashPattern(dashes);
        }
        return pen;
    }

    void stroke(const QPainterPath& path, const Entity& e) {
        m_p.setPen(pen(e));
        m_p.setBrush(Qt::NoBrush);
        m_p.drawPath(path);
    }

    void draw(const Entity& e, const QTransform& t, double viewScale) {
        struct Visitor {
            SheetPainter& s;
            const Entity& e;
            const QTransform& t;
            double viewScale;

            void operator()(const LineShape& shape) const {
                QPainterPath path(t.map(shape.from));
                path.lineTo(t.map(shape.to));
                s.stroke(path, e);
            }
            void operator()(const ArcShape& shape) const {
                QPainterPath model;
                const QRectF box(shape.centre - QPointF(shape.radius, shape.radius),
                                 QSizeF(2 * shape.radius, 2 * shape.radius));
                double sweep = shape.endAngle - shape.startAngle;
                while (sweep < 0) sweep += 360;
                // y up: Qt's angles run counter-clockwise with y down, so flip
                model.arcMoveTo(box, -shape.startAngle);
                model.arcTo(box, -shape.startAngle, -sweep);
                s.stroke(t.map(model), e);
            }
            void operator()(const CircleShape& shape) const {
                QPainterPath model;
                model.addEllipse(shape.centre, shape.radius, shape.radius);
                s.stroke(t.map(model), e);
            }
            void operator()(const PolylineShape& shape) const {
                QPainterPath path;
                for (std::size_t i = 0; i < shape.points.size(); ++i) {
                    const QPointF p = t.map(shape.points[i]);
                    if (i == 0)
                        path.moveTo(p);
                    else
                        path.lineTo(p);
                }
                if (shape.closed) path.closeSubpath();
                s.stroke(path, e);
            }
            void operator()(const HatchShape& shape) const {
                QPainterPath area;
                area.setFillRule(Qt::OddEvenFill);
                for (const auto& loop : shape.loops) {
                    QPolygonF polygon;
                    for (const QPointF& p : loop) polygon << t.map(p);
                    area.addPolygon(polygon);
                    area.closeSubpath();
                }
                const QRectF box = area.boundingRect();
                const double spacing = shape.spacing * s.m_mmToDevice;
                QPainterPath lines;
                for (double c = -box.height(); c <= box.width(); c += spacing) {
                    lines.moveTo(box.left() + c, box.bottom());
                    lines.lineTo(box.left() + c + box.height(), box.top());
                }
                s.m_p.save();
                s.m_p.setClipPath(area, Qt::IntersectClip);
                s.stroke(lines, e);
                s.m_p.restore();
            }
            void operator()(const SolidShape& shape) const {
                QPolygonF polygon;
                for (const QPointF& p : shape.corners) polygon << t.map(p);
                s.m_p.setPen(Qt::NoPen);
                s.m_p.setBrush(Qt::black);
                s.m_p.drawPolygon(polygon);
            }
            void operator()(const TextShape& shape) const { s.text(shape, t); }
        };
        (void)viewScale;
        std::visit(Visitor{*this, e, t, viewScale}, e.shape);
    }

    // The text fitted to the width the layout gave it.
    void text(const TextShape& raw, const QTransform& t) {
        TextShape shape = raw;
        shape.text = singleLineText(raw.text);  // SVG is XML: no control characters
        if (shape.text.isEmpty()) return;
        const QPointF at = t.map(shape.at);
        // the text's height in device units, along the transform's scale
        const double unitLength = std::sqrt(std::abs(t.determinant()));
        const double height = shape.height * unitLength;
        const double wanted = textWidth(shape.text, shape.height) * shape.widthFactor * unitLength;
        const double natural = m_metrics.horizontalAdvance(shape.text);
        const double sy = height * kEmPerHeight / kFontPixels;
        const double sx = natural > 0 ? wanted / natural : sy;
        double x = 0;
        if (shape.h == HAlign::Centre) x = -natural / 2;
        if (shape.h == HAlign::Right) x = -natural;
        double y = 0;  // the baseline
        const double capital = kFontPixels / kEmPerHeight;
        if (shape.v == VAlign::Middle) y = capital / 2;
        if (shape.v == VAlign::Top) y = capital;
        m_p.save();
        m_p.translate(at);
        m_p.rotate(-shape.angle);
        m_p.scale(sx, sy);
        m_p.setFont(m_font);
        m_p.setPen(Qt::black);
        m_p.drawText(QPointF(x, y), shape.text);
        m_p.restore();
    }

    QPainter& m_p;
    const Sheet& m_sheet;
    QTransform m_paper;
    QFont m_font;
    QFontMetricsF m_metrics;
    double m_mmToDevice = 1;
};

}  // namespace

void paintSheet(QPainter& painter, const Sheet& sheet, const QRectF& target) {
    const double w = sheet.width(), h = sheet.height();
    const double s = std::min(target.width() / w, target.height() / h);
    const QPointF corner =
        target.topLeft() + QPointF((target.width() - w * s) / 2, (target.height() - h * s) / 2);
    // paper (y up) to device (y down)
    const QTransform paper = QTransform(s, 0, 0, -s, corner.x(), corner.y() + h * s);
    SheetPainter(painter, sheet, paper).paint();
}

QByteArray sheetPdf(const Sheet& sheet) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(1200);
        writer.setPageLayout(QPageLayout(
            QPageSize(QSizeF(sheet.width(), sheet.height()), QPageSize::Millimeter,
                      QString::fromUtf8(sheetFormat(sheet.size).name), QPageSize::ExactMatch),
            QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(sheet.title + " " + sheet.partName);
        writer.setCreator(QStringLiteral("NALVEX蜗杆副设计"));
        QPainter painter(&writer);
        const double pxPerMm = writer.resolution() / 25.4;
        paintSheet(painter, sheet, QRectF(0, 0, sheet.width() * pxPerMm, sheet.height() * pxPerMm));
    }
    return bytes;
}

QByteArray sheetSvg(const Sheet& sheet) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        const QSizeF units(sheet.width() * 10, sheet.height() * 10);
        generator.setResolution(254);  // ten units a millimetre
        generator.setSize(units.toSize());
        generator.setViewBox(QRectF(QPointF(0, 0), units));
        generator.setTitle(singleLineText(sheet.title + " " + sheet.partName));
        QPainter painter(&generator);
        paintSheet(painter, sheet, QRectF(QPointF(0, 0), units));
    }
    return bytes;
}

}  // namespace wormpair::drawing
