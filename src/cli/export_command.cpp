#include <QCommandLineParser>

#include <map>
#include <memory>

#include "cli/cli.h"
#include "cli/command_line.h"
#include "cli/design_session.h"
#include "export/parameter_sheets.h"
#include "export/spreadsheet_application.h"
#include "input/design_file_open.h"
#include "input/design_snapshot.h"
#include "input/headless_session.h"
#include "platform/platform.h"
#include "platform/program_files.h"
#include "store/program_layout.h"
#include "xls/xls_read_write.h"

namespace wormpair {

namespace {

QString exportUsage() {
    return "Usage: wormpair-cli export worm|hob|wheel DESIGN.cqb -o OUT [--route toolbar|menu]\n"
           "\n"
           "Opens the design file as the window does, then exports the parameter sheet\n"
           "(蜗杆 worm, 滚刀 hob, 蜗轮 wheel) with OUT as the save dialog's answer, used\n"
           "exactly as given (no extension is added). --route toolbar (the default) fills\n"
           "the template with the program's own workbook component; --route menu drives\n"
           "the installed spreadsheet application (LibreOffice Calc).\n";
}

// The save dialog answered with the file named on the command line.
class AnsweredDialogs : public FileDialogs {
  public:
    explicit AnsweredDialogs(QString answer) : m_answer(std::move(answer)) {}
    QString openFileName(Kind, const QString&) override { return m_answer; }
    QString saveFileName(Kind, const QString&, const QString&) override { return m_answer; }

  private:
    QString m_answer;
};

// Messages go to the error stream; there is no window to show progress in.
class TerminalDesktop : public MessageBoxes, public ProgressWindow {
  public:
    explicit TerminalDesktop(QTextStream& err) : m_err(err) {}
    void inform(const QString& text, const QString&) override {
        m_err << "wormpair-cli: " << text << "\n";
    }
    bool askYesNo(const QString&) override { return false; }
    void show() override {}
    void close() override {}

  private:
    QTextStream& m_err;
};

int runExport(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
              QTextStream& err) {
    CommandLine command("export", exportUsage(), 2, "sheet and design file");
    QCommandLineParser& parser = command.parser;
    const QCommandLineOption output(QStringList{"o", "output"}, "sheet to write", "OUT");
    const QCommandLineOption route("route", "toolbar or menu", "ROUTE", "toolbar");
    parser.addOptions({output, route});
    if (const auto status = command.parse(arguments, out, err)) return *status;
    const QString sheetName = parser.positionalArguments().at(0);
    const std::map<QString, Sheet> sheets = {
        {"worm", Sheet::Worm}, {"hob", Sheet::Hob}, {"wheel", Sheet::Wheel}};
    if (!sheets.count(sheetName)) return command.error(err, "the sheet is worm, hob or wheel");
    if (!parser.isSet(output)) return command.error(err, "name the sheet to write with -o OUT");
    const QString routeName = parser.value(route);
    if (routeName != "toolbar" && routeName != "menu") {
        return command.error(err, "--route is toolbar or menu");
    }
    // the menu route's office appends ".xls" to a name without an extension
    const QString target = parser.value(output);
    const QStringList folders = programFolders(programDirectory);
    QString problem = programFileProblem(target, folders);
    if (problem.isEmpty() && routeName == "menu") {
        problem = programFileProblem(storedWorkbookPath(target), folders);
    }
    if (!problem.isEmpty()) {
        err << "wormpair-cli: " << problem << "\n";
        return kExitFailed;
    }

    HeadlessSession session(programDirectory);
    if (!loadSession(session, err)) return kExitFailed;
    TXLSReadWriteII4 workbook;
    const QString design = parser.positionalArguments().at(1);
    if (!openDesignFile(session.form, session.design, workbook, design) || !session.succeeded()) {
        err << "wormpair-cli: " << design << ": "
            << QString::fromStdString(session.form.messages.empty() ? std::string("设计未计算")
                                                                    : session.form.messages.back())
            << "\n";
        return kExitFailed;
    }
    AnsweredDialogs dialogs(parser.value(output));
    TerminalDesktop terminal(err);
    const ExportDesktop desktop{dialogs, terminal, terminal};
    const SheetSources sources = designSnapshot(session.form, session.design);
    ExportOutcome outcome;
    if (routeName == "menu") {
        const std::unique_ptr<SpreadsheetApplications> applications = installedSpreadsheets();
        std::unique_ptr<SpreadsheetApplication> handle;
        outcome = exportByMenu(sheets.at(sheetName), sources, programDirectory, *applications,
                               handle, desktop);
    } else {
        outcome =
            exportByToolbar(sheets.at(sheetName), sources, programDirectory, workbook, desktop);
    }
    return outcome == ExportOutcome::Written ? kExitRan : kExitFailed;
}

}  // namespace

extern const Command kExportCommand{
    "export", "write the worm, hob or wheel parameter sheet of a design file", runExport};

}  // namespace wormpair
