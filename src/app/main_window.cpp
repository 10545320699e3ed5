#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QFileInfo>
#include <QKeyEvent>

#include <stdexcept>

#include "app/forms/form_look.h"
#include "app/generation_notice.h"
#include "calc/numeric.h"
#include "calc/result_labels.h"
#include "input/design_file_open.h"
#include "platform/text.h"
#include "ui_mainwindow.h"

namespace wormpair {

namespace {

// 旋向 is chosen from the two hands, not typed: the sheets and drawings
// write it as it stands.
constexpr std::string_view kHandField = "Edit10";

template <typename T>
T* child(const QObject& window, std::string_view name) {
    T* found = window.findChild<T*>(toQString(name));
    if (found == nullptr) {
        throw std::logic_error("the main window's form has no control named '" + std::string(name) +
                               "'");
    }
    return found;
}

}  // namespace

TForm1::TForm1(const Platform& platform, const QString& programDirectory,
               const QStringList& arguments, const QString& serverAddress, QWidget* parent)
    : QMainWindow(parent),
      m_ui(std::make_unique<Ui::TForm1>()),
      m_platform(platform),
      m_layout(programLayout(programDirectory)),
      m_database(m_layout),
      m_design(*this, *this, m_database),
      m_designFiles(platform, *this, m_design, m_workbook, programDirectory),
      m_lifecycle(platform, *this, *this, m_design, m_database, m_designFiles),
      m_sheets(platform, *this, m_design, m_workbook, programDirectory),
      m_notice(platform.downloads, *this, *this, m_layout, serverAddress),
      m_documents(
          platform, *this, m_layout, serverAddress, [this] { m_about->exec(); },
          [this] { return m_lifecycle.mayEnd(); }),
      m_ruleSettings(std::make_unique<TForm5>(platform.messages, m_database,
                                              [this] { m_lifecycle.startupLoad(); })),
      m_settings(platform, *this, m_database, *m_ruleSettings,
                 [this] { m_lifecycle.startupLoad(); }),
      m_drawings(platform, *this, m_design, m_layout, this),
      m_series(platform, *this, m_design, m_database, m_lifecycle, *this),
      m_models(platform, *this, m_design, m_layout, this),
      m_analysis(platform, *this, m_design, m_layout, this),
      m_families{m_lifecycle, m_designFiles, m_sheets, m_documents, m_settings,
                 m_drawings,  m_series,      m_models, m_analysis} {
    m_ui->setupUi(this);
    m_caption = windowTitle();
    forms::fixWindow(*this, false, true);
    resolveControls();
    connectControls();
    arrangeKeyboard();
    arrangeMenusAndResults();
    // a status line below the form, which keeps its size and positions
    m_generationNotice = new QLabel(this);
    m_generationNotice->setObjectName(QStringLiteral("GenerationFindings"));
    m_generationNotice->setTextFormat(Qt::PlainText);
    m_generationNotice->setIndent(6);
    m_generationNotice->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QPalette red = m_generationNotice->palette();
    red.setColor(QPalette::WindowText, forms::warningColour());
    m_generationNotice->setPalette(red);
    QPalette blue = statusBar()->palette();
    blue.setColor(QPalette::Window, forms::windowColour());
    statusBar()->setPalette(blue);
    statusBar()->setAutoFillBackground(true);
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_generationNotice, 1);
    m_lifecycle.versionCheck = [this] { m_notice.versionCheck(); };
    m_design.document().designSaved = true;
    adjustSize();
    setFixedSize(size());
    forms::centre(*this);
    if (!arguments.isEmpty()) {
        // the window shows first, so the coefficients are loaded before the
        // design is calculated; without them there is nothing to open it with
        show();
        if (!m_loadFailed) m_designFiles.openFile(designFileFromArguments(arguments));
        refreshTitle();
    }
    m_notice.downloadNotice();
    m_about = std::make_unique<TForm6>();
}

TForm1::~TForm1() = default;

