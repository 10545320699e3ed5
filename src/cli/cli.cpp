#include "cli/cli.h"

#include <sys/stat.h>

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "calc/calculate.h"
#include "calc/numeric.h"
#include "calc/result_collector.h"
#include "calc/result_labels.h"
#include "cli/cli_output.h"
#include "cli/drawing_command.h"
#include "cli/series_command.h"
#include "cli/model_command.h"
#include "cli/analysis_command.h"
#include "export/parameter_sheets.h"
#include "input/design_snapshot.h"
#include "export/spreadsheet_application.h"
#include "input/design_controller.h"
#include "input/design_file_open.h"
#include "input/form_state.h"
#include "input/headless_session.h"
#include "input/input_rules.h"
#include "platform/platform.h"
#include "platform/program_files.h"
#include "store/parameter_database.h"
#include "store/parameter_schema.h"
#include "store/program_layout.h"
#include "store/startup_load.h"
#include "store/store_messages.h"
#include "store/user_settings.h"
#include "xls/xls_read_write.h"

namespace wormpair {

namespace {

const char* const kUsage =
    "Usage: wormpair-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  calc     calculate a worm pair from the texts of the nine input fields\n"
    "  design   recommend the parameters and calculate, as the recommend button does\n"
    "  open     open a design file (*.cqb) and calculate it, as the window does\n"
    "  cells    read and set cell texts of a workbook's first sheet\n"
    "  export   write the worm, hob or wheel parameter sheet of a design file\n"
    "  rules    list, set, restore, load and save the calculation rules\n"
    "  drawing  write the worm, wheel, hob or meshing drawing of a design file (DXF, PDF, SVG)\n"
    "  series   design a range of centre distances and ratios into one workbook\n"
    "  model    write the 3D model (STEP, STL) or inspection points (CSV) of a design file\n"
    "  analysis 啮合分析：蜗杆与蜗轮的接触线、润滑角与滑动速度（CSV）\n"
    "\n"
    "\n"
    "Run 'wormpair-cli COMMAND --help' for the options of a command,\n"
    "'wormpair-cli --version' for the version.\n";

const char* const kVersion = WORMPAIR_VERSION;

struct TextOption {
    const char* name;
    const char* field;  // the edit field whose text it stands for
    std::string CalculationInputs::*member;
};

const TextOption kCalcOptions[] = {
    {"centre-distance", "Edit1", &CalculationInputs::centreDistance},
    {"ratio", "Edit2", &CalculationInputs::actualRatio},
    {"wheel-teeth", "Edit3", &CalculationInputs::wheelTeeth},
    {"worm-starts", "Edit4", &CalculationInputs::wormStarts},
    {"main-base-diameter", "Edit5", &CalculationInputs::mainBaseDiameter},
    {"tip-eccentricity", "Edit6", &CalculationInputs::tipEccentricity},
    {"worm-diameter", "Edit7", &CalculationInputs::wormReferenceDiameter},
    {"backlash", "Edit8", &CalculationInputs::backlash},
    {"grinding-increment", "Edit13", &CalculationInputs::grindingIncrement},
};

int usageError(QTextStream& err, const QString& problem, const QString& usage) {
    err << "wormpair-cli: " << problem << "\n\n" << usage;
    return kExitUsage;
}

// One command's arguments: its options, the number of positional arguments
// it takes, and the usage text shown for --help and for every mistake.
class CommandLine {
  public:
    CommandLine(const char* command, QString usage, int positionalCount, const char* positionalName)
        : m_command(command),
          m_usage(std::move(usage)),
          m_positionalCount(positionalCount),
          m_positionalName(positionalName) {
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
        parser.addOption(m_help);
    }

    // The exit status when the command ends here (help shown or a mistake).
    std::optional<int> parse(const QStringList& arguments, QTextStream& out, QTextStream& err) {
        if (!parser.parse(QStringList(m_command) + arguments))
            return error(err, parser.errorText());
        if (parser.isSet(m_help)) {
            out << m_usage;
            return kExitRan;
        }
        const QStringList positional = parser.positionalArguments();
        if (positional.size() > m_positionalCount) {
            return error(err, "unexpected argument '" + positional.value(m_positionalCount) + "'");
        }
        if (positional.size() < m_positionalCount)
            return error(err, QString("name one ") + m_positionalName);
        return std::nullopt;
    }

    int error(QTextStream& err, const QString& problem) const {
        return usageError(err, problem, m_usage);
    }

    QCommandLineParser parser;

