#include "cli/cli.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <vector>

#include "calc/calculate.h"
#include "calc/numeric.h"
#include "calc/result_collector.h"
#include "calc/result_labels.h"
#include "cli/cli_output.h"
#include "input/design_controller.h"
#include "input/form_state.h"
#include "store/parameter_database.h"
#include "store/startup_load.h"
#include "store/store_messages.h"

namespace wormpair {

namespace {

const char* const kUsage =
    "Usage: wormpair-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  calc     calculate a worm pair from the texts of the nine input fields\n"
    "  design   recommend the parameters and calculate, as the recommend button does\n"
    "\n"
    "Run 'wormpair-cli COMMAND --help' for the options of a command.\n";

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
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const TextOption& option : kCalcOptions) {
        parser.addOption(QCommandLineOption(option.name, option.field, "TEXT"));
    }
    const QCommandLineOption wholeNumber("whole-number");
    const QCommandLineOption coefficientsOption("coefficients", "coefficients", "LIST");
    const QCommandLineOption json("json");
    const QCommandLineOption help(QStringList{"h", "help"});
    parser.addOptions({wholeNumber, coefficientsOption, json, help});

    if (!parser.parse(QStringList("calc") + arguments)) {
        return usageError(err, parser.errorText(), calcUsage());
    }
    if (parser.isSet(help)) {
        out << calcUsage();
        return kExitRan;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(err, "unexpected argument '" + parser.positionalArguments().first() + "'",
                          calcUsage());
    }

    CalculationInputs inputs;
    for (const TextOption& option : kCalcOptions) {
        if (!parser.isSet(option.name)) {
            return usageError(err, QString("missing --%1").arg(option.name), calcUsage());
        }
        inputs.*option.member = parser.value(option.name).toStdString();
    }
    inputs.wholeNumber = parser.isSet(wholeNumber);

    CoefficientSet coefficients;
    if (parser.isSet(coefficientsOption)) {
        const auto parsed = parseCoefficientList(parser.value(coefficientsOption));
        if (!parsed) {
            return usageError(err, "--coefficients needs sixteen numbers separated by commas",
                              calcUsage());
        }
        coefficients = *parsed;
    } else {
        const StartupLoadResult load =
            loadCoefficients(ParameterDatabase(programDirectory), coefficients, {});
        if (!load.ok) {
            err << "wormpair-cli: " << QString::fromUtf8(kDataInitialisationFailed.data()) << " (" << load.error << ")\n";
            return kExitFailed;
        }
    }

    DesignRecord record;
    DocumentState document;
    ResultCollector view;
    const CalculationResult result = calculate(inputs, coefficients, record, document, view);

    if (parser.isSet(json)) {
        QJsonObject object = resultJson(result, view);
        object.insert("record", recordJson(record));
        out << QJsonDocument(object).toJson(QJsonDocument::Indented);
    } else {
        printResultGroups(result, view, out);
    }
    return kExitRan;
}


QString designUsage() {
    return "Usage: wormpair-cli design --centre-distance TEXT --wheel-teeth TEXT --worm-starts TEXT\n"
           "         [--grade 6|7|8] [--no-standard-backlash] [--whole-number] [--json]\n"
           "\n"
           "Types the three texts into Edit1, Edit3 and Edit4 as a user would, picks the\n"
           "accuracy grade (default 7, standard backlash on), presses the recommend button\n"
           "and prints the calculated design; --whole-number then ticks 取整数.\n";
}

int runDesign(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
              QTextStream& err) {
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption centreDistance("centre-distance", "Edit1", "TEXT");
    const QCommandLineOption wheelTeeth("wheel-teeth", "Edit3", "TEXT");
    const QCommandLineOption wormStarts("worm-starts", "Edit4", "TEXT");
    const QCommandLineOption grade("grade", "accuracy grade", "6|7|8", "7");
    const QCommandLineOption noStandardBacklash("no-standard-backlash");
    const QCommandLineOption wholeNumber("whole-number");
    const QCommandLineOption json("json");
    const QCommandLineOption help(QStringList{"h", "help"});
    parser.addOptions({centreDistance, wheelTeeth, wormStarts, grade, noStandardBacklash,
                       wholeNumber, json, help});
    if (!parser.parse(QStringList("design") + arguments)) {
        return usageError(err, parser.errorText(), designUsage());
    }
    if (parser.isSet(help)) {
        out << designUsage();
        return kExitRan;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(err, "unexpected argument '" + parser.positionalArguments().first() + "'",
                          designUsage());
    }
    for (const QCommandLineOption* required : {&centreDistance, &wheelTeeth, &wormStarts}) {
        if (!parser.isSet(*required)) {
            return usageError(err, "missing --" + required->names().first(), designUsage());
        }
    }
    const QString gradeText = parser.value(grade);
    if (gradeText != "6" && gradeText != "7" && gradeText != "8") {
        return usageError(err, "--grade must be 6, 7 or 8", designUsage());
    }

    const ParameterDatabase database(programDirectory);
    FormState form;
    ResultCollector view;
    DesignController design(form, view, database);
    form.onChange = [&](std::string_view control) { design.controlChanged(control); };

    const StartupLoadResult load = loadCoefficients(database, design.coefficients(), {});
    if (!load.ok) {
        err << "wormpair-cli: " << QString::fromUtf8(kDataInitialisationFailed.data()) << " (" << load.error << ")\n";
        return kExitFailed;
    }
    try {
        form.setCurrentIndex("ComboBox1", gradeText.toInt() - 6);
        if (parser.isSet(noStandardBacklash)) form.setChecked("CheckBox2", false);
        form.setText("Edit1", parser.value(centreDistance).toStdString());
        form.setText("Edit3", parser.value(wheelTeeth).toStdString());
        form.setText("Edit4", parser.value(wormStarts).toStdString());
        design.speedButton2Click();
        if (parser.isSet(wholeNumber) && view.resultsShown) form.setChecked("CheckBox1", true);
    } catch (const std::exception& e) {
        // what the window reports as an unexpected error
        form.showMessage(e.what());
    }

    const bool ok = view.resultsShown && form.messages.empty();
    if (parser.isSet(json)) {
        out << QJsonDocument(designJson(form, design, view, ok)).toJson(QJsonDocument::Indented);
    } else {
        printDesign(form, design, view, ok, out);
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
    if (command == "-h" || command == "--help" || command == "help") {
        out << kUsage;
        return kExitRan;
    }
    err << "wormpair-cli: unknown command '" << command << "'\n\n" << kUsage;
    return kExitUsage;
}

}  // namespace wormpair
