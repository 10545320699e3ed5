// The series through the tool, checked against the tool's own design command
// pair by pair, and its files read back: CSV by a reader here, JSON by Qt,
// the workbook by python3-xlrd and LibreOffice.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "calc/numeric.h"
#include "calc/result_labels.h"
#include "cli/cli.h"
#include "series/series_design.h"
#include "series/series_output.h"
#include "store/parameter_database.h"
#include "store/startup_load.h"

namespace wormpair {
namespace {

struct ToolRun {
    int status;
    QString out, err;
};

ToolRun cli(const QStringList& arguments, const QString& programDirectory) {
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int status = runCli(arguments, programDirectory, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {status, out, err};
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// RFC 4180, as a script would read the file.
std::vector<std::vector<std::string>> readCsv(const std::string& text) {
    std::vector<std::vector<std::string>> lines(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            lines.back().push_back(std::move(field));
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            lines.back().push_back(std::move(field));
            field.clear();
            lines.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    lines.pop_back();  // after the last line break
    return lines;
}

std::size_t column(const char* key) { return static_cast<std::size_t>(seriesColumnIndex(key)); }

// A program directory whose rules differ from the shipped ones.
class ChangedRules {
  public:
    ChangedRules() {
        for (const char* name : {"db1.mdb", "db1.ccq"}) {
            QFile::copy(QStringLiteral(WORMPAIR_PROGRAM_DIR) + name, m_dir.filePath(name));
        }
        for (const QStringList& rule :
             {QStringList{"rules", "set", "1", "0.9"}, QStringList{"rules", "set", "6", "0.5"}}) {
            const ToolRun run = cli(rule, path());
            EXPECT_EQ(run.status, kExitRan) << run.err.toStdString();
        }
    }
    QString path() const { return m_dir.path() + '/'; }

  private:
    QTemporaryDir m_dir;
};

TEST(SeriesTool, EveryRowIsWhatTheDesignCommandPrintsOnShippedAndChangedRules) {
    ChangedRules changed;
    QTemporaryDir out;
    for (const QString& programDirectory : {QStringLiteral(WORMPAIR_PROGRAM_DIR), changed.path()}) {
        SCOPED_TRACE(programDirectory.toStdString());
        const QString csvPath = out.filePath("series.csv");
        const QString jsonPath = out.filePath("series.json");
        for (const QString& path : {csvPath, jsonPath}) {
            const ToolRun run = cli({"series", "-o", path}, programDirectory);
            ASSERT_EQ(run.status, kExitRan) << run.err.toStdString();
        }
        const auto csv = readCsv(readAll(csvPath).toStdString());
        const QJsonArray rows = QJsonDocument::fromJson(readAll(jsonPath))["rows"].toArray();
        ASSERT_EQ(csv.size(), 1u + 14u * 12u);
        ASSERT_EQ(rows.size(), 14 * 12);
        std::size_t warned = 0;
        for (std::size_t r = 0; r < 14 * 12; ++r) {
            const std::vector<std::string>& line = csv[r + 1];
            const QJsonObject row = rows[static_cast<qsizetype>(r)].toObject();
            const auto text = [&](const char* key) { return line.at(column(key)); };
            SCOPED_TRACE(text("Edit1") + " / " + text("ratio"));
            const ToolRun design =
                cli({"design", "--centre-distance", QString::fromStdString(text("Edit1")),
                     "--wheel-teeth", QString::fromStdString(text("Edit3")), "--worm-starts",
                     QString::fromStdString(text("Edit4")), "--json"},
                    programDirectory);
            ASSERT_EQ(design.status, kExitRan);
            const QJsonObject printed = QJsonDocument::fromJson(design.out.toUtf8()).object();
            EXPECT_EQ(row["ok"].toBool(), printed["ok"].toBool());
            for (const char* field : {"Edit2", "Edit5", "Edit6", "Edit7", "Edit8", "Edit9",
                                      "Edit11", "Edit12", "Edit13"}) {
                EXPECT_EQ(text(field), printed["inputs"][field].toString().toStdString()) << field;
            }
            for (const char* value : {"accuracyValue3", "accuracyValue4", "accuracyValue8",
                                      "accuracyValue9", "accuracyValue10", "accuracyValue11"}) {
                EXPECT_EQ(text(value), printed["accuracy"][value].toString().toStdString());
            }
            const QJsonObject labels = printed["labels"].toObject();
            for (const ResultGroup& group : resultGroups()) {
                for (const ResultLabel& label : group.labels) {
                    const QString name = QString::fromUtf8(label.name.data(), label.name.size());
                    ASSERT_TRUE(labels.contains(name)) << label.name;
                    EXPECT_EQ(text(label.name.data()) + std::string(label.suffix),
                              labels[name].toString().toStdString());
                }
            }
            std::set<QString> warnings;
            for (const QString& key : row["warnings"].toObject().keys()) warnings.insert(key);
            std::set<QString> red;
            for (const QJsonValue& label : printed["warnings"].toArray())
                red.insert(label.toString());
            EXPECT_EQ(warnings, red);
            warned += !red.empty();
            // the machines' findings, as a list and as the column's text
            EXPECT_EQ(row["geometry"].toArray(), printed["geometry"].toArray());
            QStringList findings;
            for (const QJsonValue& f : printed["geometry"].toArray()) findings << f.toString();
            EXPECT_EQ(text("geometry"), findings.join("；").toStdString());
            // the JSON holds the numbers of the texts, exactly
            const QJsonObject cells = row["cells"].toObject();
            for (const SeriesColumn& c : seriesColumns()) {
                const QJsonValue value = cells[QString::fromStdString(c.key)];
                if (value.isDouble()) {
                    EXPECT_EQ(value.toDouble(), parseReal(text(c.key.c_str())));
                }
            }
        }
        EXPECT_GT(warned, 0u) << "the standard series has red results to mark";
    }
}

TEST(SeriesTool, PairsThatCannotBeDesignedSayWhyRowByRow) {
    QTemporaryDir out;
    const QString path = out.filePath("some.csv");
    const ToolRun run = cli({"series", "--centre-distances", "160, 1700", "--ratios", "10,10.3",
                             "--starts", "auto", "-o", path},
                            WORMPAIR_PROGRAM_DIR);
    ASSERT_EQ(run.status, kExitRan) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("4 个设计：")));
    const auto csv = readCsv(readAll(path).toStdString());
    ASSERT_EQ(csv.size(), 5u);
    const std::size_t message = column("message");
    EXPECT_EQ(csv[1][message], "");
    EXPECT_EQ(csv[2][message], "速比 10.3 用 1、2、4 头蜗杆都得不到整数的蜗轮齿数");
    EXPECT_EQ(csv[3][message], "您输入的内容不符合要求,请输入合法数字且不能为空...")
        << "beyond the rules, as the window says it";
    EXPECT_EQ(csv[3][column("Label12")], "");

    // the texts come back exactly, quoted commas and all
    PreloadedRuleTables tables{ParameterDatabase(WORMPAIR_PROGRAM_DIR)};
    CoefficientSet coefficients;
    ASSERT_TRUE(loadCoefficients(ParameterDatabase(WORMPAIR_PROGRAM_DIR), coefficients).ok);
    const SeriesPlan plan = planSeries({"160", "1700"}, {"10", "10.3"}, {});
    const std::vector<SeriesRow> rows = designSeries(tables, coefficients, plan, {});
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].cells.size(); ++c) {
            EXPECT_EQ(csv[r + 1][c], rows[r].cells[c].text) << r << "," << c;
        }
    }

