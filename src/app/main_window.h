#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "platform/platform.h"
#include "calc/calculate.h"
#include "input/design_controller.h"
#include "input/main_form.h"
#include "store/design_files.h"
#include "store/parameter_database.h"
#include "xls/xls_read_write.h"

namespace Ui {
class TForm1;
}

namespace wormpair {

// The main window: the controls of the form wired to the design commands.
// It shows the controls' state to the commands (MainForm) and Calculate's
// results (ResultView); the commands themselves live in DesignController.
class TForm1 : public QMainWindow, public MainForm, public ResultView {
    Q_OBJECT

public:
    // programDirectory ends with '/'; arguments are the command-line
    // arguments after the program name.
    TForm1(const Platform& platform, const QString& programDirectory,
           const QStringList& arguments = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    DesignController& design() { return m_design; }

    // The update check run inside the start-up load; empty until the vendor's
    // version service is wired in.
    std::function<void()> versionCheck;

    // MainForm
    std::string text(std::string_view control) const override;
    void setText(std::string_view control, const std::string& text) override;
    bool isChecked(std::string_view control) const override;
    void setChecked(std::string_view control, bool checked) override;
    int currentIndex(std::string_view control) const override;
    std::string currentText(std::string_view control) const override;
    void setCurrentIndex(std::string_view control, int index) override;
    void setEnabled(std::string_view control, bool enabled) override;
    void setVisible(std::string_view control, bool visible) override;
    void setRecommendedGroupOpen(bool open) override;
    void showMessage(std::string_view text) override;

    // ResultView
    void resetResults() override;
    void setLabelText(std::string_view label, std::string_view text) override;
    void setLabelWarning(std::string_view label, bool warning) override;
    void showResults() override;

    // Commands of the window itself.
    void startupLoad();
    void closeWithPrompt();
    void newDesign();
    void saveDesign();
    void openDesign();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void connectControls();
    QObject* control(std::string_view name) const;
    // Runs a user command; a failure it does not handle itself is reported
    // with its own text, and the program carries on.
    void guarded(const std::function<void()>& command);

    std::unique_ptr<Ui::TForm1> m_ui;
    Platform m_platform;
    QString m_programDirectory;
    ParameterDatabase m_database;
    DesignController m_design;
    TXLSReadWriteII4 m_workbook;
    DesignFiles m_designFiles;
    bool m_shownOnce = false;
};

}  // namespace wormpair
