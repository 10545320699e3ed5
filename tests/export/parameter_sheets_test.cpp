// The three parameter sheets on both routes: the toolbar route through the
// workbook component (cells read back from the written file), the menu route
// through the scripted spreadsheet application (every step it received).

#include "export/parameter_sheets.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <string>

#include "fake_platform.h"
#include "xls/xls_read_write.h"

namespace wormpair {
namespace {

// A calculated design, the values chosen so that each cell's source shows.
SheetSources example() {
    SheetSources s;
    DesignRecord& r = s.record;
    r.transverseModule = 5.667;
    r.wrappedTeeth = 4.5;
    r.hobWrappedTeeth = 5;
    r.motherPlaneInclinationText = "5°46'19\"";
    r.workingHalfWrapAngle = 18.25;
    r.throatLeadAngle = 4.982;
    r.pressureAngle = 22.5;
    r.wormNormalChordalThickness = 4.5;
    r.wormNormalChordalHeight = 3.906;
    r.backlash = 0.2;
    r.hobNormalChordalThickness = 4.5L + static_cast<long double>(0.2);  // as Calculate sums
    r.hobNormalChordalHeight = 5.606;
    r.wheelNormalChordalThickness = 9.755;
    r.wheelNormalChordalHeight = 4.061;
    r.mainBaseDiameter = 100;
    r.modifiedCentreDistance = 161.1334;
    r.modifiedRatio = 45.4;
    r.modifiedMainBaseDiameter = 100.8956;
    r.modifiedInclination = 5.788;
    s.accuracy = {"18", "30", "0.08", "21", "80", "0.11"};
    s.centreDistance = "160";
    s.wheelTeeth = "45";
    s.wormStarts = "1";
    s.gradeDesignation = "7j(GB/T16445-1996)";
    s.hand = "右旋";
    s.entryRelief = "0.3 * 3.6";
    s.exitRelief = "0.2 * 2.4";
    s.grindingIncrement = "0.4";
    return s;
}

// Every value of every sheet on both routes stands in the row whose caption
// names it: each source gets a text of its own, and the caption of the row it
// lands in, in the template the route fills, must name that source.
TEST(SheetLayout, EveryValueStandsBesideItsOwnCaption) {
    SheetSources s;
    DesignRecord& r = s.record;
    const std::pair<double DesignRecord::*, double> numbers[] = {
        {&DesignRecord::transverseModule, 5.111}, {&DesignRecord::wrappedTeeth, 4.5},
        {&DesignRecord::hobWrappedTeeth, 6}, {&DesignRecord::workingHalfWrapAngle, 16.2},
        {&DesignRecord::throatLeadAngle, 5.98}, {&DesignRecord::pressureAngle, 23.2},
        {&DesignRecord::wormNormalChordalThickness, 8.05}, {&DesignRecord::wormNormalChordalHeight, 4.045},
        {&DesignRecord::hobNormalChordalHeight, 5.805}, {&DesignRecord::wheelNormalChordalThickness, 10.083},
        {&DesignRecord::wheelNormalChordalHeight, 4.204}, {&DesignRecord::backlash, 0.2},
        {&DesignRecord::mainBaseDiameter, 104}, {&DesignRecord::modifiedCentreDistance, 165.867},
        {&DesignRecord::modifiedRatio, 47}, {&DesignRecord::modifiedMainBaseDiameter, 108.629},
        {&DesignRecord::modifiedInclination, 7.424}};
    for (const auto& [field, value] : numbers) r.*field = value;
    r.hobNormalChordalThickness = 8.25L;
    r.motherPlaneInclinationText = "7.31";
    s.accuracy = {"18", "30", "0.08", "21", "80", "0.11"};
    s.centreDistance = "160.0";
    s.wheelTeeth = "45";
    s.wormStarts = "3";
    s.gradeDesignation = "7j(GB/T16445-1996)";
    s.hand = "左旋";
    s.entryRelief = "0.3 * 3.6";
    s.exitRelief = "0.2 * 2.4";
    s.grindingIncrement = "0.45";
    // the text each source writes -> what the caption of its row must say
    const std::map<std::string, std::string> meaning = {
        {"5.111", "端面模数"}, {"4.5", "包围齿数"}, {"6", "包围齿数"}, {"16.2", "工作半包角"},
        {"5.98", "导程角"}, {"23.2", "齿形角"}, {"8.05", "法向弦齿厚"}, {"4.045", "法向弦齿高"},
        {"8.25", "滚刀法向弦齿厚"}, {"5.805", "滚刀法向弦齿高"}, {"10.083", "蜗轮法向弦齿厚"},
        {"4.204", "蜗轮法向弦齿高"}, {"0.2", "侧隙"}, {"104", "主基圆直径"},
        {"165.867", "修形中心距"}, {"47", "修形传动比"}, {"108.629", "修形主基圆直径"},
        {"7.424", "修形母面倾斜角"}, {"7.31", "母平面倾斜角"}, {"7", "之差"},
        {"18", "齿距极限偏差"}, {"30", "齿距累积公差"}, {"-0.08", "齿厚"}, {"21", "齿距极限偏差"},
        {"80", "齿距累积公差"}, {"+0.11", "齿厚"}, {"-0.11", "齿厚"}, {"160.0", "中心距"},
        {"45", "蜗轮齿数"}, {"3", "蜗杆头数"}, {"7j(GB/T16445-1996)", "精度等级"},
        {"左旋", "旋向"}, {"右", "旋向"}, {"0.3 * 3.6", "入口修缘"}, {"0.2 * 2.4", "出口修缘"},
        {"0.45", "磨齿增量"}};
    for (const Sheet sheet : {Sheet::Worm, Sheet::Hob, Sheet::Wheel}) {
        for (const bool menuRoute : {false, true}) {
            const char* name =
                menuRoute ? sheetFiles(sheet).menuTemplateName : sheetFiles(sheet).templateName;
            SCOPED_TRACE(name);
            TXLSReadWriteII4 layout;
            layout.setFilename(std::string(WORMPAIR_PROGRAM_DIR) + name);
            layout.readWorkbook();
            for (const CellText& cell : menuRoute ? menuCells(sheet, s) : toolbarCells(sheet, s)) {
                if (cell.text.empty()) continue;  // a cell the route empties
                const auto meant = meaning.find(cell.text);
                ASSERT_NE(meant, meaning.end()) << cell.cell << " = " << cell.text;
                const std::string caption = layout.getCellText(0, cellPosition(cell.cell)->row);
                EXPECT_NE(caption.find(meant->second), std::string::npos)
                    << cell.cell << " = " << cell.text << " stands beside '" << caption << "'";
            }
        }
    }
}

class SheetExport : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid() && work.isValid());
        for (const char* name : {"1.xls", "11.xls", "1111.xls", "1m.xls", "11m.xls", "1111m.xls"}) {
            ASSERT_TRUE(
                QFile::copy(QString(WORMPAIR_PROGRAM_DIR) + name, programDir.filePath(name)));
        }
    }

    QString program() const { return programDir.path() + '/'; }
    QString target(const QString& name) const { return work.filePath(name); }
    ExportDesktop desktop() { return {fake, fake, fake}; }

    ExportOutcome toolbar(Sheet sheet, const SheetSources& sources, const QString& answer) {
        fake.saveNames = {answer};
        TXLSReadWriteII4 workbook;
        return exportByToolbar(sheet, sources, program(), workbook, desktop());
    }
    ExportOutcome menu(Sheet sheet, const SheetSources& sources, const QString& answer) {
        fake.saveNames = {answer};
        return exportByMenu(sheet, sources, program(), fake.spreadsheets, handle, desktop());
    }

    // A cell of the first sheet of a written workbook.
    static std::string cellOf(const QString& file, const char* cell) {
        TXLSReadWriteII4 book;
        book.setFilename(file.toStdString());
        book.readWorkbook();
        const CellPosition at = *cellPosition(cell);
        return book.getCellText(at.column, at.row);
    }
    // A cell as the scripted application received it.
    std::string sentTo(const char* cell) const {
        const CellPosition at = *cellPosition(cell);
        const auto found = fake.spreadsheets.cells.find({at.row + 1, at.column + 1});
        return found == fake.spreadsheets.cells.end() ? "<not written>"
                                                      : found->second.toStdString();
    }

    QTemporaryDir programDir;
    QTemporaryDir work;
    FakePlatform fake;
    std::unique_ptr<SpreadsheetApplication> handle;
};

