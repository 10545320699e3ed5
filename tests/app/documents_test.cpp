// The manuals, help, about box, online upgrade, the notice and the version
// check, with the real downloads against a loopback HTTP server.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>
#include <ostream>

#include "app/document_commands.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/qt_platform.h"
#include "app/update_notice.h"
#include "updater/update_messages.h"
#include "application_environment.h"
#include "fake_platform.h"
#include "loopback_server.h"

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace wormpair {
namespace {

[[maybe_unused]] auto* const environment = wormpair::testing::installApplication<QApplication>();

const QString kBase = QString::fromUtf8(UpdateNotice::kBaseCaption);

class Documents : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid());
        for (const char* name : {"db1.mdb", "db1.ccq", "v.txt", "111.xls"}) {
            ASSERT_TRUE(QFile::copy(QString(WORMPAIR_PROGRAM_DIR) + name, path(name)));
        }
        server.files["/uploads/v.txt"] = "V8.601\r\nolder lines\r\n";
    }
    void TearDown() override {
        if (window) window->close();
        window.reset();
        QApplication::processEvents();
    }

    QString path(const QString& name) const { return programDir.filePath(name); }

    // The real downloads and documents, the scripted rest.
    void start(const QString& serverAddress) {
        const Platform platform{fake,
                                fake,
                                processes ? *processes : static_cast<Processes&>(desktop),
                                desktop,
                                desktop,
                                fake,
                                fake.spreadsheets,
                                fake};
        window = std::make_unique<TForm1>(platform, programDir.path() + '/', QStringList{},
                                          serverAddress);
        window->show();
        QApplication::processEvents();
    }
    QString notice() const { return window->findChild<QLabel*>("Label32")->text(); }

    QTemporaryDir programDir;
    testing::LoopbackServer server;
    FakePlatform fake;
    QtPlatform desktop;
    Processes* processes = nullptr;
    std::unique_ptr<TForm1> window;
};

