#pragma once

#include <QByteArray>
#include <QRectF>

#include "drawing/sheet_model.h"

class QPainter;

// The sheet painted with QPainter: for the preview, the printer, PDF and SVG.
// Lines in the widths of their layers, texts in DejaVu Sans and Noto Sans CJK
// SC fitted to the widths the sheet was laid out with.

namespace wormpair::drawing {

// Paints the whole sheet into `target` (device units), keeping its
// proportions, centred.
void paintSheet(QPainter& painter, const Sheet& sheet, const QRectF& target);

// The sheet as a one-page vector PDF on its own paper size, fonts embedded.
QByteArray sheetPdf(const Sheet& sheet);

// The sheet as SVG, one unit a tenth of a millimetre.
QByteArray sheetSvg(const Sheet& sheet);

}  // namespace wormpair::drawing