  private:
    const char* m_command;
    QString m_usage;
    int m_positionalCount;
    const char* m_positionalName;
    QCommandLineOption m_help{QStringList{"h", "help"}};
};

QString calcUsage() {
    QString usage =
        "Usage: wormpair-cli calc --centre-distance TEXT --ratio TEXT --wheel-teeth TEXT\n"
        "         --worm-starts TEXT --main-base-diameter TEXT --tip-eccentricity TEXT\n"
        "         --worm-diameter TEXT --backlash TEXT --grinding-increment TEXT\n"
        "         [--whole-number] [--coefficients c1,c2,...,c16] [--json]\n"
        "\n"
        "Each TEXT is taken verbatim as the text of its edit field:\n";
    for (const TextOption& option : kCalcOptions) {
        usage += QString("  --%1  %2\n").arg(QString(option.name), -20).arg(option.field);
    }
    usage +=
        "  --whole-number          the option 取整数 is checked\n"
        "  --coefficients LIST     the sixteen rule coefficients, comma separated\n"
        "                          (default: the coefficients of the installed database)\n"
        "  --json                  print one JSON object instead of the result groups\n";
    return usage;
}

// Parses "c1,...,c16"; an empty optional on any malformed entry.
std::optional<CoefficientSet> parseCoefficientList(const QString& list) {
    const QStringList parts = list.split(',');
    if (parts.size() != static_cast<int>(CoefficientSet::kCount)) return std::nullopt;
    CoefficientSet set;
    try {
        for (std::size_t n = 1; n <= CoefficientSet::kCount; ++n) {
            set[n] = parseReal(parts[static_cast<int>(n - 1)].toStdString());
        }
    } catch (const CalculationError&) {
        return std::nullopt;
    }
    return set;
}

int runCalc(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
            QTextStream& err) {
    CommandLine command("calc", calcUsage(), 0, "");
    QCommandLineParser& parser = command.parser;
    for (const TextOption& option : kCalcOptions) {
        parser.addOption(QCommandLineOption(option.name, option.field, "TEXT"));
    }
    const QCommandLineOption wholeNumber("whole-number");
    const QCommandLineOption coefficientsOption("coefficients", "coefficients", "LIST");
    const QCommandLineOption json("json");
    parser.addOptions({wholeNumber, coefficientsOption, json});
    if (const auto status = command.parse(arguments, out, err)) return *status;

    CalculationInputs inputs;
    for (const TextOption& option : kCalcOptions) {
        if (!parser.isSet(option.name)) {
            return command.error(err, QString("missing --%1").arg(option.name));
        }
        inputs.*option.member = parser.value(option.name).toStdString();
    }
    inputs.wholeNumber = parser.isSet(wholeNumber);

    CoefficientSet coefficients;
    if (parser.isSet(coefficientsOption)) {
        const auto parsed = parseCoefficientList(parser.value(coefficientsOption));
        if (!parsed) {
            return command.error(err, "--coefficients needs sixteen numbers separated by commas");
        }
        coefficients = *parsed;
    } else {
        const StartupLoadResult load =
            loadCoefficients(ParameterDatabase(programLayout(programDirectory)), coefficients);
        if (!load.ok) {
            err << "wormpair-cli: " << QString::fromUtf8(kDataInitialisationFailed.data()) << " ("
                << load.error << ")\n";
            return kExitFailed;
        }
    }

    DesignRecord record;
    DocumentState document;
    ResultCollector view;
    const CalculationResult result = calculate(inputs, coefficients, record, document, view);

    // the texts as given: a centre distance or ratio that is no number has its own message
    const std::string rangeNotice = designRangeNotice(inputs.centreDistance, inputs.actualRatio);
    if (parser.isSet(json)) {
        QJsonObject object = resultJson(result, view);
        object.insert("record", recordJson(record));
        addRangeNotice(object, rangeNotice);
        out << QJsonDocument(object).toJson(QJsonDocument::Indented);
    } else {
        printResultGroups(result, view, out, rangeNotice);
    }
    return kExitRan;
}

// Loads the coefficients into a session; on failure tells why and returns false.
bool loadSession(HeadlessSession& session, QTextStream& err) {
    const StartupLoadResult result = session.load();
    if (!result.ok) {
        err << "wormpair-cli: " << QString::fromUtf8(kDataInitialisationFailed.data()) << " ("
            << result.error << ")\n";
    }
    return result.ok;
}

void printSession(const HeadlessSession& session, bool json, QTextStream& out) {
    if (json) {
        out << QJsonDocument(
                   designJson(session.form, session.design, session.view, session.succeeded()))
                   .toJson(QJsonDocument::Indented);
    } else {
        printDesign(session.form, session.design, session.view, session.succeeded(), out);
    }
}

QString designUsage() {
    return "Usage: wormpair-cli design --centre-distance TEXT --wheel-teeth TEXT --worm-starts "
           "TEXT\n"
           "         [--grade 6|7|8] [--no-standard-backlash] [--whole-number] [--json]\n"
           "\n"
           "Types the three texts into Edit1, Edit3 and Edit4 as a user would (full-width\n"
           "digits and signs as ASCII), picks the\n"
           "accuracy grade (default 7, standard backlash on), presses the recommend button\n"
           "and prints the calculated design; --whole-number then ticks 取整数.\n";
}

int runDesign(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
              QTextStream& err) {
    CommandLine command("design", designUsage(), 0, "");
    QCommandLineParser& parser = command.parser;
    const QCommandLineOption centreDistance("centre-distance", "Edit1", "TEXT");
    const QCommandLineOption wheelTeeth("wheel-teeth", "Edit3", "TEXT");
    const QCommandLineOption wormStarts("worm-starts", "Edit4", "TEXT");
    const QCommandLineOption grade("grade", "accuracy grade", "6|7|8", "7");
    const QCommandLineOption noStandardBacklash("no-standard-backlash");
    const QCommandLineOption wholeNumber("whole-number");
    const QCommandLineOption json("json");
    parser.addOptions(
        {centreDistance, wheelTeeth, wormStarts, grade, noStandardBacklash, wholeNumber, json});
    if (const auto status = command.parse(arguments, out, err)) return *status;
    for (const QCommandLineOption* required : {&centreDistance, &wheelTeeth, &wormStarts}) {
        if (!parser.isSet(*required)) {
            return command.error(err, "missing --" + required->names().first());
        }
    }
    const QString gradeText = parser.value(grade);
    if (gradeText != "6" && gradeText != "7" && gradeText != "8") {
        return command.error(err, "--grade must be 6, 7 or 8");
    }

    HeadlessSession session(programDirectory);
    if (!loadSession(session, err)) return kExitFailed;
    FormState& form = session.form;
    DesignController& design = session.design;
    ResultCollector& view = session.view;
    try {
        form.setCurrentIndex("ComboBox1", gradeText.toInt() - 6);
        if (parser.isSet(noStandardBacklash)) form.setChecked("CheckBox2", false);
        // typed as the window's fields take them: full-width numbers in ASCII
        form.setText("Edit1", asciiNumberText(parser.value(centreDistance).toStdString()));
        form.setText("Edit3", asciiNumberText(parser.value(wheelTeeth).toStdString()));
        form.setText("Edit4", asciiNumberText(parser.value(wormStarts).toStdString()));
        design.speedButton2Click();
        if (parser.isSet(wholeNumber) && view.resultsShown) form.setChecked("CheckBox1", true);
    } catch (const std::exception& e) {
        // what the window reports as an unexpected error
        form.showMessage(e.what());
    }

    printSession(session, parser.isSet(json), out);
    return kExitRan;
}

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
        if (const QString problem = programFileProblem(parser.value(output), programFolders(programDirectory));
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

QString rulesUsage() {
    return "Usage: wormpair-cli rules [--json]\n"
           "       wormpair-cli rules set N VALUE\n"
           "       wormpair-cli rules restore\n"
           "       wormpair-cli rules load FILE.ccq\n"
           "       wormpair-cli rules save NAME [--overwrite]\n"
           "\n"
           "The sixteen calculation-rule coefficients of the program's parameter database\n"
           "(table nzhi of db1.mdb), as the menu 设置 changes them:\n"
           "  (none)    list them and whether they differ from the factory rules\n"
           "  set       set coefficient N (1 to 16) to a number\n"
           "  restore   go back to the factory rules (db1.ccq)\n"
           "  load      check a user settings file and put all its tables into the database\n"
           "            (a file that is no usable rules is refused, the database unchanged)\n"
           "  save      write the rules to NAME.ccq (\".ccq\" always appended); an\n"
           "            existing file is replaced only with --overwrite\n"
           "Another program's change is waited for up to 5 seconds.\n";
}

// The stored value as a number when it is one, else its text.
QJsonValue ruleValue(const QVariant& field) {
    if (isNumericField(field)) return field.toDouble();
    try {
        return parseReal(fieldText(field).toStdString());
    } catch (const CalculationError&) {
        return fieldText(field);
    }
}

int listRules(const ParameterDatabase& database, bool json, QTextStream& out) {
    namespace nzhi = schema::nzhi;
    const ParameterTable rules = database.readTable(nzhi::kTable);
    const int formula = static_cast<int>(rules.columnNames().indexOf(nzhi::kFormulaName));
    const int count = std::min(rules.rowCount(), nzhi::kRowCount);
    std::vector<bool> differs;
    for (int row = 0; row < count; ++row) {
        differs.push_back(
            !sameAsStored(rules.value(row, nzhi::kValue), rules.value(row, nzhi::kFactoryValue)));
    }
    const bool modified = std::find(differs.begin(), differs.end(), true) != differs.end();
    if (json) {
        QJsonArray rows;
        for (int row = 0; row < count; ++row) {
            rows.append(
                QJsonObject{{"number", row + 1},
                            {"name", rules.text(row, nzhi::kName)},
                            {"value", ruleValue(rules.value(row, nzhi::kValue))},
                            {"factory", ruleValue(rules.value(row, nzhi::kFactoryValue))},
                            {"formula", formula >= 0 ? rules.text(row, formula) : QString()}});
        }
        out << QJsonDocument(QJsonObject{{"modified", modified}, {"rules", rows}})
                   .toJson(QJsonDocument::Indented);
        return kExitRan;
    }
    out << (modified ? "注意：默认计算法则已被修改（* 标出与出厂值不同的系数）\n"
                     : "计算法则与出厂设置一致\n");
    for (int row = 0; row < count; ++row) {
        out << QString("%1%2  %3  N = %4  出厂值 %5\n")
                   .arg(differs[static_cast<std::size_t>(row)] ? "*" : " ")
                   .arg(row + 1, 2)
                   .arg(rules.text(row, nzhi::kName).leftJustified(10, QChar(0x3000)))
                   .arg(rules.text(row, nzhi::kValue), -8)
                   .arg(rules.text(row, nzhi::kFactoryValue));
    }
    return kExitRan;
}

int runRules(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
             QTextStream& err) {
    const QString action = arguments.value(0);
    const std::map<QString, int> counts = {{"set", 2}, {"restore", 0}, {"load", 1}, {"save", 1}};
    const bool listing = !counts.count(action);
    CommandLine command("rules", rulesUsage(), listing ? 0 : counts.at(action), "argument");
    QCommandLineParser& parser = command.parser;
    const QCommandLineOption json("json");
    const QCommandLineOption overwrite("overwrite");
    parser.addOptions({json, overwrite});
    if (const auto status = command.parse(listing ? arguments : arguments.mid(1), out, err)) {
        return *status;
    }
    const QStringList values = parser.positionalArguments();
    const ParameterDatabase database(programLayout(programDirectory));
    const auto failed = [&](const QString& message) {
        err << "wormpair-cli: " << message << "\n";
        return kExitFailed;
    };
    try {
        if (listing) return listRules(database, parser.isSet(json), out);
        if (action == "set") {
            bool isNumber = false;
            const int number = values[0].toInt(&isNumber);
            if (!isNumber || number < 1 || number > schema::nzhi::kRowCount) {
                return command.error(err, "N is the number of a coefficient, 1 to 16");
            }
            double value = 0;
            try {
                value = parseReal(values[1].toStdString());
            } catch (const CalculationError&) {
                return failed("'" + values[1] + "' 不是数字，计算法则未作更改");
            }
            if (const auto problem = coefficientProblem(number, value)) {
                return failed(*problem + "，计算法则未作更改");
            }
            try {
                database.writeCoefficientValues({{number, value}});
            } catch (const DatabaseError& error) {
                return failed("参数数据库 db1.mdb 无法写入（" + databaseFailureText(error) +
                              "），计算法则未作更改");
            }
        } else if (action == "restore") {
            restoreFactorySettings(database);
        } else if (action == "load") {
            loadUserSettings(database, values[0]);
        } else {
            const QString target = settingsFileName(values[0]);
            if (const QString problem = settingsTargetProblem(database, target); !problem.isEmpty()) {
                return failed(problem);
            }
            if (QFileInfo::exists(target) && !parser.isSet(overwrite)) {
                return failed(target + " 已存在；用 --overwrite 替换它");
            }
            saveUserSettings(database, target);
        }
    } catch (const std::exception& e) {
        return failed(QString::fromUtf8(e.what()));
    }
    return kExitRan;
}

}  // namespace

int runCli(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
           QTextStream& err) {
    if (arguments.isEmpty()) {
        err << kUsage;
        return kExitUsage;
    }
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == "calc") return runCalc(rest, programDirectory, out, err);
    if (command == "design") return runDesign(rest, programDirectory, out, err);
    if (command == "open") return runOpen(rest, programDirectory, out, err);
    if (command == "cells") return runCells(rest, programDirectory, out, err);
    if (command == "export") return runExport(rest, programDirectory, out, err);
    if (command == "rules") return runRules(rest, programDirectory, out, err);
    if (command == "drawing") return runDrawing(rest, programDirectory, out, err);
    if (command == "series") return runSeries(rest, programDirectory, out, err);
    if (command == "model") return runModelCommand(rest, programDirectory, out, err);
    if (command == "analysis") return runAnalysisCommand(rest, programDirectory, out, err);
    if (command == "--version") {
        out << "wormpair-cli " << kVersion << "\n";
        return kExitRan;
    }
    if (command == "-h" || command == "--help" || command == "help") {
        out << kUsage;
        return kExitRan;
    }
    err << "wormpair-cli: unknown command '" << command << "'\n\n" << kUsage;
    return kExitUsage;
}

}  // namespace wormpair
