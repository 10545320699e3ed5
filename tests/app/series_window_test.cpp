// 系列设计 driven from the main window: the dialog's lists, the table with its
// red cells, sorting and filter, a row opened as the current design, the
// export, a cancelled run and refused lists. The desktop is the scripted fake.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <ostream>

#include "app/forms/form_look.h"
#include "app/main_window.h"
#include "app/series_dialog.h"
#include "application_environment.h"
#include "fake_platform.h"
#include "series/series_design.h"
#include "xls/xls_read_write.h"

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using wormpair::SeriesRow;

[[maybe_unused]] auto* const environment = wormpair::testing::installApplication<QApplication>();

class SeriesWindow : public ::testing::Test {
  public:
    void SetUp() override {
        for (const char* name : {"db1.mdb", "db1.ccq", "v.txt", "111.xls"}) {
            ASSERT_TRUE(QFile::copy(QStringLiteral(WORMPAIR_PROGRAM_DIR) + name,
                                    programDir.filePath(name)));
        }
        window = std::make_unique<wormpair::TForm1>(desktop.platform(), programDir.path() + '/');
        window->show();
        QApplication::processEvents();
        window->findChild<QAction*>("NSeries")->trigger();
        dialog = window->findChild<wormpair::TSeriesDialog*>("SeriesDialog");
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->isVisible());
    }
    void TearDown() override {
        window->close();
        window.reset();
        QApplication::processEvents();
    }

    template <typename T>
    T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    void retype(const char* name, const QString& text) {
        QLineEdit* edit = find<QLineEdit>(name);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    void press(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    QAbstractItemModel& table() const { return *dialog->table().model(); }
    int column(const char* key) const { return wormpair::seriesColumnIndex(key); }
    QString cell(int row, const char* key) const {
        return table().index(row, column(key)).data().toString();
    }
    void doubleClick(int row) {
        QTableView& view = dialog->table();
        const QPoint place = view.visualRect(table().index(row, 0)).center();
        // a view takes a double-click on the item its press went to
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, place);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, place);
    }
    QString field(const char* name) const { return find<QLineEdit>(name)->text(); }
    void reopen() {
        find<QAction>("NSeries")->trigger();
        ASSERT_TRUE(dialog->isVisible());
    }

    QTemporaryDir programDir, work;
    wormpair::FakePlatform desktop;
    std::unique_ptr<wormpair::TForm1> window;
    wormpair::TSeriesDialog* dialog = nullptr;
};

TEST_F(SeriesWindow, TheStandardSeriesInATableToSortFilterAndCheck) {
    press("DesignButton");
    EXPECT_EQ(desktop.workTitles, QStringList{"系列设计"});
    ASSERT_EQ(table().rowCount(), 14 * 12);
    EXPECT_EQ(cell(0, "Edit1"), "80");
    EXPECT_EQ(cell(1, "ratio"), "12.5");
    EXPECT_EQ(cell(1, "Edit4"), "2");

    int red = 0;
    int clean = 0;
    const auto& rows = window->series().rows();
    for (const SeriesRow& row : rows) clean += row.clean();
    for (int r = 0; r < table().rowCount(); ++r) {
        for (const char* label : {"Label14", "Label28", "Label53", "geometry"}) {
            const QModelIndex index = table().index(r, column(label));
            const std::string& reason = rows[std::size_t(r)].cell(label).warning;
            EXPECT_EQ(index.data(Qt::ToolTipRole).toString().toStdString(), reason);
            if (reason.empty()) continue;
            ++red;
            EXPECT_EQ(index.data(Qt::BackgroundRole).value<QColor>(),
                      wormpair::forms::warningColour());
            EXPECT_NE(reason.find(rows[std::size_t(r)].cell(label).text), std::string::npos)
                << "the reason names the value: " << reason;
        }
    }
    EXPECT_GT(red, 0);
    // 80 / 31.5: the machines' finding alone makes the row a warned one
    EXPECT_EQ(cell(5, "geometry"), "齿圈宽度有 14% 未被滚刀切到，轮齿向两侧渐消");
    EXPECT_TRUE(rows[5].completed && !rows[5].clean());
    EXPECT_TRUE(find<QLabel>("SummaryLabel")->text().startsWith("168 个设计："));

    // numbers sort as numbers: 630 above 80
    dialog->table().sortByColumn(column("Edit1"), Qt::DescendingOrder);
    EXPECT_EQ(cell(0, "Edit1"), "630");
    find<QCheckBox>("CleanOnlyBox")->click();
    EXPECT_EQ(table().rowCount(), clean);
    EXPECT_LT(clean, 14 * 12);
    find<QCheckBox>("CleanOnlyBox")->click();
    EXPECT_EQ(table().rowCount(), 14 * 12);
}

