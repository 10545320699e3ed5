#include "input/design_file_open.h"

#include "input/design_controller.h"
#include "input/main_form.h"

namespace wormpair {

DesignFileTexts designFileTexts(const MainForm& form) {
    DesignFileTexts texts;
    for (std::size_t i = 0; i < DesignFileTexts::kEditCount; ++i) {
        texts.edits[i] = form.text(kEditFields[i]);
    }
    texts.wholeNumber = form.isChecked("CheckBox1") ? DesignFileTexts::kWholeNumberMark : "";
    return texts;
}

void applyDesignFile(MainForm& form, DesignController& design, const DesignFileTexts& texts) {
    // A designation without the "j" of standard backlash clears the box.
    const QString designation = QString::fromStdString(texts.designation());
    if (designation.size() < 2 || designation[1] != QChar('j')) form.setChecked("CheckBox2", false);
    for (std::size_t i = 0; i < DesignFileTexts::kEditCount; ++i) {
        form.setText(kEditFields[i], texts.edits[i]);
    }
    form.setCurrentIndex(kGradeList, designFileGrade(texts) - 6);
    if (texts.wholeNumberChecked()) form.setChecked("CheckBox1", true);
    design.comboBox1Change();
    for (const char* control : {"Edit1", "Edit3", "Edit4", "SpeedButton2"}) {
        form.setEnabled(control, false);
    }
    form.setEnabled("SpeedButton3", true);
    design.calculate();
}

bool openDesignFile(MainForm& form, DesignController& design, TXLSReadWriteII4& workbook,
                    const QString& path) {
    try {
        const DesignFileTexts texts = readDesignFile(workbook, path.toStdString());
        applyDesignFile(form, design, texts);
    } catch (const DesignFileTextError& e) {
        // the message the user knows, and beside it the cell and text at fault
        form.showMessage(std::string(kOpenFailedMessage) + "\n" + e.what());
        return false;
    } catch (const std::exception&) {
        form.showMessage(kOpenFailedMessage);
        return false;
    }
    DocumentState& document = design.document();
    document.designSaved = true;
    document.designFilePath = path.toStdString();
    return true;
}

QString designFileFromArguments(const QStringList& arguments) {
    return QStringList(arguments.mid(0, 4)).join(' ').trimmed();
}

}  // namespace wormpair
