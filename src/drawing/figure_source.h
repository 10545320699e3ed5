#pragma once

#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace wormpair::drawing {

// The fonts drawings are lettered in: DejaVu Sans for Latin letters, digits
// and symbols, Noto Sans CJK SC for Chinese (Debian's fonts-dejavu-core and
// fonts-noto-cjk).
inline const QString kLatinFamily = QStringLiteral("DejaVu Sans");
inline const QString kChineseFamily = QStringLiteral("Noto Sans CJK SC");

// Figures a document places by name.
class FigureSource {
  public:
    virtual ~FigureSource() = default;
    // Size on paper in mm; body is the text area of a page in mm.
    virtual QSizeF figureSize(const QString& name, const QSizeF& body) const = 0;
    // Draws into rect (device pixels); pxPerMm converts paper millimetres.
    virtual void drawFigure(QPainter& painter, const QRectF& rect, const QString& name,
                            double pxPerMm) const = 0;
};

}  // namespace wormpair::drawing
