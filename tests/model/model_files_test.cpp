// What wormpair-cli model writes, read by an independent program (FreeCAD's
// Part module from Debian, through freecadcmd): every STEP file a valid
// solid of the right size; the STL and CSV files in their formats; and
// designs at the edges of the rules build or say why not.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <iostream>

#include "cli/cli.h"
#include "input/design_file_open.h"
#include "model/model_files.h"
#include "model/surface_fit.h"
#include "model/pair_model.h"
#include "model/thread_solid.h"
#include "model_designs.h"
#include "platform/file_replace.h"
#include "store/design_file.h"
#include "xls/xls_read_write.h"

namespace wormpair::model {
namespace {

int runTool(const QStringList& arguments, QString* out = nullptr, QString* err = nullptr) {
    QString o, e;
    QTextStream os(&o), es(&e);
    const int status = runCli(arguments, WORMPAIR_PROGRAM_DIR, os, es);
    os.flush();
    es.flush();
    if (out) *out = o;
    if (err) *err = e;
    return status;
}

// A recommended design (160/45/1 unless named) saved as a design file, as
// the window saves it.
QString designFile(const QTemporaryDir& dir, const char* centreDistance = "160",
                   const char* wheelTeeth = "45") {
    HeadlessSession session(WORMPAIR_PROGRAM_DIR);
    EXPECT_TRUE(session.load().ok);
    session.form.setText("Edit1", centreDistance);
    session.form.setText("Edit3", wheelTeeth);
    session.form.setText("Edit4", "1");
    session.design.speedButton2Click();
    const QString path = dir.filePath(QString("%1-%2-1 设计.cqb").arg(centreDistance, wheelTeeth));
    TXLSReadWriteII4 workbook;
    fillDesignWorkbook(workbook, std::string(WORMPAIR_PROGRAM_DIR) + kDesignTemplate,
                       designFileTexts(session.form));
    writeDesignFile(workbook, path.toStdString());
    return path;
}

// FreeCAD's reading of STEP files: validity, solids, volume, tight box.
QJsonObject freecadReads(const QStringList& files) {
    QTemporaryDir dir;
    const QString script = dir.filePath("check.py");
    QFile f(script);
    f.open(QIODevice::WriteOnly);
    f.write("import os, json, Part\n"
            "out = {}\n"
            "for path in os.environ['STEP_FILES'].split(os.pathsep):\n"
            "    shape = Part.Shape()\n"
            "    shape.read(path)\n"
            "    box = shape.optimalBoundingBox(False)\n"
            "    out[path] = {'valid': shape.isValid(), 'solids': len(shape.Solids),\n"
            "                 'volume': shape.Volume,\n"
            "                 'box': [box.XMin, box.YMin, box.ZMin, box.XMax, box.YMax, box.ZMax]}\n"
            "print('RESULT ' + json.dumps(out))\n");
    f.close();
    QProcess freecad;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("STEP_FILES", files.join(QDir::listSeparator()));
    freecad.setProcessEnvironment(environment);
    freecad.start("freecadcmd", {script});
    freecad.waitForFinished(300000);
    const QString output = QString::fromUtf8(freecad.readAllStandardOutput());
    const qsizetype at = output.indexOf("RESULT ");
    if (at < 0) return {};
    return QJsonDocument::fromJson(output.mid(at + 7).section('\n', 0, 0).toUtf8()).object();
}

TEST(ModelFiles, EveryStepFileOpensInFreeCadAsOneValidSolidOfTheRecordsSize) {
    QTemporaryDir dir;
    const QString design = designFile(dir);
    const DesignSnapshot snapshot = shippedDesign("160", "45", "1");
    const DesignRecord& r = snapshot.record;
    QStringList files;
    for (const char* part : {"worm", "wheel", "hob", "pair"}) {
        const QString file = dir.filePath(QString(part) + ".step");
        QString err;
        ASSERT_EQ(runTool({"model", part, design, "-o", file}, nullptr, &err), kExitRan) << err.toStdString();
        files << file;
    }
    const QJsonObject read = freecadReads(files);
    ASSERT_EQ(read.size(), 4) << "freecadcmd did not read the files";
    // the header states the flanks' accuracy (its lines broken where the writer wraps them)
    const std::vector<std::uint8_t> bytes = readWholeFile(files[0].toStdString());
    const std::string header(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 400));
    std::string joined;
    for (char c : header) if (c != '\n' && c != '\r') joined += c;
    EXPECT_NE(joined.find(stepDescription()), std::string::npos) << header;
    const auto box = [&](const QString& file) {
        const QJsonArray b = read.value(file).toObject().value("box").toArray();
        return std::array<double, 6>{b[0].toDouble(), b[1].toDouble(), b[2].toDouble(),
                                     b[3].toDouble(), b[4].toDouble(), b[5].toDouble()};
    };
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QJsonObject o = read.value(file).toObject();
        EXPECT_TRUE(o.value("valid").toBool());
        EXPECT_EQ(o.value("solids").toInt(), file.endsWith("pair.step") ? 2 : 1);
        EXPECT_GT(o.value("volume").toDouble(), 0);
    }
    // worm: the largest tip diameter across, the thread, shoulders and shafts along
    const auto worm = box(files[0]);
    const double across = std::max({-worm[0], -worm[1], worm[3], worm[4]});
    EXPECT_NEAR(across, r.largestWormTipDiameter / 2, 0.001);
    EXPECT_NEAR(worm[5] - worm[2],
                r.wormWorkingLength + 2 * r.shoulder + 2 * r.wormReferenceDiameter, 0.001);
    // wheel: the outside diameter across, the rim width along the axis
    const auto wheel = box(files[1]);
    EXPECT_NEAR(std::max({-wheel[0], -wheel[1], wheel[3], wheel[4]}), r.wheelOutsideDiameter / 2,
                0.001);
    EXPECT_NEAR(wheel[5] - wheel[2], r.rimWorkingWidth, 0.001);
    // hob: its effective length
    const auto hob = box(files[2]);
    EXPECT_NEAR(hob[5] - hob[2], r.hobEffectiveLength, 0.001);
    // the pair in the fixed frame: the wheel about z, the worm along y at
    // x = a (x = a - X1, y = Z1, z = Y1)
    const auto pair = box(files[3]);
    EXPECT_NEAR(pair[0], -r.wheelOutsideDiameter / 2, 0.001);
    EXPECT_NEAR(pair[3], r.centreDistance - worm[0], 0.001);
    EXPECT_NEAR(pair[4] - pair[1], std::max<double>(r.wheelOutsideDiameter, worm[5] - worm[2]), 0.001);
    EXPECT_NEAR(pair[5] - pair[2], std::max<double>(r.rimWorkingWidth, worm[4] - worm[1]), 0.001);
}

