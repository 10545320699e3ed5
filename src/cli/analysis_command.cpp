#include "cli/command_line.h"

#include <QCommandLineParser>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>

#include "analysis/contact_report.h"
#include "analysis/contact_service.h"
#include "analysis/pattern_report.h"
#include "calc/numeric.h"
#include "cli/cli.h"
#include "cli/design_session.h"
#include "cli/drawing_command.h"
#include "input/design_snapshot.h"
#include "input/headless_session.h"
#include "model/model_types.h"
#include "platform/file_replace.h"
#include "store/program_layout.h"

namespace wormpair {

namespace {

const char* const kAnalysisUsage =
    "Usage: wormpair-cli analysis contact DESIGN.cqb -o LINES.csv\n"
    "         [--nominal] [--positions N] [--speed RPM] [--plot REPORT.pdf|.svg|.dxf]\n"
    "       wormpair-cli analysis pattern DESIGN.cqb -o PATTERN.csv [--nominal]\n"
    "         [--delta-a MM] [--wheel-shift MM] [--worm-shift MM] [--shaft-angle DEG]\n"
    "         [--compound MM] [--plot REPORT.pdf|.svg|.dxf]\n"
    "\n"
    "打开设计文件（与窗口相同），写出蜗杆第一齿面与蜗轮在一个蜗轮齿距内 N 个位置的\n"
    "接触线（CSV，蜗杆坐标系）：每点的坐标、单位法向量、润滑角、滑动速度与诱导法曲率。\n"
    "pattern：蜗轮第一齿面的涂色接触斑点（CSV，蜗轮坐标系）：每个采样点在整个啮合\n"
    "过程中与蜗杆齿面的最小间隙，表头为斑点所占比例、沿齿长与齿高的范围和中心。\n"
    "Options:\n"
    "  --nominal          理论蜗杆（默认为磨削修形后的蜗杆）\n"
    "  --positions 7      一个蜗轮齿距内的位置数（1–360）\n"
    "  --speed 1000       蜗杆转速 r/min，用于滑动速度\n"
    "  --delta-a 0        中心距误差 mm（正：中心距增大），不超过 ±fa\n"
    "  --wheel-shift 0    蜗轮沿其轴线的位移 mm，不超过 ±fx\n"
    "  --worm-shift 0     蜗杆沿其轴线的位移 mm，不超过 ±fx\n"
    "  --shaft-angle 0    轴交角误差 °，不超过 ±fΣ（齿宽上的 μm 折成角度）\n"
    "  --compound 0.006   涂料厚度 mm（0.001–0.1）\n"
    "  --plot FILE        另写一页报告，PDF、SVG 或 DXF（contact：蜗杆与蜗轮齿面上按润滑角\n"
    "                     与滑动速度着色的接触线；pattern：斑点图、装配误差与结果）\n";

// A number option's value, or the usage error saying what it must be.
std::optional<double> numberOption(const QCommandLineParser& parser, const QCommandLineOption& o) {
    try {
        const double value = parseReal(asciiNumberText(parser.value(o).toStdString()));
        if (std::isfinite(value)) return value;
    } catch (const CalculationError&) {
    }
    return std::nullopt;
}

int runAnalysis(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
                QTextStream& err) {
    CommandLine command("analysis", kAnalysisUsage, 2, "",
                        "用法：analysis contact|pattern 设计文件");
    QCommandLineParser& parser = command.parser;
    const QCommandLineOption output(QStringList{"o", "output"}, "file to write", "OUT");
    const QCommandLineOption nominal("nominal");
    const QCommandLineOption positions("positions", "positions", "N", "7");
    const QCommandLineOption speed("speed", "speed", "RPM", "1000");
    const QCommandLineOption deltaA("delta-a", "mm", "MM", "0");
    const QCommandLineOption wheelShift("wheel-shift", "mm", "MM", "0");
    const QCommandLineOption wormShift("worm-shift", "mm", "MM", "0");
    const QCommandLineOption shaftAngle("shaft-angle", "degrees", "DEG", "0");
    const QCommandLineOption compound("compound", "mm", "MM", "0.006");
    const QCommandLineOption plot("plot", "report", "FILE");
    parser.addOptions({output, nominal, positions, speed, deltaA, wheelShift, wormShift, shaftAngle,
                       compound, plot});
    if (const auto status = command.parse(arguments, out, err)) return *status;
    const QStringList positional = parser.positionalArguments();
    const bool pattern = positional[0] == "pattern";
    if (!pattern && positional[0] != "contact")
        return command.error(err, "用法：analysis contact|pattern 设计文件");
    if (!parser.isSet(output)) return command.error(err, "请用 -o 指定要写出的 CSV 文件");
    const QString target = parser.value(output);
    if (!writableTarget(target, programDirectory, err)) return kExitFailed;
    const QString report = parser.value(plot);
    if (!report.isEmpty()) {
        if (!writableTarget(report, programDirectory, err)) return kExitFailed;
        if (!sheetFormatWritable(report))
            return command.error(err, "--plot 的文件须以 .pdf、.svg 或 .dxf 结尾");
    }
    const model::WormKind worm =
        parser.isSet(nominal) ? model::WormKind::Nominal : model::WormKind::Ground;

    analysis::ContactSettings contact;
    analysis::PatternSettings marking;
    if (pattern) {
        marking.worm = worm;
        const struct {
            const QCommandLineOption* option;
            double* value;
        } numbers[] = {{&deltaA, &marking.centreDistanceError},
                       {&wheelShift, &marking.wheelShift},
                       {&wormShift, &marking.wormShift},
                       {&shaftAngle, &marking.shaftAngleError},
                       {&compound, &marking.compound}};
        for (const auto& n : numbers) {
            const std::optional<double> value = numberOption(parser, *n.option);
            if (!value) return command.error(err, "--" + n.option->names().first() + " 须为数");
            *n.value = *value;
        }
        if (!(marking.compound >= 0.001 && marking.compound <= 0.1))
            return command.error(err, "--compound 须在 0.001 到 0.1 mm 之间");
    } else {
        contact.worm = worm;
        bool ok = false;
        contact.positions = parser.value(positions).toInt(&ok);
        if (!ok || contact.positions < 1 || contact.positions > 360)
            return command.error(err, "--positions 须为 1 到 360 的整数");
        contact.wormSpeed = parser.value(speed).toDouble(&ok);
        if (!ok || !(contact.wormSpeed > 0) || contact.wormSpeed > 1e6)
            return command.error(err, "--speed 须为正的转速（r/min）");
    }

    const std::unique_ptr<HeadlessSession> opened =
        openCalculatedDesign(programDirectory, positional[1], err);
    if (!opened) return kExitFailed;
    const DesignSnapshot design = designSnapshot(opened->form, opened->design);
    if (pattern) {
        // the errors within what the design's grade allows its assembly
        std::optional<analysis::PatternLimits> limits;
        try {
            limits = analysis::patternLimits(programLayout(programDirectory), design);
        } catch (const std::exception& e) {
            err << "wormpair-cli: " << QString::fromUtf8(e.what()) << "\n";
            return kExitFailed;
        }
        if (!limits) {
            err << "wormpair-cli: 精度表中没有本设计中心距的装配公差，无法限定装配误差\n";
            return kExitFailed;
        }
        const struct {
            double value, limit;
            const char* what;
            const char* unit;
        } bounds[] = {
            {marking.centreDistanceError, limits->centreDistance, "中心距误差（±fa）", "mm"},
            {marking.wheelShift, limits->shift, "蜗轮轴向位移（±fx）", "mm"},
            {marking.wormShift, limits->shift, "蜗杆轴向位移（±fx）", "mm"},
            {marking.shaftAngleError, limits->shaftAngle, "轴交角误差（±fΣ）", "°"}};
        for (const auto& b : bounds) {
            if (std::abs(b.value) > b.limit * (1 + 1e-9)) {
                err << "wormpair-cli: "
                    << QString("%1超出本设计精度允许的 ±%2 %3\n")
                           .arg(QString::fromUtf8(b.what))
                           .arg(b.limit, 0, 'g', 6)
                           .arg(QString::fromUtf8(b.unit));
                return kExitUsage;
            }
        }
    }
    QString writing = target;  // named when its writing fails
    try {
        if (pattern) {
            const analysis::PatternMap map =
                analysis::markingPattern(programDirectory.toStdString(), design, marking);
            replaceFile(target.toStdString(),
                        std::vector<std::uint8_t>(map.csv.begin(), map.csv.end()));
            out << QString("接触斑点：已写出 %1\n").arg(target);
            if (!report.isEmpty()) {
                writing = report;
                replaceFile(report.toStdString(),
                            sheetFileBytes(analysis::patternReport(design, map, marking), report));
                out << QString("报告：已写出 %1\n").arg(report);
            }
        } else {
            const analysis::ContactMap map =
                analysis::contactMap(programDirectory.toStdString(), design, contact);
            replaceFile(target.toStdString(),
                        std::vector<std::uint8_t>(map.csv.begin(), map.csv.end()));
            out << QString("接触线：%1 个位置，已写出 %2\n").arg(contact.positions).arg(target);
            if (!report.isEmpty()) {
                writing = report;
                replaceFile(report.toStdString(),
                            sheetFileBytes(analysis::contactReport(design, map, contact), report));
                out << QString("报告：已写出 %1\n").arg(report);
            }
        }
    } catch (const model::ModelError& e) {
        err << "wormpair-cli: " << QString::fromUtf8(e.what()) << "\n";
        return kExitFailed;
    } catch (const FileReplaceError& e) {
        err << "wormpair-cli: " << writing << ": " << QString::fromUtf8(e.what()) << "\n";
        return kExitFailed;
    }
    return kExitRan;
}

}  // namespace

extern const Command kAnalysisCommand{
    "analysis", "啮合分析：接触线、润滑角、滑动速度与涂色接触斑点（CSV）", runAnalysis};

}  // namespace wormpair
