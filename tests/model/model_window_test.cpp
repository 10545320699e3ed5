// The menu 三维模型 of the window: enabled by a calculated design, each part
// built with progress and shown, its exports and the inspection points
// written through the scripted desktop.
#include <gtest/gtest.h>

#include <set>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/main_window.h"
#include "app/model_view.h"
#include "application_environment.h"
#include "fake_platform.h"
#include "model/model_files.h"
#include "model/model_service.h"
#include "platform/file_replace.h"

namespace wormpair {
namespace {

[[maybe_unused]] auto* const kApplication = testing::installApplication<QApplication>();

const char* const kModelCommands[] = {"ModelWorm", "ModelWheel", "ModelHob", "ModelPair",
                                      "ModelPoints"};

class ModelMenu : public ::testing::Test {
  public:
    void SetUp() override {
        ASSERT_TRUE(QDir(program.path()).mkpath("modules"));
        for (const char* name : {"db1.mdb", "db1.ccq", "v.txt", "1.xls", "11.xls", "111.xls",
                                 "1111.xls", model::kModelModuleFile}) {
            ASSERT_TRUE(
                QFile::copy(QStringLiteral(WORMPAIR_PROGRAM_DIR) + name, program.filePath(name)));
        }
        window = std::make_unique<TForm1>(desktop.platform(), program.path() + '/', QStringList{});
        window->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        window.reset();
        QApplication::processEvents();
    }
    QAction* action(const char* name) { return window->findChild<QAction*>(name); }
    void design() {
        QTest::keyClicks(window->findChild<QLineEdit*>("Edit1"), "160");
        QTest::keyClicks(window->findChild<QLineEdit*>("Edit3"), "45");
        QTest::mouseClick(window->findChild<QToolButton*>("SpeedButton2"), Qt::LeftButton);
    }

