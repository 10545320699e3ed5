#include "store/design_files.h"

#include <QStringList>

#include <filesystem>

#include "calc/numeric.h"
#include "input/design_controller.h"
#include "input/main_form.h"
#include "xls/xls_read_write.h"

namespace wormpair {

namespace {

// A1 to A13 hold the edit fields' texts (kEditFields); A14 the 取整数 option.
constexpr int kWholeNumberRow = 13;
const char* const kWholeNumberMark = "zhengshu";

std::filesystem::path toPath(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

}  // namespace

DesignFiles::DesignFiles(MainForm& form, DesignController& design, TXLSReadWriteII4& workbook,
                         QString programDirectory)
    : m_form(form), m_design(design), m_workbook(workbook),
      m_programDirectory(std::move(programDirectory)) {}

void DesignFiles::writeCells() {
    for (int row = 0; row < static_cast<int>(kEditFields.size()); ++row) {
        m_workbook.setCellText(0, row, m_form.text(kEditFields[row]));
    }
    m_workbook.setCellText(0, kWholeNumberRow,
                           m_form.isChecked("CheckBox1") ? kWholeNumberMark : "");
}

bool DesignFiles::save(const TargetChooser& chooseTarget) {
    DocumentState& document = m_design.document();
    try {
        const bool bound = !document.designFilePath.empty();
        m_workbook.setFilename(bound ? std::filesystem::path(document.designFilePath)
                                     : toPath(m_programDirectory + "111.xls"));
        m_workbook.readWorkbook();
        writeCells();
        if (!bound) {
            const QString proposal =
                QString::fromStdString(m_form.text("Edit1") + "-" + m_form.text("Edit2"));
            const QString target = chooseTarget(proposal);
            if (target.isEmpty()) return false;
            m_workbook.setFilename(toPath(target + ".cqb"));
        }
        m_workbook.writeWorkbook();
    } catch (const std::exception&) {
        m_form.showMessage(kSaveFailedMessage);
        return false;
    }
    document.designSaved = true;
    return true;
}

void DesignFiles::readCells(const QString& path) {
    m_workbook.setFilename(toPath(path));
    m_workbook.readWorkbook();
    auto cell = [&](int row) { return m_workbook.getCellText(0, row); };

    const QString designation = QString::fromStdString(cell(8));
    if (designation.size() < 2 || designation[1] != QChar('j')) {
        m_form.setChecked("CheckBox2", false);
    }
    for (int row = 0; row < static_cast<int>(kEditFields.size()); ++row) {
        m_form.setText(kEditFields[row], cell(row));
    }
    const QString grade = QString::fromStdString(m_form.text("Edit9")).left(1);
    const int gradeIndex = parseInteger(grade.toStdString()) - 6;
    if (gradeIndex < 0 || gradeIndex > 2) {
        throw CalculationError(FailureKind::Conversion, "accuracy grade must be 6, 7 or 8");
    }
    m_form.setCurrentIndex("ComboBox1", gradeIndex);
    if (cell(kWholeNumberRow) == kWholeNumberMark) m_form.setChecked("CheckBox1", true);
    m_design.comboBox1Change();
    for (const char* control : {"Edit1", "Edit3", "Edit4", "SpeedButton2"}) {
        m_form.setEnabled(control, false);
    }
    m_form.setEnabled("SpeedButton3", true);
}

bool DesignFiles::open(const QString& path) {
    try {
        readCells(path);
        m_design.calculate();
    } catch (const std::exception&) {
        m_form.showMessage(kOpenFailedMessage);
        return false;
    }
    DocumentState& document = m_design.document();
    document.designSaved = true;
    document.designFilePath = path.toStdString();
    return true;
}

QString designFileFromArguments(const QStringList& arguments) {
    return QStringList(arguments.mid(0, 4)).join(' ').trimmed();
}

}  // namespace wormpair
