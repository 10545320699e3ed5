#include "cli/command_line.h"

#include <QCommandLineParser>

#include <exception>

#include "cli/cli.h"
#include "platform/program_files.h"
#include "series/series_design.h"
#include "series/series_output.h"
#include "store/parameter_database.h"
#include "store/program_layout.h"
#include "store/startup_load.h"
#include "store/store_messages.h"

namespace wormpair {

namespace {

QString seriesUsage() {
    return QString::fromStdString(
        "Usage: wormpair-cli series [--centre-distances LIST] [--ratios LIST]\n"
        "         [--starts 1|2|4|auto] [--grade 6|7|8] [--no-standard-backlash]\n"
        "         [--whole-number] [--sheet-per-centre-distance] -o OUT.xls|OUT.csv|OUT.json\n"
        "\n"
        "Designs every centre distance with every ratio as the recommend button designs\n"
        "one pair, and writes one row per pair: the inputs, the recommended parameters,\n"
        "every result, the grade's tolerances, the warnings and why a design failed.\n"
        "  --centre-distances LIST  mm, separated by commas (default: " +
        standardCentreDistancesText() +
        ")\n"
        "  --ratios LIST            (default: " +
        standardRatiosText() +
        ")\n"
        "  --starts                 worm starts of every pair: 1, 2, 4, or a list of them (a\n"
        "                           row for each); auto (the default) takes the fewest of\n"
        "                           1, 2, 4 that make the wheel teeth whole\n"
        "  --grade, --no-standard-backlash, --whole-number  as for 'wormpair-cli design'\n"
        "  --sheet-per-centre-distance  the workbook also has a sheet per centre distance\n"
        "  -o OUT                   .xls (Excel 97-2003), .csv (UTF-8) or .json\n");
}

int runSeries(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
              QTextStream& err) {
    CommandLine command("series", seriesUsage(), 0, "");
    QCommandLineParser& parser = command.parser;
    const QCommandLineOption centreDistances("centre-distances", "mm", "LIST");
    const QCommandLineOption ratios("ratios", "ratios", "LIST");
    const QCommandLineOption starts("starts", "worm starts", "1|2|4|auto", "auto");
    const QCommandLineOption grade("grade", "accuracy grade", "6|7|8", "7");
    const QCommandLineOption noStandardBacklash("no-standard-backlash");
    const QCommandLineOption wholeNumber("whole-number");
    const QCommandLineOption sheetPerCentreDistance("sheet-per-centre-distance");
    const QCommandLineOption output(QStringList{"o", "output"}, "file to write", "OUT");
    parser.addOptions({centreDistances, ratios, starts, grade, noStandardBacklash, wholeNumber,
                       sheetPerCentreDistance, output});
    if (const auto status = command.parse(arguments, out, err)) return *status;
    if (!parser.isSet(output)) return command.error(err, "name the file to write with -o OUT");
    const QString target = parser.value(output);
    if (const QString problem = programFileProblem(target, programFolders(programDirectory));
        !problem.isEmpty()) {
        err << "wormpair-cli: " << problem << "\n";
        return kExitFailed;
    }
    const std::optional<SeriesFormat> format = seriesFormatOf(target.toStdString());
    if (!format) return command.error(err, "OUT ends in .xls, .csv or .json");
    const QString gradeText = parser.value(grade);
    if (gradeText != "6" && gradeText != "7" && gradeText != "8") {
        return command.error(err, "--grade must be 6, 7 or 8");
    }

    const auto list = [&](const QCommandLineOption& option, const std::string& standard,
                          const char* what) {
        return readSeriesList(parser.isSet(option) ? parser.value(option).toStdString() : standard,
                              what);
    };
    const SeriesList centres = list(centreDistances, standardCentreDistancesText(), "中心距");
    if (!centres.ok()) return command.error(err, QString::fromStdString(centres.problem));
    const SeriesList ratioList = list(ratios, standardRatiosText(), "速比");
    if (!ratioList.ok()) return command.error(err, QString::fromStdString(ratioList.problem));
    const StartsChoice startsChoice = readWormStarts(parser.value(starts).toStdString());
    if (!startsChoice.ok()) return command.error(err, QString::fromStdString(startsChoice.problem));

    SeriesOptions options;
    options.wormStarts = startsChoice.starts;
    options.grade = gradeText.toInt();
    options.standardBacklash = !parser.isSet(noStandardBacklash);
    options.wholeNumber = parser.isSet(wholeNumber);
    const SeriesPlan plan = planSeries(centres.entries, ratioList.entries, options);
    if (!plan.ok()) return command.error(err, QString::fromStdString(plan.problem));

    const ParameterDatabase database(programLayout(programDirectory));
    CoefficientSet coefficients;
    const StartupLoadResult load = loadCoefficients(database, coefficients);
    if (!load.ok) {
        err << "wormpair-cli: " << QString::fromUtf8(kDataInitialisationFailed.data()) << " ("
            << load.error << ")\n";
        return kExitFailed;
    }
    PreloadedRuleTables tables(database);
    const std::vector<SeriesRow> rows = designSeries(tables, coefficients, plan, options);
    try {
        writeSeries(target.toStdString(), *format, rows, options,
                    parser.isSet(sheetPerCentreDistance));
    } catch (const std::exception& e) {
        err << "wormpair-cli: " << target << ": " << QString::fromUtf8(e.what()) << "\n";
        return kExitFailed;
    }
    out << QString::fromStdString(seriesSummary(rows)) << "，已写入 " << target << "\n";
    return kExitRan;
}

}  // namespace

extern const Command kSeriesCommand{
    "series", "design a range of centre distances and ratios into one workbook", runSeries};

}  // namespace wormpair
