#pragma once

#include "drawing/part_sheets.h"
#include "drawing/sheet_frame.h"
#include "drawing/view_pen.h"

// The views of each kind of sheet, laid out in the room the frame leaves.
// Each returns the scale of its main view for the title block.

namespace wormpair::drawing {

Scale drawWormViews(Sheet& sheet, const Design& design, const QRectF& room);
Scale drawHobViews(Sheet& sheet, const Design& design, const QRectF& room);
Scale drawWheelViews(Sheet& sheet, const Design& design, const QRectF& room);
Scale drawMeshViews(Sheet& sheet, const Design& design, const QRectF& room);

// A view's name as GB/T 4458.1 letters it above the view: the name over a
// thin line with the scale below it (for details), or the name alone.
void addViewCaption(Sheet& sheet, QPointF centreBottom, const QString& name,
                    const QString& scale = {});
// Room above a view for its caption.
double captionHeight(SheetSize size, bool withScale);

// Throws DrawingError when the view does not fit.
void requireFit(const FittedView& fitted, const char* what);

}  // namespace wormpair::drawing
