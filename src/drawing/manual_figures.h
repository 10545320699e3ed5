#pragma once

#include <QPainterPath>

#include <vector>

#include "drawing/drawn_design.h"
#include "drawing/figure_source.h"
#include "drawing/worm_geometry.h"

// The drawings of the manuals, drawn with QPainter from calculated designs:
//   pair          the pair in the middle plane of the worked design (技术资料)
//   modification  the original and the modified generating circles (修形原理)
//   chart         recommended diameters over the centre distance (推荐参数)
//   worm-sheet    the worm's working drawing, as the program draws it (制图示例)
//   wheel-sheet   the wheel's working drawing, as the program draws it (制图示例)

namespace wormpair::drawing {

// The worm in the middle plane as an area: core and teeth above `bottom`
// between x0 and x1.
QPainterPath axialSection(const WormGeometry& g, double x0, double x1, double bottom);

class Drawings : public FigureSource {
  public:
    Drawings(const Design& example, std::vector<ChartSeries> chart);

    QSizeF figureSize(const QString& name, const QSizeF& body) const override;
    void drawFigure(QPainter& painter, const QRectF& rect, const QString& name,
                    double pxPerMm) const override;

  private:
    const Design& m_example;
    std::vector<ChartSeries> m_chart;
};

}  // namespace wormpair::drawing
