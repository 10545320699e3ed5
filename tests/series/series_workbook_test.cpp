// The standard series workbook as two readers that share no code with ours
// see it: python3-xlrd (sheets, number and text cells, the red cells) and
// LibreOffice (converted to CSV, every number as the window prints it).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <map>
#include <string>
#include <vector>

#include "calc/numeric.h"
#include "program_run.h"
#include "series/series_design.h"
#include "series/series_output.h"
#include "store/parameter_database.h"
#include "store/startup_load.h"

namespace wormpair {
namespace {

using testing::runProgram;
using testing::shellQuoted;

class SeriesWorkbook : public ::testing::Test {
  protected:
    void SetUp() override {
        const ParameterDatabase database(WORMPAIR_PROGRAM_DIR);
        CoefficientSet coefficients;
        ASSERT_TRUE(loadCoefficients(database, coefficients).ok);
        PreloadedRuleTables tables(database);
        const std::vector<std::string> centres(kStandardCentreDistances.begin(),
                                               kStandardCentreDistances.end());
        const std::vector<std::string> ratios(kStandardRatios.begin(), kStandardRatios.end());
        // one ratio no starts make whole: a row that says why
        std::vector<std::string> withBad = ratios;
        withBad.push_back("10.3");
        rows = designSeries(tables, coefficients, planSeries(centres, withBad, {}), {});
        path = dir.filePath("series.xls").toStdString();
        writeSeries(path, SeriesFormat::Workbook, rows, {}, true);
    }

    QTemporaryDir dir;
    std::string path;
    std::vector<SeriesRow> rows;
};

TEST_F(SeriesWorkbook, XlrdReadsNumbersAsNumbersAndTheRedCells) {
    const std::string python = testing::foundProgram(WORMPAIR_XLRD_PYTHON);
    ASSERT_FALSE(python.empty()) << "python3 with xlrd not found: run scripts/setup.sh";
    const auto [status, output] = runProgram(
        shellQuoted(python) + " " + shellQuoted(WORMPAIR_SOURCE_DIR "tests/xls/xlrd_dump.py") +
        " " + shellQuoted(path));
    ASSERT_EQ(status, 0) << output;
    const QJsonArray sheets =
        QJsonDocument::fromJson(QByteArray::fromStdString(output))["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 1 + 14);
    EXPECT_EQ(sheets[0]["name"].toString(), QStringLiteral("汇总"));
    EXPECT_EQ(sheets[1]["name"].toString(), QStringLiteral("中心距 80"));
    EXPECT_EQ(sheets[14]["name"].toString(), QStringLiteral("中心距 630"));
    EXPECT_EQ(sheets[0]["frozen_rows"].toInt(), 1) << "the captions stay in view";

    const std::vector<SeriesColumn>& columns = seriesColumns();
    std::map<std::pair<int, int>, QJsonArray> summary;
    for (const QJsonValue& cell : sheets[0]["cells"].toArray()) {
        summary[{cell[0].toInt(), cell[1].toInt()}] = cell.toArray();
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const QJsonArray caption = summary.at({0, int(c)});
        EXPECT_EQ(caption[3].toString().toStdString(), columns[c].caption);
        EXPECT_TRUE(caption[5].toBool()) << "captions are bold";
    }
    std::size_t red = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const SeriesCell& cell = rows[r].cells[c];
            const auto found = summary.find({int(r) + 1, int(c)});
            SCOPED_TRACE(std::to_string(r) + "," + columns[c].key);
            if (cell.text.empty()) {
                EXPECT_EQ(found, summary.end());
                continue;
            }
            ASSERT_NE(found, summary.end());
            const QJsonArray got = found->second;
            if (cell.isNumber) {
                EXPECT_EQ(got[2].toString(), "number");
                EXPECT_EQ(got[3].toDouble(), parseReal(cell.text));
            } else {
                EXPECT_EQ(got[2].toString(), "text");
                EXPECT_EQ(got[3].toString().toStdString(), cell.text);
            }
            const bool marked = !cell.warning.empty() || columns[c].key == "message";
            EXPECT_EQ(got[4].isNull() ? -1 : got[4].toInt(), marked ? 0x0A : -1);
            red += !cell.warning.empty();
        }
    }
    EXPECT_GT(red, 0u);
    // the sheet of a centre distance holds its rows
    const QJsonArray ownCells = sheets[4]["cells"].toArray();  // 中心距 160
    int lastRow = 0;
    for (const QJsonValue& cell : ownCells) lastRow = std::max(lastRow, cell[0].toInt());
    EXPECT_EQ(lastRow, 13);
}

TEST_F(SeriesWorkbook, LibreOfficeShowsTheNumbersTheWindowPrints) {
    const std::string soffice = testing::foundProgram(WORMPAIR_SOFFICE);
    ASSERT_FALSE(soffice.empty()) << "LibreOffice not found: run scripts/setup.sh";
    const std::string profile = "file://" + dir.filePath("profile").toStdString();
    const auto [status, output] = runProgram(
        shellQuoted(soffice) + " -env:UserInstallation=" + shellQuoted(profile) +
        " --headless --convert-to csv:\"Text - txt - csv (StarCalc)\":44,34,76 --outdir " +
        shellQuoted(dir.path().toStdString()) + " " + shellQuoted(path));
    ASSERT_EQ(status, 0) << output;
    QFile converted(dir.filePath("series.csv"));
    ASSERT_TRUE(converted.open(QIODevice::ReadOnly)) << output;
    const QStringList lines = QString::fromUtf8(converted.readAll()).split('\n');
    ASSERT_GE(lines.size(), qsizetype(rows.size() + 1));
    const std::size_t columnCount = seriesColumns().size();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        // numbers and plain texts have no commas here; the rest are quoted at the end
        const QStringList fields = lines[qsizetype(r + 1)].split(',');
        for (std::size_t c = 0; c + 2 < columnCount; ++c) {
            const SeriesCell& cell = rows[r].cells[c];
            if (cell.isNumber) {
                EXPECT_EQ(fields[qsizetype(c)].toStdString(), cell.text) << r << "," << c;
            }
        }
    }
}

}  // namespace
}  // namespace wormpair