TEST_F(SeriesWindow, ARowOpensAsTheCurrentDesignAfterTheUnsavedQuestion) {
    retype("CentreDistancesEdit", "160, 1700");
    retype("RatiosEdit", "40, 12.5");
    press("DesignButton");
    ASSERT_EQ(table().rowCount(), 4);

    doubleClick(1);  // 160, 12.5: nothing unsaved yet, nothing asked
    EXPECT_TRUE(desktop.questions.isEmpty());
    EXPECT_FALSE(dialog->isVisible()) << "the design is in view";
    const SeriesRow& opened = window->series().rows()[1];
    for (const char* name : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8",
                             "Edit9", "Edit11", "Edit12", "Edit13"}) {
        EXPECT_EQ(field(name).toStdString(), opened.cell(name).text) << name;
    }
    EXPECT_FALSE(find<QLineEdit>("Edit1")->isEnabled()) << "the basic inputs are locked";
    EXPECT_TRUE(find<QWidget>("GroupBox1")->isVisibleTo(window.get()));
    EXPECT_FALSE(window->design().document().designSaved);
    EXPECT_TRUE(window->design().document().designFilePath.empty());
    EXPECT_TRUE(desktop.messages.isEmpty());

    find<QCheckBox>("CheckBox1")->click();  // 取整数 on the design in view
    reopen();
    using Answer = wormpair::MessageBoxes::Answer;
    for (const Answer keep : {Answer::Cancel, Answer::Yes}) {  // 是, then the save dialog cancelled
        desktop.threeWayAnswers = {keep};
        doubleClick(0);
        EXPECT_EQ(field("Edit3"), "25") << "the design in view stays";
    }
    EXPECT_EQ(desktop.questions, QStringList(2, "数据尚未保存，是否保存？"));
    desktop.threeWayAnswers = {Answer::No};  // the row replaces it, as it was designed
    doubleClick(0);
    EXPECT_EQ(field("Edit3"), "40");
    EXPECT_FALSE(find<QCheckBox>("CheckBox1")->isChecked());
    const SeriesRow& replaced = window->series().rows()[0];
    EXPECT_EQ(find<QLabel>("Label8")->text().toStdString(),
              replaced.cell("Label8").text + "-----蜗杆齿根圆弧半径");

    reopen();
    doubleClick(2);  // 1700: beyond the rules, nothing to open
    EXPECT_EQ(field("Edit1"), "160");
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_TRUE(desktop.messages[0].startsWith("这一对没有完成设计，不能打开："));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(SeriesWindow, ExportCancelAndRefusedLists) {
    retype("CentreDistancesEdit", "100");
    press("DesignButton");
    ASSERT_EQ(table().rowCount(), 12);

    desktop.saveNames = {work.filePath("series"), work.filePath("series.csv")};
    press("ExportButton");
    press("ExportButton");
    EXPECT_EQ(desktop.dialogFilters,
              (QStringList{"Excel 97-2003 工作簿|*.xls", "Excel 97-2003 工作簿|*.xls"}));
    wormpair::TXLSReadWriteII4 workbook;
    workbook.setFilename(work.filePath("series.xls").toStdString());
    workbook.readWorkbook();
    EXPECT_EQ(workbook.getCellText(0, 0), "中心距 a/mm");
    EXPECT_EQ(workbook.getCellText(0, 12), "100");
    QFile csv(work.filePath("series.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readLine().startsWith("中心距 a/mm,公称速比 i,"));
    csv.close();

    // the export writes what the table shows: filtered, in the order sorted
    dialog->table().sortByColumn(column("ratio"), Qt::DescendingOrder);
    find<QCheckBox>("CleanOnlyBox")->click();
    ASSERT_LT(table().rowCount(), 12);
    desktop.saveNames = {work.filePath("shown.csv")};
    press("ExportButton");
    QFile shown(work.filePath("shown.csv"));
    ASSERT_TRUE(shown.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(shown.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), table().rowCount() + 1);
    for (int r = 0; r < table().rowCount(); ++r) {
        EXPECT_EQ(lines[r + 1].section(',', 1, 1), cell(r, "ratio")) << r;
    }
    find<QCheckBox>("CleanOnlyBox")->click();
    const QString nowhere = work.filePath("no-such-folder/series.xls");
    desktop.saveNames = {nowhere};
    press("ExportButton");
    EXPECT_EQ(desktop.messages, QStringList{"导出失败：不能写入文件“" + nowhere +
                                            "”（文件夹不存在、只读或磁盘已满），原有文件保持不变"});
    desktop.messages.clear();

    desktop.cancelAfterReports = 1;  // 取消 during the run: the table stays
    retype("CentreDistancesEdit", "80, 125");
    press("DesignButton");
    EXPECT_EQ(table().rowCount(), 12);
    EXPECT_EQ(find<QLabel>("SummaryLabel")->text(), "系列设计已取消；表中仍是上次的 12 个设计");

    desktop.cancelAfterReports = -1;
    retype("RatiosEdit", "10, x");
    press("DesignButton");
    EXPECT_EQ(desktop.messages, QStringList{"速比“x”不是数字"});
    EXPECT_EQ(table().rowCount(), 12);
}

}  // namespace
