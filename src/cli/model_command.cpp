#include "cli/command_line.h"

#include <QCommandLineParser>

#include <map>
#include <new>

#include "cli/cli.h"
#include "cli/design_session.h"
#include "input/design_file_open.h"
#include "input/design_snapshot.h"
#include "input/headless_session.h"
#include "model/model_service.h"
#include "platform/file_replace.h"
#include "platform/program_files.h"
#include "store/program_layout.h"
#include "store/store_messages.h"
#include "xls/xls_read_write.h"

namespace wormpair {

namespace {

const char* const kModelUsage =
    "Usage: wormpair-cli model worm|wheel|hob|pair DESIGN.cqb -o OUT\n"
    "         [--nominal] [--grid ROWSxCOLUMNS] [--flank 1|2]\n"
    "\n"
    "Opens the design file as the window does and writes a 3D model of the worm\n"
    "(蜗杆), the wheel (蜗轮), the hob (滚刀) or the pair (蜗杆副) in its own frame;\n"
    "the ending of OUT chooses what is written:\n"
    "  .step .stp   STEP AP214 solids, millimetres, named products\n"
    "  .stl         binary STL triangles (chord deviation 0.02 mm)\n"
    "  .csv         inspection points and unit normals of one flank (worm, wheel, hob)\n"
    "Options:\n"
    "  --nominal          the theoretical worm instead of the worm as ground\n"
    "  --grid 9x9         rows along the length (or width) x columns root to tip\n"
    "  --flank 1|2        the worm or hob flank facing +Z1 (1, default) or -Z1 (2)\n";

QString text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

int runModel(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
             QTextStream& err) {
    using namespace model;
    CommandLine command("model", kModelUsage, 2, "", "name the part and the design file");
    QCommandLineParser& parser = command.parser;
    const QCommandLineOption output(QStringList{"o", "output"}, "file to write", "OUT");
    const QCommandLineOption nominal("nominal");
    const QCommandLineOption grid("grid", "grid", "ROWSxCOLUMNS", "9x9");
    const QCommandLineOption flank("flank", "flank", "1|2", "1");
    parser.addOptions({output, nominal, grid, flank});
    if (const auto status = command.parse(arguments, out, err)) return *status;
    const QStringList positional = parser.positionalArguments();
    const std::map<QString, ModelPart> parts = {{"worm", ModelPart::Worm},
                                                {"wheel", ModelPart::Wheel},
                                                {"hob", ModelPart::Hob},
                                                {"pair", ModelPart::Pair}};
    if (!parts.count(positional[0]))
        return command.error(err, "the part is worm, wheel, hob or pair");
    const ModelPart part = parts.at(positional[0]);
    if (!parser.isSet(output)) return command.error(err, "name the file to write with -o OUT");
    const QString target = parser.value(output);
    if (!writableTarget(target, programDirectory, err)) return kExitFailed;
    const std::optional<ModelFormat> format = modelFormatOf(target.toStdString());
    if (!format) return command.error(err, "OUT must end in .step, .stp, .stl or .csv");
    const std::optional<GridSize> size = gridSizeFromText(parser.value(grid).toStdString());
    if (!size) return command.error(err, "--grid takes ROWSxCOLUMNS, 2 to 200 each, e.g. 9x9");
    const QString flankText = parser.value(flank);
    if (flankText != "1" && flankText != "2") return command.error(err, "--flank is 1 or 2");
    if (*format == ModelFormat::Csv && part == ModelPart::Pair)
        return command.error(err,
                             "inspection points are written for the worm, the wheel or the hob");

    const std::unique_ptr<HeadlessSession> opened =
        openCalculatedDesign(programDirectory, positional[1], err);
    if (!opened) return kExitFailed;
    const HeadlessSession& session = *opened;
    const WormKind kind = parser.isSet(nominal) ? WormKind::Nominal : WormKind::Ground;
    try {
        const std::unique_ptr<DesignModels> models =
            modelService(programDirectory.toStdString())
                .models(designSnapshot(session.form, session.design));
        std::vector<std::uint8_t> bytes;
        QString summary;
        if (*format == ModelFormat::Csv) {
            const bool second = flankText == "2";
            const InspectedFlank which =
                part == ModelPart::Wheel ? InspectedFlank::Wheel
                : part == ModelPart::Hob
                    ? (second ? InspectedFlank::HobSecond : InspectedFlank::HobFirst)
                    : (second ? InspectedFlank::WormSecond : InspectedFlank::WormFirst);
            const std::string csv = models->inspectionCsv(which, kind, *size);
            bytes.assign(csv.begin(), csv.end());
            summary = text(inspectedFlankName(which)) +
                      QString("：%1 × %2 个测量点").arg(size->rows).arg(size->columns);
        } else {
            const std::unique_ptr<BuiltModel> build = models->build(part, kind, nullptr);
            for (const BuiltPartSummary& p : build->parts()) {
                summary += text(p.name) + QString("：齿面拟合误差 %1 mm，法向 %2 rad\n")
                                              .arg(p.flankFit.distance, 0, 'e', 1)
                                              .arg(p.flankFit.normalAngle, 0, 'e', 1);
            }
            bytes = build->fileBytes(*format);
            summary.chop(1);
        }
        replaceFile(target.toStdString(), bytes);
        out << summary << "\n" << QString("已写出 %1\n").arg(target);
    } catch (const ModelError& e) {
        err << "wormpair-cli: " << QString::fromUtf8(e.what()) << "\n";
        return kExitFailed;
    } catch (const std::bad_alloc&) {
        // the module says so itself; this is the tool's own copy of the bytes
        const DesignRecord record = designSnapshot(session.form, session.design).record;
        err << "wormpair-cli: " << text(outOfMemoryMessage(record, part)) << "\n";
        return kExitFailed;
    } catch (const FileReplaceError& e) {
        err << "wormpair-cli: " << target << ": " << QString::fromUtf8(e.what()) << "\n";
        return kExitFailed;
    }
    return kExitRan;
}

}  // namespace

extern const Command kModelCommand{
    "model", "write the 3D model (STEP, STL) or inspection points (CSV) of a design file",
    runModel};

}  // namespace wormpair