TEST(ModelFiles, StlAndInspectionPoints) {
    QTemporaryDir dir;
    const QString design = designFile(dir);
    const QString stl = dir.filePath("worm.stl"), csv = dir.filePath("齿面2.csv");
    ASSERT_EQ(runTool({"model", "worm", design, "-o", stl}), kExitRan);
    ASSERT_EQ(runTool({"model", "worm", design, "-o", csv, "--grid", "5x4", "--flank", "2"}), kExitRan);
    const std::vector<std::uint8_t> bytes = readWholeFile(stl.toStdString());
    std::uint32_t triangles = 0;
    ASSERT_GE(bytes.size(), 84u);
    std::memcpy(&triangles, &bytes[80], 4);
    EXPECT_GT(triangles, 1000u);
    EXPECT_EQ(bytes.size(), 84 + 50 * static_cast<std::size_t>(triangles));

    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    const QStringList header = lines.filter(QRegularExpression("^(\\x{feff})?#"));
    EXPECT_EQ(header.size(), 7);
    EXPECT_TRUE(header.join("").contains("齿面构成：母平面包络 100.0%"));
    EXPECT_TRUE(header.join("").contains("蜗杆自身坐标系") && header.join("").contains("右旋") &&
                header.join("").contains("mm") && header.join("").contains("中心距 160"));
    const qsizetype columns = lines.indexOf("点号,X,Y,Z,I,J,K");
    ASSERT_GE(columns, 0);
    const QStringList rows = lines.mid(columns + 1);
    ASSERT_EQ(rows.size(), 20);
    for (const QString& row : rows) {
        const QStringList v = row.split(',');
        ASSERT_EQ(v.size(), 7);
        const double i = v[4].toDouble(), j = v[5].toDouble(), k = v[6].toDouble();
        EXPECT_NEAR(i * i + j * j + k * k, 1, 1e-8);
        EXPECT_LT(k, 0) << "the second flank faces -Z1";
    }
}