void TForm1::resolveControls() {
    for (const char* name : kEditFields) {
        if (name == std::string_view(kHandField)) continue;  // a list: below
        m_edits.emplace(name, child<QLineEdit>(*this, name));
        m_switchable.emplace(name, m_edits[name]);
    }
    m_lists.emplace(kHandField, child<QComboBox>(*this, kHandField));
    m_switchable.emplace(kHandField, m_lists.find(kHandField)->second);
    for (const char* name : kTextLabels) {
        QLabel* label = child<QLabel>(*this, name);
        // the notice comes from the web: its markup is shown, never obeyed
        label->setTextFormat(Qt::PlainText);
        m_labels.emplace(name, label);
    }
    for (const ResultGroup& group : resultGroups()) {
        for (const ResultLabel& label : group.labels) {
            m_labels.emplace(label.name, child<QLabel>(*this, label.name));
        }
    }
    for (const char* name : kCheckBoxes) m_checkBoxes.emplace(name, child<QCheckBox>(*this, name));
    m_lists.emplace(kGradeList, child<QComboBox>(*this, kGradeList));
    for (const char* name : kButtons) m_switchable.emplace(name, child<QWidget>(*this, name));
    for (const char* name : kResultGroupBoxes) {
        m_hideable.emplace(name, child<QGroupBox>(*this, name));
    }
    m_hideable.emplace("CheckBox1", m_checkBoxes["CheckBox1"]);
    m_hideable.emplace(kRulesNotice, child<QLabel>(*this, kRulesNotice));
    for (const CommandRow& row : commandTable()) {
        CommandControl control;
        if (row.isMenuItem()) {
            control.action = child<QAction>(*this, row.control);
        } else {
            control.button = child<QToolButton>(*this, row.control);
        }
        m_commands.emplace(row.control, control);
    }
}

void TForm1::connectControls() {
    Ui::TForm1& ui = *m_ui;
    // Typing runs a field's handler; texts the program sets dispatch in setText.
    for (QLineEdit* edit : {ui.Edit1, ui.Edit3, ui.Edit4, ui.Edit5, ui.Edit6, ui.Edit7, ui.Edit8,
                            ui.Edit11, ui.Edit12, ui.Edit13}) {
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { numberTyped(*edit); });
    }
    for (QCheckBox* box : {ui.CheckBox1, ui.CheckBox2}) {
        connect(box, &QCheckBox::clicked, this, [this, box] {
            guarded([&] { m_design.controlChanged(box->objectName().toStdString()); });
        });
    }
    connect(ui.ComboBox1, &QComboBox::activated, this,
            [this] { guarded([&] { m_design.comboBox1Change(); }); });
    connect(ui.SpeedButton2, &QToolButton::clicked, this, [this] {
        guarded([&] { m_design.speedButton2Click(); });
        // the button has locked itself: the keyboard goes on to 编辑
        if (m_ui->SpeedButton3->isEnabled()) m_ui->SpeedButton3->setFocus();
    });
    connect(ui.SpeedButton3, &QToolButton::clicked, this,
            [this] { guarded([&] { m_design.speedButton3Click(); }); });
    connect(ui.SpeedButton4, &QToolButton::clicked, this,
            [this] { guarded([&] { m_design.speedButton4Click(); }); });
    connect(ui.Button1, &QPushButton::clicked, this,
            [this] { guarded([&] { m_design.calculate(); }); });

    for (const CommandRow& row : commandTable()) {
        const CommandControl& control = m_commands[std::string(row.control)];
        if (control.action != nullptr && !row.shortcut.empty()) {
            control.action->setShortcut(QKeySequence(toQString(row.shortcut)));
        }
        if (control.button != nullptr && !row.shortcut.empty()) {
            // the window's key, not the button's own: that one clicks later
            QToolButton* button = control.button;
            connect(new QShortcut(QKeySequence(toQString(row.shortcut)), this), &QShortcut::activated,
                    button, [button] {
                        if (button->isEnabled()) button->click();
                    });
        }
        if (row.handler == nullptr) continue;
        const CommandHandler handler = row.handler;
        const auto run = [this, handler] { guarded([&] { handler(m_families); }); };
        if (control.action != nullptr) connect(control.action, &QAction::triggered, this, run);
        if (control.button != nullptr) connect(control.button, &QToolButton::clicked, this, run);
    }
}

void TForm1::arrangeKeyboard() {
    // the inputs top to bottom, the recommend button, the recommended
    // parameters, their buttons, the option of the results
    static const char* const kTabOrder[] = {
        "Edit1",  "Edit3",  "Edit4",  "ComboBox1", "CheckBox2",    "SpeedButton2",
        "Edit5",  "Edit6",  "Edit7",  "Edit8",     "Edit10",       "Edit11",
        "Edit12", "Edit13", "SpeedButton3", "SpeedButton4", "CheckBox1"};
    QWidget* previous = nullptr;
    for (const char* name : kTabOrder) {
        QWidget* widget = child<QWidget>(*this, name);
        if (previous != nullptr) setTabOrder(previous, widget);
        previous = widget;
    }
    // toolbar buttons are reached by mouse and by the menu's keys, never by Tab
    for (const auto& [name, control] : m_commands) {
        if (control.button != nullptr) control.button->setFocusPolicy(Qt::NoFocus);
    }
    Ui::TForm1& ui = *m_ui;
    for (QLineEdit* edit : {ui.Edit1, ui.Edit3, ui.Edit4}) {
        connect(edit, &QLineEdit::returnPressed, this, [this] {
            if (m_ui->SpeedButton2->isEnabled()) m_ui->SpeedButton2->click();
        });
    }
    ui.Edit1->setFocus();
}

