#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <string>

#include "app/about_box.h"
#include "app/analysis_commands.h"
#include "app/command_table.h"
#include "app/design_file_commands.h"
#include "app/document_commands.h"
#include "app/drawing_commands.h"
#include "app/lifecycle_commands.h"
#include "app/model_commands.h"
#include "app/parameter_sheet_commands.h"
#include "app/rule_settings_dialog.h"
#include "app/series_commands.h"
#include "app/settings_commands.h"
#include "app/update_notice.h"
#include "app/window_shell.h"
#include "calc/calculate.h"
#include "input/design_controller.h"
#include "input/main_form.h"
#include "platform/platform.h"
#include "store/parameter_database.h"
#include "store/program_layout.h"
#include "xls/xls_read_write.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace Ui {
class TForm1;
}

namespace wormpair {

// The main window: the controls of the form wired to the commands. It shows
// the controls to the commands (MainForm, WindowShell) and Calculate's
// results (ResultView); the commands themselves live in their families,
// reached through the command table.
class TForm1 : public QMainWindow, public MainForm, public ResultView, public WindowShell {
    Q_OBJECT

  public:
    // programDirectory ends with '/'; arguments are the command-line
    // arguments after the program name; serverAddress is the vendor's web
    // server, empty for none.
    TForm1(const Platform& platform, const QString& programDirectory,
           const QStringList& arguments = {}, const QString& serverAddress = {},
           QWidget* parent = nullptr);
    ~TForm1() override;

    DesignController& design() { return m_design; }
    LifecycleCommands& lifecycle() { return m_lifecycle; }
    TForm6& aboutBox() { return *m_about; }
    TForm5& ruleSettings() { return *m_ruleSettings; }
    DrawingCommands& drawings() { return m_drawings; }
    SeriesCommands& series() { return m_series; }
    ModelCommands& models() { return m_models; }
    AnalysisCommands& analysis() { return m_analysis; }

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
    void markField(std::string_view control, std::string_view problem) override;

    // ResultView
    void resetResults() override;
    void setLabelText(std::string_view label, std::string_view text) override;
    void setLabelWarning(std::string_view label, std::string_view reason) override;
    void showResults() override;

    // WindowShell
    QString caption() const override;
    void setCaption(const QString& caption) override;
    void closeWindow() override;
    QStringList openWindows() const override;

  protected:
    void showEvent(QShowEvent* event) override;
    // The window's own close button asks about unsaved work first.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct CommandControl {
        QAction* action = nullptr;
        QToolButton* button = nullptr;
    };

    void resolveControls();
    void connectControls();
    // Tab order, the toolbar out of it, Enter to recommend, focus at start.
    void arrangeKeyboard();
    // F10 and Alt alone reach the menus; Enter in the recommended
    // parameters confirms them; result values can be selected and copied.
    void arrangeMenusAndResults();
    void setResultCommandsEnabled(bool enabled);
    // The caption, the design file's name and "*" while it is unsaved.
    void refreshTitle();
    // After the current command, when the design's state has settled.
    void refreshTitleLater();
    // The status line of what the machines make of the calculated design;
    // empty texts clear it.
    void showGenerationNotice(const QString& line, const QString& tip);
    // A number field the user has typed or pasted into: a full-width number
    // becomes ASCII in place, then its handling runs.
    void numberTyped(QLineEdit& edit);
    // Runs a user command; a failure it does not handle itself is reported
    // with its own text, and the program carries on.
    void guarded(const std::function<void()>& command);

    template <typename T>
    static T* lookUp(const std::map<std::string, T*, std::less<>>& controls, std::string_view name);

    std::unique_ptr<Ui::TForm1> m_ui;
    Platform m_platform;
    ProgramLayout m_layout;
    ParameterDatabase m_database;
    DesignController m_design;
    TXLSReadWriteII4 m_workbook;
    DesignFileCommands m_designFiles;
    LifecycleCommands m_lifecycle;
    ParameterSheetCommands m_sheets;
    UpdateNotice m_notice;
    std::unique_ptr<TForm6> m_about;
    DocumentCommands m_documents;
    std::unique_ptr<TForm5> m_ruleSettings;
    SettingsCommands m_settings;
    DrawingCommands m_drawings;
    SeriesCommands m_series;
    ModelCommands m_models;
    AnalysisCommands m_analysis;
    CommandFamilies m_families;

    std::map<std::string, QLineEdit*, std::less<>> m_edits;
    std::map<std::string, QLabel*, std::less<>> m_labels;  // text and result labels
    std::map<std::string, QCheckBox*, std::less<>> m_checkBoxes;
    std::map<std::string, QComboBox*, std::less<>> m_lists;
    std::map<std::string, QWidget*, std::less<>> m_switchable;  // buttons and edit fields
    std::map<std::string, QWidget*, std::less<>> m_hideable;    // groups, CheckBox1, notice
    std::map<std::string, CommandControl, std::less<>> m_commands;
    bool m_shownOnce = false;
    bool m_loadFailed = false;
    bool m_inShowEvent = false;
    bool m_closeAgreed = false;  // a command has dealt with unsaved work and closes
    QString m_caption;           // the program's caption, without the design file
    bool m_titlePending = false;
    bool m_altAlone = false;     // Alt is down and no other key came with it
    QLabel* m_generationNotice = nullptr;  // in the status bar
};

}  // namespace wormpair