    QTemporaryDir program, work;
    FakePlatform desktop;
    std::unique_ptr<TForm1> window;
};

TEST_F(ModelMenu, EnabledByACalculatedDesignOnly) {
    for (const char* name : kModelCommands) EXPECT_FALSE(action(name)->isEnabled()) << name;
    design();
    for (const char* name : kModelCommands) EXPECT_TRUE(action(name)->isEnabled()) << name;
}

TEST_F(ModelMenu, InspectionPointsOfTheChosenFlankGridAndFile) {
    design();
    window->models().setInspectionChooser([] {
        return InspectionRequest{model::InspectedFlank::Wheel, model::WormKind::Ground, {5, 4}};
    });
    const QString csv = work.filePath("points");
    desktop.saveNames = {csv};
    action("ModelPoints")->trigger();
    QFile file(csv + ".csv");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the .csv ending is added";
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains("蜗轮齿面"));
    EXPECT_EQ(text.count('\n'), 7 + 20);
    EXPECT_TRUE(desktop.messages.isEmpty());
}

// 啮合分析 → 接触斑点…: the dialog gets the grade's limits for 160/45/1
// (grade 7: fa 45 μm, fx 36 μm), the pattern at +fa is computed and written.
TEST_F(ModelMenu, MarkingPatternWithinTheGradesLimitsWrittenAsCsv) {
    design();
    ASSERT_TRUE(action("AnalysisPattern")->isEnabled());
    std::optional<analysis::PatternLimits> seen;
    window->analysis().setPatternDialog([&](const analysis::PatternLimits& limits) {
        seen = limits;
        analysis::PatternSettings settings;
        settings.heights = 11, settings.radii = 7, settings.positions = 10;
        settings.centreDistanceError = limits.centreDistance;
        const std::optional<analysis::PatternMap> map = window->analysis().computePattern(settings);
        ASSERT_TRUE(map);
        EXPECT_GT(map->flankShare, 0);
        EXPECT_FALSE(analysis::contactLinesInCells(*map).empty()) << "drawn over the pattern";
        desktop.saveNames = {work.filePath("pattern")};
        EXPECT_TRUE(window->analysis().writeCsv("p.csv", map->csv));
    });
    action("AnalysisPattern")->trigger();
    ASSERT_TRUE(seen);
    EXPECT_NEAR(seen->centreDistance, 0.045, 1e-12);
    EXPECT_NEAR(seen->shift, 0.036, 1e-12);
    QFile file(work.filePath("pattern.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains("中心距 0.0450 mm")) << text.left(400).toStdString();
    EXPECT_TRUE(desktop.messages.isEmpty());
}

// 啮合分析 → 接触线…: the lines of both kinds, on both flanks, written as CSV.
TEST_F(ModelMenu, ContactLinesDrawnOnBothFlanksWrittenAsCsv) {
    design();
    bool asked = false;
    window->analysis().setContactDialog([&] {
        asked = true;
        analysis::ContactSettings settings;
        settings.positions = 3;
        const std::optional<analysis::ContactMap> map =
            window->analysis().computeContactLines(settings);
        ASSERT_TRUE(map);
        std::set<int> kinds;
        for (const analysis::ContactMap::Line& line : map->lines) {
            kinds.insert(line.kind);
            EXPECT_EQ(line.onWorm.size(), line.onWheel.size());
        }
        EXPECT_EQ(kinds, (std::set<int>{1, 2}));
        desktop.saveNames = {work.filePath("lines")};
        EXPECT_TRUE(window->analysis().writeCsv("l.csv", map->csv));
    });
    action("AnalysisLines")->trigger();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(QFile::exists(work.filePath("lines.csv")));
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(ModelMenu, WormShownTurnedAndWrittenAsStep) {
    design();
    action("ModelWorm")->trigger();
    QWidget* shown = window->findChild<QWidget*>("ModelWindow");
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_FALSE(desktop.workReports.empty()) << "the build reports its progress";
    EXPECT_TRUE(shown->findChild<QLabel*>("ModelSummary")->text().contains("齿面构成：母平面包络 100.0%"));
    ModelView* view = shown->findChild<ModelView*>("ModelView");
    const QImage before = view->picture();
    // the part fills a good share of the picture, in colour
    int coloured = 0;
    for (int y = 0; y < before.height(); y += 4)
        for (int x = 0; x < before.width(); x += 4)
            coloured += qRed(before.pixel(x, y)) > qBlue(before.pixel(x, y)) + 20;
    EXPECT_GT(coloured, 1000);
    QTest::mouseMove(view, QPoint(100, 100));
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 100));
    QMouseEvent drag(QEvent::MouseMove, QPointF(180, 120), QPointF(180, 120), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drag);
    EXPECT_NE(view->picture(), before) << "dragging turns the part";

    const QString step = work.filePath("蜗杆.step");
    desktop.saveNames = {step};
    QTest::mouseClick(shown->findChild<QPushButton*>("ModelExportStep"), Qt::LeftButton);
    const model::StepContents read = model::readStep(readWholeFile(step.toStdString()));
    EXPECT_EQ(read.names, std::vector<std::string>{"蜗杆"});
}

TEST_F(ModelMenu, PartsOfTheDesignAreKeptUntilItChanges) {
    design();
    const auto changeBacklash = [&] {
        QTest::mouseClick(window->findChild<QToolButton*>("SpeedButton3"), Qt::LeftButton);
        QLineEdit* backlash = window->findChild<QLineEdit*>("Edit8");
        backlash->selectAll();
        QTest::keyClicks(backlash, "0.2");
        QTest::mouseClick(window->findChild<QToolButton*>("SpeedButton4"), Qt::LeftButton);
    };
    const struct {
        const char* name;
        std::function<void()> before;  // a change of the design, if any
        const char* command;
        const char* built;  // the parts whose stages the build reports; nullptr: no build
    } steps[] = {
        {"first worm", nullptr, "ModelWorm", "蜗杆"},
        {"the worm again", nullptr, "ModelWorm", nullptr},
        {"the pair takes the kept worm", nullptr, "ModelPair", "蜗轮"},
        {"the pair again", nullptr, "ModelPair", nullptr},
        {"the worm after a change", changeBacklash, "ModelWorm", "蜗杆"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.before) step.before();
        const qsizetype runs = desktop.workTitles.size();
        desktop.workReports.clear();
        action(step.command)->trigger();
        ASSERT_TRUE(desktop.messages.isEmpty()) << desktop.messages.join('\n').toStdString();
        EXPECT_TRUE(window->findChild<QWidget*>("ModelWindow")->isVisible());
        EXPECT_EQ(desktop.workTitles.size(), runs + (step.built ? 1 : 0));
        QStringList parts;
        for (const auto& report : desktop.workReports)
            if (!parts.contains(report.text.left(2))) parts << report.text.left(2);
        EXPECT_EQ(parts, step.built ? QStringList{step.built} : QStringList{});
    }
}

TEST_F(ModelMenu, WithoutTheModelsModuleSaysSoAndShowsNothing) {
    ASSERT_TRUE(QFile::remove(program.filePath(model::kModelModuleFile)));
    design();
    action("ModelWorm")->trigger();
    EXPECT_EQ(window->findChild<QWidget*>("ModelWindow"), nullptr);
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_TRUE(desktop.messages[0].contains(QStringLiteral("三维模型组件未能加载")))
        << desktop.messages[0].toStdString();
}

TEST_F(ModelMenu, CancelledBuildShowsNothing) {
    design();
    desktop.cancelAfterReports = 1;
    action("ModelWheel")->trigger();
    EXPECT_EQ(window->findChild<QWidget*>("ModelWindow"), nullptr);
    EXPECT_TRUE(desktop.messages.isEmpty());
}

}  // namespace
}  // namespace wormpair
