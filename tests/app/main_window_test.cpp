// The main window driven as the engineer drives it: typing into the input
// fields, choosing the grade, pressing the recommend, edit and confirm
// buttons, the 取整数 and 标准侧隙 boxes, the start-up load, closing, new
// design, and saving and opening design files. Message boxes, file dialogs
// and started programs go through the scripted desktop of fake_platform.h.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/design_file_commands.h"
#include "app/forms/form_look.h"
#include "app/main_window.h"
#include "app/series_dialog.h"
#include "application_environment.h"
#include "calc/calculate.h"
#include "fake_platform.h"
#include "input/input_rules.h"
#include "store/design_file.h"
#include "store/store_messages.h"
#include "xls/xls_read_write.h"

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using wormpair::FakePlatform;
using wormpair::TForm1;

[[maybe_unused]] auto* const environment = wormpair::testing::installApplication<QApplication>();

QString q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

const QString kStandardSuffix = QStringLiteral("j(GB/T16445-1996)");
const QString kOtherSuffix = QStringLiteral("级(GB/T16445-1996)");
const char* const kResultGroups[] = {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4",
                                     "GroupBox6"};
const std::vector<std::string_view> kResultCommands = wormpair::resultCommands();
const char* const kDesignFields[] = {"Edit1",  "Edit2",  "Edit3", "Edit4", "Edit5",
                                     "Edit6",  "Edit7",  "Edit8", "Edit9", "Edit10",
                                     "Edit11", "Edit12", "Edit13"};
const char* const kProgramFiles[] = {"db1.mdb", "db1.ccq", "v.txt",  "1.xls",  "11.xls",
                                     "111.xls", "1111.xls", "1m.xls", "11m.xls", "1111m.xls"};

// Each test works on its own copy of the program directory.
class Window : public ::testing::Test {
  public:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid());
        ASSERT_TRUE(work.isValid());
        for (const char* name : kProgramFiles) {
            ASSERT_TRUE(
                QFile::copy(QStringLiteral(WORMPAIR_PROGRAM_DIR) + name, programDir.filePath(name)))
                << name;
        }
    }

    void TearDown() override {
        if (window) window->close();
        window.reset();
        QApplication::processEvents();
    }

    QString programPath() const { return programDir.path() + '/'; }
    QString workFile(const QString& name) const { return work.filePath(name); }

    // Creates and shows the window, which runs the start-up load.
    void start(const QStringList& arguments = {}) {
        window = std::make_unique<TForm1>(desktop.platform(), programPath(), arguments);
        window->show();
        // a failed load closes the window again, so exposure is not awaited
        QApplication::processEvents();
    }

    template <typename T>
    T* find(const char* name) const {
        T* object = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(object, nullptr) << name;
        return object;
    }
    QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
    QString text(const char* name) const {
        if (auto* e = window->findChild<QLineEdit*>(QString::fromLatin1(name))) return e->text();
        if (auto* c = window->findChild<QComboBox*>(QString::fromLatin1(name))) return c->currentText();
        return find<QLabel>(name)->text();
    }
    bool enabled(const char* name) const {
        if (auto* action = window->findChild<QAction*>(QString::fromLatin1(name))) {
            return action->isEnabled();
        }
        return find<QWidget>(name)->isEnabled();
    }
    bool shown(const char* name) const { return find<QWidget>(name)->isVisibleTo(window.get()); }

    // Replaces the whole text as a user does: select all, delete, type.
    void retype(const char* name, const QString& value) {
        QLineEdit* field = edit(name);
        field->setFocus();
        field->selectAll();
        if (!field->text().isEmpty()) QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, value);
    }
    void click(const char* name) { QTest::mouseClick(find<QToolButton>(name), Qt::LeftButton); }
    void clickBox(const char* name) {
        QCheckBox* box = find<QCheckBox>(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    bool ticked(const char* name) const { return find<QCheckBox>(name)->isChecked(); }
    void trigger(const char* name) { find<QAction>(name)->trigger(); }

    // Chooses a grade in the list by keyboard, as a user does.
    void pickGrade(int index) {
        QComboBox* list = find<QComboBox>("ComboBox1");
        while (list->currentIndex() < index) QTest::keyClick(list, Qt::Key_Down);
        while (list->currentIndex() > index) QTest::keyClick(list, Qt::Key_Up);
    }

    // Centre distance, teeth and starts typed, then the recommend button.
    void recommend(const QString& centreDistance, const QString& teeth,
                   const QString& starts = "1") {
        retype("Edit1", centreDistance);
        retype("Edit4", starts);
        retype("Edit3", teeth);
        click("SpeedButton2");
    }

    std::map<QString, QString> resultLabels() const {
        std::map<QString, QString> texts;
        for (const char* group : kResultGroups) {
            for (const QLabel* label : find<QGroupBox>(group)->findChildren<QLabel*>()) {
                texts[label->objectName()] = label->text();
            }
        }
        return texts;
    }

    void expectResultsShown(bool expected) const {
        for (const char* group : kResultGroups) EXPECT_EQ(shown(group), expected) << group;
        for (const std::string_view command : kResultCommands)
            EXPECT_EQ(enabled(command.data()), expected) << command;
    }

    void expectInputsLocked(bool locked) const {
        for (const char* name : {"Edit1", "Edit3", "Edit4", "SpeedButton2"}) {
            EXPECT_EQ(enabled(name), !locked) << name;
        }
        EXPECT_EQ(enabled("SpeedButton3"), locked);
    }

    // Everything a user sees of the window: texts, ticks, grade, enabled and
    // shown states of every control.
    std::map<QString, QString> snapshot() const {
        std::map<QString, QString> state;
        for (const QWidget* w : window->findChildren<QWidget*>()) {
            if (w->objectName().isEmpty()) continue;
            QString value = QString("%1%2").arg(w->isEnabled()).arg(w->isVisibleTo(window.get()));
            if (auto* e = qobject_cast<const QLineEdit*>(w)) value += e->text();
            if (auto* l = qobject_cast<const QLabel*>(w)) value += l->text();
            if (auto* b = qobject_cast<const QCheckBox*>(w))
                value += QString::number(b->isChecked());
            if (auto* c = qobject_cast<const QComboBox*>(w))
                value += QString::number(c->currentIndex());
            state[w->objectName()] = value;
        }
        for (const QAction* a : window->findChildren<QAction*>()) {
            state[a->objectName()] = QString::number(a->isEnabled());
        }
        return state;
    }

    bool saved() const { return window->design().document().designSaved; }
    QString boundFile() const {
        return QString::fromStdString(window->design().document().designFilePath);
    }
    QString accuracy3() const {
        return QString::fromStdString(window->design().accuracyValues().accuracyValue3);
    }

    QStringList workFiles() const { return QDir(work.path()).entryList(QDir::Files); }

    QTemporaryDir programDir;
    QTemporaryDir work;
    FakePlatform desktop;
    std::unique_ptr<TForm1> window;
};

// A workbook loaded from a file.
wormpair::TXLSReadWriteII4 loadBook(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    wormpair::TXLSReadWriteII4 book;
    book.readFromBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 std::size_t(bytes.size())));
    return book;
}

// Reads the 14 design cells of a workbook.
std::vector<std::string> designCells(const QString& path) {
    const wormpair::TXLSReadWriteII4 book = loadBook(path);
    std::vector<std::string> cells;
    for (int row = 0; row < 14; ++row) cells.push_back(book.getCellText(0, row));
    return cells;
}

// Copies a design file with some cells changed (row index from 0).
void rewriteCells(const QString& from, const QString& to, const std::map<int, std::string>& cells) {
    wormpair::TXLSReadWriteII4 book = loadBook(from);
    for (const auto& [row, value] : cells) book.setCellText(0, row, value);
    book.setFilename(to.toStdString());
    book.writeWorkbook();
}

// ---------------------------------------------------------------------------
// Input fields

