#include "app/drawing_commands.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "app/drawing_preview.h"
#include "app/title_block_dialog.h"
#include "drawing/dxf_writer.h"
#include "drawing/snapshot_design.h"
#include "input/design_snapshot.h"
#include "drawing/sheet_painter.h"
#include "drawing/title_block_fields.h"
#include "platform/file_replace.h"

namespace wormpair {

namespace {

constexpr DrawingFormatInfo kFormats[] = {
    {DrawingFormat::Dxf, "DXF 图纸|*.dxf", ".dxf"},
    {DrawingFormat::Pdf, "PDF 图纸|*.pdf", ".pdf"},
    {DrawingFormat::Svg, "SVG 图纸|*.svg", ".svg"},
};

// The printer dialog of the desktop; the sheet on its own paper, landscape.
class DialogPrinter : public SheetPrinter {
  public:
    explicit DialogPrinter(QWidget* parent) : m_parent(parent) {}
    bool print(const drawing::Sheet& sheet) override {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(QPageLayout(
            QPageSize(QSizeF(sheet.height(), sheet.width()), QPageSize::Millimeter),
            QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
        printer.setDocName(sheet.title);
        QPrintDialog dialog(&printer, m_parent);
        dialog.setWindowTitle(QStringLiteral("打印") + sheet.title);
        if (dialog.exec() != QDialog::Accepted) return false;
        QPainter painter(&printer);
        drawing::paintSheet(painter, sheet, printer.pageLayout().paintRectPixels(printer.resolution()));
        return true;
    }

  private:
    QWidget* m_parent;
};

}  // namespace

const DrawingFormatInfo& drawingFormat(DrawingFormat format) {
    for (const DrawingFormatInfo& info : kFormats) {
        if (info.format == format) return info;
    }
    throw std::logic_error("unknown drawing format");
}

bool exportDrawing(const drawing::Sheet& sheet, const drawing::Design& design,
                   drawing::SheetKind kind, DrawingFormat format, const Platform& platform) {
    const DrawingFormatInfo& info = drawingFormat(format);
    const QString extension = QString::fromLatin1(info.extension);
    QString target = platform.files.saveFileName(
        FileDialogs::Kind::Drawing, QString::fromUtf8(info.filter),
        drawing::proposedFileName(design, kind, extension));
    if (target.isEmpty()) return false;
    if (!target.endsWith(extension, Qt::CaseInsensitive)) target += extension;
    if (QFileInfo::exists(target) &&
        !platform.messages.askYesNo(QStringLiteral("文件“%1”已存在，是否替换？")
                                        .arg(QFileInfo(target).fileName()))) {
        return false;
    }
    try {
        QByteArray bytes;
        switch (format) {
            case DrawingFormat::Dxf:
                bytes = QByteArray::fromStdString(drawing::sheetDxf(sheet));
                break;
            case DrawingFormat::Pdf:
                bytes = drawing::sheetPdf(sheet);
                break;
            case DrawingFormat::Svg:
                bytes = drawing::sheetSvg(sheet);
                break;
        }
        replaceFile(target.toStdString(),
                    {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                     static_cast<std::size_t>(bytes.size())});
    } catch (const std::exception& e) {
        platform.messages.inform(QStringLiteral("图纸未能写入“%1”：%2")
                                     .arg(target, QString::fromUtf8(e.what())),
                                 QString());
        return false;
    }
    return true;
}

DrawingCommands::DrawingCommands(const Platform& platform, const MainForm& form,
                                 const DesignController& design, ProgramLayout layout,
                                 QWidget* parent)
    : m_platform(platform),
      m_form(form),
      m_design(design),
      m_layout(std::move(layout)),
      m_parent(parent),
      m_dialogPrinter(std::make_unique<DialogPrinter>(parent)) {}

DrawingCommands::~DrawingCommands() = default;

void DrawingCommands::setPrinter(SheetPrinter* printer) { m_printer = printer; }

SheetPrinter& DrawingCommands::printer() { return m_printer ? *m_printer : *m_dialogPrinter; }

void DrawingCommands::showSheet(drawing::SheetKind kind) {
    const drawing::Design design = drawing::drawnDesign(designSnapshot(m_form, m_design));
    const drawing::TitleBlockFields fields =
        drawing::loadTitleBlockFields(m_layout.dataDirectory);
    auto* preview = new DrawingPreview(design, kind, fields.forSheet(kind), m_platform,
                                       [this]() -> SheetPrinter& { return printer(); }, m_parent);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    if (!preview->build()) {
        delete preview;
        return;
    }
    preview->show();
}

void DrawingCommands::editTitleBlock() {
    TitleBlockDialog dialog(drawing::loadTitleBlockFields(m_layout.dataDirectory), m_parent);
    if (dialog.exec() != QDialog::Accepted) return;
    try {
        drawing::saveTitleBlockFields(m_layout.dataDirectory, dialog.fields());
    } catch (const std::exception& e) {
        m_platform.messages.inform(
            QStringLiteral("图纸设置未能保存：%1").arg(QString::fromUtf8(e.what())), QString());
    }
}

}  // namespace wormpair