// The contact lines through the module: the header, the columns, the
// positions stepping over one pitch, both kinds of line; the report's
// table gives the CSV's least lubrication angle and colours its maps.
TEST(ModelFiles, ContactLinesAsTheToolWritesThem) {
    QTemporaryDir dir;
    const QString file = dir.filePath("lines.csv"), report = dir.filePath("lines.dxf");
    QString err;
    ASSERT_EQ(runTool({"analysis", "contact", designFile(dir), "-o", file, "--nominal",
                       "--positions", "3", "--speed", "1450", "--plot", report},
                      nullptr, &err),
              kExitRan)
        << err.toStdString();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).remove(QChar(0xFEFF)).split('\n', Qt::SkipEmptyParts);
    const qsizetype columns = lines.indexOf(
        "position,worm_angle_deg,kind,line,x,y,z,nx,ny,nz,lubrication_angle_deg,sliding_speed_m_s,"
        "induced_curvature_1_mm");
    ASSERT_GT(columns, 3);
    for (qsizetype k = 0; k < columns; ++k) EXPECT_TRUE(lines[k].startsWith("# ")) << lines[k].toStdString();
    EXPECT_TRUE(lines.join('\n').contains("1450 r/min"));
    QSet<QString> kinds, positions;
    double leastPlaneAngle = 90;
    for (const QString& row : lines.mid(columns + 1)) {
        const QStringList v = row.split(',');
        ASSERT_EQ(v.size(), 13);
        EXPECT_NEAR(v[1].toDouble(), v[0].toInt() * 120.0, 1e-4);  // one start per pitch
        kinds << v[2];
        positions << v[0];
        if (v[2] == "1") leastPlaneAngle = std::min(leastPlaneAngle, v[10].toDouble());
    }
    EXPECT_EQ(kinds, (QSet<QString>{"1", "2"}));
    EXPECT_EQ(positions, (QSet<QString>{"0", "1", "2"}));
    QFile drawing(report);
    ASSERT_TRUE(drawing.open(QIODevice::ReadOnly));
    const QString dxf = QString::fromUtf8(drawing.readAll());
    EXPECT_TRUE(dxf.contains("\n1\n" + QString::number(leastPlaneAngle, 'f', 1) + " / "))
        << leastPlaneAngle;
    EXPECT_GT(dxf.count("\n420\n"), 100) << "the lines in the colours of their values";
}

// The marking pattern's report (--plot) carries the numbers of its CSV:
// the share of the flank the header gives stands in the report's table.
TEST(ModelFiles, MarkingPatternReportCarriesTheCsvsNumbers) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("pattern.csv"), report = dir.filePath("report.dxf");
    QString err;
    ASSERT_EQ(runTool({"analysis", "pattern", designFile(dir), "-o", csv, "--plot", report,
                       "--wheel-shift", "-0.036"},
                      nullptr, &err),
              kExitRan)
        << err.toStdString();
    QFile table(csv), drawing(report);
    ASSERT_TRUE(table.open(QIODevice::ReadOnly) && drawing.open(QIODevice::ReadOnly));
    const QString header = QString::fromUtf8(table.readAll());
    const QRegularExpression share("占齿面 ([0-9.]+)%");
    const QRegularExpressionMatch found = share.match(header);
    ASSERT_TRUE(found.hasMatch()) << header.left(600).toStdString();
    const QString text = QString::fromUtf8(drawing.readAll());
    EXPECT_TRUE(text.contains("\n" + found.captured(1) + "\n")) << found.captured(1).toStdString();
    EXPECT_TRUE(text.contains("-0.0360"));
    EXPECT_TRUE(text.contains("蜗轮齿面涂色接触斑点"));
}

TEST(ModelFiles, ToolRefusesWhatItCannotWrite) {
    QTemporaryDir dir;
    const QString design = designFile(dir);
    const struct {
        QStringList arguments;
        int status;
    } rows[] = {
        {{"model", "gear", design, "-o", dir.filePath("a.step")}, kExitUsage},
        {{"model", "worm", design}, kExitUsage},
        {{"model", "worm", design, "-o", dir.filePath("a.iges")}, kExitUsage},
        {{"model", "worm", design, "-o", dir.filePath("a.csv"), "--grid", "1x9"}, kExitUsage},
        {{"model", "worm", design, "-o", dir.filePath("a.csv"), "--flank", "3"}, kExitUsage},
        {{"model", "pair", design, "-o", dir.filePath("a.csv")}, kExitUsage},
        {{"model", "worm", dir.filePath("none.cqb"), "-o", dir.filePath("a.step")}, kExitFailed},
        {{"model", "worm", design, "-o", dir.filePath("no/such/folder/a.step")}, kExitFailed},
        {{"analysis", "gear", design, "-o", dir.filePath("a.csv")}, kExitUsage},
        {{"analysis", "contact", design}, kExitUsage},
        {{"analysis", "contact", design, "-o", dir.filePath("a.csv"), "--positions", "0"},
         kExitUsage},
        {{"analysis", "contact", design, "-o", dir.filePath("a.csv"), "--speed", "-5"}, kExitUsage},
        {{"analysis", "contact", dir.filePath("none.cqb"), "-o", dir.filePath("a.csv")},
         kExitFailed},
        // assembly errors beyond what the grade allows (160/45/1, grade 7: fa 0.045 mm)
        {{"analysis", "pattern", design, "-o", dir.filePath("a.csv"), "--delta-a", "0.046"},
         kExitUsage},
        {{"analysis", "pattern", design, "-o", dir.filePath("a.csv"), "--shaft-angle", "x"},
         kExitUsage},
        {{"analysis", "pattern", design, "-o", dir.filePath("a.csv"), "--compound", "0"},
         kExitUsage},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        EXPECT_EQ(runTool(row.arguments), row.status);
    }
}

