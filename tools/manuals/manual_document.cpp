#include "manual_document.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextObjectInterface>
#include <QTextTable>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <vector>

#include "manual_fonts.h"

namespace manuals {

namespace {

constexpr int kResolution = 600;  // dpi of the PDF's coordinates
constexpr double kPxPerMm = kResolution / 25.4;
constexpr int kFigureObject = QTextFormat::UserObject + 1;
constexpr int kFigureName = QTextFormat::UserProperty + 1;
constexpr int kFigureCaption = QTextFormat::UserProperty + 2;
constexpr double kCaptionPoints = 9;

double px(double mm) { return mm * kPxPerMm; }
// Lengths in text formats (margins, borders, padding) count in pixels of a
// 96 dpi screen; the layout scales them to the device.
double ui(double mm) { return mm * 96 / 25.4; }

const QColor kHeadingColour(0x1f, 0x3b, 0x63);
const QColor kRuleColour(0x8a, 0x99, 0xab);
const QColor kHeaderCellColour(0xdf, 0xe7, 0xf1);
const QColor kStripeColour(0xf5, 0xf7, 0xfa);

[[noreturn]] void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

QFont bodyFont(double points) {
    QFont font;
    font.setFamilies({kLatinFamily, kChineseFamily});
    font.setPointSizeF(points);
    return font;
}

// Page geometry in mm: the text body and where head and foot sit.
struct PageFrame {
    QSizeF paper;
    QRectF body;
    double headBaseline;
    double footBaseline;
};

PageFrame pageFrame(bool landscape) {
    if (landscape) return {{297, 210}, QRectF(15, 17, 267, 178), 11, 203};
    return {{210, 297}, QRectF(20, 22, 172, 255), 14, 287};
}

// Draws the figures of the text flow with the manual's FigureSource.
class FigureHandler : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
  public:
    FigureHandler(const FigureSource& figures, QSizeF bodyMm)
        : m_figures(figures), m_body(bodyMm) {}

    QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat& format) override {
        const QSizeF mm = m_figures.figureSize(format.property(kFigureName).toString(), m_body);
        return {px(mm.width()), px(mm.height() + captionHeight(format, mm.width()))};
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                    const QTextFormat& format) override {
        // the layout offers a figure to the pages before and after its own
        // too; drawn there it would only be clipped, but stay in the file
        if (painter->hasClipping() && !painter->clipBoundingRect().intersects(rect)) return;
        const double caption = px(captionHeight(format, rect.width() / kPxPerMm));
        painter->save();
        m_figures.drawFigure(*painter, rect.adjusted(0, 0, 0, -caption),
                             format.property(kFigureName).toString(), kPxPerMm);
        painter->restore();
        if (caption > 0) {
            painter->save();
            painter->setFont(bodyFont(kCaptionPoints));
            painter->setPen(Qt::black);
            painter->drawText(
                QRectF(rect.left(), rect.bottom() - caption + px(1.5), rect.width(), caption),
                Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                format.property(kFigureCaption).toString());
            painter->restore();
        }
    }

  private:
    // The caption is drawn with the figure, so that the two never part.
    double captionHeight(const QTextFormat& format, double widthMm) const {
        const QString caption = format.property(kFigureCaption).toString();
        if (caption.isEmpty()) return 0;
        const double lineMm = kCaptionPoints * 25.4 / 72 * 1.45;
        const double textMm = caption.size() * kCaptionPoints * 25.4 / 72;  // wide characters
        return 2.5 + lineMm * std::ceil(textMm / std::max(10.0, widthMm - 10));
    }

  private:
    const FigureSource& m_figures;
    QSizeF m_body;
};

