#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <vector>

#include "model/render.h"

namespace wormpair {

// A rendered picture of triangles: drag with the left button to turn, with
// the right button to move, the wheel to zoom; a double click shows it
// whole again.
class ModelView : public QWidget {
    Q_OBJECT

  public:
    explicit ModelView(QWidget* parent = nullptr);

    struct Item {
        model::TriangleMesh mesh;
        model::Colour colour;
    };
    void setItems(std::vector<Item> items);
    const model::ViewAngles& view() const { return m_view; }
    void setView(const model::ViewAngles& view);
    // The picture as shown (for tests and the documentation).
    QImage picture() const { return m_picture; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void renderPicture();

    std::vector<Item> m_items;
    model::ViewAngles m_view;
    QImage m_picture;
    QPoint m_lastMouse;
};

}  // namespace wormpair
