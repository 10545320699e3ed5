#pragma once

#include <QDialog>
#include <QPointF>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>

#include "drawing/part_sheets.h"
#include "platform/platform.h"

class QComboBox;

namespace wormpair {

class SheetPrinter;

// The sheet on its paper: the wheel zooms about the pointer, dragging pans.
class SheetCanvas : public QWidget {
    Q_OBJECT

  public:
    explicit SheetCanvas(QWidget* parent = nullptr);

    void setSheet(const drawing::Sheet* sheet);
    void fit();
    void zoomBy(double factor, QPointF about);
    double zoom() const { return m_zoom; }  // device pixels per millimetre

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    const drawing::Sheet* m_sheet = nullptr;
    double m_zoom = 1;
    QPointF m_corner;  // the sheet's top left corner in the widget
    QPointF m_grab;
    bool m_fitted = false;
};

// A preview window of one sheet of the design, with its size, zoom, the
// three exports and printing.
class DrawingPreview : public QDialog {
    Q_OBJECT

  public:
    DrawingPreview(drawing::Design design, drawing::SheetKind kind,
                   std::map<drawing::TitleField, QString> fields, const Platform& platform,
                   std::function<SheetPrinter&()> printer, QWidget* parent = nullptr);

    // Builds the sheet at the chosen size; a design that cannot be drawn is
    // reported and false returned.
    bool build();
    const drawing::Sheet& sheet() const { return *m_sheet; }

  private:
    void sizeChosen(int index);

    drawing::Design m_design;
    drawing::SheetKind m_kind;
    std::map<drawing::TitleField, QString> m_fields;
    Platform m_platform;
    std::function<SheetPrinter&()> m_printer;
    drawing::SheetSize m_size = drawing::SheetSize::A3;
    std::optional<drawing::Sheet> m_sheet;
    SheetCanvas* m_canvas;
    QComboBox* m_sizes;
};

}  // namespace wormpair
