#include "cli/cli.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace wormpair {
namespace {

struct CliRun {
    int status;
    QString out;
    QString err;
};

CliRun runWith(const QStringList& arguments) {
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int status = runCli(arguments, WORMPAIR_PROGRAM_DIR, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {status, out, err};
}

// The worked example with a wrapped-teeth limit of 8.
const QString kExampleCoefficients = "0.875,0.9,0.7,0.45,0,0.55,1.2,0,0.1,0.5,0.45,1,0.5,1,0.9,8";

QStringList calcArguments(const QString& backlash = "0.2") {
    return {"calc",           "--centre-distance",  "160", "--ratio",           "45",
            "--wheel-teeth",  "45",                 "--worm-starts",   "1",
            "--main-base-diameter", "104",          "--tip-eccentricity", "0.5",
            "--worm-diameter", "56",                "--backlash",      backlash,
            "--grinding-increment", "2",            "--coefficients",  kExampleCoefficients};
}

TEST(CliTest, CalcJsonCarriesLabelsWarningsAndRecord) {
    const CliRun run = runWith(calcArguments() << "--json");
    ASSERT_EQ(run.status, kExitRan) << run.err.toStdString();
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_TRUE(object.value("ok").toBool());
    EXPECT_TRUE(object.value("message").isNull());
    const QJsonObject labels = object.value("labels").toObject();
    EXPECT_EQ(labels.size(), 35);
    EXPECT_EQ(labels.value("Label24").toString(), QString("0.5-----蜗杆齿顶圆弧偏心量"));
    EXPECT_EQ(labels.value("Label52").toString(), QString("108.629----修形主基圆直径"));
    EXPECT_TRUE(object.value("warnings").toArray().isEmpty());
    const QJsonObject record = object.value("record").toObject();
    EXPECT_EQ(record.value("wheelReferenceDiameter").toDouble(), 264);
    EXPECT_EQ(record.value("motherPlaneInclinationText").toString(), QString("7.312"));
    EXPECT_EQ(record.value("inclinationAngleOffset").toInt(), 6);
}

TEST(CliTest, CalcFailureKeepsTheLabelsWrittenBeforeIt) {
    QStringList arguments = calcArguments();
    arguments[arguments.indexOf("--grinding-increment") + 1] = "";
    const CliRun run = runWith(arguments << "--json");
    ASSERT_EQ(run.status, kExitRan);
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_FALSE(object.value("ok").toBool());
    EXPECT_EQ(object.value("message").toString(), QString("只能输入合法数字，且不能为空"));
    EXPECT_EQ(object.value("labels").toObject().size(), 31);  // all but the modification group
}

TEST(CliTest, CalcTextOutputShowsGroupsAndMarksWarnings) {
    QStringList arguments = calcArguments();
    arguments[arguments.indexOf("--main-base-diameter") + 1] = "90";
    const CliRun run = runWith(arguments);
    ASSERT_EQ(run.status, kExitRan);
    for (const char* expected : {"传动特性\n", "蜗杆参数\n", "一般型传动修形参数\n",
                                 "----分度圆齿形角    <-- 超出推荐范围（红色）"}) {
        EXPECT_TRUE(run.out.contains(QString(expected))) << expected;
    }
    QStringList mismatch = calcArguments();
    mismatch[mismatch.indexOf("--ratio") + 1] = "46";
    const CliRun ratio = runWith(mismatch);
    EXPECT_TRUE(ratio.out.contains(QString("计算失败：输入参数不正确......（速比=齿数/头数）")));
}

TEST(CliTest, UsageErrorsExitWithTwo) {
    QStringList missing = calcArguments();
    missing.removeAt(missing.indexOf("--backlash") + 1);
    missing.removeAll("--backlash");
    const QList<QStringList> cases = {
        {},
        {"frobnicate"},
        missing,
        QStringList(calcArguments()) << "stray",
        QStringList(calcArguments()) << "--coefficients" << "1,2,3",
        QStringList(calcArguments()) << "--no-such-option",
    };
    for (const QStringList& arguments : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const CliRun run = runWith(arguments);
        EXPECT_EQ(run.status, kExitUsage);
        EXPECT_TRUE(run.err.contains("Usage: wormpair-cli"));
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(CliTest, EmptyAndNonNumericTextsAreCalculatedNotRefused) {
    const CliRun run = runWith(calcArguments("") << "--json");
    EXPECT_EQ(run.status, kExitRan);
    EXPECT_FALSE(QJsonDocument::fromJson(run.out.toUtf8()).object().value("ok").toBool());
}

}  // namespace
}  // namespace wormpair
