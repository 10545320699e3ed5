// The "设置" menu through the window: the rule settings dialog driven by its
// controls, and the user settings files, with the live database never lost.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <ostream>

#include "app/main_window.h"
#include "app/rule_settings_dialog.h"
#include "application_environment.h"
#include "failing_writer.h"
#include "fake_platform.h"
#include "store/parameter_database.h"
#include "sqlite_fixture.h"
#include "store/user_settings.h"

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace wormpair {
namespace {

using test::rulesOf;

[[maybe_unused]] auto* const environment = wormpair::testing::installApplication<QApplication>();

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs SQL on a database file, on a connection of its own.
void execute(const QString& file, const QStringList& statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "settings_test");
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        for (const QString& s : statements) ASSERT_TRUE(query.exec(s)) << s.toStdString();
    }
    QSqlDatabase::removeDatabase("settings_test");
}

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid() && work.isValid());
        for (const char* name : {"db1.mdb", "db1.ccq", "v.txt", "111.xls"}) {
            ASSERT_TRUE(QFile::copy(QString(WORMPAIR_PROGRAM_DIR) + name, program(name)));
        }
        start();
    }
    void TearDown() override {
        chmod(programDir.path().toLocal8Bit(), 0755);
        if (window) window->close();
        window.reset();
        QApplication::processEvents();
    }

    void start() {
        window.reset();
        fake = FakePlatform();
        window = std::make_unique<TForm1>(fake.platform(), programDir.path() + '/');
        window->show();
        QApplication::processEvents();
    }
    QString program(const QString& name) const { return programDir.filePath(name); }
    QString workFile(const QString& name) const { return work.filePath(name); }
    bool noticeShown() const {
        return window->findChild<QLabel*>("Label50")->isVisibleTo(window.get());
    }
    double coefficient1() { return window->design().coefficients().wormDiameterExponent; }

    // Opens the dialog from the menu and runs the script while it is shown;
    // the script ends with the dialog closed by its Close button.
    void inDialog(const std::function<void(TForm5&)>& script) {
        TForm5& dialog = window->ruleSettings();
        QTimer::singleShot(0, [&] {
            if (dialog.isVisible()) script(dialog);
            if (dialog.isVisible()) QTest::mouseClick(button(dialog, "Button2"), Qt::LeftButton);
        });
        window->findChild<QAction*>("N13")->trigger();
    }
    static QPushButton* button(TForm5& dialog, const char* name) {
        return dialog.findChild<QPushButton*>(name);
    }
    static void selectRow(TForm5& dialog, int row) {
        auto* grid = dialog.findChild<QTableView*>("DBGrid1");
        const QRect cell = grid->visualRect(grid->model()->index(row, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    static void typeValue(TForm5& dialog, const QString& value) {
        auto* edit = dialog.findChild<QLineEdit*>("DBEdit1");
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, value);
    }

    QTemporaryDir programDir;
    QTemporaryDir work;
    FakePlatform fake;
    std::unique_ptr<TForm1> window;
};

TEST_F(Settings, DialogShowsTheTableAndTheCurrentRowsFormula) {
    inDialog([](TForm5& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QString("计算设置"));
        EXPECT_EQ(dialog.size(), QSize(627, 384));
        auto* grid = dialog.findChild<QTableView*>("DBGrid1");
        EXPECT_EQ(grid->model()->rowCount(), 16);
        EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal).toString(), QString("N"));
        EXPECT_EQ(dialog.findChild<QLineEdit*>("DBEdit1")->text(), QString("0.875"));
        selectRow(dialog, 2);
        EXPECT_EQ(dialog.findChild<QLineEdit*>("DBEdit1")->text(), QString("0.7"));
        EXPECT_TRUE(dialog.findChild<QLabel*>("DBText1")->text().startsWith("齿顶高"));
        // every row shows without a scroll bar
        const QRect last = grid->visualRect(grid->model()->index(15, 0));
        EXPECT_LE(last.bottom(), grid->viewport()->height());
    });
}