    // a failure while the checks run ends the run with its error, not the program
    const auto failing = [](std::size_t done, std::size_t) -> bool {
        if (done > 0) throw std::runtime_error("progress failed");
        return true;
    };
    EXPECT_THROW(designSeries(tables, coefficients, plan, {}, failing), std::runtime_error);
}

TEST(SeriesTool, BadListsAreRefusedAndNothingIsWritten) {
    QTemporaryDir out;
    const QString target = out.filePath("refused.xls");
    QStringList thousand, hundred;
    for (int a = 1; a <= 1000; ++a) thousand << QString::number(a);
    for (int i = 10; i < 110; ++i) hundred << QString::number(i);
    const struct {
        QStringList arguments;
        int status;
        const char* says;
    } cases[] = {
        {{"--centre-distances", ""}, kExitUsage, "中心距系列是空的"},
        {{"--ratios", "10,x"}, kExitUsage, "速比“x”不是数字"},
        {{"--centre-distances=-80"}, kExitUsage, "中心距“-80”必须大于 0"},
        {{"--ratios", "0"}, kExitUsage, "速比“0”必须大于 0"},
        {{"--starts", "3"}, kExitUsage, "蜗杆头数只能是"},
        {{"--grade", "9"}, kExitUsage, "--grade must be 6, 7 or 8"},
        {{"--centre-distances", thousand.join(','), "--ratios", hundred.join(',')},
         kExitUsage,
         "系列共 100000 个设计"},
        {{"-o", out.filePath("series.txt")}, kExitUsage, "OUT ends in .xls, .csv or .json"},
        {{"-o", out.filePath("no/such/folder.xls")}, kExitFailed, "folder.xls"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        QStringList arguments = QStringList{"series"} + c.arguments;
        if (!c.arguments.contains("-o")) arguments << "-o" << target;
        const ToolRun run = cli(arguments, WORMPAIR_PROGRAM_DIR);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << run.err.toStdString();
        EXPECT_TRUE(QDir(out.path()).isEmpty()) << "no file, not even a part of one";
    }
    EXPECT_EQ(cli({"series"}, WORMPAIR_PROGRAM_DIR).status, kExitUsage) << "no -o";
}

}  // namespace
}  // namespace wormpair
