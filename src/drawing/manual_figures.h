#pragma once

#include <vector>

#include "drawing/drawn_design.h"
#include "drawing/figure_source.h"

// The drawings of the manuals, drawn with QPainter from calculated designs:
//   pair          the pair in the middle plane of the worked design (技术资料)
//   modification  the original and the modified generating circles (修形原理)
//   chart         recommended diameters over the centre distance (推荐参数)
//   worm-sheet    drawing sheet of the worm with its parameter table (制图示例)
//   wheel-sheet   drawing sheet of the wheel with its parameter table (制图示例)

namespace wormpair::drawing {

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