void replaceFigureImages(QTextDocument& doc, const FigureSource& figures, QSizeF body) {
    struct Place {
        int position;
        int length;
        QString name;
    };
    std::vector<Place> places;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextImageFormat image = fragment.charFormat().toImageFormat();
            if (!image.isValid() || !image.name().startsWith("figure:")) continue;
            places.push_back({fragment.position(), fragment.length(), image.name().mid(7)});
        }
    }
    for (auto it = places.rbegin(); it != places.rend(); ++it) {
        if (figures.figureSize(it->name, body).isEmpty()) fail("unknown figure " + it->name);
        // the paragraph under a figure that starts with 图 is its caption
        QString caption;
        const QTextBlock next = doc.findBlock(it->position).next();
        if (next.isValid() && next.text().startsWith(QStringLiteral("图"))) {
            caption = next.text();
            QTextCursor remove(next);
            remove.movePosition(QTextCursor::PreviousBlock);
            remove.movePosition(QTextCursor::EndOfBlock);
            remove.setPosition(next.position() + next.length() - 1, QTextCursor::KeepAnchor);
            remove.removeSelectedText();
        }
        QTextCursor cursor(&doc);
        cursor.setPosition(it->position);
        cursor.setPosition(it->position + it->length, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setObjectType(kFigureObject);
        format.setProperty(kFigureName, it->name);
        if (!caption.isEmpty()) format.setProperty(kFigureCaption, caption);
        cursor.insertText(QString(QChar::ObjectReplacementCharacter), format);
        QTextBlockFormat centred = cursor.blockFormat();
        centred.setAlignment(Qt::AlignHCenter);
        centred.setTopMargin(ui(2));
        centred.setBottomMargin(ui(3));
        cursor.setBlockFormat(centred);
    }
}

QString cellText(QTextTable* table, int row, int column) {
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText().trimmed();
}

// Column widths in proportion to the widest text of each column, so that
// short numbers keep narrow columns and names are not broken letter by letter.
QList<QTextLength> columnWidths(QTextTable* table, const QPaintDevice& device, double points,
                                double available) {
    std::vector<double> widths(table->columns(), 0);
    for (int row = 0; row < table->rows(); ++row) {
        QFont font = bodyFont(points);
        font.setBold(row == 0);
        const QFontMetricsF metrics(font, const_cast<QPaintDevice*>(&device));
        for (int column = 0; column < table->columns(); ++column) {
            widths[column] =
                std::max(widths[column], metrics.horizontalAdvance(cellText(table, row, column)));
        }
    }
    double total = 0;
    for (double& w : widths) {
        w += px(2.6);  // padding and rules
        total += w;
    }
    if (total > available) {
        // narrow columns keep their width, the wide ones share the rest
        double narrow = 0, wide = 0;
        for (const double w : widths) (w <= 0.25 * available ? narrow : wide) += w;
        for (double& w : widths) {
            if (w > 0.25 * available) w = (available - narrow) * w / wide;
        }
        total = available;
    }
    const bool fill = table->columns() >= 4 || total >= available;
    QList<QTextLength> lengths;
    for (const double w : widths) {
        lengths << (fill ? QTextLength(QTextLength::PercentageLength, 100 * w / total)
                         : QTextLength(QTextLength::FixedLength, w * 96 / kResolution));
    }
    return lengths;
}

// Numbers to the right, short symbols in the middle, words to the left.
Qt::Alignment columnAlignment(QTextTable* table, int column) {
    static const QRegularExpression numeric(QStringLiteral("^[−+±-]?[0-9][0-9.]*\\*?$|^—$"));
    bool allNumeric = table->rows() > 1;
    bool allShort = table->rows() > 1;
    for (int row = 1; row < table->rows(); ++row) {
        const QString text = cellText(table, row, column);
        if (!numeric.match(text).hasMatch()) allNumeric = false;
        if (text.size() > 6) allShort = false;
    }
    if (allNumeric) return Qt::AlignRight;
    if (allShort && column > 0) return Qt::AlignHCenter;
    return Qt::AlignLeft;
}

void styleTable(QTextTable* table, const QPaintDevice& device, double available) {
    const double points = table->columns() >= 9 ? 8.5 : 9.5;
    QTextTableFormat format = table->format();
    format.setBorderCollapse(true);
    format.setBorder(ui(0.25));
    format.setBorderBrush(kRuleColour);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setCellSpacing(0);
    format.setCellPadding(ui(0.9));
    // the header repeats on each page only over long tables of short rows: Qt
    // would draw it over a row that runs on from the page before
    format.setHeaderRowCount(table->rows() > 20 ? 1 : 0);
    format.setAlignment(Qt::AlignHCenter);
    format.setTopMargin(ui(1.5));
    format.setBottomMargin(ui(3));
    format.setColumnWidthConstraints(columnWidths(table, device, points, available));
    if (table->columns() >= 4) format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    table->setFormat(format);

    std::vector<Qt::Alignment> alignments;
    for (int column = 0; column < table->columns(); ++column) {
        alignments.push_back(columnAlignment(table, column));
    }
    for (int row = 0; row < table->rows(); ++row) {
        for (int column = 0; column < table->columns(); ++column) {
            QTextTableCell cell = table->cellAt(row, column);
            QTextCursor aligned = cell.firstCursorPosition();
            QTextBlockFormat block = aligned.blockFormat();
            block.setAlignment(alignments[column]);
            aligned.setBlockFormat(block);
            QTextCharFormat cellFormat = cell.format();
            if (row == 0) {
                cellFormat.setBackground(kHeaderCellColour);
            } else if (row % 2 == 0) {
                cellFormat.setBackground(kStripeColour);
            }
            cellFormat.setVerticalAlignment(QTextCharFormat::AlignMiddle);
            cell.setFormat(cellFormat);
            QTextCursor cursor = cell.firstCursorPosition();
            cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            QTextCharFormat text;
            text.setFontPointSize(points);
            if (row == 0) text.setFontWeight(QFont::Bold);
            cursor.mergeCharFormat(text);
        }
    }
}

