// What the desktop shows of Qt's own dialogs: Chinese buttons, and the
// window caption standing alone.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>
#include <memory>
#include <ostream>

#include "app/program.h"
#include "app/qt_platform.h"
#include "application_environment.h"
#include "store/design_file.h"

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

// As main() does, before the application reads the environment's locale.
const QByteArray environmentLocale = qgetenv("LC_ALL");
wormpair::ChineseLocale chineseLocale;
auto* const environment = wormpair::testing::installApplication<QApplication>();

// The texts of the push buttons of the dialog the call opens; the dialog is
// then dismissed with Escape.
QStringList buttonsOfDialog(const std::function<void()>& openDialog) {
    QStringList texts;
    QTimer::singleShot(200, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr) return;
        for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
            if (qobject_cast<const QPushButton*>(button) && button->isVisible()) {
                texts << button->text().remove('&');
            }
        }
        qobject_cast<QDialog*>(dialog)->reject();
    });
    openDialog();
    return texts;
}

// Each kind of file's dialog starts in the folder last chosen for it, also in
// the next run, and the design files' filter names them.
TEST(Program, FileDialogsStartInTheFolderLastUsedForTheirKind) {
    using Kind = wormpair::FileDialogs::Kind;
    QTemporaryDir data, designs;
    const QString folders = data.filePath("folders.txt");
    // Answers the dialog the call opens (an empty answer cancels); where it started.
    const auto startOf = [](const std::function<QString()>& open, const QString& answer) {
        QStringList seen;
        QTimer::singleShot(200, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            seen << dialog->directory().absolutePath() << dialog->nameFilters();
            if (answer.isEmpty()) return dialog->reject();
            dialog->selectFile(answer);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        EXPECT_EQ(open(), answer);
        return seen;
    };
    {
        wormpair::QtPlatform desktop(folders);
        const QStringList first = startOf(
            [&] { return desktop.saveFileName(Kind::Design, wormpair::kDesignFileFilter, "160-45"); },
            designs.filePath("160-45"));
        EXPECT_EQ(first.value(1), QString("设计文件 (*.cqb)"));
    }
    wormpair::QtPlatform nextRun(folders);
    EXPECT_EQ(startOf([&] { return nextRun.openFileName(Kind::Design, "设计文件|*.cqb"); }, {}).value(0),
              designs.path());
    EXPECT_NE(startOf([&] { return nextRun.saveFileName(Kind::Sheet, ".xls", "wogan.xls"); }, {}).value(0),
              designs.path());
}

// A save dialog neither starts among the program's files nor answers with
// one of them (a sheet named 1 would become the template 1.xls): that answer
// is refused with a message naming the file.
TEST(Program, SaveDialogsKeepAwayFromTheProgramsOwnFiles) {
    using Kind = wormpair::FileDialogs::Kind;
    QTemporaryDir data, program;
    QFile(program.filePath("1.xls")).open(QIODevice::WriteOnly);
    wormpair::QtPlatform desktop(data.filePath("folders.txt"), {program.path() + '/', data.path() + '/'});
    QString started, told;
    const auto save = [&](const QString& answer, bool refused = false) {
        QTimer::singleShot(200, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            started = dialog->directory().absolutePath();
            if (answer.isEmpty()) return dialog->reject();
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(answer);
            QMetaObject::invokeMethod(dialog, "accept");
            if (!refused) return;
            QTimer::singleShot(300, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    told = box->text();
                    box->accept();
                }
            });
        });
        return desktop.saveFileName(Kind::Sheet, ".xls", "wogan.xls");
    };
    EXPECT_EQ(save(program.filePath("1"), true), QString());
    EXPECT_TRUE(told.contains(program.filePath("1"))) << told.toStdString();
    EXPECT_EQ(save(program.filePath("mine.xls")), program.filePath("mine.xls"));
    save(QString());
    EXPECT_NE(started, program.path()) << "the folder last used is the program's";
}

TEST(Program, QtsOwnDialogsSpeakChinese) {
    ASSERT_TRUE(wormpair::installChineseTranslations(*environment->app))
        << "Qt's Chinese translations (qt6-translations-l10n) are not installed";
    wormpair::QtPlatform desktop;

    const QStringList question =
        buttonsOfDialog([&] { desktop.askYesNo("数据尚未保存，是否保存？"); });
    EXPECT_TRUE(question.join(' ').contains("是")) << question.join(' ').toStdString();
    EXPECT_TRUE(question.join(' ').contains("否")) << question.join(' ').toStdString();

    const QStringList save = buttonsOfDialog(
        [&] { desktop.saveFileName(wormpair::FileDialogs::Kind::Design, "*.cqb|*.cqb", "160-45"); });
    EXPECT_TRUE(save.join(' ').contains("取消")) << save.join(' ').toStdString();
    for (const QString& text : save) EXPECT_FALSE(text.contains("Cancel")) << text.toStdString();

    // the caption is the window's own, with no program name appended
    EXPECT_TRUE(QApplication::applicationDisplayName() == QApplication::applicationName());
}


// The program's locale is Chinese whatever the environment says (the tests
// run under LC_ALL=C.UTF-8), and the file dialog's few untranslated texts read Chinese.
TEST(Program, LocaleIsChineseWhateverTheEnvironment) {
    ASSERT_TRUE(wormpair::installChineseTranslations(*environment->app));
    EXPECT_EQ(QLocale::system().name(), QString("zh_CN"));
    EXPECT_EQ(QLocale().name(), QString("zh_CN"));
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), QString("文件夹"));
    chineseLocale.restoreEnvironment();
    EXPECT_EQ(qgetenv("LC_ALL"), environmentLocale) << "programs started keep the user's locale";
}

// A slow job: its progress reaches the window, 取消 stops it, and a failure
// inside it reaches the caller.
TEST(Program, BackgroundWorkShowsProgressAndStopsOnCancel) {
    wormpair::QtPlatform desktop;
    QString labelSeen;
    int maximumSeen = -1;
    QTimer::singleShot(400, [&] {
        auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        labelSeen = dialog->labelText();
        maximumSeen = dialog->maximum();
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) button->click();
    });
    int steps = 0;
    const bool completed = desktop.run("生成模型", [&](wormpair::WorkProgress& progress) {
        for (steps = 0; steps < 1000 && !progress.cancelled(); ++steps) {
            progress.report(steps, 1000, QStringLiteral("第 %1 步").arg(steps));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    EXPECT_FALSE(completed);
    EXPECT_LT(steps, 1000);
    EXPECT_TRUE(labelSeen.startsWith("第 ")) << labelSeen.toStdString();
    EXPECT_EQ(maximumSeen, 1000);

    EXPECT_TRUE(desktop.run("生成模型", [](wormpair::WorkProgress&) {}));
    EXPECT_THROW(desktop.run("生成模型",
                             [](wormpair::WorkProgress&) { throw std::runtime_error("失败"); }),
                 std::runtime_error);
}

}  // namespace