TEST_F(Window, RatioFollowsTeethAndStartsAsTyped) {
    start();
    EXPECT_EQ(text("Edit4"), "1");
    struct Case {
        const char* teeth;
        const char* starts;  // nullptr: keep the start text
        const char* ratio;
    } cases[] = {{"40", nullptr, "40"}, {"41", "2", "20.5"}, {"40", "3", "13.3333333333333"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.teeth) + "/" + (c.starts ? c.starts : "1"));
        if (c.starts) retype("Edit4", c.starts);
        retype("Edit3", c.teeth);
        EXPECT_EQ(text("Edit2"), c.ratio);
    }
    EXPECT_TRUE(desktop.messages.isEmpty());
    EXPECT_FALSE(enabled("Button1"));
    EXPECT_FALSE(enabled("Edit2"));
}

// A message box would take the keys an input method sends after the first:
// the field is marked and keeps what was typed.
TEST_F(Window, InvalidTeethOrStartsMarkTheFieldAndKeepTheRatio) {
    struct Case {
        const char* field;
        const char* typed;
    } cases[] = {{"Edit4", "0"}, {"Edit4", "a"}, {"Edit3", "x"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed);
        desktop = FakePlatform();
        start();
        retype("Edit3", "40");
        ASSERT_EQ(text("Edit2"), "40");
        desktop.messages.clear();
        retype(c.field, c.typed);
        EXPECT_TRUE(desktop.messages.isEmpty());
        EXPECT_EQ(text(c.field), c.typed);
        EXPECT_EQ(edit(c.field)->toolTip(), q(wormpair::kTeethStartsMessage));
        EXPECT_FALSE(edit(c.field)->styleSheet().isEmpty());  // the red frame
        EXPECT_EQ(text("Edit2"), "40");
    }
}

// Full-width digits and signs as a Chinese input method enters them, by key,
// committed or pasted, become ASCII in the field at once.
TEST_F(Window, FullWidthNumbersAreEnteredAsAscii) {
    const std::function<void(QLineEdit&, const QString&)> ways[] = {
        [](QLineEdit& field, const QString& typed) {
            for (const QChar c : typed) {  // QTest::keyClicks sends Latin-1 alone
                QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QApplication::sendEvent(&field, &key);
            }
        },
        [](QLineEdit& field, const QString& typed) {
            QInputMethodEvent event;
            event.setCommitString(typed);
            QApplication::sendEvent(&field, &event);
        },
        [](QLineEdit& field, const QString& typed) {
            QApplication::clipboard()->setText(typed);
            field.paste();
        }};
    const struct {
        const char* field;
        const char* typed;
        const char* shown;
        const char* label;  // a control the field's handling writes; nullptr: none
        const char* written;
        const char* mark;  // part of the field's tooltip
    } cases[] = {
        {"Edit1", "１６０", "160", "Label46", "↑基础值：104", ""},
        {"Edit3", "４５", "45", "Edit2", "45", ""},
        {"Edit1", "６０", "60", "Label46", "↑基础值：39", "中心距 60 mm 超出计算范围"},
        {"Edit1", "１．５ａ", "1.5ａ", nullptr, nullptr, "输入参数有误"},
    };
    for (const auto& way : ways) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.field) + " " + c.typed);
            desktop = FakePlatform();
            start();
            QLineEdit& field = *edit(c.field);
            field.setFocus();
            way(field, QString::fromUtf8(c.typed));
            EXPECT_EQ(field.text(), QString::fromUtf8(c.shown));
            if (c.label) {
                EXPECT_EQ(text(c.label), QString::fromUtf8(c.written));
            }
            EXPECT_TRUE(field.toolTip().contains(QString::fromUtf8(c.mark)));
            EXPECT_EQ(field.toolTip().isEmpty(), *c.mark == 0);
            EXPECT_TRUE(desktop.messages.isEmpty());
        }
    }
}

TEST_F(Window, CentreDistanceWritesTheBaseValueHints) {
    start();
    struct Case {
        const char* centreDistance;
        const char* mainBase;
        const char* wormDiameter;
    } cases[] = {{"100", "↑基础值：65", "↑基础值：43"},
                 {"130", "↑基础值：84", nullptr},
                 {"150", "↑基础值：98", nullptr},
                 {"190", "↑基础值：123", nullptr}};
    EXPECT_EQ(text("Label46"), "↑0.65 * A");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.centreDistance);
        retype("Edit1", c.centreDistance);
        EXPECT_EQ(text("Label46"), QString::fromUtf8(c.mainBase));
        if (c.wormDiameter) {
            EXPECT_EQ(text("Label47"), QString::fromUtf8(c.wormDiameter));
        }
        EXPECT_TRUE(text("Label47").startsWith(QString::fromUtf8("↑基础值：")));
    }
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(Window, EmptyingTheCentreDistanceChangesNothing) {
    start();
    retype("Edit1", "190");
    const QString hint46 = text("Label46"), hint47 = text("Label47");
    const QString backlash = text("Edit8"), grade = text("Edit9"), tolerance = accuracy3();
    ASSERT_EQ(backlash, "0.2");
    edit("Edit1")->selectAll();
    QTest::keyClick(edit("Edit1"), Qt::Key_Delete);
    ASSERT_EQ(text("Edit1"), "");
    EXPECT_EQ(text("Label46"), hint46);
    EXPECT_EQ(text("Label47"), hint47);
    EXPECT_EQ(text("Edit8"), backlash);
    EXPECT_EQ(text("Edit9"), grade);
    EXPECT_EQ(accuracy3(), tolerance);
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(Window, NonNumericCentreDistanceMarksTheFieldWithItsOwnMessage) {
    start();
    retype("Edit1", "1");
    const QString hint46 = text("Label46"), backlash = text("Edit8"), grade = text("Edit9");
    ASSERT_EQ(backlash, "0.1");
    QTest::keyClicks(edit("Edit1"), "a");
    EXPECT_TRUE(desktop.messages.isEmpty());
    EXPECT_EQ(edit("Edit1")->toolTip(), q(wormpair::kCentreDistanceMessage));
    EXPECT_EQ(text("Label46"), hint46);
    EXPECT_EQ(text("Edit8"), backlash);
    EXPECT_EQ(text("Edit9"), grade);
}

// ---------------------------------------------------------------------------
// Accuracy grade and standard backlash

TEST_F(Window, GradeRowFollowsCentreDistanceAndGrade) {
    struct Case {
        const char* centreDistance;
        int grade;  // list index
        const char* backlash;
        const char* designation;
        const char* tolerance3;
    } cases[] = {
        {"160", 1, "0.15", "7", "18"},  // upper bound of (80, 160]
        {"160", 2, "0.15", "8", "25"},  // table 8ji
        {"80", 0, "0.1", "6", "10"},    // lower bound of (80, 160]: the row before
        {"161", 1, "0.2", "7", "24"},  {"1600", 2, "0.55", "8", "71"},  // last row
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.centreDistance) + " grade " + c.designation);
        desktop = FakePlatform();
        start();
        retype("Edit1", c.centreDistance);
        pickGrade(c.grade);
        EXPECT_EQ(text("Edit8"), c.backlash);
        EXPECT_EQ(text("Edit9"), c.designation + kStandardSuffix);
        EXPECT_EQ(accuracy3(), c.tolerance3);
        EXPECT_TRUE(desktop.messages.isEmpty());
    }
}

TEST_F(Window, CentreDistanceOutsideEveryRowChangesNothing) {
    struct Case {
        const char* centreDistance;
        const char* backlash;  // what the last applied row left
        const char* designation;
        const char* tolerance3;
    } cases[] = {
        {"0", "0", "7级(GB/T16445-1996)", ""},         // at the first lower bound
        {"1601", "0.15", "7j(GB/T16445-1996)", "18"},  // "160" typed on the way applied
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.centreDistance);
        desktop = FakePlatform();
        start();
        retype("Edit1", c.centreDistance);
        pickGrade(2);
        pickGrade(0);
        EXPECT_EQ(text("Edit8"), c.backlash);
        EXPECT_EQ(text("Edit9"), QString::fromUtf8(c.designation));
        EXPECT_EQ(accuracy3(), c.tolerance3);
        EXPECT_TRUE(desktop.messages.isEmpty());
    }
}

