#include "manual_content.h"

#include <QStringList>

#include <stdexcept>
#include <variant>

#include "calc/numeric.h"
#include "input/input_rules.h"
#include "store/parameter_schema.h"
#include "manual_document.h"

namespace manuals {

namespace {

[[noreturn]] void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

QString q(const std::string& s) { return QString::fromStdString(s); }

// A Markdown table; the first row is the header, align holds one of l, c, r
// per column.
QString markdownTable(const std::vector<QStringList>& rows, const QString& align) {
    QString out = "\n";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        out += "| " + rows[r].join(" | ") + " |\n";
        if (r == 0) {
            QStringList rule;
            for (const QChar a : align) rule << (a == 'r' ? "---:" : a == 'c' ? ":---:" : ":---");
            out += "| " + rule.join(" | ") + " |\n";
        }
    }
    return out + "\n";
}


// "≤80" for the first range, ">80～160" for the others.
QString rangeText(const wormpair::ParameterTable& table, int row, int lower, int upper) {
    const QString low = table.text(row, lower);
    const QString high = table.text(row, upper);
    if (wormpair::parseReal(low.toStdString()) <= 0) return QStringLiteral("≤") + high;
    return ">" + low + QStringLiteral("~") + high;
}

}  // namespace

Content::Content(const ManualData& data, const Design& example, StandardSeries series)
    : m_data(data), m_example(example), m_series(std::move(series)) {}

QString Content::resolve(const QString& key) const {
    if (key == "page") return "\n\n" + kPageBreak + "\n\n";
    if (key.startsWith("ex.")) return exampleValue(key.mid(3));
    if (key.startsWith("coef.") && key != "coef.table") {
        bool ok = false;
        const int n = key.mid(5).toInt(&ok);
        if (!ok || n < 1 || n > 16) fail("no coefficient " + key.mid(5));
        return q(wormpair::formatReal(m_data.coefficients()[static_cast<std::size_t>(n)]));
    }
    if (key == "coef.table") return coefficientTable();
    if (key == "table.xiuyuan") return reliefAmountTable();
    if (key == "table.xiuyuanchangdu") return reliefLengthTable();
    if (key.startsWith("grade.")) return gradeTable(key.mid(6));
    if (key == "grinding.table") return grindingTable();
    if (key == "modification.table") return modificationTable();
    if (key == "recommended.table") return recommendedTable();
    if (key == "recommended.distances") {
        QStringList list;
        for (const std::string& a : m_series.centreDistances) list << q(a);
        return list.join("、");
    }
    if (key == "recommended.ratios") {
        QStringList list;
        for (const std::string& i : m_series.ratios) list << q(i);
        return list.join("、");
    }
    fail("unknown key");
}

QString Content::exampleValue(const QString& name) const {
    const Design& d = m_example;
    const Recommendation& r = d.recommendation;
    const std::map<QString, std::string> inputs{
        {"Edit1", r.centreDistance},
        {"Edit2", r.ratio},
        {"Edit3", r.wheelTeeth},
        {"Edit4", r.wormStarts},
        {"Edit5", r.mainBaseDiameter},
        {"Edit6", r.tipEccentricity},
        {"Edit7", r.wormDiameter},
        {"Edit8", d.backlash},
        {"Edit9", d.designation},
        {"Edit10", "右旋"},
        {"Edit11", r.entryRelief},
        {"Edit12", r.exitRelief},
        {"Edit13", r.grindingIncrement},
        {"grade", d.gradeText},
        {"entryAmount", r.entryReliefAmount},
        {"d1raw", wormpair::formatInteger(r.wormDiameterRaw)},
        {"dbraw", wormpair::formatInteger(r.mainBaseRaw)},
    };
    if (const auto it = inputs.find(name); it != inputs.end()) return q(it->second);
    if (name.startsWith("Label")) return q(d.value(name.toStdString()));
    if (name == "calc.throat" || name == "calc.throatModified") {
        const wormpair::DesignRecord& x = d.record;
        const double value = name == "calc.throat"
                                 ? x.centreDistance - x.wheelReferenceDiameter / 2
                                 : x.modifiedCentreDistance - x.modifiedWheelReferenceDiameter / 2;
        return q(wormpair::formatReal(wormpair::roundToDecimals(value, 3)));
    }
    if (name.startsWith("record.")) {
        const std::string field = name.mid(7).toStdString();
        QString found;
        wormpair::forEachRecordField(d.record,
                                     [&](std::string_view n, const wormpair::RecordFieldValue& v) {
                                         if (n != field) return;
                                         if (const auto* text = std::get_if<std::string>(&v))
                                             found = q(*text);
                                         else if (const auto* i = std::get_if<std::int32_t>(&v))
                                             found = q(wormpair::formatInteger(*i));
                                         else if (const auto* x = std::get_if<long double>(&v))
                                             found = q(wormpair::formatReal(*x));
                                         else
                                             found = q(wormpair::formatReal(std::get<double>(v)));
                                     });
        if (found.isNull()) fail("no record field " + name.mid(7));
        return found;
    }
    const wormpair::ParameterTable& grade =
        m_data.table(wormpair::schema::gradeTable(std::stoi(d.gradeText) - 6));
    const qsizetype column = grade.columnNames().indexOf(name);
    if (column >= 0) return grade.text(d.gradeRow, static_cast<int>(column));
    fail("no example value " + name);
}

