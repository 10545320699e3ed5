#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <map>
#include <vector>

#include "calc/numeric.h"
#include "cli/cli.h"
#include "cli/command_line.h"
#include "store/parameter_database.h"
#include "store/parameter_schema.h"
#include "store/program_layout.h"
#include "store/user_settings.h"

namespace wormpair {

namespace {

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
            if (const QString problem = settingsTargetProblem(database, target);
                !problem.isEmpty()) {
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

extern const Command kRulesCommand{
    "rules", "list, set, restore, load and save the calculation rules", runRules};

}  // namespace wormpair