void styleTables(QTextFrame* frame, const QPaintDevice& device, double available) {
    for (QTextFrame* child : frame->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(child)) styleTable(table, device, available);
        styleTables(child, device, available);
    }
}

void styleBlocks(QTextDocument& doc) {
    std::vector<QTextBlock> pageBreaks;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        const bool inTable = cursor.currentTable() != nullptr;
        if (block.text() == kPageBreak) {
            pageBreaks.push_back(block);
            continue;
        }
        const int level = format.headingLevel();
        if (level > 0) {
            static const double sizes[] = {0, 20, 14, 11.5, 10.5, 10, 10};
            format.setTopMargin(ui(level == 1 ? 0 : level == 2 ? 6 : 3.5));
            format.setBottomMargin(ui(level == 1 ? 4 : 2));
            cursor.setBlockFormat(format);
            QTextCharFormat heading = block.charFormat();
            heading.clearProperty(QTextFormat::FontSizeAdjustment);
            heading.setFontPointSize(sizes[std::min(level, 6)]);
            heading.setFontWeight(QFont::Bold);
            heading.setForeground(kHeadingColour);
            cursor.setPosition(block.position());
            cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
            cursor.setCharFormat(heading);
            cursor.setBlockCharFormat(heading);
        } else if (format.property(QTextFormat::BlockQuoteLevel).toInt() > 0) {
            // a quoted paragraph is a displayed formula
            format.setProperty(QTextFormat::BlockQuoteLevel, 0);
            format.setIndent(0);
            format.setLeftMargin(0);
            format.setRightMargin(0);
            format.setTopMargin(ui(1.2));
            format.setBottomMargin(ui(2.4));
            format.setAlignment(Qt::AlignHCenter);
            format.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
            cursor.setBlockFormat(format);
            cursor.setPosition(block.position());
            cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
            QTextCharFormat formula;
            formula.setFontPointSize(11);
            cursor.mergeCharFormat(formula);
        } else if (block.text() == QString(QChar::ObjectReplacementCharacter)) {
            format.setLineHeight(100, QTextBlockFormat::SingleHeight);
            cursor.setBlockFormat(format);
        } else if (!inTable) {
            format.setLineHeight(140, QTextBlockFormat::ProportionalHeight);
            format.setTopMargin(0);
            format.setBottomMargin(ui(1.8));
            if (cursor.currentList() == nullptr) format.setTextIndent(0);
            cursor.setBlockFormat(format);
        } else {
            format.setLineHeight(115, QTextBlockFormat::ProportionalHeight);
            format.setTopMargin(0);
            format.setBottomMargin(0);
            cursor.setBlockFormat(format);
        }
    }
    for (const QTextBlock& marker : pageBreaks) {
        const QTextBlock next = marker.next();
        if (next.isValid()) {
            QTextCursor cursor(next);
            if (QTextTable* table = cursor.currentTable()) {
                QTextTableFormat format = table->format();
                format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                table->setFormat(format);
            } else {
                QTextBlockFormat format = next.blockFormat();
                format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                cursor.setBlockFormat(format);
            }
        }
        QTextCursor remove(marker);
        remove.select(QTextCursor::BlockUnderCursor);
        remove.removeSelectedText();
    }
}

// "a^1.5", "i^(−1.3)": the exponent raised, the caret (and brackets) dropped.
void raiseExponents(QTextDocument& doc) {
    static const QRegularExpression exponent(
        QStringLiteral("\\^(\\(([^()]*)\\)|([−\\-]?[A-Za-z0-9.′]+))"));
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        std::vector<QRegularExpressionMatch> matches;
        for (auto it = exponent.globalMatch(text); it.hasNext();) matches.push_back(it.next());
        for (auto m = matches.rbegin(); m != matches.rend(); ++m) {
            const bool bracketed = m->capturedLength(2) > 0;
            const QString raised = bracketed ? m->captured(2) : m->captured(3);
            QTextCursor cursor(&doc);
            cursor.setPosition(block.position() + m->capturedStart());
            cursor.setPosition(block.position() + m->capturedEnd(), QTextCursor::KeepAnchor);
            QTextCharFormat format = cursor.charFormat();
            format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
            cursor.insertText(raised, format);
        }
    }
}

