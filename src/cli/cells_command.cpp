#include "cli/command_line.h"

#include <sys/stat.h>

#include <QCommandLineParser>
#include <QFile>

#include <cerrno>
#include <string>
#include <tuple>
#include <vector>

#include "cli/cli.h"
#include "export/parameter_sheets.h"
#include "platform/program_files.h"
#include "store/program_layout.h"
#include "xls/xls_read_write.h"

namespace wormpair {

namespace {

QString cellsUsage() {
    return "Usage: wormpair-cli cells FILE [--get A1]... [--set A1=TEXT]... [-o OUT]\n"
           "\n"
           "Reads the workbook FILE (Excel 97-2003), sets the --set cells of its first sheet,\n"
           "prints the text of each --get cell, one per line (after the sets), and with -o\n"
           "writes the workbook to OUT. FILE itself is never changed.\n";
}

// Why a path names no workbook to read, told apart: nothing there, a
// folder, or a pipe or device (never opened: reading one could block).
QString workbookFileProblem(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? QStringLiteral("找不到该文件")
                                                   : QStringLiteral("无法访问该文件");
    }
    if (S_ISDIR(status.st_mode)) return QStringLiteral("是文件夹，不是工作簿文件");
    if (!S_ISREG(status.st_mode)) {
        return QStringLiteral("不是普通文件（是管道、套接字或设备），不能作为工作簿读取");
    }
    return {};
}

int runCells(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
             QTextStream& err) {
    CommandLine command("cells", cellsUsage(), 1, "workbook");
    QCommandLineParser& parser = command.parser;
    const QCommandLineOption get("get", "cell to print", "CELL");
    const QCommandLineOption set("set", "cell to set", "CELL=TEXT");
    const QCommandLineOption output(QStringList{"o", "output"}, "workbook to write", "OUT");
    parser.addOptions({get, set, output});
    if (const auto status = command.parse(arguments, out, err)) return *status;
    if (parser.isSet(set) && !parser.isSet(output)) {
        return command.error(err, "--set needs -o OUT: the workbook read is never changed");
    }

    std::vector<std::tuple<int, int, std::string>> sets;
    for (const QString& assignment : parser.values(set)) {
        const qsizetype equals = assignment.indexOf('=');
        const auto position = cellPosition(assignment.left(equals).toStdString());
        if (equals < 0 || !position) {
            return command.error(err, "--set takes CELL=TEXT, not '" + assignment + "'");
        }
        sets.emplace_back(position->column, position->row,
                          assignment.mid(equals + 1).toStdString());
    }
    std::vector<std::pair<int, int>> gets;
    for (const QString& name : parser.values(get)) {
        const auto position = cellPosition(name.toStdString());
        if (!position) return command.error(err, "not a cell name: '" + name + "'");
        gets.emplace_back(position->column, position->row);
    }

    if (parser.isSet(output)) {
        if (const QString problem =
                programFileProblem(parser.value(output), programFolders(programDirectory));
            !problem.isEmpty()) {
            err << "wormpair-cli: " << problem << "\n";
            return kExitFailed;
        }
    }
    const QString input = parser.positionalArguments().first();
    if (const QString problem = workbookFileProblem(input); !problem.isEmpty()) {
        err << "wormpair-cli: " << input << ": " << problem << "\n";
        return kExitFailed;
    }
    TXLSReadWriteII4 workbook;
    try {
        workbook.setFilename(input.toStdString());
        workbook.readWorkbook();
        for (const auto& [column, row, text] : sets) workbook.setCellText(column, row, text);
        for (const auto& [column, row] : gets) {
            out << QString::fromStdString(workbook.getCellText(column, row)) << "\n";
        }
        if (parser.isSet(output)) {
            workbook.setFilename(parser.value(output).toStdString());
            workbook.writeWorkbook();
        }
    } catch (const std::exception& e) {
        err << "wormpair-cli: " << e.what() << "\n";
        return kExitFailed;
    }
    return kExitRan;
}

}  // namespace

extern const Command kCellsCommand{"cells", "read and set cell texts of a workbook's first sheet",
                                   runCells};

}  // namespace wormpair
