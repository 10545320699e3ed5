#include "cli/cli.h"

#include <iterator>

#include "cli/command_line.h"

namespace wormpair {

// Each command's entry lives in its own file.
extern const Command kCalcCommand, kDesignCommand, kOpenCommand, kCellsCommand, kExportCommand,
    kRulesCommand, kDrawingCommand, kSeriesCommand, kModelCommand, kAnalysisCommand;

namespace {

// The tool's commands in the order its usage lists them.
const Command* const kCommands[] = {
    &kCalcCommand,  &kDesignCommand,  &kOpenCommand,   &kCellsCommand, &kExportCommand,
    &kRulesCommand, &kDrawingCommand, &kSeriesCommand, &kModelCommand, &kAnalysisCommand};

const char* const kVersion = WORMPAIR_VERSION;

QString toolUsage() {
    QString usage = "Usage: wormpair-cli COMMAND [OPTIONS]\n\nCommands:\n";
    for (const Command* command : kCommands)
        usage += QString("  %1 %2\n")
                     .arg(QString(command->name), -8)
                     .arg(QString::fromUtf8(command->summary));
    usage +=
        "\n\nRun 'wormpair-cli COMMAND --help' for the options of a command,\n"
        "'wormpair-cli --version' for the version.\n";
    return usage;
}

}  // namespace

int runCli(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
           QTextStream& err) {
    if (arguments.isEmpty()) {
        err << toolUsage();
        return kExitUsage;
    }
    const QString name = arguments.first();
    for (const Command* command : kCommands)
        if (name == command->name)
            return command->run(arguments.mid(1), programDirectory, out, err);
    if (name == "--version") {
        out << "wormpair-cli " << kVersion << "\n";
        return kExitRan;
    }
    if (name == "-h" || name == "--help" || name == "help") {
        out << toolUsage();
        return kExitRan;
    }
    err << "wormpair-cli: unknown command '" << name << "'\n\n" << toolUsage();
    return kExitUsage;
}

}  // namespace wormpair
