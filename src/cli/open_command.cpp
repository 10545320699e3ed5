#include <QCommandLineParser>

#include "cli/cli.h"
#include "cli/command_line.h"
#include "cli/design_session.h"
#include "input/design_file_open.h"
#include "input/headless_session.h"
#include "xls/xls_read_write.h"

namespace wormpair {

namespace {

QString openUsage() {
    return "Usage: wormpair-cli open FILE.cqb [--json]\n"
           "\n"
           "Opens a design file as the window does (the texts go into their fields as if\n"
           "typed, the inputs are locked, the design is calculated) and prints the result\n"
           "in the form of 'wormpair-cli design'.\n";
}

int runOpen(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
            QTextStream& err) {
    CommandLine command("open", openUsage(), 1, "design file");
    QCommandLineParser& parser = command.parser;
    const QCommandLineOption json("json");
    parser.addOption(json);
    if (const auto status = command.parse(arguments, out, err)) return *status;
    HeadlessSession session(programDirectory);
    if (!loadSession(session, err)) return kExitFailed;
    TXLSReadWriteII4 workbook;
    const QString path = parser.positionalArguments().first();
    if (!openDesignFile(session.form, session.design, workbook, path)) {
        err << "wormpair-cli: " << path << ": "
            << QString::fromStdString(session.form.messages.back()) << "\n";
        return kExitFailed;
    }
    printSession(session, parser.isSet(json), out);
    return kExitRan;
}

}  // namespace

extern const Command kOpenCommand{
    "open", "open a design file (*.cqb) and calculate it, as the window does", runOpen};

}  // namespace wormpair
