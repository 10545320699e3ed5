#pragma once

#include <QString>

#include <memory>

#include "drawing/part_sheets.h"
#include "platform/platform.h"
#include "store/program_layout.h"

class QWidget;

namespace wormpair {

class DesignController;
class MainForm;

// Prints a sheet; tests replace the printer dialog with a fake.
class SheetPrinter {
  public:
    virtual ~SheetPrinter() = default;
    // False when the user cancelled the print dialog.
    virtual bool print(const drawing::Sheet& sheet) = 0;
};

enum class DrawingFormat { Dxf, Pdf, Svg };

// The file formats a sheet is exported in: the save dialog's filter and the
// extension added to a name without one.
struct DrawingFormatInfo {
    DrawingFormat format;
    const char* filter;
    const char* extension;
};
const DrawingFormatInfo& drawingFormat(DrawingFormat format);

// Asks for the file (proposing "<中心距>-<速比>-蜗杆.dxf"), refuses to replace an
// existing file unless the user agrees, and writes the sheet through the one
// safe file replacement. Reports failures in Chinese; true when written.
bool exportDrawing(const drawing::Sheet& sheet, const drawing::Design& design,
                   drawing::SheetKind kind, DrawingFormat format, const Platform& platform);

// The menu 图纸: the four sheets of the calculated design in a preview
// window each, and 图纸设置… for the title block's free fields.
class DrawingCommands {
  public:
    DrawingCommands(const Platform& platform, const MainForm& form, const DesignController& design,
                    ProgramLayout layout, QWidget* parent);
    ~DrawingCommands();

    void showSheet(drawing::SheetKind kind);
    void editTitleBlock();

    // Tests print through a fake; nullptr restores the printer dialog.
    void setPrinter(SheetPrinter* printer);
    SheetPrinter& printer();

  private:
    Platform m_platform;
    const MainForm& m_form;
    const DesignController& m_design;
    ProgramLayout m_layout;
    QWidget* m_parent;
    std::unique_ptr<SheetPrinter> m_dialogPrinter;
    SheetPrinter* m_printer = nullptr;
};

}  // namespace wormpair