QString Content::recommendedTable() const {
    std::vector<QStringList> rows{{"a/mm", "i", "db/mm", "d1/mm", "e/mm", "Δz",
                                   QStringLiteral("入口修缘"), QStringLiteral("出口修缘"), "jn/mm",
                                   QStringLiteral("α/°"), QStringLiteral("γ/°")}};
    for (const std::string& a : m_series.centreDistances) {
        for (const std::string& z2 : m_series.ratios) {
            const Design d = m_data.design(a, z2, "1");
            const Recommendation& r = d.recommendation;
            auto flagged = [&](const char* label) {
                return q(d.value(label)) + (d.warnings.count(label) ? "*" : "");
            };
            rows.push_back({q(a), q(r.ratio), q(r.mainBaseDiameter), q(r.wormDiameter),
                            q(r.tipEccentricity), q(r.grindingIncrement), q(r.entryRelief),
                            q(r.exitRelief), q(d.backlash), flagged("Label14"),
                            flagged("Label28")});
        }
    }
    return markdownTable(rows, "rrrrrrccrrr");
}

QString Content::gradeTable(const QString& grade) const {
    if (grade != "6" && grade != "7" && grade != "8") fail("no grade " + grade);
    const wormpair::ParameterTable& table = m_data.table(wormpair::schema::gradeTable(grade.toInt() - 6));
    QStringList header{QStringLiteral("项目"), QStringLiteral("代号"), QStringLiteral("单位")};
    QString align = "lcc";
    for (int row = 0; row < table.rowCount(); ++row) {
        header << rangeText(table, row, wormpair::schema::grade::kLowerBound,
                            wormpair::schema::grade::kUpperBound);
        align += 'r';
    }
    std::vector<QStringList> rows{header};
    for (const wormpair::schema::grade::ToleranceField& field :
         wormpair::schema::grade::kToleranceFields) {
        QStringList cells{QString::fromUtf8(field.name), QString::fromUtf8(field.symbol),
                          QString::fromUtf8(field.unit)};
        for (int row = 0; row < table.rowCount(); ++row) cells << table.text(row, field.position);
        rows.push_back(cells);
    }
    return QStringLiteral("\n%1 级精度（数据库表 %1ji），中心距 a/mm 的范围：\n").arg(grade) +
           markdownTable(rows, align);
}

QString Content::reliefAmountTable() const {
    namespace xiuyuan = wormpair::schema::xiuyuan;
    const wormpair::ParameterTable& table = m_data.table(xiuyuan::kTable);
    std::vector<QStringList> rows{{QStringLiteral("中心距 a/mm"), QStringLiteral("i < 25"),
                                   QStringLiteral("25 ≤ i ≤ 40"), QStringLiteral("40 < i ≤ 63"),
                                   QStringLiteral("i > 63")}};
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells{rangeText(table, row, xiuyuan::kLowerBound, xiuyuan::kUpperBound)};
        for (int band = 0; band < xiuyuan::kBandCount; ++band) {
            cells << table.text(row, xiuyuan::kFirstBandAmount + band);
        }
        rows.push_back(cells);
    }
    return markdownTable(rows, "crrrr");
}

QString Content::reliefLengthTable() const {
    namespace lengths = wormpair::schema::xiuyuanchangdu;
    const wormpair::ParameterTable& table = m_data.table(lengths::kTable);
    std::vector<QStringList> rows{{QStringLiteral("蜗轮齿数 z2"), QStringLiteral("入口修缘长度/°"),
                                   QStringLiteral("出口修缘长度/°")}};
    for (int row = 0; row < table.rowCount(); ++row) {
        rows.push_back({rangeText(table, row, lengths::kLowerBound, lengths::kUpperBound),
                        table.text(row, lengths::kEntryLength),
                        table.text(row, lengths::kExitLength)});
    }
    return markdownTable(rows, "crr");
}

QString Content::coefficientTable() const {
    namespace nzhi = wormpair::schema::nzhi;
    const wormpair::ParameterTable& table = m_data.table(nzhi::kTable);
    const int formula = static_cast<int>(table.columnNames().indexOf(nzhi::kFormulaName));
    if (formula < 0) fail("table nzhi has no field JSGS");
    std::vector<QStringList> rows{{QStringLiteral("序号"), QStringLiteral("名称"),
                                   QStringLiteral("出厂值"), QStringLiteral("所在计算式")}};
    for (int row = 0; row < table.rowCount(); ++row) {
        rows.push_back({table.text(row, nzhi::kNumber), table.text(row, nzhi::kName),
                        table.text(row, nzhi::kFactoryValue), table.text(row, formula)});
    }
    return markdownTable(rows, "clrl");
}

QString Content::grindingTable() const {
    std::vector<QStringList> rows{{QStringLiteral("蜗轮齿数 z2")}, {QStringLiteral("磨齿增量 Δz")}};
    for (const char* teeth :
         {"25", "30", "37", "40", "45", "50", "55", "63", "75", "80", "100", "125"}) {
        rows[0] << teeth;
        rows[1] << q(wormpair::grindingIncrementText(teeth));
    }
    return markdownTable(rows, "l" + QString(12, 'r'));
}

QString Content::modificationTable() const {
    std::vector<QStringList> rows{{QStringLiteral("磨齿增量 Δz"), QStringLiteral("修形传动比 i′"),
                                   QStringLiteral("修形中心距 a′/mm"),
                                   QStringLiteral("修形主基圆直径 db′/mm"),
                                   QStringLiteral("修形母面倾斜角 β′/°")}};
    for (const char* increment : {"0", "0.2", "0.4", "0.6", "0.8", "1", "1.5", "2"}) {
        const Design d = m_data.withGrindingIncrement(m_example, increment);
        rows.push_back({increment, q(d.value("Label42")), q(d.value("Label51")),
                        q(d.value("Label52")), q(d.value("Label41"))});
    }
    return markdownTable(rows, "rrrrr");
}

}  // namespace manuals