TEST_F(Window, WithoutCentreDistanceGradeAndBoxChangeOnlyThemselves) {
    start();
    pickGrade(2);
    clickBox("CheckBox2");
    EXPECT_EQ(find<QComboBox>("ComboBox1")->currentIndex(), 2);
    EXPECT_FALSE(ticked("CheckBox2"));
    EXPECT_EQ(text("Edit9"), "7" + kOtherSuffix);
    EXPECT_EQ(text("Edit8"), "0");
    EXPECT_EQ(accuracy3(), "");
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(Window, ProgramSelectionOfTheGradeRunsNoRefresh) {
    start();
    retype("Edit1", "160");
    find<QComboBox>("ComboBox1")->setCurrentIndex(2);
    EXPECT_EQ(text("Edit9"), "7" + kStandardSuffix);
    EXPECT_EQ(accuracy3(), "18");
}

TEST_F(Window, HandEnteredBacklashSurvivesGradeChangesWhileUnticked) {
    start();
    recommend("160", "45");
    click("SpeedButton3");
    retype("Edit8", "0.3");
    clickBox("CheckBox2");
    EXPECT_EQ(text("Edit8"), "0.3");
    EXPECT_EQ(text("Edit9"), "7" + kOtherSuffix);
    pickGrade(0);
    EXPECT_EQ(text("Edit8"), "0.3");
    EXPECT_EQ(text("Edit9"), "6" + kOtherSuffix);
    EXPECT_EQ(accuracy3(), "13");
    clickBox("CheckBox2");  // ticking takes the table value again
    EXPECT_EQ(text("Edit8"), "0.15");
    EXPECT_EQ(text("Edit9"), "6" + kStandardSuffix);
}

// ---------------------------------------------------------------------------
// Recommended parameters

TEST_F(Window, RecommendFillsTheRecommendedParameters) {
    struct Case {
        const char* centreDistance;
        const char* teeth;
        const char* starts;
        const char* mainBase;      // nullptr: not checked
        const char* eccentricity;  // nullptr: not checked
        const char* grinding;
        const char* entryRelief;
        const char* exitRelief;
    } cases[] = {
        {"160", "40", "1", "100", "0", "0.4", "0.35 * 4.5", "0.23 * 3"},
        {"125", "10", "1", "72", "18", "0.1", "0.4 * 6", "0.27 * 4"},
        {"80", "8", "1", "45", "17", "0.1", "0.3 * 6", "0.2 * 4"},
        {"160", "37", "1", nullptr, nullptr, "0.4", "0.35 * 4.5", "0.23 * 3"},
        {"160", "100", "1", nullptr, "0", "1", "0.25 * 1.8", "0.17 * 1.2"},
        {"160", "25", "1", nullptr, nullptr, "0.2", "0.35 * 6", "0.23 * 4"},
        {"160", "55", "1", nullptr, "0", "0.6", "0.3 * 2.9", "0.2 * 1.9"},
        {"160", "75", "1", nullptr, "0", "0.7", "0.25 * 2.3", "0.17 * 1.5"},
        {"160", "63", "1", nullptr, "0", "0.6", "0.3 * 2.9", "0.2 * 1.9"},
        {"160", "127", "2", nullptr, "0", "1.3", "0.25 * 1.2", "0.17 * 0.8"},
        {"200", "20", "1", nullptr, nullptr, "0.2", "0.5 * 6", "0.34 * 4"},
        {"700", "20", "1", nullptr, nullptr, "0.2", "1 * 6", "0.67 * 4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.centreDistance) + " z2=" + c.teeth + " z1=" + c.starts);
        desktop = FakePlatform();
        start();
        recommend(c.centreDistance, c.teeth, c.starts);
        EXPECT_FALSE(desktop.messages.contains(q(wormpair::kRecommendMessage)));
        if (c.mainBase) {
            EXPECT_EQ(text("Edit5"), c.mainBase);
        }
        if (c.eccentricity) {
            EXPECT_EQ(text("Edit6"), c.eccentricity);
        }
        EXPECT_EQ(text("Edit13"), c.grinding);
        EXPECT_EQ(text("Edit11"), c.entryRelief);
        EXPECT_EQ(text("Edit12"), c.exitRelief);
        expectInputsLocked(true);
    }
}

TEST_F(Window, RecommendLocksInputsAndCalculates) {
    start();
    recommend("160", "45");
    EXPECT_TRUE(desktop.messages.isEmpty()) << desktop.messages.join('\n').toStdString();
    expectInputsLocked(true);
    expectResultsShown(true);
    EXPECT_TRUE(shown("CheckBox1"));
    EXPECT_FALSE(enabled("GroupBox5"));
    EXPECT_FALSE(enabled("SpeedButton4"));
    EXPECT_FALSE(saved());
    EXPECT_TRUE(text("Label12").endsWith(QString::fromUtf8("-----主基圆直径")));
    EXPECT_TRUE(text("Label12").startsWith(text("Edit5")));
    // the locked centre distance no longer takes typing
    QTest::keyClicks(edit("Edit1"), "9");
    EXPECT_EQ(text("Edit1"), "160");
}

TEST_F(Window, RecommendFailuresLeaveTheInputsFree) {
    struct Case {
        const char* name;
        std::function<void(Window&)> prepare;
    } cases[] = {
        {"negative centre distance",
         [](Window& w) {
             w.retype("Edit3", "40");
             w.retype("Edit1", "-100");
         }},
        {"centre distance above the relief table",
         [](Window& w) {
             w.retype("Edit3", "40");
             w.retype("Edit1", "1700");
         }},
        {"empty centre distance", [](Window& w) { w.retype("Edit3", "40"); }},
        {"empty wheel teeth", [](Window& w) { w.retype("Edit1", "160"); }},
        {"fractional wheel teeth",
         [](Window& w) {
             w.retype("Edit1", "160");
             w.retype("Edit3", "4.5");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        desktop = FakePlatform();
        start();
        c.prepare(*this);
        const QString mainBase = text("Edit5"), entry = text("Edit11");
        desktop.messages.clear();
        click("SpeedButton2");
        EXPECT_EQ(desktop.messages, QStringList{q(wormpair::kRecommendMessage)});
        expectInputsLocked(false);
        expectResultsShown(false);
        EXPECT_TRUE(saved());
        if (std::string(c.name) == "negative centre distance") {
            EXPECT_EQ(text("Edit5"), mainBase);
            EXPECT_EQ(text("Edit11"), entry);
        }
    }
}

TEST_F(Window, RecommendWithEmptyRatioLeavesCalculateToReport) {
    start();
    retype("Edit4", "");
    retype("Edit3", "45");
    retype("Edit1", "160");
    ASSERT_EQ(text("Edit2"), "");
    const QString mainBase = text("Edit5"), grinding = text("Edit13");
    click("SpeedButton2");
    EXPECT_EQ(desktop.messages, QStringList{q(wormpair::kInvalidNumberMessage)});
    EXPECT_EQ(text("Edit5"), mainBase);
    EXPECT_EQ(text("Edit13"), grinding);
    EXPECT_EQ(text("Edit11"), "0.4 * 3.6");  // ratio 0: the first band
    EXPECT_EQ(text("Edit12"), "0.27 * 2.4");
    expectInputsLocked(true);
    expectResultsShown(false);
}

// ---------------------------------------------------------------------------
// Editing the recommended parameters

TEST_F(Window, EditOpensTheGroupAndHidesTheResults) {
    start();
    recommend("160", "45");
    ASSERT_FALSE(enabled("GroupBox5"));
    click("SpeedButton3");
    EXPECT_TRUE(enabled("GroupBox5"));
    EXPECT_TRUE(enabled("SpeedButton4"));
    expectResultsShown(false);  // no export or drawing of values not yet confirmed
    EXPECT_EQ(window->design().backlashBeforeEdit(), "0.15");
    expectInputsLocked(true);
}

TEST_F(Window, ConfirmRecalculatesAndClosesTheGroup) {
    struct Case {
        const char* name;
        const char* field;  // nullptr: no change
        const char* first;
        const char* then;  // nullptr: no second change
        bool standardBacklash;
        bool calculates;
    } cases[] = {
        {"no change", nullptr, nullptr, nullptr, true, true},
        {"backlash written differently", "Edit8", "0.150", nullptr, false, true},
        {"backlash changed back", "Edit8", "0.2", "0.15", true, true},
        {"main base circle changed", "Edit5", "105", nullptr, true, true},
        {"text that is no number", "Edit6", "x", nullptr, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        desktop = FakePlatform();
        start();
        recommend("160", "45");
        ASSERT_TRUE(desktop.messages.isEmpty());
        click("SpeedButton3");
        if (c.field) retype(c.field, c.first);
        if (c.then) retype(c.field, c.then);
        click("SpeedButton4");
        EXPECT_EQ(ticked("CheckBox2"), c.standardBacklash);
        EXPECT_EQ(text("Edit9"), "7" + (c.standardBacklash ? kStandardSuffix : kOtherSuffix));
        expectResultsShown(c.calculates);
        if (c.calculates) {
            EXPECT_TRUE(desktop.messages.isEmpty());
        } else {
            EXPECT_EQ(desktop.messages, QStringList{q(wormpair::kInvalidNumberMessage)});
        }
        EXPECT_FALSE(enabled("GroupBox5"));
        EXPECT_FALSE(enabled("SpeedButton4"));
        EXPECT_TRUE(enabled("SpeedButton3"));
        if (c.field && std::string(c.field) == "Edit8" && !c.then) {
            EXPECT_EQ(text("Edit8"), c.first);
        }
        click("SpeedButton3");  // opens again
        EXPECT_TRUE(enabled("GroupBox5"));
        EXPECT_TRUE(enabled("SpeedButton4"));
    }
}

TEST_F(Window, EditPressedAgainStoresTheBacklashAnew) {
    start();
    recommend("160", "45");
    click("SpeedButton3");
    retype("Edit8", "0.3");
    click("SpeedButton3");
    EXPECT_EQ(window->design().backlashBeforeEdit(), "0.3");
    EXPECT_TRUE(enabled("GroupBox5"));
    click("SpeedButton4");
    EXPECT_TRUE(ticked("CheckBox2"));
    EXPECT_EQ(text("Edit9"), "7" + kStandardSuffix);
    EXPECT_EQ(text("Edit8"), "0.3");
    expectResultsShown(true);
}

// The accuracy refresh has no guard of its own: when the database has gone,
// the command ends where the refresh fails and its own text is reported.
TEST_F(Window, LostDatabaseEndsTheCommandAtTheRefresh) {
    struct Case {
        const char* name;
        std::function<void(Window&)> before;   // with the database
        std::function<void(Window&)> command;  // without it
        std::function<void(Window&)> check;
    } cases[] = {
        {"centre distance typed", [](Window&) {},
         [](Window& w) { QTest::keyClicks(w.edit("Edit1"), "9"); },
         [](Window& w) {
             EXPECT_EQ(w.text("Label46"), "↑0.65 * A");
             EXPECT_EQ(w.text("Label47"), "");
         }},
        {"grade picked", [](Window& w) { w.retype("Edit1", "160"); },
         [](Window& w) { w.pickGrade(2); },
         [](Window& w) {
             EXPECT_EQ(w.text("Edit9"), "7" + kStandardSuffix);
             EXPECT_EQ(w.accuracy3(), "18");
         }},
        {"confirm after a backlash change",
         [](Window& w) {
             w.recommend("160", "45");
             w.click("SpeedButton3");
             w.retype("Edit8", "0.3");
         },
         [](Window& w) { w.click("SpeedButton4"); },
         [](Window& w) {
             EXPECT_TRUE(w.enabled("GroupBox5"));
             EXPECT_TRUE(w.enabled("SpeedButton4"));
             for (const char* group : kResultGroups) EXPECT_FALSE(w.shown(group)) << group;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(QFile::exists(programPath() + "db1.mdb") ||
                    QFile::copy(programPath() + "db1.ccq", programPath() + "db1.mdb"));
        desktop = FakePlatform();
        start();
        c.before(*this);
        ASSERT_TRUE(desktop.messages.isEmpty());
        ASSERT_TRUE(QFile::remove(programPath() + "db1.mdb"));
        c.command(*this);
        ASSERT_EQ(desktop.messages.size(), 1);
        EXPECT_FALSE(desktop.messages[0].isEmpty());
        for (std::string_view fixed :
             {wormpair::kCentreDistanceMessage, wormpair::kInvalidNumberMessage,
              wormpair::kRecommendMessage, wormpair::kTeethStartsMessage}) {
            EXPECT_NE(desktop.messages[0], q(fixed));
        }
        c.check(*this);
    }
}

TEST_F(Window, ConfirmedMainBaseCircleReachesTheResults) {
    start();
    recommend("160", "45");
    click("SpeedButton3");
    retype("Edit5", "105");
    click("SpeedButton4");
    EXPECT_TRUE(text("Label12").startsWith("105-"));
}

TEST_F(Window, WholeNumberOptionRecalculatesAtOnce) {
    start();
    recommend("160", "45");
    desktop.saveNames = {workFile("d")};
    trigger("N5");
    ASSERT_TRUE(saved());
    ASSERT_TRUE(shown("CheckBox1"));
    const QString wrapped = text("Label26");
    clickBox("CheckBox1");
    EXPECT_TRUE(ticked("CheckBox1"));
    EXPECT_FALSE(saved());  // a completed Calculate
    expectResultsShown(true);
    EXPECT_EQ(text("Label26"), QString::fromUtf8("5-----包围齿数"));  // trunc(45 / 10 + 0.5)
    clickBox("CheckBox1");
    EXPECT_FALSE(ticked("CheckBox1"));
    EXPECT_EQ(text("Label26"), wrapped);
    EXPECT_TRUE(desktop.messages.isEmpty());
}

// ---------------------------------------------------------------------------
// Start-up load

void setCoefficient(const QString& database, int row, const QVariant& value) {
    const QString name = QStringLiteral("main_window_test_edit");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(database);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        query.prepare(QStringLiteral("UPDATE nzhi SET N = ? WHERE rowid = ?"));
        query.addBindValue(value);
        query.addBindValue(row);
        ASSERT_TRUE(query.exec());
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

TEST_F(Window, StartupLoad) {
    struct Case {
        const char* name;
        std::function<void(const QString& dir)> prepare;
        bool notice;
        bool fails;
    } cases[] = {
        {"factory database", [](const QString&) {}, false, false},
        {"one coefficient changed",
         [](const QString& dir) { setCoefficient(dir + "db1.mdb", 3, 0.8); }, true, false},
        {"an empty coefficient",
         [](const QString& dir) { setCoefficient(dir + "db1.mdb", 5, QVariant()); }, false, true},
        {"database missing", [](const QString& dir) { QFile::remove(dir + "db1.mdb"); }, false,
         true},
        {"not a database",
         [](const QString& dir) {
             QFile::remove(dir + "db1.mdb");
             QFile file(dir + "db1.mdb");
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("Standard Jet DB? no, just some bytes");
         },
         false, true},
    };
    const QString factory = programPath() + "db1.ccq";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(programPath() + "db1.mdb");
        ASSERT_TRUE(QFile::copy(factory, programPath() + "db1.mdb"));
        c.prepare(programPath());
        desktop = FakePlatform();
        start();
        EXPECT_EQ(shown("Label50"), c.notice);
        QTest::qWait(20);
        if (c.fails) {
            EXPECT_EQ(desktop.messages, QStringList{q(wormpair::kDataInitialisationFailed)});
            EXPECT_EQ(desktop.captions, QStringList{q(wormpair::kPromptCaption)});
            EXPECT_FALSE(window->isVisible());
        } else {
            EXPECT_TRUE(desktop.messages.isEmpty());
            EXPECT_TRUE(window->isVisible());
        }
        window.reset();
    }
}

TEST_F(Window, StartupLoadReadsTheCoefficients) {
    setCoefficient(programPath() + "db1.mdb", 1, 0.9);
    start();
    EXPECT_EQ(window->design().coefficients().wormDiameterExponent, 0.9);
    retype("Edit1", "100");  // 100^0.9 * 0.76 = 47.98
    EXPECT_EQ(text("Label47"), "↑基础值：48");
}

// ---------------------------------------------------------------------------
// Closing, exit and new design

// 关闭, 退出 and the window's close button ask about unsaved work; 是 goes on
// only when the file was written, 取消 keeps the program as it was.
TEST_F(Window, ClosingAsksAboutUnsavedWork) {
    using Answer = wormpair::MessageBoxes::Answer;
    struct Case {
        const char* name;
        bool calculate;
        std::deque<Answer> answers;
        bool chooseName;
        bool asks;
        bool writes;
        bool closes;
        bool saveFails = false;
    } cases[] = {
        {"nothing unsaved", false, {}, false, false, false, true},
        {"unsaved, No", true, {Answer::No}, true, true, false, true},
        {"unsaved, Cancel", true, {Answer::Cancel}, true, true, false, false},
        {"unsaved, Yes, dialog cancelled", true, {Answer::Yes}, false, true, false, false},
        {"unsaved, Yes, saved", true, {Answer::Yes}, true, true, true, true},
        {"unsaved, Yes, save fails", true, {Answer::Yes}, true, true, false, false, true},
    };
    const std::pair<const char*, std::function<void(Window&)>> ways[] = {
        {"ToolButton13", [](Window& w) { w.click("ToolButton13"); }},
        {"N6", [](Window& w) { w.trigger("N6"); }},
        {"close button", [](Window& w) { w.window->close(); }},
    };
    for (const auto& [way, close] : ways) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(way) + ": " + c.name);
            desktop = FakePlatform();
            for (const QString& file : workFiles()) QFile::remove(workFile(file));
            QFile::copy(QString(WORMPAIR_PROGRAM_DIR) + "111.xls", programPath() + "111.xls");
            start();
            if (c.calculate) recommend("160", "45");
            desktop.threeWayAnswers = c.answers;
            if (c.chooseName) desktop.saveNames = {workFile("closing")};
            if (c.saveFails) QFile::remove(programPath() + "111.xls");
            close(*this);
            QApplication::processEvents();
            EXPECT_EQ(window->isVisible(), !c.closes);
            EXPECT_EQ(desktop.questions, c.asks ? QStringList{QString::fromUtf8(
                                                      "数据尚未保存，是否保存？")}
                                                : QStringList{});
            const bool yes = !c.answers.empty() && c.answers.front() == Answer::Yes;
            EXPECT_EQ(desktop.proposals, yes && !c.saveFails ? QStringList{"160-45"} : QStringList{});
            EXPECT_EQ(workFiles(), c.writes ? QStringList{"closing.cqb"} : QStringList{});
            EXPECT_EQ(desktop.messages,
                      c.saveFails ? QStringList{q(wormpair::kSaveFailedMessage)} : QStringList{});
            if (window->isVisible()) {
                EXPECT_FALSE(saved());  // the design is still there, unsaved
                desktop.threeWayAnswers = {Answer::No};
                window->close();
            }
        }
    }
}

// From start to a calculated design by keyboard alone: the focus starts in
// the centre distance, Tab walks the inputs and never the toolbar, Enter
// recommends and calculates, and Space can no longer restart the program.
TEST_F(Window, KeyboardAloneReachesACalculatedDesign) {
    start();
    window->activateWindow();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), edit("Edit1"));
    for (const wormpair::CommandRow& row : wormpair::commandTable()) {
        if (!row.isMenuItem()) {
            EXPECT_EQ(find<QToolButton>(std::string(row.control).c_str())->focusPolicy(), Qt::NoFocus);
        }
    }
    QTest::keyClicks(QApplication::focusWidget(), "160");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), edit("Edit3"));
    QTest::keyClicks(QApplication::focusWidget(), "45");
    QStringList walk;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walk << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(walk, (QStringList{"Edit4", "ComboBox1", "CheckBox2", "SpeedButton2"}));
    QTest::keyClick(edit("Edit3"), Qt::Key_Return);
    EXPECT_TRUE(shown("GroupBox1"));
    EXPECT_TRUE(text("Label8").endsWith("-----蜗杆齿根圆弧半径")) << text("Label8").toStdString();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);  // lands on 编辑, never New design
    EXPECT_TRUE(desktop.started.empty());
}