// Each sheet's cells on each route, as the two tables of each sheet list them.
TEST_F(SheetExport, EachRouteWritesItsOwnTableInOrder) {
    const struct {
        Sheet sheet;
        std::vector<const char*> menu;
        std::vector<const char*> toolbar;
    } tables[] = {
        {Sheet::Worm,
         {"C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9", "B10", "B11", "C12", "C13", "C14", "C15",
          "C17", "C18", "C19", "C20", "C21"},
         {"C2",  "C3",  "C4",  "C5",  "C6",  "C7",  "C8",  "C9",  "B10", "B11", "C12",
          "D13", "C14", "C15", "C16", "C17", "C18", "C20", "C21", "C22", "C23", "C24"}},
        {Sheet::Hob,
         {"C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9", "B10", "B11", "C12", "C13"},
         {"C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9", "B10", "C11", "D11", "C13"}},
        {Sheet::Wheel,
         {"C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9", "B10", "C11", "C12", "C13", "C14", "C15",
          "C16", "C17"},
         {"C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9", "B10", "C11", "C12", "C13", "C14", "D15",
          "C16", "C17", "C18"}},
    };
    for (const auto& table : tables) {
        SCOPED_TRACE(sheetFiles(table.sheet).templateName);
        std::vector<const char*> menuOrder, toolbarOrder;
        for (const CellText& c : menuCells(table.sheet, example())) menuOrder.push_back(c.cell);
        for (const CellText& c : toolbarCells(table.sheet, example()))
            toolbarOrder.push_back(c.cell);
        EXPECT_EQ(std::vector<std::string>(menuOrder.begin(), menuOrder.end()),
                  std::vector<std::string>(table.menu.begin(), table.menu.end()));
        EXPECT_EQ(std::vector<std::string>(toolbarOrder.begin(), toolbarOrder.end()),
                  std::vector<std::string>(table.toolbar.begin(), table.toolbar.end()));
    }
}