// Inline code takes the body fonts too: only the two families are embedded.
void unifyFonts(QTextDocument& doc) {
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().fontFixedPitch()) continue;
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            QTextCharFormat format;
            format.setFontFixedPitch(false);
            format.setFontFamilies(QStringList{kLatinFamily, kChineseFamily});
            format.setForeground(kHeadingColour);
            cursor.mergeCharFormat(format);
        }
    }
}

}  // namespace

void keepRowsTogether(QTextDocument& doc, double pageHeight) {
    for (int pass = 0; pass < 8; ++pass) {
        bool moved = false;
        // positions are only valid once the (lazy) layout has run to the end
        doc.markContentsDirty(0, doc.characterCount());
        doc.documentLayout()->documentSize();
        std::vector<QTextTable*> tables;
        std::function<void(QTextFrame*)> collect = [&](QTextFrame* frame) {
            for (QTextFrame* child : frame->childFrames()) {
                if (auto* table = qobject_cast<QTextTable*>(child)) tables.push_back(table);
                collect(child);
            }
        };
        collect(doc.rootFrame());
        QAbstractTextDocumentLayout* layout = doc.documentLayout();
        for (QTextTable* table : tables) {
            const double top =
                layout->blockBoundingRect(table->cellAt(0, 0).firstCursorPosition().block()).top();
            const QTextBlock last =
                table->cellAt(table->rows() - 1, 0).lastCursorPosition().block();
            const double bottom = layout->blockBoundingRect(last).bottom();
            if (bottom - top > 0.9 * pageHeight) continue;
            // a short table is not divided at all
            const bool divided =
                bottom - top < 0.45 * pageHeight &&
                std::floor(top / pageHeight) != std::floor((bottom - 1) / pageHeight);
            if (table->format().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) continue;
            if (doc.findBlock(table->firstPosition() - 1).blockFormat().pageBreakPolicy() &
                QTextFormat::PageBreak_AlwaysBefore) {
                continue;
            }
            for (int row = 0; row < table->rows() && !moved; ++row) {
                double rowTop = 1e30, rowBottom = -1e30;
                for (int column = 0; column < table->columns(); ++column) {
                    const QTextTableCell cell = table->cellAt(row, column);
                    for (QTextBlock b = cell.firstCursorPosition().block();
                         b.isValid() && b.position() <= cell.lastCursorPosition().position();
                         b = b.next()) {
                        const QRectF r = layout->blockBoundingRect(b);
                        rowTop = std::min(rowTop, r.top());
                        rowBottom = std::max(rowBottom, r.bottom());
                    }
                }
                if (divided ||
                    std::floor(rowTop / pageHeight) != std::floor((rowBottom - 1) / pageHeight)) {
                    // the heading or the sentence that leads into the table goes with it
                    QTextBlock lead = doc.findBlock(table->firstPosition() - 1);
                    while (lead.isValid() && lead.previous().isValid() &&
                           lead.previous().blockFormat().headingLevel() > 0) {
                        lead = lead.previous();
                    }
                    const QString text = lead.text();
                    if (lead.isValid() && (lead.blockFormat().headingLevel() > 0 ||
                                           text.endsWith(QStringLiteral("：")))) {
                        QTextBlockFormat format = lead.blockFormat();
                        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                        QTextCursor(lead).setBlockFormat(format);
                    } else {
                        QTextTableFormat format = table->format();
                        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                        table->setFormat(format);
                    }
                    moved = true;
                }
            }
            if (moved) break;
        }
        if (!moved) return;
    }
}

