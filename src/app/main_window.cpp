#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>

#include "app/forms/form_look.h"
#include "store/startup_load.h"
#include "store/store_messages.h"
#include "ui_mainwindow.h"

namespace wormpair {

namespace {

const char* const kResultCommands[] = {"ToolButton5", "ToolButton4", "ToolButton1", "ToolButton11",
                                       "N3",          "N4",          "N5",          "N14"};
const char* const kUnsavedQuestion = "数据尚未保存，是否保存？";

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TForm1::TForm1(const Platform& platform, const QString& programDirectory,
               const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent),
      m_ui(std::make_unique<Ui::TForm1>()),
      m_platform(platform),
      m_programDirectory(programDirectory),
      m_database(programDirectory),
      m_design(*this, *this, m_database),
      m_designFiles(*this, m_design, m_workbook, programDirectory) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_design.document().designSaved = true;
    connectControls();
    adjustSize();
    setFixedSize(size());
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    if (!arguments.isEmpty()) {
        // the window shows first, so the coefficients are loaded before the
        // design is calculated
        show();
        m_designFiles.open(designFileFromArguments(arguments));
    }
}

TForm1::~TForm1() = default;

void TForm1::connectControls() {
    Ui::TForm1& ui = *m_ui;
    // Typing runs a field's handler; texts the program sets dispatch in setText.
    for (QLineEdit* edit : {ui.Edit1, ui.Edit3, ui.Edit4}) {
        connect(edit, &QLineEdit::textEdited, this, [this, edit] {
            guarded([&] { m_design.controlChanged(edit->objectName().toStdString()); });
        });
    }
    for (QCheckBox* box : {ui.CheckBox1, ui.CheckBox2}) {
        connect(box, &QCheckBox::clicked, this, [this, box] {
            guarded([&] { m_design.controlChanged(box->objectName().toStdString()); });
        });
    }
    connect(ui.ComboBox1, &QComboBox::activated, this,
            [this] { guarded([&] { m_design.comboBox1Change(); }); });
    connect(ui.SpeedButton2, &QToolButton::clicked, this,
            [this] { guarded([&] { m_design.speedButton2Click(); }); });
    connect(ui.SpeedButton3, &QToolButton::clicked, this,
            [this] { guarded([&] { m_design.speedButton3Click(); }); });
    connect(ui.SpeedButton4, &QToolButton::clicked, this,
            [this] { guarded([&] { m_design.speedButton4Click(); }); });
    connect(ui.Button1, &QPushButton::clicked, this,
            [this] { guarded([&] { m_design.calculate(); }); });

    connect(ui.ToolButton13, &QToolButton::clicked, this, [this] { closeWithPrompt(); });
    connect(ui.ToolButton15, &QToolButton::clicked, this, [this] { newDesign(); });
    connect(ui.N6, &QAction::triggered, this, &QWidget::close);
    connect(ui.N5, &QAction::triggered, this, [this] { saveDesign(); });
    connect(ui.ToolButton11, &QToolButton::clicked, this, [this] { saveDesign(); });
    connect(ui.N11, &QAction::triggered, this, [this] { openDesign(); });
    connect(ui.ToolButton3, &QToolButton::clicked, this, [this] { openDesign(); });
}

QObject* TForm1::control(std::string_view name) const {
    const QString objectName = qt(name);
    if (QWidget* widget = findChild<QWidget*>(objectName)) return widget;
    return findChild<QAction*>(objectName);
}

void TForm1::guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        m_platform.messages.inform(QString::fromUtf8(e.what()), QString());
    }
}

std::string TForm1::text(std::string_view name) const {
    QObject* object = control(name);
    if (auto* edit = qobject_cast<QLineEdit*>(object)) return edit->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(object)) return label->text().toStdString();
    return {};
}

void TForm1::setText(std::string_view name, const std::string& text) {
    QObject* object = control(name);
    const QString value = QString::fromStdString(text);
    if (auto* edit = qobject_cast<QLineEdit*>(object)) {
        if (edit->text() == value) return;
        // The length limit is for typing; a text the program sets (from a
        // design file) is taken whole, never cut to the limit.
        if (value.size() > edit->maxLength()) edit->setMaxLength(static_cast<int>(value.size()));
        edit->setText(value);
        m_design.controlChanged(name);
    } else if (auto* label = qobject_cast<QLabel*>(object)) {
        label->setText(value);
    }
}