// The worm of the ratio whose flank the plane envelops only up to the
// thread's ends, and a wheel whose teeth fade out before the rim's sides.
TEST(ModelFiles, GroundWormAndFadingWheelOpenInFreeCad) {
    QTemporaryDir dir;
    const struct {
        const char *centreDistance, *wheelTeeth, *part;
    } rows[] = {{"125", "25", "worm"}, {"125", "63", "wheel"}};
    QStringList files;
    std::vector<DesignRecord> records;
    for (const auto& row : rows) {
        const DesignSnapshot d = shippedDesign(row.centreDistance, row.wheelTeeth, "1");
        const QString design = designFile(dir, row.centreDistance, row.wheelTeeth);
        const QString file = dir.filePath(QString("%1.step").arg(row.part));
        QString err;
        ASSERT_EQ(runTool({"model", row.part, design, "-o", file}, nullptr, &err), kExitRan) << err.toStdString();
        files << file;
        records.push_back(d.record);
    }
    const QJsonObject read = freecadReads(files);
    ASSERT_EQ(read.size(), 2) << "freecadcmd did not read the files";
    for (const QString& file : files) {
        const QJsonObject o = read.value(file).toObject();
        EXPECT_TRUE(o.value("valid").toBool()) << file.toStdString();
        EXPECT_EQ(o.value("solids").toInt(), 1) << file.toStdString();
    }
    // the uncut rim keeps the blank's width and outside diameter
    const QJsonArray wheel = read.value(files[1]).toObject().value("box").toArray();
    EXPECT_NEAR(wheel[5].toDouble() - wheel[2].toDouble(), records[1].rimWorkingWidth, 0.001);
    EXPECT_NEAR(wheel[3].toDouble(), records[1].wheelOutsideDiameter / 2, 0.001);
}

// Designs at the edges of the rules: each part builds as one valid solid or
// is refused with a reason in Chinese; never another failure. (Fifteen
// builds: the fine run's.)
TEST(ModelFiles, DesignsAtTheEdgesBuildOrSayWhy) {
    if (!fineModelChecks()) GTEST_SKIP() << "ctest --preset fine builds the designs at the edges";
    const struct {
        const char *centreDistance, *wheelTeeth, *wormStarts;
    } designs[] = {{"50", "60", "1"}, {"1500", "40", "1"}, {"160", "40", "4"}, {"160", "30", "4"},
                   {"125", "20", "1"}};
    for (const auto& d : designs) {
        const DesignSnapshot snapshot = shippedDesign(d.centreDistance, d.wheelTeeth, d.wormStarts);
        for (ModelPart part : {ModelPart::Worm, ModelPart::Wheel, ModelPart::Hob}) {
            SCOPED_TRACE(std::string(d.centreDistance) + "/" + d.wheelTeeth + "/" + d.wormStarts + " " +
                         partName(part));
            try {
                const PairModeller modeller(snapshot);
                const ModelBuild build = modeller.build(part, WormKind::Ground);
                ASSERT_EQ(build.parts.size(), 1u);
                EXPECT_NO_THROW(requireValidSolid(build.parts[0].shape, "part"));
                // a thread's flank fitted as finely as the model promises
                if (part != ModelPart::Wheel) {
                    EXPECT_TRUE(withinFitTarget(build.parts[0].flankFit)) << build.parts[0].flankFit.normalAngle;
                }
                std::cout << "  built\n";
            } catch (const ModelError& e) {
                const std::string why = e.what();
                EXPECT_GT(why.size(), 6u);
                EXPECT_NE(why.find("\xE6"), std::string::npos);  // Chinese text
                // a thread refused for its fit says the grinding creases it
                if (why.find("光滑拟合") != std::string::npos && part != ModelPart::Wheel) {
                    EXPECT_NE(why.find("折棱"), std::string::npos) << why;
                }
                std::cout << "  refused: " << why << "\n";
            }
        }
    }
}

}  // namespace
}  // namespace wormpair::model