TEST_F(Documents, VersionCheckExtendsTheCaptionOnceForANewerVersion) {
    const struct {
        const char* name;
        QByteArray published;
        int reloads;
        QString caption;
    } cases[] = {
        {"same first line", "V8.601\nnotes", 0, kBase},
        {"letter case differs", "v8.601", 0, kBase + "  (最新版本v8.601请及时更新)"},
        {"newer, three reloads", "V8.7", 3, kBase + "  (最新版本V8.7请及时更新)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.files["/uploads/v.txt"] = c.published;
        start(server.base());
        for (int i = 0; i < c.reloads; ++i) window->lifecycle().startupLoad();
        EXPECT_EQ(window->windowTitle(), c.caption);
        EXPECT_TRUE(fake.messages.isEmpty());
        EXPECT_TRUE(QFile::exists(path("v-up.txt")));
        window.reset();
    }
    EXPECT_TRUE(
        server.requests.filter(QRegularExpression("^/uploads/v\\.txt\\?s=suiji.+")).size() >= 3);
}

TEST_F(Documents, WithoutVTxtTheLoadFails) {
    QFile::remove(path("v.txt"));
    start(server.base());
    QApplication::processEvents();
    EXPECT_EQ(fake.messages, QStringList{"数据初始化失败，程序将关闭"});
    EXPECT_EQ(fake.captions, QStringList{"提示"});
    EXPECT_FALSE(window->isVisible());
}

TEST_F(Documents, NoticeShowsTheFirstLineAsPlainText) {
    const struct {
        const char* name;
        QByteArray served;  // empty: nothing served
        QString shown;
    } cases[] = {
        {"first line", "新版本V8.7已发布\r\n第二行", "新版本V8.7已发布"},
        {"empty notice", "", ""},
        {"markup is shown, not obeyed", "<a href=\"http://x\"><b>点击</b></a>",
         "<a href=\"http://x\"><b>点击</b></a>"},
        {"a notice written in GB18030", QByteArray("\xD0\xC2\xB0\xE6\xB1\xBE", 6), "新版本"},
        {"too large to be a notice", QByteArray(200 * 1024, 'x'), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.files["/uploads/guanggao.txt"] = c.served;
        start(server.base());
        EXPECT_EQ(notice(), c.shown);
        EXPECT_EQ(window->findChild<QLabel*>("Label32")->textFormat(), Qt::PlainText);
        window.reset();
    }
    EXPECT_TRUE(
        server.requests.filter(QRegularExpression("^/uploads/guanggao\\.txt\\?s=suiji.+")).size() ==
        5);
}

TEST_F(Documents, ServersThatFailLeaveTheNoticeEmptyAndTheStartGoingOn) {
    server.behaviour["/uploads/guanggao.txt"] = testing::LoopbackServer::Behaviour::Silent;
    server.behaviour["/uploads/v.txt"] = testing::LoopbackServer::Behaviour::Silent;
    start(server.base());  // gives up after the time-out instead of waiting forever
    EXPECT_EQ(notice(), "");
    EXPECT_EQ(window->windowTitle(), kBase);
    EXPECT_TRUE(fake.messages.isEmpty());
    window.reset();

    for (const QString& address : {QString(), QString("http://127.0.0.1:1")}) {
        start(address);  // no server, or nothing listening
        EXPECT_EQ(notice(), "");
        EXPECT_EQ(window->windowTitle(), kBase);
        EXPECT_TRUE(fake.messages.isEmpty());
        window.reset();
    }
}

TEST_F(Documents, ManualsHelpAndUpgrade) {
    start(server.base());
    const QString noReader = QString::fromUtf8(DocumentCommands::kNoReaderMessage);
    // a manual that is missing
    window->findChild<QAction*>("N20")->trigger();
    EXPECT_EQ(fake.messages, QStringList{noReader});
    // a manual that nothing on the desktop can open
    QFile::copy(QString(WORMPAIR_PROGRAM_DIR) + "canshu.pdf", path("canshu.pdf"));
    QTemporaryDir noApplications;
    const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS"), dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_DIRS", noApplications.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", noApplications.path().toLocal8Bit());
    fake.messages.clear();
    window->findChild<QAction*>("N20")->trigger();
    qputenv("XDG_DATA_DIRS", dataDirs);
    qputenv("XDG_DATA_HOME", dataHome);
    EXPECT_EQ(fake.messages, QStringList{noReader});
    // the help page missing: nothing is said
    window->findChild<QAction*>("N2")->trigger();
    EXPECT_EQ(fake.messages.size(), 1);
    // the updater missing: its message, and the program stays open
    window->findChild<QAction*>("N18")->trigger();
    EXPECT_EQ(fake.messages.last(), QString::fromUtf8(DocumentCommands::kUpdaterMessage));
    EXPECT_TRUE(window->isVisible());
    window.reset();

    // without an update server the window says so and stays; nothing starts
    processes = &fake;
    start({});
    window->findChild<QAction*>("N18")->trigger();
    EXPECT_EQ(fake.messages.last(), QString::fromUtf8(kNoUpdateServerMessage));
    EXPECT_TRUE(fake.started.empty());
    EXPECT_TRUE(window->isVisible());
    window.reset();

    // unsaved work: 取消 keeps the program and starts nothing
    start(server.base());
    window->design().document().designSaved = false;
    fake.threeWayAnswers = {MessageBoxes::Answer::Cancel};
    window->findChild<QAction*>("N18")->trigger();
    EXPECT_EQ(fake.questions, QStringList{LifecycleCommands::kUnsavedQuestion});
    EXPECT_TRUE(fake.started.empty());
    EXPECT_TRUE(window->isVisible());
    window->design().document().designSaved = true;
    window.reset();

    // the updater starts from the program directory without arguments, and
    // the program ends
    start(server.base());
    window->findChild<QAction*>("N18")->trigger();
    QApplication::processEvents();
    ASSERT_EQ(fake.started.size(), 1u);
    EXPECT_EQ(fake.started[0].first, path("Project11.exe"));
    EXPECT_TRUE(fake.started[0].second.isEmpty());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(Documents, AboutBoxShowsTheShippedText) {
    start({});
    TForm6& about = window->aboutBox();
    EXPECT_EQ(about.windowTitle(), QString("关于"));
    EXPECT_EQ(about.size(), QSize(723, 329));
    const auto* memo = about.findChild<QPlainTextEdit*>("Memo1");
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_TRUE(memo->toPlainText().startsWith("欢迎使用本软件"));
    EXPECT_TRUE(memo->toPlainText().contains("更新日志："));
    EXPECT_TRUE(memo->toPlainText().contains("V8.601"));
}

// The program as main() assembles it talks to the server it is given: the
// notice and the version check both reach it.
TEST_F(Documents, TheAssembledProgramTalksToTheServerItIsGiven) {
    server.files["/uploads/v.txt"] = "V9.1";
    server.files["/uploads/guanggao.txt"] = "新版本V9.1已发布";
    DesktopProgram program(programDir.path() + '/', {}, server.base());
    TForm1& shown = program.window();
    shown.show();
    QApplication::processEvents();
    EXPECT_EQ(shown.windowTitle(), kBase + "  (最新版本V9.1请及时更新)");
    EXPECT_EQ(shown.findChild<QLabel*>("Label32")->text(), QString("新版本V9.1已发布"));
    EXPECT_EQ(server.requests.filter(QRegularExpression("^/uploads/(v|guanggao)\\.txt\\?s=suiji")).size(), 2);
    shown.close();
}

}  // namespace
}  // namespace wormpair