// A label in the warning colour says why in its tip, and the tip goes with the colour.
TEST_F(Window, RedLabelsSayWhy) {
    start();
    recommend("160", "45");
    EXPECT_EQ(find<QLabel>("Label14")->toolTip(), "");
    click("SpeedButton3");
    retype("Edit5", "85");
    click("SpeedButton4");
    const QString alpha = text("Label14").section('-', 0, 0);
    EXPECT_LT(alpha.toDouble(), 20.5);
    EXPECT_EQ(find<QLabel>("Label14")->toolTip(),
              "分度圆齿形角 α = " + alpha + "°，超出推荐范围 20.5°～24.5°");
    click("SpeedButton3");
    retype("Edit5", "104");
    click("SpeedButton4");
    EXPECT_EQ(find<QLabel>("Label14")->toolTip(), "");
}

// What the machines make of a design: the red status line, every finding in
// its tip; nothing for a design they make as calculated, nothing once the
// results are reset.
TEST_F(Window, TheStatusLineSaysWhatTheMachinesMake) {
    const struct {
        const char* centreDistance;
        const char* teeth;
        const char* line;
    } rows[] = {
        {"100", "10", "加工检查：蜗杆工作齿面有 31% 未被母平面包络"},
        {"250", "100", "加工检查：齿圈宽度有 23% 未被滚刀切到，轮齿向两侧渐消"},
        {"160", "45", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.centreDistance);
        start();
        recommend(row.centreDistance, row.teeth);
        const QLabel* line = find<QLabel>("GenerationFindings");
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->text(), QString::fromUtf8(row.line));
        EXPECT_EQ(line->toolTip(), line->text().section(QStringLiteral("："), 1));
        EXPECT_EQ(line->palette().color(QPalette::WindowText), wormpair::forms::warningColour());
        click("SpeedButton3");
        EXPECT_EQ(line->text(), "");
        EXPECT_EQ(line->toolTip(), "");
    }
}