void TForm1::numberTyped(QLineEdit& edit) {
    const QString typed = edit.text();
    const QString ascii = QString::fromStdString(asciiNumberText(typed.toStdString()));
    if (ascii != typed) {
        // one character for one: the cursor stays where the user left it
        const int cursor = edit.cursorPosition();
        edit.setText(ascii);
        edit.setCursorPosition(cursor);
    }
    guarded([&] { m_design.fieldEdited(edit.objectName().toStdString()); });
}

template <typename T>
T* TForm1::lookUp(const std::map<std::string, T*, std::less<>>& controls, std::string_view name) {
    const auto found = controls.find(name);
    if (found == controls.end()) {
        throw std::logic_error("no such control of the main window: '" + std::string(name) + "'");
    }
    return found->second;
}

void TForm1::arrangeMenusAndResults() {
    // F10 opens the first menu; the arrow keys go on to the others
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this, [this] {
        QMenuBar* bar = m_ui->MainMenu1;
        if (!bar->actions().isEmpty()) bar->setActiveAction(bar->actions().first());
    });
    // Alt pressed and released alone does the same, as on other desktops
    qApp->installEventFilter(this);
    Ui::TForm1& ui = *m_ui;
    for (QLineEdit* edit : {ui.Edit5, ui.Edit6, ui.Edit7, ui.Edit8, ui.Edit11, ui.Edit12, ui.Edit13}) {
        connect(edit, &QLineEdit::returnPressed, this, [this] {
            if (m_ui->SpeedButton4->isEnabled()) m_ui->SpeedButton4->click();
        });
    }
    for (const ResultGroup& group : resultGroups()) {
        for (const ResultLabel& label : group.labels) {
            lookUp(m_labels, label.name)
                ->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        }
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && isActiveWindow()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat()) return QMainWindow::eventFilter(watched, event);
        if (type == QEvent::KeyPress) {
            m_altAlone = key->key() == Qt::Key_Alt && key->modifiers() == Qt::AltModifier;
        } else if (key->key() == Qt::Key_Alt && m_altAlone) {
            m_altAlone = false;
            // one event, however many objects the release passes through
            QMenuBar* bar = m_ui->MainMenu1;
            if (QApplication::activePopupWidget() == nullptr && !bar->actions().isEmpty()) {
                bar->setActiveAction(bar->actions().first());
                return true;
            }
        }
    } else if (type == QEvent::MouseButtonPress) {
        m_altAlone = false;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        m_platform.messages.inform(QString::fromUtf8(e.what()), QString());
    }
    refreshTitle();
}

void TForm1::refreshTitle() {
    const DocumentState& document = m_design.document();
    QString file = QString::fromStdString(document.designFilePath);
    // a design saved through the dialog stays free of its file, yet is in it
    if (file.isEmpty() && document.designSaved) file = m_designFiles.currentFile();
    QString title = m_caption;
    if (!file.isEmpty() || !document.designSaved) {
        title += QStringLiteral(" - ") +
                 (file.isEmpty() ? QStringLiteral("未命名") : QFileInfo(file).fileName());
        if (!document.designSaved) title += QStringLiteral(" *");
    }
    if (windowTitle() != title) setWindowTitle(title);
}

void TForm1::refreshTitleLater() {
    if (m_titlePending) return;
    m_titlePending = true;
    QTimer::singleShot(0, this, [this] {
        m_titlePending = false;
        refreshTitle();
    });
}

std::string TForm1::text(std::string_view name) const {
    if (name == kHandField) return lookUp(m_lists, name)->currentText().toStdString();
    if (const auto edit = m_edits.find(name); edit != m_edits.end()) {
        return edit->second->text().toStdString();
    }
    return lookUp(m_labels, name)->text().toStdString();
}

void TForm1::setText(std::string_view name, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (name == kHandField) {
        // only the list's hands: design files are checked for them on open
        QComboBox* hand = lookUp(m_lists, name);
        const int index = hand->findText(value);
        if (index < 0) {
            throw std::invalid_argument("旋向只能是“右旋”或“左旋”，不能是“" + text + "”");
        }
        if (index == hand->currentIndex()) return;
        hand->setCurrentIndex(index);
        m_design.controlChanged(name);
        return;
    }
    if (const auto found = m_edits.find(name); found != m_edits.end()) {
        QLineEdit* edit = found->second;
        if (edit->text() == value) return;
        // The length limit is for typing; a text the program sets (from a
        // design file) is taken whole, never cut to the limit.
        if (value.size() > edit->maxLength()) edit->setMaxLength(static_cast<int>(value.size()));
        edit->setText(value);
        markField(name, {});  // a mark is for what was typed; the handler marks anew
        m_design.controlChanged(name);
        return;
    }
    lookUp(m_labels, name)->setText(value);
}

