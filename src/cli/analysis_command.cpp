#include "cli/command_line.h"

#include <QCommandLineParser>

#include "analysis/contact_service.h"
#include "cli/cli.h"
#include "cli/design_session.h"
#include "input/design_file_open.h"
#include "input/design_snapshot.h"
#include "input/headless_session.h"
#include "model/model_types.h"
#include "platform/file_replace.h"
#include "platform/program_files.h"
#include "store/program_layout.h"
#include "store/store_messages.h"
#include "xls/xls_read_write.h"

namespace wormpair {

namespace {

const char* const kAnalysisUsage =
    "Usage: wormpair-cli analysis contact DESIGN.cqb -o LINES.csv\n"
    "         [--nominal] [--positions N] [--speed RPM]\n"
    "\n"
    "打开设计文件（与窗口相同），写出蜗杆第一齿面与蜗轮在一个蜗轮齿距内 N 个位置的\n"
    "接触线（CSV，蜗杆坐标系）：每点的坐标、单位法向量、润滑角与滑动速度。\n"
    "Options:\n"
    "  --nominal          理论蜗杆（默认为磨削修形后的蜗杆）\n"
    "  --positions 7      一个蜗轮齿距内的位置数（1–360）\n"
    "  --speed 1000       蜗杆转速 r/min，用于滑动速度\n";

int runAnalysis(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
                QTextStream& err) {
    CommandLine command("analysis", kAnalysisUsage, 2, "", "用法：analysis contact 设计文件");
    QCommandLineParser& parser = command.parser;
    const QCommandLineOption output(QStringList{"o", "output"}, "file to write", "OUT");
    const QCommandLineOption nominal("nominal");
    const QCommandLineOption positions("positions", "positions", "N", "7");
    const QCommandLineOption speed("speed", "speed", "RPM", "1000");
    parser.addOptions({output, nominal, positions, speed});
    if (const auto status = command.parse(arguments, out, err)) return *status;
    const QStringList positional = parser.positionalArguments();
    if (positional[0] != "contact") return command.error(err, "用法：analysis contact 设计文件");
    if (!parser.isSet(output)) return command.error(err, "请用 -o 指定要写出的 CSV 文件");
    const QString target = parser.value(output);
    if (!writableTarget(target, programDirectory, err)) return kExitFailed;
    analysis::ContactSettings settings;
    bool ok = false;
    settings.positions = parser.value(positions).toInt(&ok);
    if (!ok || settings.positions < 1 || settings.positions > 360)
        return command.error(err, "--positions 须为 1 到 360 的整数");
    settings.wormSpeed = parser.value(speed).toDouble(&ok);
    if (!ok || !(settings.wormSpeed > 0) || settings.wormSpeed > 1e6)
        return command.error(err, "--speed 须为正的转速（r/min）");
    settings.worm = parser.isSet(nominal) ? model::WormKind::Nominal : model::WormKind::Ground;

    const std::unique_ptr<HeadlessSession> opened =
        openCalculatedDesign(programDirectory, positional[1], err);
    if (!opened) return kExitFailed;
    const HeadlessSession& session = *opened;
    try {
        const std::string csv = analysis::contactCsv(
            programDirectory.toStdString(), designSnapshot(session.form, session.design), settings);
        replaceFile(target.toStdString(), std::vector<std::uint8_t>(csv.begin(), csv.end()));
        out << QString("接触线：%1 个位置，已写出 %2\n").arg(settings.positions).arg(target);
    } catch (const model::ModelError& e) {
        err << "wormpair-cli: " << QString::fromUtf8(e.what()) << "\n";
        return kExitFailed;
    } catch (const FileReplaceError& e) {
        err << "wormpair-cli: " << target << ": " << QString::fromUtf8(e.what()) << "\n";
        return kExitFailed;
    }
    return kExitRan;
}

}  // namespace

extern const Command kAnalysisCommand{
    "analysis", "啮合分析：蜗杆与蜗轮的接触线、润滑角与滑动速度（CSV）", runAnalysis};

}  // namespace wormpair
