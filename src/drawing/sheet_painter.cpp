#include "drawing/sheet_painter.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRawFont>
#include <QRegularExpression>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <set>

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

// Where the line from a to b crosses the loops' edges, as fractions of its
// length in order: inside (even-odd) between the first and second, the third
// and fourth, ….
std::vector<double> crossings(QPointF a, QPointF b, const std::vector<QPolygonF>& loops) {
    const QPointF d = b - a;
    auto cross = [](QPointF u, QPointF v) { return u.x() * v.y() - u.y() * v.x(); };
    std::vector<double> cuts;
    for (const QPolygonF& loop : loops) {
        for (qsizetype i = 0; i < loop.size(); ++i) {
            const QPointF q0 = loop[i], q1 = loop[(i + 1) % loop.size()];
            // an edge counts once at a shared vertex: one end strictly on one side
            if ((cross(d, q0 - a) > 0) == (cross(d, q1 - a) > 0)) continue;
            const double denominator = cross(d, q1 - q0);
            if (denominator == 0) continue;
            cuts.push_back(std::clamp(cross(q0 - a, q1 - q0) / denominator, 0.0, 1.0));
        }
    }
    std::sort(cuts.begin(), cuts.end());
    return cuts;
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
    static QColor entityColour(const Entity& e) {
        return e.colour == Entity::kLayerColour ? QColor(Qt::black) : QColor::fromRgb(e.colour);
    }

    QPen pen(const Entity& e) const {
        const LayerDefinition& layer = layerDefinition(e.layer);
        double width = layer.width;
        if (e.weight == Weight::Thick) width = kThickWidth;
        if (e.weight == Weight::Thin) width = kThinWidth;
        const double px = std::max(0.6, width * m_mmToDevice);
        QPen pen(entityColour(e), px);
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
                // the section lines cut to the loops here: the SVG generator
                // drops clip paths, and a reader that keeps them still has
                // the lines across tooth spaces in the file
                const QRectF box = area.boundingRect();
                const double spacing = shape.spacing * s.m_mmToDevice;
                std::vector<QPolygonF> loops;
                for (const auto& loop : shape.loops) {
                    QPolygonF polygon;
                    for (const QPointF& p : loop) polygon << t.map(p);
                    loops.push_back(polygon);
                }
                QPainterPath lines;
                for (double c = -box.height(); c <= box.width(); c += spacing) {
                    const QPointF from(box.left() + c, box.bottom());
                    const QPointF to(box.left() + c + box.height(), box.top());
                    const std::vector<double> cuts = crossings(from, to, loops);
                    for (std::size_t i = 0; i + 1 < cuts.size(); i += 2) {
                        lines.moveTo(from + (to - from) * cuts[i]);
                        lines.lineTo(from + (to - from) * cuts[i + 1]);
                    }
                }
                s.stroke(lines, e);
            }
            void operator()(const SolidShape& shape) const {
                QPolygonF polygon;
                for (const QPointF& p : shape.corners) polygon << t.map(p);
                s.m_p.setPen(Qt::NoPen);
                s.m_p.setBrush(entityColour(e));
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

// Every character the sheet letters.
QString sheetCharacters(const Sheet& sheet) {
    QString all;
    auto add = [&](const Entity& e) {
        if (const auto* t = std::get_if<TextShape>(&e.shape)) all += t->text;
    };
    for (const Entity& e : sheet.paper) add(e);
    for (const View& view : sheet.views) {
        for (const Entity& e : view.entities) add(e);
        for (const Dimension& d : view.dimensions) all += d.text + d.upper + d.lower;
    }
    return all;
}

bool isRadical(uint code) { return code >= 0x2E80 && code <= 0x2FDF; }

// The PDF writer names each glyph of the text layer by the first code point
// the font maps to it, and the CJK fonts map the radicals (U+2E80-U+2FDF) to
// the glyphs of the ideographs they look like: 齿 was written as U+2EEE and a
// search for 齿 found nothing. Each radical the text layer names is given
// back the sheet's own character of that glyph. The names are four hex
// digits either way, so the file's offsets stand.
QByteArray withOrdinaryCodePoints(QByteArray pdf, const Sheet& sheet) {
    static const QRegularExpression block(QStringLiteral("beginbf(range|char)\\n(.*?)endbf"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression code(QStringLiteral("<([0-9A-Fa-f]{4})>"));
    const QString text = QString::fromLatin1(pdf);
    std::map<uint, uint> ordinary;  // radical -> the sheet's character
    bool radicals = false;
    for (auto b = block.globalMatch(text); b.hasNext();) {
        for (const QString& line : b.next().captured(2).split('\n')) {
            for (auto c = code.globalMatch(line); c.hasNext();) {
                if (isRadical(c.next().captured(1).toUInt(nullptr, 16))) radicals = true;
            }
        }
    }
    if (!radicals) return pdf;
    QFont chinese(kChineseFamily);
    chinese.setPixelSize(static_cast<int>(kFontPixels));
    const QRawFont font = QRawFont::fromFont(chinese);
    std::set<uint> used;
    for (const uint c : sheetCharacters(sheet).toUcs4()) {
        if (c >= 0x3400 && !isRadical(c)) used.insert(c);
    }
    std::map<quint32, uint> byGlyph;
    for (const uint c : used) {
        const QList<quint32> glyphs = font.glyphIndexesForString(QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1));
        if (glyphs.size() == 1 && glyphs[0] != 0) byGlyph.emplace(glyphs[0], c);
    }
    for (auto b = block.globalMatch(text); b.hasNext();) {
        const QRegularExpressionMatch m = b.next();
        qsizetype at = m.capturedStart(2);
        for (const QString& line : m.captured(2).split('\n')) {
            // the first (range: two) codes of a line are glyph numbers, the rest names
            const int glyphNumbers = m.captured(1) == QStringLiteral("range") ? 2 : 1;
            int index = 0;
            for (auto c = code.globalMatch(line); c.hasNext(); ++index) {
                const QRegularExpressionMatch found = c.next();
                const uint name = found.captured(1).toUInt(nullptr, 16);
                if (index < glyphNumbers || !isRadical(name)) continue;
                const QList<quint32> glyphs = font.glyphIndexesForString(
                    QString::fromUcs4(reinterpret_cast<const char32_t*>(&name), 1));
                uint replacement = 0;
                if (glyphs.size() == 1) {
                    if (const auto f = byGlyph.find(glyphs[0]); f != byGlyph.end()) replacement = f->second;
                }
                if (replacement == 0) {  // a radical with a compatibility ideograph
                    const QList<uint> decomposed =
                        QString::fromUcs4(reinterpret_cast<const char32_t*>(&name), 1)
                            .normalized(QString::NormalizationForm_KC)
                            .toUcs4();
                    if (decomposed.size() == 1 && decomposed[0] <= 0xFFFF) replacement = decomposed[0];
                }
                if (replacement == 0 || replacement > 0xFFFF) continue;
                const QByteArray hex = QByteArray::number(replacement, 16).toUpper().rightJustified(4, '0');
                pdf.replace(at + found.capturedStart(1), 4, hex);
            }
            at += line.size() + 1;
        }
    }
    return pdf;
}

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
    return withOrdinaryCodePoints(bytes, sheet);
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
