#include "cli/drawing_command.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>

#include <span>

#include "cli/cli.h"
#include "cli/command_line.h"
#include "drawing/dxf_writer.h"
#include "drawing/part_sheets.h"
#include "drawing/snapshot_design.h"
#include "input/design_file_open.h"
#include "input/design_snapshot.h"
#include "input/headless_session.h"
#include "platform/file_replace.h"
#include "platform/program_files.h"
#include "store/program_layout.h"
#include "store/store_messages.h"
#include "xls/xls_read_write.h"

#ifdef WORMPAIR_CLI_PAINTS
#include "drawing/sheet_painter.h"
#endif

namespace wormpair {

namespace {

const char* const kDrawingUsage =
    "Usage: wormpair-cli drawing worm|wheel|hob|mesh DESIGN.cqb -o OUT.dxf|OUT.pdf|OUT.svg\n"
    "         [--sheet A3|A4|A2] [--field NAME=TEXT]...\n"
    "\n"
    "Opens the design file as the window does and writes one working drawing:\n"
    "worm 蜗杆零件图, wheel 蜗轮零件图, hob 滚刀图, mesh 啮合图. The file's ending\n"
    "chooses the format: DXF (AutoCAD 2007), PDF or SVG. --sheet chooses the\n"
    "sheet size (default A3, landscape). --field fills a free field of the title\n"
    "block; NAME is one of 图号 材料 重量 设计 审核 日期 单位名称.\n";

QString extensionOf(const QString& path) { return QFileInfo(path).suffix().toLower(); }

void write(const QString& path, std::span<const std::uint8_t> bytes) {
    replaceFile(path.toStdString(), bytes);
}

}  // namespace

bool sheetFormatWritable(const QString& path) {
    const QString format = extensionOf(path);
#ifdef WORMPAIR_CLI_PAINTS
    if (format == "pdf" || format == "svg") return true;
#endif
    return format == "dxf";
}

std::vector<std::uint8_t> sheetFileBytes(const drawing::Sheet& sheet, const QString& path) {
    const QString format = extensionOf(path);
    if (format == "dxf") {
        const std::string dxf = drawing::sheetDxf(sheet);
        return {dxf.begin(), dxf.end()};
    }
#ifdef WORMPAIR_CLI_PAINTS
    const auto bytes = [](const QByteArray& a) {
        return std::vector<std::uint8_t>(a.begin(), a.end());
    };
    if (format == "pdf") return bytes(drawing::sheetPdf(sheet));
    if (format == "svg") return bytes(drawing::sheetSvg(sheet));
#endif
    return {};
}

bool drawingNeedsPainting(const QStringList& arguments) {
    // the drawings, and the analyses' reports (--plot)
    if (arguments.value(0) != "drawing" && arguments.value(0) != "analysis") return false;
    for (const QString& argument : arguments) {
        const QString ending = extensionOf(argument);
        if (ending == "pdf" || ending == "svg") return true;
    }
    return false;
}

namespace {

int runDrawing(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
               QTextStream& err) {
    CommandLine command("drawing", kDrawingUsage, 2, "", "name the drawing and the design file");
    QCommandLineParser& parser = command.parser;
    const QCommandLineOption output(QStringList{"o", "output"}, "drawing to write", "OUT");
    const QCommandLineOption sheet("sheet", "sheet size", "SIZE", "A3");
    const QCommandLineOption field("field", "title block field", "NAME=TEXT");
    parser.addOptions({output, sheet, field});
    if (const auto status = command.parse(arguments, out, err)) return *status;
    const auto usage = [&](const QString& problem) { return command.error(err, problem); };
    const QStringList positional = parser.positionalArguments();
    const auto kind = drawing::sheetKindNamed(positional[0].toStdString());
    if (!kind) return usage("the drawing is worm, wheel, hob or mesh");
    if (!parser.isSet(output)) return usage("name the drawing to write with -o OUT");
    const QString target = parser.value(output);
    if (const QString problem = programFileProblem(target, programFolders(programDirectory));
        !problem.isEmpty()) {
        err << "wormpair-cli: " << problem << "\n";
        return kExitFailed;
    }
    const QString format = extensionOf(target);
    if (format != "dxf" && format != "pdf" && format != "svg") {
        return usage("OUT must end in .dxf, .pdf or .svg");
    }
    const auto size = drawing::sheetSizeNamed(parser.value(sheet).toStdString());
    if (!size) return usage("--sheet is A3, A4 or A2");
    drawing::SheetRequest request{*kind, *size, {}};
    for (const QString& assignment : parser.values(field)) {
        const qsizetype equals = assignment.indexOf('=');
        const auto name = drawing::titleFieldNamed(assignment.left(equals));
        if (equals < 0 || !name) {
            return usage("--field takes 图号, 材料, 重量, 设计, 审核, 日期 or 单位名称 =TEXT, not '" +
                         assignment + "'");
        }
        request.fields[*name] = assignment.mid(equals + 1);
    }
#ifdef WORMPAIR_CLI_PAINTS
    const bool painting = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
#else
    const bool painting = false;
#endif
    if (format != "dxf" && !painting) {
        err << "wormpair-cli: 本程序未带绘图输出，只能写 DXF 图纸\n";
        return kExitFailed;
    }

    HeadlessSession session(programDirectory);
    const StartupLoadResult load = session.load();
    if (!load.ok) {
        err << "wormpair-cli: " << QString::fromUtf8(kDataInitialisationFailed.data()) << " ("
            << load.error << ")\n";
        return kExitFailed;
    }
    TXLSReadWriteII4 workbook;
    const QString design = positional[1];
    if (!openDesignFile(session.form, session.design, workbook, design) || !session.succeeded()) {
        err << "wormpair-cli: " << design << ": "
            << QString::fromStdString(session.form.messages.empty() ? std::string("设计未计算")
                                                                    : session.form.messages.back())
            << "\n";
        return kExitFailed;
    }
    try {
        const drawing::Sheet built =
            drawing::buildSheet(drawing::drawnDesign(designSnapshot(session.form, session.design)), request);
        const std::vector<std::uint8_t> bytes = sheetFileBytes(built, target);
        if (bytes.empty()) {
            err << "wormpair-cli: 本程序未含 " << extensionOf(target).toUpper() << " 图纸输出\n";
            return kExitFailed;
        }
        write(target, bytes);
    } catch (const std::exception& e) {
        err << "wormpair-cli: " << QString::fromUtf8(e.what()) << "\n";
        return kExitFailed;
    }
    return kExitRan;
}

}  // namespace

extern const Command kDrawingCommand{
    "drawing", "write the worm, wheel, hob or meshing drawing of a design file (DXF, PDF, SVG)",
    runDrawing};

}  // namespace wormpair
