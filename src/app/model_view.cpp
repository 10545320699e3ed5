#include "app/model_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace wormpair {

ModelView::ModelView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(480, 360);
    setToolTip(QStringLiteral("左键拖动：旋转；右键拖动：平移；滚轮：缩放；双击：复原"));
}

void ModelView::setItems(std::vector<Item> items) {
    m_items = std::move(items);
    renderPicture();
}

void ModelView::setView(const model::ViewAngles& view) {
    m_view = view;
    renderPicture();
}

void ModelView::renderPicture() {
    std::vector<model::SceneItem> scene;
    for (const Item& item : m_items) scene.push_back({&item.mesh, item.colour});
    const model::Picture p = model::render(scene, m_view, std::max(1, width()), std::max(1, height()));
    m_picture = QImage(p.rgb.data(), p.width, p.height, p.width * 3, QImage::Format_RGB888).copy();
    update();
}

void ModelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

void ModelView::resizeEvent(QResizeEvent*) { renderPicture(); }

void ModelView::mousePressEvent(QMouseEvent* event) { m_lastMouse = event->position().toPoint(); }

void ModelView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint now = event->position().toPoint();
    const QPoint moved = now - m_lastMouse;
    m_lastMouse = now;
    if (event->buttons() & Qt::LeftButton) {
        m_view.yaw += moved.x() * 0.01;
        m_view.pitch = std::clamp(m_view.pitch + moved.y() * 0.01, -1.57, 1.57);
    } else if (event->buttons() & Qt::RightButton) {
        m_view.panX += static_cast<double>(moved.x()) / std::max(1, width());
        m_view.panY += static_cast<double>(moved.y()) / std::max(1, height());
    } else {
        return;
    }
    renderPicture();
}

void ModelView::mouseDoubleClickEvent(QMouseEvent*) { setView(model::ViewAngles{}); }

void ModelView::wheelEvent(QWheelEvent* event) {
    m_view.zoom = std::clamp(m_view.zoom * std::pow(1.0015, event->angleDelta().y()), 0.2, 50.0);
    renderPicture();
}

}  // namespace wormpair