bool TForm1::isChecked(std::string_view name) const {
    auto* box = qobject_cast<QCheckBox*>(control(name));
    return box != nullptr && box->isChecked();
}

void TForm1::setChecked(std::string_view name, bool checked) {
    auto* box = qobject_cast<QCheckBox*>(control(name));
    if (box == nullptr || box->isChecked() == checked) return;
    box->setChecked(checked);
    m_design.controlChanged(name);
}

int TForm1::currentIndex(std::string_view name) const {
    auto* list = qobject_cast<QComboBox*>(control(name));
    return list != nullptr ? list->currentIndex() : -1;
}

std::string TForm1::currentText(std::string_view name) const {
    auto* list = qobject_cast<QComboBox*>(control(name));
    return list != nullptr ? list->currentText().toStdString() : std::string();
}

void TForm1::setCurrentIndex(std::string_view name, int index) {
    if (auto* list = qobject_cast<QComboBox*>(control(name))) list->setCurrentIndex(index);
}

void TForm1::setEnabled(std::string_view name, bool enabled) {
    QObject* object = control(name);
    if (auto* widget = qobject_cast<QWidget*>(object)) widget->setEnabled(enabled);
    if (auto* action = qobject_cast<QAction*>(object)) action->setEnabled(enabled);
}

void TForm1::setVisible(std::string_view name, bool visible) {
    if (auto* widget = qobject_cast<QWidget*>(control(name))) widget->setVisible(visible);
}

void TForm1::setRecommendedGroupOpen(bool open) {
    // the group's palette turns its text grey while disabled and black while enabled
    m_ui->GroupBox5->setEnabled(open);
}

void TForm1::showMessage(std::string_view text) { m_platform.messages.inform(qt(text), QString()); }

void TForm1::resetResults() {
    for (const char* group : kResultGroupBoxes) setVisible(group, false);
    for (const char* command : kResultCommands) setEnabled(command, false);
    m_ui->CheckBox1->setVisible(false);
}

void TForm1::setLabelText(std::string_view label, std::string_view text) {
    if (auto* widget = qobject_cast<QLabel*>(control(label))) {
        widget->setText(qt(text));
    }
}

void TForm1::setLabelWarning(std::string_view label, bool warning) {
    if (auto* widget = qobject_cast<QLabel*>(control(label))) forms::setWarning(*widget, warning);
}

void TForm1::showResults() {
    for (const char* group : kResultGroupBoxes) setVisible(group, true);
    m_ui->CheckBox1->setVisible(true);
    for (const char* command : kResultCommands) setEnabled(command, true);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shownOnce) return;
    m_shownOnce = true;
    startupLoad();
}

void TForm1::startupLoad() {
    const StartupLoadResult load =
        loadCoefficients(m_database, m_design.coefficients(), versionCheck);
    if (load.differsFromFactory) m_ui->Label50->setVisible(true);
    if (!load.ok) {
        m_platform.messages.inform(qt(kDataInitialisationFailed), qt(kPromptCaption));
        // closing from inside the show event would leave the event loop running
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TForm1::closeWithPrompt() {
    if (!m_design.document().designSaved && m_platform.messages.askYesNo(kUnsavedQuestion)) {
        saveDesign();
    }
    close();
}

void TForm1::newDesign() {
    QCoreApplication::quit();
    m_platform.processes.start(QCoreApplication::applicationFilePath(), {});
}

}  // namespace wormpair

namespace wormpair {

void TForm1::saveDesign() {
    m_designFiles.save([this](const QString& proposal) {
        return m_platform.files.saveFileName(kDesignFileFilter, proposal);
    });
}

void TForm1::openDesign() {
    const QString path = m_platform.files.openFileName(kDesignFileFilter);
    if (!path.isEmpty()) m_designFiles.open(path);
}

}  // namespace wormpair