TEST_F(Settings, EditsReachTheFileOnlyThroughSave) {
    const QByteArray before = bytesOf(program("db1.mdb"));
    // edit row 3, move to row 5, edit it, close: nothing is written
    inDialog([](TForm5& dialog) {
        selectRow(dialog, 2);
        typeValue(dialog, "0.8");
        selectRow(dialog, 4);
        typeValue(dialog, "1");
    });
    EXPECT_EQ(bytesOf(program("db1.mdb")), before);
    EXPECT_TRUE(fake.messages.isEmpty());

    // a text that is no number, a number no design can use: refused with
    // the cell and why beside the buttons, the edit stays, nothing is written
    const struct {
        const char *typed, *kept, *why;
    } refused[] = {{"0,9", "0,9", "“0,9”不是数字"},
                   {"1e308", "1e+308", "“1e+308”不在 0.5～1 之间"}};
    for (const auto& [typed, kept, why] : refused) {
        fake.messages.clear();
        inDialog([&](TForm5& dialog) {
            typeValue(dialog, typed);
            QTest::mouseClick(button(dialog, "Button1"), Qt::LeftButton);
            EXPECT_EQ(fake.messages, QStringList{TForm5::kSaveFailedMessage});
            EXPECT_EQ(dialog.findChild<QLineEdit*>("DBEdit1")->text(), QString(kept));
            const QString reason = dialog.findChild<QLabel*>("saveProblem")->text();
            EXPECT_TRUE(reason.contains(QString("数据表 nzhi 第 1 行 N 列的值") + why))
                << reason.toStdString();
        });
    }
    EXPECT_EQ(bytesOf(program("db1.mdb")), before);
    EXPECT_EQ(coefficient1(), 0.875);

    // edit the current row and save without leaving it: saved and reloaded
    fake.messages.clear();
    fake.captions.clear();
    inDialog([this](TForm5& dialog) {
        typeValue(dialog, "0.9");
        QTest::mouseClick(button(dialog, "Button1"), Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open after Save";
    });
    EXPECT_EQ(fake.messages, QStringList{TForm5::kSavedMessage});
    EXPECT_EQ(fake.captions, QStringList{"提示"});
    EXPECT_EQ(coefficient1(), 0.9);
    EXPECT_TRUE(noticeShown());

    // back to the factory value: the notice stays, as the load never hides it
    inDialog([](TForm5& dialog) {
        typeValue(dialog, "0.875");
        QTest::mouseClick(button(dialog, "Button1"), Qt::LeftButton);
    });
    EXPECT_EQ(coefficient1(), 0.875);
    EXPECT_TRUE(noticeShown());
    start();
    EXPECT_FALSE(noticeShown()) << "a new start finds the rules as shipped";
}

TEST_F(Settings, SaveWithoutChangesReloads) {
    execute(program("db1.mdb"), {"UPDATE nzhi SET N = 0.8 WHERE ID = 1"});  // behind its back
    inDialog([](TForm5& dialog) { QTest::mouseClick(button(dialog, "Button1"), Qt::LeftButton); });
    EXPECT_EQ(fake.messages, QStringList{TForm5::kSavedMessage});
    EXPECT_EQ(coefficient1(), 0.8);
}

TEST_F(Settings, DialogWithoutADatabaseSaysSoAndTheProgramGoesOn) {
    QFile::remove(program("db1.mdb"));
    window->findChild<QAction*>("N13")->trigger();  // returns: nothing modal is shown
    EXPECT_EQ(fake.messages, QStringList{"数据初始化失败，程序将关闭"});
    EXPECT_EQ(fake.captions, QStringList{"提示"});
    EXPECT_FALSE(window->ruleSettings().isVisible());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Settings, RestoreLoadAndSaveUserSettings) {
    execute(program("db1.mdb"), {"UPDATE nzhi SET N = 0.8 WHERE ID = 1"});
    start();
    ASSERT_TRUE(noticeShown());
    // save as: ".ccq" always appended
    fake.saveNames = {workFile("my"), workFile("my.ccq")};
    window->findChild<QAction*>("N17")->trigger();
    window->findChild<QAction*>("N17")->trigger();
    EXPECT_EQ(QDir(work.path()).entryList(QDir::Files), (QStringList{"my.ccq", "my.ccq.ccq"}));
    EXPECT_EQ(rulesOf(workFile("my.ccq")), rulesOf(program("db1.mdb")));
    EXPECT_EQ(coefficient1(), 0.8);

    // restore: the factory rules and the notice hidden
    window->findChild<QAction*>("N15")->trigger();
    EXPECT_EQ(rulesOf(program("db1.mdb")), rulesOf(program("db1.ccq")));
    EXPECT_FALSE(noticeShown());
    EXPECT_EQ(coefficient1(), 0.875);

    // load the saved rules; then load factory-equal rules: the notice stays
    fake.openNames = {workFile("my.ccq"), program("db1.ccq")};
    window->findChild<QAction*>("N16")->trigger();
    EXPECT_EQ(coefficient1(), 0.8);
    EXPECT_TRUE(noticeShown());
    window->findChild<QAction*>("N16")->trigger();
    EXPECT_EQ(coefficient1(), 0.875);
    EXPECT_TRUE(noticeShown());
    EXPECT_EQ(fake.dialogFilters,
              (QStringList{"*.ccq|*.ccq", "*.ccq|*.ccq", "*.ccq|*.ccq", "*.ccq|*.ccq"}));

    // load, then save as: byte-identical to the file loaded
    fake.openNames = {workFile("my.ccq")};
    fake.saveNames = {workFile("again")};
    window->findChild<QAction*>("N16")->trigger();
    window->findChild<QAction*>("N17")->trigger();
    EXPECT_EQ(bytesOf(workFile("again.ccq")), bytesOf(workFile("my.ccq")));

    // save as onto an existing file asks, and No keeps it
    fake.saveNames = {workFile("my")};
    fake.answers = {false};
    execute(program("db1.mdb"), {"UPDATE nzhi SET N = 0.7 WHERE ID = 1"});
    window->findChild<QAction*>("N17")->trigger();
    EXPECT_EQ(fake.questions.size(), 1);
    EXPECT_NE(rulesOf(workFile("my.ccq")), rulesOf(program("db1.mdb")));
    EXPECT_TRUE(fake.messages.isEmpty());
}

// Whatever the file, the live database stays byte for byte and the program
// still starts.
TEST_F(Settings, FilesThatAreNoRulesChangeNothing) {
    const auto sqlite = [this](const QString& name, const QStringList& statements) {
        const QString file = workFile(name);
        QFile::copy(program("db1.ccq"), file);
        QFile(file).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        execute(file, statements);
        return file;
    };
    const auto raw = [this](const QString& name, const QByteArray& bytes) {
        QFile file(workFile(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const struct {
        const char* name;
        std::function<QString()> make;
    } cases[] = {
        {"empty file", [&] { return raw("empty.ccq", {}); }},
        {"random bytes", [&] { return raw("random.ccq", QByteArray(4096, '\x9c')); }},
        {"a text file", [&] { return raw("notes.ccq", "中心距 160\n"); }},
        {"no table nzhi", [&] { return sqlite("nonzhi.ccq", {"DROP TABLE nzhi"}); }},
        {"15 rows", [&] { return sqlite("rows15.ccq", {"DELETE FROM nzhi WHERE ID = 16"}); }},
        {"a text N",
         [&] { return sqlite("textn.ccq", {"UPDATE nzhi SET N = 'abc' WHERE ID = 4"}); }},
        {"an infinite N",
         [&] { return sqlite("inf.ccq", {"UPDATE nzhi SET N = 1e400 WHERE ID = 2"}); }},
        {"a text grade bound",
         [&] { return sqlite("grade.ccq", {"UPDATE \"7ji\" SET AMAX = 'x' WHERE rowid = 2"}); }},
    };
    const QByteArray before = bytesOf(program("db1.mdb"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.messages.clear();
        fake.openNames = {c.make()};
        window->findChild<QAction*>("N16")->trigger();
        ASSERT_EQ(fake.messages.size(), 1);
        EXPECT_TRUE(fake.messages[0].contains("当前设置保持不变"))
            << fake.messages[0].toStdString();
        EXPECT_EQ(bytesOf(program("db1.mdb")), before);
        EXPECT_TRUE(window->isVisible());
    }
    // a damaged factory copy: restore changes nothing either
    QFile::remove(program("db1.ccq"));
    raw("x", {});
    QFile::copy(workFile("random.ccq"), program("db1.ccq"));
    fake.messages.clear();
    window->findChild<QAction*>("N15")->trigger();
    EXPECT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(bytesOf(program("db1.mdb")), before);
    start();
    EXPECT_TRUE(fake.messages.isEmpty()) << "the program still starts";
}

TEST_F(Settings, ACopyThatFailsLeavesTheOldDatabase) {
    execute(program("db1.mdb"), {"UPDATE nzhi SET N = 0.8 WHERE ID = 1"});
    const QByteArray before = bytesOf(program("db1.mdb"));
    const ParameterDatabase database(programDir.path() + '/');
    {
        const testing::FileSizeLimit full(4096);  // the journal cannot grow past its first page
        EXPECT_THROW(restoreFactorySettings(database), SettingsFileError);
    }
    EXPECT_EQ(bytesOf(program("db1.mdb")), before);
    EXPECT_EQ(QDir(programDir.path()).entryList({".wp-*"}, QDir::Files | QDir::Hidden).size(), 0);

    // the program directory read-only: refused, nothing changed
    ASSERT_EQ(chmod(programDir.path().toLocal8Bit(), 0555), 0);
    fake.messages.clear();
    window->findChild<QAction*>("N15")->trigger();
    EXPECT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(bytesOf(program("db1.mdb")), before);
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace wormpair
