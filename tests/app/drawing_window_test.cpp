// The menu 图纸 driven as the engineer drives it: the sheets open in a
// preview window after a calculation, are exported through the scripted file
// dialog and printed through a fake printer; 图纸设置… fills the title block.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

#include "app/drawing_commands.h"
#include "app/drawing_preview.h"
#include "app/main_window.h"
#include "app/title_block_dialog.h"
#include "application_environment.h"
#include "drawing/title_block_fields.h"
#include "fake_platform.h"

namespace {

using wormpair::FakePlatform;

[[maybe_unused]] auto* const environment = wormpair::testing::installApplication<QApplication>();

class CountingPrinter : public wormpair::SheetPrinter {
  public:
    bool print(const wormpair::drawing::Sheet& sheet) override {
        titles << sheet.title;
        return true;
    }
    QStringList titles;
};

class DrawingWindow : public ::testing::Test {
  public:
    void SetUp() override {
        for (const char* name : {"db1.mdb", "db1.ccq", "v.txt", "111.xls"}) {
            ASSERT_TRUE(QFile::copy(QString(WORMPAIR_PROGRAM_DIR) + name, program.filePath(name)));
        }
        window = std::make_unique<wormpair::TForm1>(desktop.platform(), program.path() + '/');
        window->show();
        QApplication::processEvents();
        window->drawings().setPrinter(&printer);
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<wormpair::DrawingPreview*>(w)) w->close();
        }
        window.reset();
        QApplication::processEvents();
    }

    QAction* action(const char* name) const {
        return window->findChild<QAction*>(QString::fromLatin1(name));
    }
    void type(const char* field, const QString& text) {
        auto* edit = window->findChild<QLineEdit*>(QString::fromLatin1(field));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    void design() {
        type("Edit1", "160");
        type("Edit3", "45");
        QTest::mouseClick(window->findChild<QToolButton*>("SpeedButton2"), Qt::LeftButton);
    }
    // The preview windows now open, newest last.
    std::vector<wormpair::DrawingPreview*> previews() const {
        std::vector<wormpair::DrawingPreview*> found;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* preview = qobject_cast<wormpair::DrawingPreview*>(w);
            if (preview && preview->isVisible()) found.push_back(preview);
        }
        return found;
    }
    void press(QWidget* preview, const char* button) {
        QTest::mouseClick(preview->findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }

    QTemporaryDir program, work;
    FakePlatform desktop;
    CountingPrinter printer;
    std::unique_ptr<wormpair::TForm1> window;
};

TEST_F(DrawingWindow, SheetsFollowACalculationAndExportAndPrint) {
    for (const char* name : {"DrawingWorm", "DrawingWheel", "DrawingHob", "DrawingMesh"}) {
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(action("DrawingSettings")->isEnabled());
    design();
    const struct {
        const char* action;
        const char* title;
        const char* proposal;
        const char* part;
    } sheets[] = {{"DrawingWorm", "蜗杆零件图", "160-45-蜗杆.dxf", "环面蜗杆"},
                  {"DrawingWheel", "蜗轮零件图", "160-45-蜗轮.dxf", "环面蜗轮"},
                  {"DrawingHob", "滚刀图", "160-45-滚刀.dxf", "蜗轮滚刀"},
                  {"DrawingMesh", "啮合图", "160-45-啮合图.dxf", "环面蜗杆副"}};
    for (const auto& sheet : sheets) {
        SCOPED_TRACE(sheet.action);
        ASSERT_TRUE(action(sheet.action)->isEnabled());
        action(sheet.action)->trigger();
        ASSERT_EQ(previews().size(), 1u);
        wormpair::DrawingPreview* preview = previews().back();
        EXPECT_TRUE(preview->windowTitle().startsWith(QString::fromUtf8(sheet.title)));
        const QString file = work.filePath(QString::fromUtf8(sheet.action));
        desktop.saveNames = {file};  // the dialog's answer, without an extension
        press(preview, "ExportDxfButton");
        EXPECT_EQ(desktop.proposals.back(), QString::fromUtf8(sheet.proposal));
        QFile dxf(file + ".dxf");
        ASSERT_TRUE(dxf.open(QIODevice::ReadOnly));
        EXPECT_TRUE(dxf.readAll().contains(sheet.part));
        preview->close();
        QApplication::processEvents();
    }
    EXPECT_TRUE(desktop.messages.empty());

    // PDF and SVG, an existing file kept when the user says no, the sheet
    // size, printing
    action("DrawingWorm")->trigger();
    wormpair::DrawingPreview* preview = previews().back();
    const QString pdf = work.filePath("worm.pdf");
    desktop.saveNames = {pdf, work.filePath("worm.svg"), pdf};
    press(preview, "ExportPdfButton");
    press(preview, "ExportSvgButton");
    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.read(5) == "%PDF-");
    written.close();
    const qint64 size = written.size();
    desktop.answers = {false};
    press(preview, "ExportPdfButton");
    EXPECT_EQ(desktop.questions.size(), 1u);
    EXPECT_EQ(QFile(pdf).size(), size);
    EXPECT_TRUE(QFile::exists(work.filePath("worm.svg")));
    auto* sizes = preview->findChild<QComboBox*>("SheetSize");
    sizes->setCurrentText("A2");
    emit sizes->activated(sizes->currentIndex());
    EXPECT_EQ(preview->sheet().size, wormpair::drawing::SheetSize::A2);
    press(preview, "PrintButton");
    EXPECT_EQ(printer.titles, QStringList{QStringLiteral("蜗杆零件图")});
}

TEST_F(DrawingWindow, TitleBlockSettingsAreKeptForTheUserAndDrawn) {
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<wormpair::TitleBlockDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("designer")->setText(QStringLiteral("张工"));
        dialog->findChild<QLineEdit*>("worm.drawingNumber")->setText("WP-001");
        dialog->accept();
    });
    action("DrawingSettings")->trigger();
    const wormpair::drawing::TitleBlockFields fields =
        wormpair::drawing::loadTitleBlockFields(program.path() + '/');
    EXPECT_EQ(fields.value(wormpair::drawing::SheetKind::Hob, wormpair::drawing::TitleField::Designer),
              QStringLiteral("张工"));
    design();
    action("DrawingWorm")->trigger();
    ASSERT_EQ(previews().size(), 1u);
    const auto& drawn = previews().back()->sheet().fields;
    EXPECT_EQ(drawn.at(wormpair::drawing::TitleField::DrawingNumber), "WP-001");
    EXPECT_EQ(drawn.at(wormpair::drawing::TitleField::Designer), QStringLiteral("张工"));
    // the design file never holds them
    desktop.saveNames = {work.filePath("design")};
    window->findChild<QAction*>("N5")->trigger();
    QFile design(work.filePath("design.cqb"));
    ASSERT_TRUE(design.open(QIODevice::ReadOnly));
    EXPECT_FALSE(design.readAll().contains("WP-001"));
}

}  // namespace
