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

namespace wormpair {

namespace {

const char* const kUsage =
    "Usage: wormpair-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  calc     calculate a worm pair from the texts of the nine input fields\n"
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

int runCalc(const QStringList& arguments, const QString& /*programDirectory*/, QTextStream& out,
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
        coefficients = CoefficientSet::factory();
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
    if (command == "-h" || command == "--help" || command == "help") {
        out << kUsage;
        return kExitRan;
    }
    err << "wormpair-cli: unknown command '" << command << "'\n\n" << kUsage;
    return kExitUsage;
}

}  // namespace wormpair