TEST_F(SheetExport, MenuRouteSendsTheEightStepsInOrder) {
    ASSERT_EQ(menu(Sheet::Hob, example(), target("gundao")), ExportOutcome::Written);
    QStringList expected = {"create", "visible=false", "open " + program() + "11m.xls"};
    for (const CellText& c : menuCells(Sheet::Hob, example())) {
        const CellPosition at = *cellPosition(c.cell);
        expected << QString("cell %1,%2=%3")
                        .arg(at.row + 1)
                        .arg(at.column + 1)
                        .arg(QString::fromStdString(c.text));
    }
    expected << "saveas " + target("gundao") << "saved=true"
             << "close"
             << "quit";
    EXPECT_EQ(fake.spreadsheets.steps, expected);
    EXPECT_EQ(fake.proposals, QStringList{"gundao"});
    EXPECT_EQ(fake.dialogFilters, QStringList{".xls"});
    EXPECT_EQ(fake.progressShown, 1);
    EXPECT_FALSE(fake.progressVisible);
    EXPECT_TRUE(fake.messages.isEmpty());
}

// The edge cases of the three sheets: (cell, text) on the menu route and on
// the toolbar route after a change of the sources.
TEST_F(SheetExport, CellsOnBothRoutes) {
    using Cells = std::map<const char*, std::string>;
    const struct Case {
        const char* name;
        Sheet sheet;
        std::function<void(SheetSources&)> change;
        Cells menu;
        Cells toolbar;
    } cases[] = {
        {"worm: the design's hand on both routes",
         Sheet::Worm,
         [](SheetSources& s) { s.hand = "左旋"; },
         {{"B10", "左旋"}},
         {{"B10", "左旋"}}},
        {"worm: empty tolerance texts",
         Sheet::Worm,
         [](SheetSources& s) { s.accuracy = {}; },
         {},
         {{"D13", "-"}, {"C17", ""}, {"C18", ""}}},
        {"worm: tolerance texts",
         Sheet::Worm,
         [](SheetSources&) {},
         {},
         {{"D13", "-0.08"}, {"C17", "18"}, {"C18", "30"}}},
        {"worm: modified centre distance to three decimals",
         Sheet::Worm,
         [](SheetSources&) {},
         {{"C18", "161.133"}, {"C20", "100.896"}, {"C21", "5.788"}, {"C19", "45.4"}},
         {{"C21", "161.133"}, {"C23", "100.896"}, {"C24", "5.788"}, {"C22", "45.4"}}},
        {"worm: a whole modified centre distance",
         Sheet::Worm,
         [](SheetSources& s) { s.record.modifiedCentreDistance = 160.9996; },
         {{"C18", "161"}},
         {{"C21", "161"}}},
        {"worm: texts of the fields as they stand",
         Sheet::Worm,
         [](SheetSources&) {},
         {{"C2", "1"},
          {"C3", "45"},
          {"B11", "7j(GB/T16445-1996)"},
          {"C14", "0.3 * 3.6"},
          {"C15", "0.2 * 2.4"},
          {"C17", "0.4"},
          {"C6", "5°46'19\""},
          {"C4", "5.667"}},
         {{"C15", "0.3 * 3.6"}, {"C16", "0.2 * 2.4"}, {"C20", "0.4"}, {"C14", "3.906"}}},
        {"hob: chordal thickness plus backlash",
         Sheet::Hob,
         [](SheetSources&) {},
         {{"C12", "4.7"}, {"C5", "5"}, {"C13", "5.606"}},
         {{"C11", "4.7"}, {"C13", "5.606"}}},
        {"hob: hand and tolerance",
         Sheet::Hob,
         [](SheetSources& s) { s.hand = "左旋"; },
         {{"B10", "左旋"}, {"B11", "左旋"}},
         {{"B10", "左旋"}, {"D11", "+0.11"}}},
        {"hob: empty tolerance",
         Sheet::Hob,
         [](SheetSources& s) { s.accuracy.accuracyValue11.clear(); },
         {},
         {{"D11", "+"}}},
        {"wheel: angle difference, the design's hand",
         Sheet::Wheel,
         [](SheetSources& s) { s.hand = "左旋"; },
         {{"C8", "4.25"}, {"B10", "左旋"}},
         {{"C8", "4.25"}, {"B10", "左旋"}}},
        {"wheel: centre distance as typed",
         Sheet::Wheel,
         [](SheetSources& s) { s.centreDistance = "250.0"; },
         {{"C15", "250.0"}, {"C16", ""}, {"C17", "100"}},
         {{"C16", "250.0"}}},
        {"wheel: tolerances",
         Sheet::Wheel,
         [](SheetSources&) {},
         {},
         {{"D15", "-0.11"}, {"C17", "21"}, {"C18", "80"}}},
        {"wheel: empty tolerances",
         Sheet::Wheel,
         [](SheetSources& s) { s.accuracy = {}; },
         {},
         {{"D15", "-"}, {"C17", ""}, {"C18", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SheetSources sources = example();
        c.change(sources);
        ASSERT_EQ(menu(c.sheet, sources, target("menu")), ExportOutcome::Written);
        for (const auto& [cell, text] : c.menu) EXPECT_EQ(sentTo(cell), text) << cell;
        ASSERT_EQ(toolbar(c.sheet, sources, target("toolbar.xls")), ExportOutcome::Written);
        for (const auto& [cell, text] : c.toolbar) {
            EXPECT_EQ(cellOf(target("toolbar.xls"), cell), text) << cell;
        }
        EXPECT_TRUE(fake.messages.isEmpty());
    }
}

TEST_F(SheetExport, ToolbarRouteKeepsTheTemplateAndReplacesTheTarget) {
    // a template cell no table of the route names keeps its content
    TXLSReadWriteII4 marked;
    marked.setFilename((program() + "1.xls").toStdString());
    marked.readWorkbook();
    marked.setCellText(2, 18, "模板内容");  // C19
    marked.writeWorkbook();
    const QByteArray templateBytes = [&] {
        QFile f(program() + "1.xls");
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QFile existing(target("wogan"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("an older sheet");
    existing.close();

    // the name without extension is used exactly as the dialog returned it
    ASSERT_EQ(toolbar(Sheet::Worm, example(), target("wogan")), ExportOutcome::Written);
    EXPECT_EQ(fake.proposals, QStringList{"wogan.xls"});
    EXPECT_EQ(cellOf(target("wogan"), "C19"), "模板内容");
    EXPECT_EQ(cellOf(target("wogan"), "C2"), "1");
    EXPECT_TRUE(fake.questions.isEmpty());
    QFile after(program() + "1.xls");
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), templateBytes);
}

TEST_F(SheetExport, CancellingWritesAndShowsNothing) {
    for (const Sheet sheet : {Sheet::Worm, Sheet::Hob, Sheet::Wheel}) {
        SCOPED_TRACE(sheetFiles(sheet).templateName);
        fake = FakePlatform();
        EXPECT_EQ(toolbar(sheet, example(), ""), ExportOutcome::Cancelled);
        EXPECT_EQ(menu(sheet, example(), ""), ExportOutcome::Cancelled);
        EXPECT_TRUE(QDir(work.path()).isEmpty());
        EXPECT_TRUE(fake.messages.isEmpty());
        EXPECT_EQ(fake.progressShown, 0);
        // the menu route asks before it starts the application
        EXPECT_EQ(fake.proposals.size(), 2);
        EXPECT_TRUE(fake.spreadsheets.steps.isEmpty()) << fake.spreadsheets.steps.join('|').toStdString();
    }
}

// A failure at any step shows the message, sends nothing more and leaves a
// progress window already shown open.
TEST_F(SheetExport, MenuRouteStopsAtTheFailingStep) {
    const struct {
        const char* failAt;
        bool progressLeftOpen;
    } cases[] = {{"create", false},   {"visible", false},   {"open", false},
                 {"cell 2,3", false}, {"cell 13,3", false}, {"saveas", true},
                 {"saved", true},     {"close", true},      {"quit", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failAt);
        handle.reset();
        fake = FakePlatform();
        fake.spreadsheets.failAt = c.failAt;
        EXPECT_EQ(menu(Sheet::Worm, example(), target("w")), ExportOutcome::Failed);
        EXPECT_EQ(fake.messages, QStringList{QString::fromUtf8(kExportFailedMessage.data())});
        EXPECT_TRUE(fake.spreadsheets.steps.last().startsWith(c.failAt));
        EXPECT_EQ(fake.progressVisible, c.progressLeftOpen);
        EXPECT_EQ(fake.progressClosed, 0);
        // the failed application lives on in the handle until the next export
        EXPECT_EQ(fake.spreadsheets.alive, std::string(c.failAt) == "create" ? 0 : 1);
    }
    fake.spreadsheets.failAt.clear();
    EXPECT_EQ(menu(Sheet::Worm, example(), target("w")), ExportOutcome::Written);
    EXPECT_EQ(fake.spreadsheets.alive, 1) << "the earlier application ended";
}

TEST_F(SheetExport, AMissingTemplateFailsBeforeAnyCell) {
    for (const Sheet sheet : {Sheet::Worm, Sheet::Hob, Sheet::Wheel}) {
        SCOPED_TRACE(sheetFiles(sheet).templateName);
        fake = FakePlatform();
        QFile::remove(program() + sheetFiles(sheet).templateName);
        QFile::remove(program() + sheetFiles(sheet).menuTemplateName);
        EXPECT_EQ(toolbar(sheet, example(), target("x.xls")), ExportOutcome::Failed);
        EXPECT_EQ(menu(sheet, example(), target("x.xls")), ExportOutcome::Failed);
        EXPECT_EQ(fake.messages.size(), 2);
        EXPECT_TRUE(fake.proposals.isEmpty()) << "no dialog after the failure";
        EXPECT_TRUE(QDir(work.path()).isEmpty());
    }
}

TEST(CellNames, ToBothCoordinates) {
    const struct {
        const char* name;
        int column, row;
    } valid[] = {
        {"C2", 2, 1}, {"D13", 3, 12}, {"B10", 1, 9}, {"IV65536", 255, 65535}, {"a1", 0, 0}};
    for (const auto& c : valid) {
        const auto at = cellPosition(c.name);
        ASSERT_TRUE(at) << c.name;
        EXPECT_EQ(at->column, c.column) << c.name;
        EXPECT_EQ(at->row, c.row) << c.name;
    }
    for (const char* bad : {"", "C", "2", "C0", "IW1", "A65537", "1A", "C2x", "ABCD1"}) {
        EXPECT_FALSE(cellPosition(bad)) << bad;
    }
}

}  // namespace
}  // namespace wormpair