bool TForm1::isChecked(std::string_view name) const {
    return lookUp(m_checkBoxes, name)->isChecked();
}

void TForm1::setChecked(std::string_view name, bool checked) {
    QCheckBox* box = lookUp(m_checkBoxes, name);
    if (box->isChecked() == checked) return;
    box->setChecked(checked);
    m_design.controlChanged(name);
}

int TForm1::currentIndex(std::string_view name) const {
    return lookUp(m_lists, name)->currentIndex();
}

std::string TForm1::currentText(std::string_view name) const {
    return lookUp(m_lists, name)->currentText().toStdString();
}

void TForm1::setCurrentIndex(std::string_view name, int index) {
    lookUp(m_lists, name)->setCurrentIndex(index);
}

void TForm1::setEnabled(std::string_view name, bool enabled) {
    lookUp(m_switchable, name)->setEnabled(enabled);
}

void TForm1::setVisible(std::string_view name, bool visible) {
    lookUp(m_hideable, name)->setVisible(visible);
}

void TForm1::setRecommendedGroupOpen(bool open) {
    // the group's palette turns its text grey while disabled and black while enabled
    m_ui->GroupBox5->setEnabled(open);
}

void TForm1::showMessage(std::string_view text) {
    m_platform.messages.inform(toQString(text), QString());
}

void TForm1::markField(std::string_view name, std::string_view problem) {
    const auto found = m_edits.find(name);
    if (found == m_edits.end()) {
        throw std::logic_error("no edit field of the main window: '" + std::string(name) + "'");
    }
    QLineEdit& edit = *found->second;
    edit.setToolTip(toQString(problem));
    // the red of the result labels' warning
    edit.setStyleSheet(problem.empty()
                           ? QString()
                           : QStringLiteral("QLineEdit { border: 2px solid rgb(255, 0, 0); }"));
}

void TForm1::setResultCommandsEnabled(bool enabled) {
    for (const CommandRow& row : commandTable()) {
        if (!row.resultCommand) continue;
        const CommandControl& control = m_commands.find(row.control)->second;
        if (control.action != nullptr) control.action->setEnabled(enabled);
        if (control.button != nullptr) control.button->setEnabled(enabled);
    }
}

void TForm1::resetResults() {
    refreshTitleLater();
    for (const char* group : kResultGroupBoxes) setVisible(group, false);
    setResultCommandsEnabled(false);
    m_ui->CheckBox1->setVisible(false);
    showGenerationNotice({}, {});
}

void TForm1::setLabelText(std::string_view label, std::string_view text) {
    lookUp(m_labels, label)->setText(toQString(text));
}

void TForm1::setLabelWarning(std::string_view label, std::string_view reason) {
    QLabel& shown = *lookUp(m_labels, label);
    forms::setWarning(shown, !reason.empty());
    shown.setToolTip(toQString(reason));
}

void TForm1::showResults() {
    refreshTitleLater();
    for (const char* group : kResultGroupBoxes) setVisible(group, true);
    m_ui->CheckBox1->setVisible(true);
    setResultCommandsEnabled(true);
    m_models.releaseOtherDesigns();
    const GenerationNotice notice = generationNotice(m_design.record(), text(kHandField));
    showGenerationNotice(toQString(notice.line), toQString(notice.tip));
}

void TForm1::showGenerationNotice(const QString& line, const QString& tip) {
    if (m_generationNotice == nullptr) return;  // results reset while the window is built
    m_generationNotice->setText(line);
    m_generationNotice->setToolTip(tip);
}

QString TForm1::caption() const { return m_caption; }

void TForm1::setCaption(const QString& caption) {
    m_caption = caption;
    refreshTitle();
}

QStringList TForm1::openWindows() const {
    QStringList captions;
    for (const QWidget* widget : findChildren<QWidget*>()) {
        if (widget->isWindow() && widget->isVisible()) captions << widget->windowTitle();
    }
    return captions;
}

void TForm1::closeWindow() {
    m_closeAgreed = true;
    // closing from inside the show event would leave the event loop running
    if (m_inShowEvent) {
        QTimer::singleShot(0, this, &QWidget::close);
    } else {
        close();
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!m_closeAgreed) {
        bool mayEnd = false;
        guarded([&] { mayEnd = m_lifecycle.mayEnd(); });
        if (!mayEnd) {
            event->ignore();
            return;
        }
        m_closeAgreed = true;
    }
    QMainWindow::closeEvent(event);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shownOnce) return;
    m_shownOnce = true;
    m_inShowEvent = true;
    m_loadFailed = !m_lifecycle.startupLoad();
    m_inShowEvent = false;
}

}  // namespace wormpair
