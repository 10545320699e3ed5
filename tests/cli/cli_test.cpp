#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <map>

namespace wormpair {
namespace {

struct CliRun {
    int status;
    QString out;
    QString err;
};

CliRun runWith(const QStringList& arguments,
               const QString& programDirectory = WORMPAIR_PROGRAM_DIR) {
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int status = runCli(arguments, programDirectory, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {status, out, err};
}

// The worked example with a wrapped-teeth limit of 8.
const QString kExampleCoefficients = "0.875,0.9,0.7,0.45,0,0.55,1.2,0,0.1,0.5,0.45,1,0.5,1,0.9,8";

QStringList calcArguments(const QString& backlash = "0.2") {
    return {"calc",
            "--centre-distance",
            "160",
            "--ratio",
            "45",
            "--wheel-teeth",
            "45",
            "--worm-starts",
            "1",
            "--main-base-diameter",
            "104",
            "--tip-eccentricity",
            "0.5",
            "--worm-diameter",
            "56",
            "--backlash",
            backlash,
            "--grinding-increment",
            "2",
            "--coefficients",
            kExampleCoefficients};
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
        QStringList(calcArguments()) << "--coefficients"
                                     << "1,2,3",
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

QJsonObject jsonOf(const CliRun& run) { return QJsonDocument::fromJson(run.out.toUtf8()).object(); }

TEST(CliDesignTest, RecommendedParametersAccuracyAndResults) {
    const CliRun run = runWith({"design", "--centre-distance", "160", "--wheel-teeth", "40",
                                "--worm-starts", "1", "--json"});
    ASSERT_EQ(run.status, kExitRan) << run.err.toStdString();
    const QJsonObject object = jsonOf(run);
    EXPECT_TRUE(object.value("ok").toBool());
    EXPECT_TRUE(object.value("message").isNull());
    const QJsonObject inputs = object.value("inputs").toObject();
    const std::pair<const char*, const char*> expected[] = {{"Edit1", "160"},
                                                            {"Edit2", "40"},
                                                            {"Edit3", "40"},
                                                            {"Edit4", "1"},
                                                            {"Edit5", "100"},
                                                            {"Edit6", "0"},
                                                            {"Edit9", "7j(GB/T16445-1996)"},
                                                            {"Edit10", "右旋"},
                                                            {"Edit13", "0.4"}};
    for (const auto& [field, text] : expected) {
        EXPECT_EQ(inputs.value(field).toString(), QString(text)) << field;
    }
    // "amount * length" from the relief tables
    EXPECT_TRUE(inputs.value("Edit11").toString().contains(" * "));
    EXPECT_FALSE(object.value("accuracy").toObject().value("accuracyValue8").toString().isEmpty());
    EXPECT_EQ(object.value("labels").toObject().size(), 35);
}

TEST(CliDesignTest, GradeAndBacklashOptions) {
    const CliRun run =
        runWith({"design", "--centre-distance", "160", "--wheel-teeth", "40", "--worm-starts", "1",
                 "--grade", "8", "--no-standard-backlash", "--json"});
    const QJsonObject inputs = jsonOf(run).value("inputs").toObject();
    EXPECT_EQ(inputs.value("Edit9").toString(), QString("8级(GB/T16445-1996)"));
    EXPECT_EQ(inputs.value("Edit8").toString(), QString("0"));
}

TEST(CliDesignTest, FailuresAreReportedAsTheWindowReportsThem) {
    struct Case {
        const char* centreDistance;
        const char* teeth;
        const char* firstMessage;
    };
    // each ends with the recommend button's message
    const Case cases[] = {
        {"abc", "40", "输入参数有误，请输入合法有效的数字........."},
        {"-100", "40", "输入参数有误，请输入合法有效的数字........."},  // a^0.875 of a negative
        {"5000", "40", "您输入的内容不符合要求,请输入合法数字且不能为空..."},  // beyond the tables
        {"160", "x", "参数输入不合法，请输入合法参数........."},               // fields emptied
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.centreDistance + std::string(" / ") + c.teeth);
        const CliRun run = runWith({"design", "--centre-distance", c.centreDistance,
                                    "--wheel-teeth", c.teeth, "--worm-starts", "1", "--json"});
        EXPECT_EQ(run.status, kExitRan);
        const QJsonObject object = jsonOf(run);
        EXPECT_FALSE(object.value("ok").toBool());
        EXPECT_EQ(object.value("message").toString(),
                  QString("您输入的内容不符合要求,请输入合法数字且不能为空..."));
        EXPECT_EQ(object.value("messages").toArray().first().toString(), QString(c.firstMessage));
        EXPECT_TRUE(object.value("labels").toObject().isEmpty());
    }
}

// design types into the window's fields, so an input method's full-width
// numbers are the ASCII ones; calc takes a field's text as it stands.
TEST(CliDesignTest, FullWidthNumbersAreTypedAsAscii) {
    const CliRun ascii = runWith({"design", "--centre-distance", "160", "--wheel-teeth", "40",
                                  "--worm-starts", "1", "--json"});
    const CliRun wide = runWith({"design", "--centre-distance", "１６０", "--wheel-teeth", "４０",
                                 "--worm-starts", "１", "--json"});
    EXPECT_TRUE(jsonOf(ascii).value("ok").toBool());
    EXPECT_EQ(wide.out, ascii.out);
    QStringList calc = calcArguments();
    calc[calc.indexOf("--centre-distance") + 1] = "１６０";
    EXPECT_EQ(jsonOf(runWith(calc << "--json")).value("message").toString(),
              QString("只能输入合法数字，且不能为空"));
}

// Outside the range the rules cover a design may calculate, or fail with a
// general message that stays as it is: the range is said beside it.
TEST(CliDesignTest, TheRangeIsSaidBesideTheResultOrMessage) {
    const struct {
        QStringList arguments;
        const char* notice;  // empty: inside the range
    } cases[] = {
        {{"design", "--centre-distance", "60", "--wheel-teeth", "40", "--worm-starts", "1"},
         "中心距 60 mm 超出计算范围（大于 70 mm、小于 1500 mm）"},
        {{"design", "--centre-distance", "2000", "--wheel-teeth", "40", "--worm-starts", "1"},
         "中心距 2000 mm 超出计算范围"},
        {{"design", "--centre-distance", "160", "--wheel-teeth", "150", "--worm-starts", "1"},
         "速比 150 超出计算范围（大于 7.5、小于 150）"},
        {{"design", "--centre-distance", "160", "--wheel-teeth", "40", "--worm-starts", "1"}, ""},
        {QStringList(calcArguments()).replaceInStrings(QRegularExpression("^160$"), "60"),
         "中心距 60 mm 超出"},
        {calcArguments(), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const QString notice = QString::fromUtf8(c.notice);
        EXPECT_EQ(runWith(c.arguments).out.contains("注意：" + notice), !notice.isEmpty());
        const QJsonObject object = jsonOf(runWith(QStringList(c.arguments) << "--json"));
        EXPECT_TRUE(object.value("rangeNotice").toString().contains(notice));
        EXPECT_EQ(object.contains("rangeNotice"), !notice.isEmpty());
    }
}

// What the grinding and the hob make of a design is said in a list of its
// own; a worm the plane envelops completely says nothing.
TEST(CliDesignTest, GeometryFindingsBesideTheLabels) {
    const auto geometry = [](const char* a, const char* z2) {
        return jsonOf(runWith({"design", "--centre-distance", a, "--wheel-teeth", z2,
                               "--worm-starts", "1", "--json"}))
            .value("geometry")
            .toArray();
    };
    const QJsonArray low = geometry("100", "10");
    ASSERT_EQ(low.size(), 1);
    EXPECT_TRUE(low[0].toString().contains("包络")) << low[0].toString().toStdString();
    EXPECT_TRUE(geometry("160", "40").isEmpty());
    EXPECT_TRUE(runWith({"design", "--centre-distance", "100", "--wheel-teeth", "10", "--worm-starts",
                         "1"})
                    .out.contains("蜗杆工作齿面有"));
}

TEST(CliCellsTest, DesignFileWrittenWithCellsOpensToTheSameDesign) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("160-45 设计.cqb");
    const QStringList texts = {
        "160",  "45",        "45",         "1", "104", "0.5", "56", "0.2", "7j(GB/T16445-1996)",
        "右旋", "0.4 * 3.6", "0.27 * 2.4", "2", ""};
    QStringList arguments = {"cells", QString(WORMPAIR_PROGRAM_DIR) + "111.xls", "-o", file};
    for (int row = 0; row < texts.size(); ++row) {
        arguments << "--set" << QString("A%1=%2").arg(row + 1).arg(texts[row]);
    }
    arguments << "--get"
              << "A9";
    const CliRun written = runWith(arguments);
    ASSERT_EQ(written.status, kExitRan) << written.err.toStdString();
    EXPECT_EQ(written.out, QString("7j(GB/T16445-1996)\n"));

    const CliRun opened = runWith({"open", file, "--json"});
    ASSERT_EQ(opened.status, kExitRan);
    const QJsonObject object = jsonOf(opened);
    EXPECT_TRUE(object.value("ok").toBool()) << opened.out.toStdString();
    const QJsonObject labels = object.value("labels").toObject();
    EXPECT_EQ(labels.value("Label13").toString(), QString("7.312-----母平面倾斜角"));
    EXPECT_EQ(object.value("inputs").toObject().value("Edit11").toString(), QString("0.4 * 3.6"));

    // its sheets, written by the same code as the window's toolbar route
    const QString sheet = dir.filePath("蜗轮");
    const CliRun exported = runWith({"export", "wheel", file, "-o", sheet});
    ASSERT_EQ(exported.status, kExitRan) << exported.err.toStdString();
    EXPECT_EQ(runWith({"cells", sheet, "--get", "C16", "--get", "C2"}).out, QString("160\n1\n"));
    const struct {
        QStringList arguments;
        int status;
    } failures[] = {
        {{"export", "gear", file, "-o", sheet}, kExitUsage},
        {{"export", "worm", file}, kExitUsage},
        {{"export", "worm", file, "-o", sheet, "--route", "fax"}, kExitUsage},
        {{"export", "worm", dir.filePath("none.cqb"), "-o", sheet}, kExitFailed},
        {{"export", "hob", file, "-o", dir.filePath("no/such/folder.xls")}, kExitFailed},
    };
    for (const auto& f : failures) {
        const CliRun run = runWith(f.arguments);
        EXPECT_EQ(run.status, f.status) << f.arguments.join(' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    // a centre distance that is no number: the open message, the cell beside it
    const QString bad = dir.filePath("bad.cqb");
    ASSERT_EQ(runWith({"cells", file, "--set", "A1=abc", "-o", bad}).status, kExitRan);
    const CliRun refused = runWith({"open", bad});
    EXPECT_EQ(refused.status, kExitFailed);
    EXPECT_TRUE(refused.err.contains("文件打开错误,或者您还没安装EXCEL.........\n"
                                     "单元格 A1（中心距）的内容“abc”不是数字"))
        << refused.err.toStdString();
}

TEST(CliCellsTest, ErrorsAndUsage) {
    const QString template111 = QString(WORMPAIR_PROGRAM_DIR) + "111.xls";
    const QList<QStringList> usage = {
        {"cells"},
        {"cells", template111, "--set", "A1=x"},  // no -o
        {"cells", template111, "--get", "1A"},
        {"cells", template111, "--set", "A0=x", "-o", "/tmp/x.xls"},
        {"open"},
    };
    for (const QStringList& arguments : usage) {
        EXPECT_EQ(runWith(arguments).status, kExitUsage) << arguments.join(' ').toStdString();
    }
    const CliRun missing = runWith({"cells", "/no/such/workbook.xls", "--get", "A1"});
    EXPECT_EQ(missing.status, kExitFailed);
    EXPECT_FALSE(missing.err.isEmpty());

    // a file that cannot be opened prints no input table, only the message
    for (const QString& file :
         {QString("/no/such/design.cqb"), QString(WORMPAIR_PROGRAM_DIR) + "1.xls"}) {
        const CliRun notDesign = runWith({"open", file, "--json"});
        EXPECT_EQ(notDesign.status, kExitFailed) << file.toStdString();
        EXPECT_TRUE(notDesign.out.isEmpty());
        EXPECT_TRUE(notDesign.err.contains("文件打开错误,或者您还没安装EXCEL........."));
    }
}

// Each is named for what it is; a pipe is never opened, so nothing blocks.
TEST(CliCellsTest, WhatIsNoWorkbookFileIsNamedForWhatItIs) {
    QTemporaryDir dir;
    const QString pipe = dir.filePath("pipe.xls");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QFile text(dir.filePath("text.xls"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("160\n45\n");
    text.close();
    const std::pair<QString, const char*> cases[] = {
        {dir.path(), "是文件夹，不是工作簿文件"},
        {text.fileName(), "不是 Excel 97-2003 工作簿（不是 OLE2 复合文档）"},
        {pipe, "不是普通文件"},
        {"/dev/null", "不是普通文件"},
        {dir.filePath("missing.xls"), "找不到该文件"},
    };
    for (const auto& [path, message] : cases) {
        const CliRun run = runWith({"cells", path, "--get", "A1"});
        EXPECT_EQ(run.status, kExitFailed) << path.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(message))) << run.err.toStdString();
    }
}

TEST(CliTest, ForAPersonFieldsGoByTheirCaptions) {
    const CliRun run = runWith(
        {"design", "--centre-distance", "160", "--wheel-teeth", "45", "--worm-starts", "1"});
    EXPECT_TRUE(run.out.contains("中心距　　　160\n")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("-----蜗杆齿根圆弧半径"));
    EXPECT_FALSE(run.out.contains("Edit1"));
    EXPECT_EQ(runWith({"--version"}).out, QString("wormpair-cli V8.601\n"));
}

TEST(CliRulesTest, DoWhatTheSettingsMenuDoes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.path() + '/';
    for (const char* name : {"db1.mdb", "db1.ccq"}) {
        ASSERT_TRUE(QFile::copy(QString(WORMPAIR_PROGRAM_DIR) + name, program + name));
    }
    const auto rules = [&] { return jsonOf(runWith({"rules", "--json"}, program)); };
    const auto database = [&] {
        QFile file(program + "db1.mdb");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    EXPECT_FALSE(rules().value("modified").toBool());
    const QJsonObject first = rules().value("rules").toArray().at(0).toObject();
    EXPECT_EQ(first.value("number").toInt(), 1);
    EXPECT_EQ(first.value("value").toDouble(), 0.875);
    EXPECT_EQ(first.value("name").toString(), QString("蜗杆分度圆直径指数"));
    EXPECT_TRUE(first.value("formula").toString().contains("d1"));

    EXPECT_EQ(runWith({"rules", "set", "1", "0.9"}, program).status, kExitRan);
    EXPECT_TRUE(rules().value("modified").toBool());
    EXPECT_TRUE(runWith({"rules"}, program).out.contains("* 1"));
    EXPECT_EQ(runWith({"rules", "save", program + "shop"}, program).status, kExitRan);
    EXPECT_EQ(runWith({"rules", "save", program + "shop"}, program).status, kExitFailed);
    EXPECT_EQ(runWith({"rules", "save", program + "shop", "--overwrite"}, program).status,
              kExitRan);
    EXPECT_EQ(runWith({"rules", "restore"}, program).status, kExitRan);
    EXPECT_FALSE(rules().value("modified").toBool());
    EXPECT_EQ(runWith({"rules", "load", program + "shop.ccq"}, program).status, kExitRan);
    EXPECT_EQ(rules().value("rules").toArray().at(0).toObject().value("value").toDouble(), 0.9);

    // refused values and files leave the database as it was
    const QByteArray before = database();
    const struct {
        QStringList arguments;
        int status;
    } refused[] = {
        {{"rules", "set", "1", "0,9"}, kExitFailed},
        {{"rules", "set", "1", "1e999"}, kExitFailed},
        {{"rules", "set", "1", "1e308"}, kExitFailed},
        {{"rules", "set", "16", "0"}, kExitFailed},
        {{"rules", "set", "17", "1"}, kExitUsage},
        {{"rules", "load", program + "db1.mdb-missing"}, kExitFailed},
        {{"rules", "load", QString(WORMPAIR_PROGRAM_DIR) + "1.xls"}, kExitFailed},
        {{"rules", "set", "1"}, kExitUsage},
        {{"rules", "save", program + "db1", "--overwrite"}, kExitFailed},
        {{"rules", "save", ""}, kExitFailed},
    };
    QFile factory(program + "db1.ccq");
    ASSERT_TRUE(factory.open(QIODevice::ReadOnly));
    const QByteArray factoryBytes = factory.readAll();
    for (const auto& r : refused) {
        const CliRun run = runWith(r.arguments, program);
        EXPECT_EQ(run.status, r.status) << r.arguments.join(' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty());
        EXPECT_EQ(database(), before);
    }
    factory.seek(0);
    EXPECT_EQ(factory.readAll(), factoryBytes);
    EXPECT_FALSE(QFile::exists(".ccq"));
}

// An installed program directory may not be written: the rules live in the
// user's data directory, everything else is read from the program directory.
TEST(CliRulesTest, AReadOnlyProgramDirectoryKeepsTheRulesPerUser) {
    QTemporaryDir program, home;
    ASSERT_TRUE(program.isValid() && home.isValid());
    for (const char* name : {"db1.mdb", "db1.ccq", "1.xls", "111.xls"}) {
        ASSERT_TRUE(QFile::copy(QString(WORMPAIR_PROGRAM_DIR) + name, program.filePath(name)));
    }
    ASSERT_EQ(chmod(QFile::encodeName(program.path()).constData(), 0555), 0);
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    const QString dir = program.path() + '/';
    const QString userDatabase = home.filePath("wormpair/db1.mdb");
    const auto bytes = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    EXPECT_EQ(runWith({"rules", "set", "1", "0.9"}, dir).status, kExitRan);
    EXPECT_EQ(bytes(program.filePath("db1.mdb")), bytes(QString(WORMPAIR_PROGRAM_DIR) + "db1.mdb"));
    EXPECT_NE(bytes(userDatabase), bytes(program.filePath("db1.mdb")));
    const CliRun design = runWith({"design", "--centre-distance", "160", "--wheel-teeth", "45",
                                   "--worm-starts", "1", "--json"},
                                  dir);
    EXPECT_TRUE(jsonOf(design).value("ok").toBool()) << design.out.toStdString();
    EXPECT_EQ(runWith({"rules", "restore"}, dir).status, kExitRan);
    const QJsonObject restored = jsonOf(runWith({"rules", "--json"}, dir));
    EXPECT_FALSE(restored.value("modified").toBool());
    EXPECT_EQ(restored.value("rules").toArray().at(0).toObject().value("value").toDouble(), 0.875);
    EXPECT_EQ(bytes(program.filePath("db1.mdb")), bytes(QString(WORMPAIR_PROGRAM_DIR) + "db1.mdb"));
    qunsetenv("XDG_DATA_HOME");
    chmod(QFile::encodeName(program.path()).constData(), 0755);
}

// Every writer of a path named on the command line leaves the program's own
// files alone, whether named directly, through a link or a hard link, or as
// the name the office completes with ".xls".
TEST(CliExportTest, TheProgramsOwnFilesAreNeverWritten) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.filePath("program/");
    ASSERT_TRUE(QDir().mkpath(program));
    const QStringList shipped = {"db1.mdb", "db1.ccq", "1.xls", "1m.xls", "11.xls", "1111.xls", "111.xls"};
    std::map<QString, QByteArray> before;
    for (const QString& name : shipped) {
        ASSERT_TRUE(QFile::copy(QString(WORMPAIR_PROGRAM_DIR) + name, program + name));
        QFile file(program + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        before[name] = file.readAll();
    }
    const QString design = dir.filePath("design.cqb");
    QStringList cells = {"cells", program + "111.xls", "-o", design};
    const QStringList texts = {"160", "45", "45", "1", "104", "0.5", "56", "0.2", "7j",
                               "右旋", "0.4 * 3.6", "0.27 * 2.4", "2"};
    for (int row = 0; row < texts.size(); ++row) cells << "--set" << QString("A%1=%2").arg(row + 1).arg(texts[row]);
    ASSERT_EQ(runWith(cells, program).status, kExitRan);
    QFile::link(program + "1.xls", dir.filePath("link.dxf"));
    ASSERT_EQ(::link(QFile::encodeName(program + "11.xls").constData(),
                     QFile::encodeName(dir.filePath("hard.csv")).constData()), 0);
    const QStringList refused[] = {
        {"export", "worm", design, "-o", program + "1.xls"},
        {"export", "worm", design, "-o", program + "1m", "--route", "menu"},
        {"series", "--centre-distances", "160", "--ratios", "40", "-o", program + "1111.xls"},
        {"drawing", "worm", design, "-o", dir.filePath("link.dxf")},
        {"model", "worm", design, "-o", dir.filePath("hard.csv")},
        {"cells", design, "-o", program + "db1.mdb"},
    };
    for (const QStringList& arguments : refused) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const CliRun run = runWith(arguments, program);
        EXPECT_EQ(run.status, kExitFailed);
        EXPECT_TRUE(run.err.contains("程序自带")) << run.err.toStdString();
    }
    for (const QString& name : shipped) {
        QFile file(program + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before[name]) << name.toStdString();
    }
    EXPECT_EQ(runWith({"export", "worm", design, "-o", program + "mine.xls"}, program).status, kExitRan)
        << "a new file in the program directory is the user's";
}

}  // namespace
}  // namespace wormpair
