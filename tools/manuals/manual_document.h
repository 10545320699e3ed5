#pragma once

#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTextDocument>

#include <functional>

#include "drawing/figure_source.h"

// One manual: Markdown text (GitHub dialect, with tables) laid out by
// QTextDocument on A4 pages and written by QPdfWriter, with a running head,
// page numbers and drawings of our own in the flow of the text.

namespace manuals {

// The drawings a manual names as images: ![](figure:NAME).
using wormpair::drawing::FigureSource;

struct Manual {
    QString title;     // 推荐参数, shown in the running head and the PDF's title
    QString markdown;  // the text after substitution
    bool landscape = false;
};

// A paragraph holding only this text starts a new page.
inline const QString kPageBreak = QStringLiteral("@@分页@@");

// Replaces every {{key}} by resolve(key). Throws std::runtime_error naming
// the key when resolve throws or a brace pair is left open.
QString substitute(const QString& text, const std::function<QString(const QString&)>& resolve);

// Lays the manual out and writes it to path. Throws std::runtime_error when
// the file cannot be written or a figure is unknown.
void writeManual(const Manual& manual, const FigureSource& figures, const QString& path);

// Moves a table shorter than a page to the next page, with the heading or
// the sentence that leads into it, when the page would end inside one of its
// rows or, for a short table, anywhere inside it. The document has its page
// size and layout already.
void keepRowsTogether(QTextDocument& doc, double pageHeight);

}  // namespace manuals