namespace {

void drawHeadAndFoot(QPainter& painter, const PageFrame& frame, const QString& title, int page,
                     int pages) {
    painter.save();
    painter.setFont(bodyFont(8));
    painter.setPen(QColor(0x55, 0x5f, 0x6b));
    const QFontMetricsF metrics(painter.font(), painter.device());
    const QString left = QStringLiteral("NALVEX蜗杆副设计V8.601　设计手册");
    painter.drawText(QPointF(px(frame.body.left()), px(frame.headBaseline)), left);
    painter.drawText(
        QPointF(px(frame.body.right()) - metrics.horizontalAdvance(title), px(frame.headBaseline)),
        title);
    painter.setPen(QPen(kRuleColour, px(0.2)));
    painter.drawLine(QPointF(px(frame.body.left()), px(frame.headBaseline + 1.6)),
                     QPointF(px(frame.body.right()), px(frame.headBaseline + 1.6)));
    painter.setPen(QColor(0x55, 0x5f, 0x6b));
    const QString foot = QStringLiteral("第 %1 页　共 %2 页").arg(page).arg(pages);
    painter.drawText(QPointF(px(frame.body.center().x()) - metrics.horizontalAdvance(foot) / 2,
                             px(frame.footBaseline)),
                     foot);
    painter.restore();
}

}  // namespace

QString substitute(const QString& text, const std::function<QString(const QString&)>& resolve) {
    static const QRegularExpression placeholder(QStringLiteral("\\{\\{([^{}]+)\\}\\}"));
    QString out;
    qsizetype done = 0;
    auto it = placeholder.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        out += text.mid(done, match.capturedStart() - done);
        const QString key = match.captured(1).trimmed();
        try {
            out += resolve(key);
        } catch (const std::exception& e) {
            fail("{{" + key + "}}: " + QString::fromUtf8(e.what()));
        }
        done = match.capturedEnd();
    }
    out += text.mid(done);
    if (out.contains(QStringLiteral("{{"))) fail("an unclosed {{ is left in the text");
    return out;
}

void writeManual(const Manual& manual, const FigureSource& figures, const QString& path) {
    const PageFrame frame = pageFrame(manual.landscape);
    QPdfWriter writer(path);
    writer.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), manual.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    writer.setResolution(kResolution);
    writer.setTitle(manual.title);
    writer.setCreator(QStringLiteral("NALVEX蜗杆副设计V8.601"));

    // Everything is styled before the document gets its layout: with a layout
    // attached, each change of a table cell would lay the whole table out again.
    QTextDocument doc;
    doc.setDefaultFont(bodyFont(10));
    doc.setDocumentMargin(0);
    doc.setMarkdown(manual.markdown, QTextDocument::MarkdownDialectGitHub);
    unifyFonts(doc);
    raiseExponents(doc);
    replaceFigureImages(doc, figures, frame.body.size());
    styleBlocks(doc);
    styleTables(doc.rootFrame(), writer, px(frame.body.width()));

    doc.documentLayout()->setPaintDevice(&writer);
    FigureHandler handler(figures, frame.body.size());
    doc.documentLayout()->registerHandler(kFigureObject, &handler);
    doc.setPageSize(QSizeF(px(frame.body.width()), px(frame.body.height())));
    keepRowsTogether(doc, px(frame.body.height()));
    // a figure taller than what is left of a page would be cut in two
    const double height = px(frame.body.height());
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.text() != QString(QChar::ObjectReplacementCharacter)) continue;
        // the line, not the block: the layout moves a line that does not fit
        // to the next page and leaves the block's rectangle behind
        const QRectF line = block.layout()->lineAt(0).rect().translated(block.layout()->position());
        const double top = line.top() + 2;  // a line at a page top may sit a hair above it
        const double bottom = line.bottom();
        if (std::floor(top / height) != std::floor((bottom - 1) / height)) {
            fail(QStringLiteral("figure %1 does not fit on its page (%2 to %3 of pages %4 high)")
                     .arg(block.begin().fragment().charFormat().property(kFigureName).toString())
                     .arg(top)
                     .arg(bottom)
                     .arg(height));
        }
    }

    QPainter painter;
    if (!painter.begin(&writer)) fail("cannot write " + path);
    const int pages = doc.pageCount();
    const double pageHeight = px(frame.body.height());
    for (int page = 0; page < pages; ++page) {
        if (page > 0) writer.newPage();
        drawHeadAndFoot(painter, frame, manual.title, page + 1, pages);
        painter.save();
        painter.translate(px(frame.body.left()), px(frame.body.top()) - page * pageHeight);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, page * pageHeight, px(frame.body.width()), pageHeight);
        context.palette.setColor(QPalette::Text, Qt::black);
        painter.setClipRect(context.clip);
        doc.documentLayout()->draw(&painter, context);
        painter.restore();
    }
    if (!painter.end()) fail("cannot finish " + path);
    QFile written(path);
    if (!written.exists() || written.size() == 0) fail("nothing was written to " + path);
}

}  // namespace manuals

#include "manual_document.moc"