TEST_F(Window, SaveIsUnreachableBeforeACalculation) {
    start();
    for (const std::string_view command : kResultCommands)
        EXPECT_FALSE(enabled(command.data())) << command;
    desktop.saveNames = {workFile("early")};
    trigger("N5");
    click("ToolButton11");
    EXPECT_TRUE(desktop.proposals.isEmpty());
    EXPECT_TRUE(workFiles().isEmpty());
    EXPECT_TRUE(saved());
}

// ---------------------------------------------------------------------------
// Saving design files

TEST_F(Window, SaveWritesTheFourteenInputs) {
    start();
    recommend("160", "45");
    clickBox("CheckBox1");
    desktop.saveNames = {workFile("design")};
    click("ToolButton11");
    EXPECT_EQ(desktop.proposals, QStringList{"160-45"});
    EXPECT_EQ(desktop.dialogFilters, QStringList{wormpair::kDesignFileFilter});
    ASSERT_TRUE(QFileInfo::exists(workFile("design.cqb")));
    const std::vector<std::string> cells = designCells(workFile("design.cqb"));
    for (int row = 0; row < 13; ++row) {
        EXPECT_EQ(q(cells[row]), text(kDesignFields[row])) << "A" << row + 1;
    }
    EXPECT_EQ(cells[13], "zhengshu");
    EXPECT_EQ(cells[8], "7j(GB/T16445-1996)");
    EXPECT_TRUE(saved());
    EXPECT_EQ(boundFile(), "");
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(Window, SaveAppendsTheExtensionAndAsksEachTime) {
    start();
    recommend("160", "45");
    desktop.saveNames = {workFile("a.cqb"), workFile("b")};
    trigger("N5");
    trigger("N5");
    EXPECT_EQ(desktop.proposals, (QStringList{"160-45", "160-45"}));
    EXPECT_EQ(workFiles(), (QStringList{"a.cqb.cqb", "b.cqb"}));
    for (const QString& name : workFiles()) {
        SCOPED_TRACE(name.toStdString());
        const std::vector<std::string> cells = designCells(workFile(name));
        EXPECT_EQ(cells[0], "160");
        EXPECT_EQ(cells[12], text("Edit13").toStdString());
        EXPECT_EQ(cells[13], "");
    }
    EXPECT_EQ(boundFile(), "");
}

TEST_F(Window, TheSixExportsWriteTheirSheets) {
    start();
    recommend("160", "45");
    const struct {
        const char* command;
        const char* proposal;
        const char* templateName;
    } exports[] = {{"ToolButton5", "wogan.xls", nullptr},
                   {"ToolButton4", "gundao.xls", nullptr},
                   {"ToolButton1", "wolun.xls", nullptr},
                   {"N3", "wogan", "1m.xls"},
                   {"N4", "gundao", "11m.xls"},
                   {"N14", "wolun", "1111m.xls"}};
    for (const auto& e : exports) {
        SCOPED_TRACE(e.command);
        desktop.proposals.clear();
        desktop.spreadsheets.steps.clear();
        desktop.saveNames = {workFile(e.command)};
        if (e.templateName == nullptr) {
            click(e.command);
            EXPECT_EQ(loadBook(workFile(e.command)).getCellText(2, 2), "45");  // C3: the teeth
        } else {
            trigger(e.command);
            EXPECT_EQ(desktop.spreadsheets.steps.value(2),
                      "open " + programPath() + e.templateName);
            EXPECT_EQ(desktop.spreadsheets.cells[std::make_pair(3, 3)], QString("45"));
        }
        EXPECT_EQ(desktop.proposals, QStringList{e.proposal});
        EXPECT_TRUE(desktop.messages.isEmpty());
    }
}

TEST_F(Window, KeyboardReachesOpenSaveAndExit) {
    start();
    EXPECT_EQ(find<QAction>("N11")->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(find<QAction>("N5")->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(find<QAction>("N6")->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(find<QAction>("N11")->text(), QString("打开"));  // captions unchanged
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    QTest::keySequence(window.get(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(desktop.dialogFilters, QStringList{wormpair::kDesignFileFilter});
    recommend("160", "45");
    desktop.saveNames = {workFile("keys")};
    QTest::keySequence(window.get(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(workFiles(), QStringList{"keys.cqb"});
    QTest::keySequence(window.get(), QKeySequence("Ctrl+Q"));
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
}

// F10 and Alt alone open the menus, Ctrl+N is 新建, Enter in a recommended
// field confirms it, and a result value is selected and copied by keyboard.
TEST_F(Window, KeyboardReachesMenusNewDesignAndResults) {
    start();
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    QMenuBar* bar = window->menuBar();
    for (const Qt::Key key : {Qt::Key_F10, Qt::Key_Alt}) {
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(bar->activeAction(), bar->actions().first()) << key;
        bar->setActiveAction(nullptr);
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }
    recommend("160", "45");
    desktop.threeWayAnswers = {wormpair::MessageBoxes::Answer::Cancel};
    QTest::keySequence(window.get(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(desktop.questions, QStringList{QString::fromUtf8("数据尚未保存，是否保存？")});
    click("SpeedButton3");
    retype("Edit13", "3");
    QTest::keyClick(edit("Edit13"), Qt::Key_Return);
    EXPECT_TRUE(shown("GroupBox1"));
    EXPECT_FALSE(enabled("SpeedButton4"));
    QLabel* result = find<QLabel>("Label8");
    result->setFocus();
    QTest::keySequence(result, QKeySequence::SelectAll);
    QTest::keySequence(result, QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), result->text());
}

TEST_F(Window, SaveOverAnExistingDesignAsksFirst) {
    start();
    recommend("160", "45");
    const QString target = workFile("kept.cqb");
    for (const bool replace : {false, true}) {
        SCOPED_TRACE(replace ? "Yes" : "No");
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("an engineer's earlier design");
        file.close();
        desktop.questions.clear();
        desktop.answers = {replace};
        desktop.saveNames = {workFile("kept")};
        trigger("N5");
        EXPECT_EQ(desktop.questions,
                  QStringList{wormpair::DesignFileCommands::overwriteQuestion(target)});
        EXPECT_EQ(saved(), replace);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll() == "an engineer's earlier design", !replace);
        EXPECT_TRUE(desktop.messages.isEmpty());
    }
}

TEST_F(Window, SaveCancelledOrFailedKeepsTheDesignUnsaved) {
    struct Case {
        const char* name;
        std::function<QString(Window&)> target;  // dialog answer
        bool message;
    } cases[] = {
        {"dialog cancelled", [](Window&) { return QString(); }, false},
        {"folder missing", [](Window& w) { return w.workFile("missing/design"); }, true},
        {"template missing",
         [](Window& w) {
             QFile::remove(w.programPath() + "111.xls");
             return w.workFile("design");
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        desktop = FakePlatform();
        start();
        recommend("160", "45");
        desktop.saveNames = {c.target(*this)};
        trigger("N5");
        EXPECT_EQ(desktop.messages,
                  c.message ? QStringList{q(wormpair::kSaveFailedMessage)} : QStringList{});
        EXPECT_FALSE(saved());
        EXPECT_TRUE(workFiles().isEmpty());
    }
}

// ---------------------------------------------------------------------------
// Opening design files

class DesignFile : public Window {
  public:
    // A design saved by the program: 160, 45 teeth, one start, grade 7,
    // standard backlash; the result labels it showed are kept.
    void SetUp() override {
        Window::SetUp();
        start();
        recommend("160", "45");
        ASSERT_TRUE(desktop.messages.isEmpty());
        desktop.saveNames = {workFile("saved")};
        trigger("N5");
        ASSERT_TRUE(QFileInfo::exists(saved160()));
        labels = resultLabels();
        for (const char* name : kDesignFields) fields.push_back(text(name));
        window.reset();
        desktop = FakePlatform();
    }

    QString saved160() const { return workFile("saved.cqb"); }

    void openThroughDialog(const QString& path, const char* command = "N11") {
        desktop.openNames = {path};
        if (std::string(command) == "N11") {
            trigger(command);
        } else {
            click(command);
        }
    }

    void expectSameDesign() {
        for (std::size_t i = 0; i < std::size(kDesignFields); ++i) {
            EXPECT_EQ(text(kDesignFields[i]), fields[i]) << kDesignFields[i];
        }
        EXPECT_EQ(resultLabels(), labels);
    }

    std::map<QString, QString> labels;
    QStringList fields;
};

TEST_F(DesignFile, OpenRebuildsTheSavedDesign) {
    for (const char* command : {"N11", "ToolButton3"}) {
        SCOPED_TRACE(command);
        desktop = FakePlatform();
        start();
        openThroughDialog(saved160(), command);
        EXPECT_TRUE(desktop.messages.isEmpty()) << desktop.messages.join('\n').toStdString();
        EXPECT_EQ(desktop.dialogFilters, QStringList{wormpair::kDesignFileFilter});
        expectSameDesign();
        expectResultsShown(true);
        expectInputsLocked(true);
        EXPECT_TRUE(saved());
        EXPECT_EQ(boundFile(), saved160());
        EXPECT_EQ(accuracy3(), "18");
    }
}

TEST_F(DesignFile, SaveOfAnOpenedDesignWritesBackWithoutDialog) {
    start();
    openThroughDialog(saved160());
    click("SpeedButton3");
    retype("Edit5", "105");
    click("SpeedButton4");
    ASSERT_FALSE(saved());
    click("ToolButton11");
    EXPECT_TRUE(desktop.proposals.isEmpty());
    EXPECT_TRUE(saved());
    EXPECT_EQ(designCells(saved160())[4], "105");
    EXPECT_EQ(workFiles(), QStringList{"saved.cqb"});
}

TEST_F(DesignFile, DesignationDecidesStandardBacklash) {
    struct Case {
        const char* designation;
        bool tickedBefore;
        bool tickedAfter;
        int gradeIndex;
    } cases[] = {
        {"7j(GB/T16445-1996)", true, true, 1},   {"7j(GB/T16445-1996)", false, false, 1},
        {"7级(GB/T16445-1996)", true, false, 1}, {"7级(GB/T16445-1996)", false, false, 1},
        {"8j(GB/T16445-1996)", true, true, 2},   {"6级(GB/T16445-1996)", true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.designation) + (c.tickedBefore ? " ticked" : " unticked"));
        const QString path = workFile("variant.cqb");
        QFile::remove(path);
        rewriteCells(saved160(), path, {{8, c.designation}});
        desktop = FakePlatform();
        start();
        if (!c.tickedBefore) clickBox("CheckBox2");
        openThroughDialog(path);
        EXPECT_TRUE(desktop.messages.isEmpty()) << desktop.messages.join('\n').toStdString();
        EXPECT_EQ(ticked("CheckBox2"), c.tickedAfter);
        EXPECT_EQ(find<QComboBox>("ComboBox1")->currentIndex(), c.gradeIndex);
        const QString grade = QString::number(c.gradeIndex + 6);
        EXPECT_EQ(text("Edit9"), grade + (c.tickedAfter ? kStandardSuffix : kOtherSuffix));
        const char* const tolerance3[] = {"13", "18", "25"};
        EXPECT_EQ(accuracy3(), tolerance3[c.gradeIndex]);
        expectResultsShown(true);
    }
}

TEST_F(DesignFile, WholeNumberMarkOnlyTicks) {
    const QString marked = workFile("marked.cqb");
    rewriteCells(saved160(), marked, {{13, "zhengshu"}});
    start();
    openThroughDialog(marked);
    EXPECT_TRUE(ticked("CheckBox1"));
    openThroughDialog(saved160());  // empty A14
    EXPECT_TRUE(ticked("CheckBox1"));
    EXPECT_TRUE(desktop.messages.isEmpty());
    EXPECT_EQ(boundFile(), saved160());
}

// Typing is limited to 5, 3 and 1 characters; a file may hold longer texts,
// and they are taken whole.
TEST_F(DesignFile, LongTextsOfTheMainInputsAreTakenWhole) {
    const QString path = workFile("long.cqb");
    rewriteCells(saved160(), path, {{0, "160.25"}, {1, "22.5"}, {2, "45.0"}, {3, "2"}});
    start();
    openThroughDialog(path);
    EXPECT_EQ(text("Edit1"), "160.25");
    EXPECT_EQ(text("Edit3"), "45.0");
    // 45.0 is no whole tooth count: Calculate reports it
    EXPECT_EQ(desktop.messages, QStringList{q(wormpair::kInvalidNumberMessage)});

    const QString starts = workFile("starts.cqb");
    rewriteCells(saved160(), starts, {{0, "160.25"}, {1, "4.5"}, {2, "45"}, {3, "10"}});
    desktop = FakePlatform();
    start();
    openThroughDialog(starts);
    EXPECT_EQ(text("Edit4"), "10");
    EXPECT_EQ(text("Edit2"), "4.5");
    EXPECT_TRUE(desktop.messages.isEmpty()) << desktop.messages.join('\n').toStdString();
    EXPECT_EQ(window->design().record().centreDistance, 160.25);
    EXPECT_EQ(window->design().record().wormStarts, 10);
}

// 打开 deals with unsaved work first, as closing does: 取消 keeps the design
// and shows no dialog, 否 drops it, 是 saves it before the dialog.
TEST_F(DesignFile, OpenAsksAboutUnsavedWorkFirst) {
    using Answer = wormpair::MessageBoxes::Answer;
    const struct {
        Answer answer;
        bool opens;
        QStringList written;
    } cases[] = {
        {Answer::Cancel, false, {"saved.cqb"}},
        {Answer::No, true, {"saved.cqb"}},
        {Answer::Yes, true, {"mine.cqb", "saved.cqb"}},
    };
    for (const char* command : {"N11", "ToolButton3"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(command) + " " + std::to_string(int(c.answer)));
            desktop = FakePlatform();
            start();
            recommend("125", "40");
            desktop.threeWayAnswers = {c.answer};
            desktop.saveNames = {workFile("mine")};
            openThroughDialog(saved160(), command);
            EXPECT_EQ(desktop.questions, QStringList{QString::fromUtf8("数据尚未保存，是否保存？")});
            EXPECT_EQ(text("Edit1"), c.opens ? "160" : "125");
            EXPECT_EQ(workFiles(), c.written);
            QFile::remove(workFile("mine.cqb"));
        }
    }
}

// 另存为 writes a variant beside the opened file and follows it: the next
// Save goes there. The title names the file and marks unsaved work.
TEST_F(DesignFile, SaveAsKeepsTheOriginalAndFollowsTheVariant) {
    using Kind = wormpair::FileDialogs::Kind;
    start();
    const QString caption = window->caption();
    openThroughDialog(saved160());
    EXPECT_EQ(window->windowTitle(), caption + " - saved.cqb");
    clickBox("CheckBox1");
    QApplication::processEvents();
    EXPECT_EQ(window->windowTitle(), caption + " - saved.cqb *");
    desktop.saveNames = {workFile("variant.cqb")};
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    QTest::keySequence(window.get(), QKeySequence("Ctrl+Shift+S"));
    EXPECT_EQ(desktop.proposals, QStringList{"saved"});
    EXPECT_EQ(desktop.dialogKinds, (std::vector<Kind>{Kind::Design, Kind::Design}));
    EXPECT_EQ(workFiles(), (QStringList{"saved.cqb", "variant.cqb"}));
    EXPECT_EQ(designCells(workFile("variant.cqb"))[13], "zhengshu");
    EXPECT_EQ(window->windowTitle(), caption + " - variant.cqb");
    clickBox("CheckBox1");
    trigger("N5");
    EXPECT_EQ(desktop.proposals.size(), 1);
    EXPECT_EQ(designCells(workFile("variant.cqb"))[13], "");
    EXPECT_EQ(designCells(saved160())[13], "");
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(DesignFile, CancelledOpenChangesNothing) {
    start();
    recommend("125", "40");
    const std::map<QString, QString> before = resultLabels();
    QStringList texts;
    for (const char* name : kDesignFields) texts.push_back(text(name));
    openThroughDialog(QString());
    QStringList after;
    for (const char* name : kDesignFields) after.push_back(text(name));
    EXPECT_EQ(after, texts);
    EXPECT_EQ(resultLabels(), before);
    EXPECT_FALSE(saved());
    EXPECT_EQ(boundFile(), "");
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(DesignFile, UnreadableFilesFailWithTheOpenMessage) {
    struct Case {
        const char* name;
        std::function<QString(DesignFile&)> make;
    } cases[] = {
        {"not a workbook",
         [](DesignFile& t) {
             QFile file(t.workFile("text.cqb"));
             EXPECT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("160\n45\n");
             return file.fileName();
         }},
        {"missing file", [](DesignFile& t) { return t.workFile("nowhere.cqb"); }},
        {"grade 9",
         [](DesignFile& t) {
             rewriteCells(t.saved160(), t.workFile("g9.cqb"), {{8, "9j(GB/T16445-1996)"}});
             return t.workFile("g9.cqb");
         }},
        {"no grade digit",
         [](DesignFile& t) {
             rewriteCells(t.saved160(), t.workFile("gx.cqb"), {{8, "xj(GB/T16445-1996)"}});
             return t.workFile("gx.cqb");
         }},
        {"a parameter-sheet template", [](DesignFile& t) { return t.programPath() + "1.xls"; }},
    };
    for (const bool openedBefore : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) +
                         (openedBefore ? " after an open" : " after a calculation"));
            desktop = FakePlatform();
            start();
            if (openedBefore) {
                openThroughDialog(saved160());
                click("SpeedButton3");
                click("SpeedButton4");  // unsaved again
            } else {
                recommend("160", "45");
            }
            ASSERT_FALSE(saved());
            const QString bound = boundFile();
            desktop.messages.clear();
            const QString path = c.make(*this);
            const auto before = snapshot();
            desktop.threeWayAnswers = {wormpair::MessageBoxes::Answer::No};
            openThroughDialog(path);
            EXPECT_EQ(desktop.messages, QStringList{q(wormpair::kOpenFailedMessage)});
            EXPECT_EQ(snapshot(), before);
            EXPECT_FALSE(saved());
            EXPECT_EQ(boundFile(), bound);
            EXPECT_TRUE(window->isVisible());
        }
    }
}

// 旋向 is 右旋 or 左旋; any other text (a line break would reach the sheets and
// drawings) is refused with the cell and the text named.
TEST_F(DesignFile, TheHandIsRightOrLeft) {
    const struct {
        const char* hand;
        const char* shown;  // in the message; nullptr: the file opens
    } cases[] = {{"左旋", nullptr}, {"右旋\n  0\nEOF", "右旋\\n  0\\nEOF"}, {"右", "右"}, {"", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hand);
        desktop = FakePlatform();
        start();
        rewriteCells(saved160(), workFile("hand.cqb"), {{9, c.hand}});
        openThroughDialog(workFile("hand.cqb"));
        if (c.shown == nullptr) {
            EXPECT_TRUE(desktop.messages.isEmpty());
            EXPECT_EQ(text("Edit10"), q(c.hand));
        } else {
            EXPECT_EQ(desktop.messages,
                      QStringList{q(wormpair::kOpenFailedMessage) + "\n单元格 A10（旋向）的内容“" +
                                  q(c.shown) + "”不是“右旋”或“左旋”"});
            EXPECT_EQ(text("Edit10"), "右旋");
        }
    }
}

TEST_F(DesignFile, CommandLineOpensTheNamedFile) {
    QDir(work.path()).mkdir("my designs");
    const QString path = workFile("my designs/worm pair 160.cqb");
    ASSERT_TRUE(QFile::copy(saved160(), path));
    struct Case {
        const char* name;
        QStringList arguments;
    } cases[] = {
        {"one argument", {path}},
        {"split at blanks", path.split(' ')},
        {"blanks around", {" " + path.section(' ', 0, 1), path.section(' ', 2) + " "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LE(c.arguments.size(), 4);
        desktop = FakePlatform();
        start(c.arguments);
        EXPECT_TRUE(desktop.messages.isEmpty()) << desktop.messages.join('\n').toStdString();
        EXPECT_TRUE(window->isVisible());
        expectSameDesign();
        expectInputsLocked(true);
        EXPECT_TRUE(saved());
        EXPECT_EQ(boundFile(), path);
        // every later open asks
        desktop.openNames.clear();
        trigger("N11");
        EXPECT_EQ(desktop.dialogFilters.size(), 1);
    }
}

TEST_F(DesignFile, CommandLineWithAnotherFileShowsTheOpenMessage) {
    const QString path = workFile("notes.cqb");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a workbook");
    file.close();
    start({path});
    EXPECT_EQ(desktop.messages, QStringList{q(wormpair::kOpenFailedMessage)});
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(saved());
    EXPECT_EQ(boundFile(), "");
    expectInputsLocked(false);
    expectResultsShown(false);
}

TEST_F(DesignFile, CommandLineFileIsNotOpenedWhenTheRulesCannotLoad) {
    QFile::remove(programPath() + "db1.mdb");
    start({saved160()});
    QApplication::processEvents();
    EXPECT_EQ(desktop.messages, QStringList{"数据初始化失败，程序将关闭"});
    EXPECT_EQ(boundFile(), "");
    EXPECT_FALSE(window->isVisible());
}

// A design file written by another spreadsheet program, with number cells
// where the program writes texts.
TEST_F(DesignFile, OpensAWorkbookWrittenElsewhere) {
    // the first python3 on the path may lack xlwt while a later one has it
    QString python;
    for (const QString& dir : qEnvironmentVariable("PATH").split(QDir::listSeparator())) {
        const QString candidate = QStandardPaths::findExecutable("python3", {dir});
        if (candidate.isEmpty()) continue;
        QProcess probe;
        probe.start(candidate, {"-c", "import xlwt"});
        if (probe.waitForFinished() && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0) {
            python = candidate;
            break;
        }
    }
    if (python.isEmpty()) GTEST_SKIP() << "python3 with xlwt not available";

    const QString path = workFile("elsewhere.cqb");
    QString script = QStringLiteral(
        "import sys, xlwt\n"
        "book = xlwt.Workbook(encoding='utf-8')\n"
        "sheet = book.add_sheet('Sheet1')\n"
        "cells = [160, 45, 45, 1] + sys.argv[2:]\n"
        "for row, value in enumerate(cells):\n"
        "    sheet.write(row, 0, value)\n"
        "book.save(sys.argv[1])\n");
    QStringList arguments{"-c", script, path};
    for (int i = 4; i < 13; ++i) arguments << fields[i];
    arguments << "";
    ASSERT_EQ(QProcess::execute(python, arguments), 0);

    start();
    openThroughDialog(path);
    EXPECT_TRUE(desktop.messages.isEmpty()) << desktop.messages.join('\n').toStdString();
    expectSameDesign();
    EXPECT_TRUE(saved());
    EXPECT_EQ(boundFile(), path);
}

// Last: New design asks the application to quit, once unsaved work is dealt with.
TEST_F(Window, NewDesignAsksBeforeItStartsTheProgramAgain) {
    start();
    recommend("160", "45");
    // a series table would be lost: the user is asked first, 否 keeps it
    trigger("NSeries");
    wormpair::TSeriesDialog& series = window->series().dialog();
    click("ToolButton15");
    EXPECT_EQ(desktop.questions, QStringList{wormpair::LifecycleCommands::closeWindowsQuestion(
                                     {series.windowTitle()})});
    EXPECT_TRUE(series.isVisible());
    series.close();
    desktop.questions.clear();

    desktop.threeWayAnswers = {wormpair::MessageBoxes::Answer::Cancel};
    click("ToolButton15");
    EXPECT_TRUE(desktop.started.empty());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(desktop.questions, QStringList{QString::fromUtf8("数据尚未保存，是否保存？")});

    desktop.threeWayAnswers = {wormpair::MessageBoxes::Answer::No};
    click("ToolButton15");
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0].first, QCoreApplication::applicationFilePath());
    EXPECT_TRUE(desktop.started[0].second.isEmpty());
    EXPECT_TRUE(workFiles().isEmpty());
}

}  // namespace
