#include "app/drawing_preview.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/drawing_commands.h"
#include "drawing/sheet_painter.h"

namespace wormpair {

SheetCanvas::SheetCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName("SheetCanvas");
    setMinimumSize(400, 300);
    setCursor(Qt::OpenHandCursor);
}

void SheetCanvas::setSheet(const drawing::Sheet* sheet) {
    m_sheet = sheet;
    fit();
}

void SheetCanvas::fit() {
    if (m_sheet == nullptr) return;
    m_zoom = 0.96 * std::min(width() / m_sheet->width(), height() / m_sheet->height());
    m_corner = QPointF((width() - m_sheet->width() * m_zoom) / 2,
                       (height() - m_sheet->height() * m_zoom) / 2);
    m_fitted = true;
    update();
}

void SheetCanvas::zoomBy(double factor, QPointF about) {
    const double zoom = std::clamp(m_zoom * factor, 0.2, 60.0);
    m_corner = about - (about - m_corner) * (zoom / m_zoom);
    m_zoom = zoom;
    m_fitted = false;
    update();
}

void SheetCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x8a, 0x93, 0x9c));
    if (m_sheet == nullptr) return;
    const QRectF paper(m_corner, QSizeF(m_sheet->width(), m_sheet->height()) * m_zoom);
    painter.fillRect(paper, Qt::white);
    drawing::paintSheet(painter, *m_sheet, paper);
}

void SheetCanvas::wheelEvent(QWheelEvent* event) {
    zoomBy(std::pow(1.0015, event->angleDelta().y()), event->position());
}

void SheetCanvas::mousePressEvent(QMouseEvent* event) { m_grab = event->position(); }

void SheetCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    m_corner += event->position() - m_grab;
    m_grab = event->position();
    m_fitted = false;
    update();
}

void SheetCanvas::resizeEvent(QResizeEvent*) {
    if (m_fitted) fit();
}

DrawingPreview::DrawingPreview(drawing::Design design, drawing::SheetKind kind,
                               std::map<drawing::TitleField, QString> fields,
                               const Platform& platform, std::function<SheetPrinter&()> printer,
                               QWidget* parent)
    : QDialog(parent),
      m_design(std::move(design)),
      m_kind(kind),
      m_fields(std::move(fields)),
      m_platform(platform),
      m_printer(std::move(printer)),
      m_canvas(new SheetCanvas(this)),
      m_sizes(new QComboBox(this)) {
    setObjectName("DrawingPreview");
    setWindowTitle(QString::fromUtf8(drawing::sheetKind(kind).title) + QStringLiteral(" — 图纸预览"));
    setSizeGripEnabled(true);
    auto* tools = new QHBoxLayout;
    tools->addWidget(new QLabel(QStringLiteral("图幅"), this));
    m_sizes->setObjectName("SheetSize");
    for (const drawing::SheetFormat& f : drawing::sheetFormats())
        m_sizes->addItem(QString::fromUtf8(f.name));
    m_sizes->setCurrentText("A3");
    tools->addWidget(m_sizes);
    const auto button = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        tools->addWidget(b);
        return b;
    };
    QPushButton* fit = button("FitButton", QStringLiteral("适合窗口"));
    QPushButton* zoomIn = button("ZoomInButton", QStringLiteral("放大"));
    QPushButton* zoomOut = button("ZoomOutButton", QStringLiteral("缩小"));
    tools->addStretch();
    const struct {
        const char* name;
        const char* caption;
        DrawingFormat format;
    } exports[] = {{"ExportDxfButton", "导出DXF", DrawingFormat::Dxf},
                   {"ExportPdfButton", "导出PDF", DrawingFormat::Pdf},
                   {"ExportSvgButton", "导出SVG", DrawingFormat::Svg}};
    for (const auto& e : exports) {
        const DrawingFormat format = e.format;
        connect(button(e.name, QString::fromUtf8(e.caption)), &QPushButton::clicked, this,
                [this, format] { exportDrawing(*m_sheet, m_design, m_kind, format, m_platform); });
    }
    connect(button("PrintButton", QStringLiteral("打印")), &QPushButton::clicked, this,
            [this] { m_printer().print(*m_sheet); });
    connect(fit, &QPushButton::clicked, m_canvas, &SheetCanvas::fit);
    connect(zoomIn, &QPushButton::clicked, this,
            [this] { m_canvas->zoomBy(1.25, QPointF(m_canvas->rect().center())); });
    connect(zoomOut, &QPushButton::clicked, this,
            [this] { m_canvas->zoomBy(0.8, QPointF(m_canvas->rect().center())); });
    connect(m_sizes, &QComboBox::activated, this, &DrawingPreview::sizeChosen);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_canvas, 1);
    resize(1120, 820);
}

bool DrawingPreview::build() {
    try {
        m_sheet = drawing::buildSheet(m_design, {m_kind, m_size, m_fields});
    } catch (const drawing::DrawingError& e) {
        m_platform.messages.inform(QString::fromUtf8(e.what()), QString());
        return false;
    }
    m_canvas->setSheet(&*m_sheet);
    return true;
}

void DrawingPreview::sizeChosen(int index) {
    const drawing::SheetSize previous = m_size;
    m_size = drawing::sheetFormats()[static_cast<std::size_t>(index)].size;
    if (!build()) {
        m_size = previous;
        m_sizes->setCurrentText(QString::fromUtf8(drawing::sheetFormat(previous).name));
    }
}

}  // namespace wormpair
