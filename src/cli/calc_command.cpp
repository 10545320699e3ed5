#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>
#include <string>

#include "calc/calculate.h"
#include "calc/numeric.h"
#include "calc/result_collector.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/command_line.h"
#include "input/input_rules.h"
#include "store/parameter_database.h"
#include "store/program_layout.h"
#include "store/startup_load.h"
#include "store/store_messages.h"

namespace wormpair {

namespace {

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

}  // namespace

extern const Command kCalcCommand{
    "calc", "calculate a worm pair from the texts of the nine input fields", runCalc};

}  // namespace wormpair
