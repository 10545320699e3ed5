#include "manual_design.h"

#include <stdexcept>

#include "calc/calculate.h"
#include "calc/numeric.h"
#include "calc/result_collector.h"
#include "calc/result_labels.h"
#include "input/input_rules.h"

namespace manuals {

namespace {

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

// Coefficient n comes from field N of row n, as the start-up load reads it.
wormpair::CoefficientSet coefficientsOf(const wormpair::ParameterTable& nzhi) {
    if (nzhi.rowCount() == 0) fail("table nzhi is empty");
    wormpair::CoefficientSet set;
    for (std::size_t n = 1; n <= wormpair::CoefficientSet::kCount; ++n) {
        const int row = std::min(static_cast<int>(n) - 1, nzhi.rowCount() - 1);
        const QVariant value = nzhi.value(row, 2);
        set[n] = wormpair::isNumericField(value)
                     ? value.toDouble()
                     : wormpair::parseReal(nzhi.text(row, 2).toStdString());
    }
    return set;
}

}  // namespace

const std::string& Design::value(const std::string& label) const {
    const auto it = labels.find(label);
    if (it == labels.end()) fail("no value for " + label);
    return it->second;
}

ManualData::ManualData(const QString& programDirectory) {
    const wormpair::ParameterDatabase database(programDirectory);
    for (const char* name : {"nzhi", "6ji", "7ji", "8ji", "xiuyuan", "xiuyuanchangdu"}) {
        m_tables.emplace(name, database.readTable(name));
    }
    m_coefficients = coefficientsOf(table("nzhi"));
}

const wormpair::ParameterTable& ManualData::table(const QString& name) const {
    const auto it = m_tables.find(name);
    if (it == m_tables.end()) fail("table " + name.toStdString() + " was not read");
    return it->second;
}

// The steps of the recommend button, on texts, in its order.
Recommendation ManualData::recommend(const std::string& centreDistance,
                                     const std::string& wheelTeeth,
                                     const std::string& wormStarts) const {
    using namespace wormpair;
    Recommendation r;
    r.centreDistance = centreDistance;
    r.wheelTeeth = wheelTeeth;
    r.wormStarts = wormStarts;
    r.ratio = ratioText(wheelTeeth, wormStarts);

    const double ratio = parseReal(r.ratio);
    const double a = parseReal(centreDistance);
    r.wormDiameterRaw = recommendedWormDiameter(a, ratio, m_coefficients.wormDiameterExponent);
    r.wormDiameter = fiveStepSnap(formatInteger(r.wormDiameterRaw));
    r.mainBaseRaw = recommendedMainBaseDiameter(a, ratio);
    r.mainBaseDiameter = fiveStepSnap(formatInteger(r.mainBaseRaw));
    r.grindingIncrement = grindingIncrementText(wheelTeeth);
    r.tipEccentricity = tipEccentricityText(parseReal(r.mainBaseDiameter), ratio);

    const ParameterTable& amounts = table("xiuyuan");
    const std::optional<int> amountRow = firstRowReaching(amounts, a);
    if (!amountRow) fail("centre distance " + centreDistance + " lies beyond table xiuyuan");
    r.reliefAmountRow = *amountRow;
    r.entryReliefAmount = amounts.text(*amountRow, reliefAmountPosition(ratio)).toStdString();
    const std::string exitAmount = exitReliefText(r.entryReliefAmount);

    const ParameterTable& lengths = table("xiuyuanchangdu");
    const std::optional<int> lengthRow = firstRowReaching(lengths, parseInteger(wheelTeeth));
    if (!lengthRow) fail("wheel teeth " + wheelTeeth + " lie beyond table xiuyuanchangdu");
    r.reliefLengthRow = *lengthRow;
    r.entryRelief = r.entryReliefAmount + " * " + lengths.text(*lengthRow, 3).toStdString();
    r.exitRelief = exitAmount + " * " + lengths.text(*lengthRow, 4).toStdString();
    return r;
}

Design ManualData::design(const std::string& centreDistance, const std::string& wheelTeeth,
                          const std::string& wormStarts, const std::string& gradeText) const {
    using namespace wormpair;
    Design d;
    d.recommendation = recommend(centreDistance, wheelTeeth, wormStarts);
    d.gradeText = gradeText;
    const int gradeIndex = std::stoi(gradeText) - 6;
    const ParameterTable& grade = table(QString::fromStdString(gradeTableName(gradeIndex)));
    const std::optional<int> row = gradeRowFor(grade, parseReal(centreDistance));
    if (!row) fail("centre distance " + centreDistance + " lies outside the grade table");
    d.gradeRow = *row;
    d.backlash = grade.text(*row, 16).toStdString();
    d.designation = gradeDesignation(gradeText, true);
    d.accuracy = accuracyValuesOf(grade, *row);

    calculate(d);
    return d;
}

Design ManualData::withGrindingIncrement(const Design& design,
                                         const std::string& grindingIncrement) const {
    Design d = design;
    d.recommendation.grindingIncrement = grindingIncrement;
    d.labels.clear();
    d.warnings.clear();
    calculate(d);
    return d;
}

void ManualData::calculate(Design& d) const {
    using namespace wormpair;
    const Recommendation& r = d.recommendation;
    const CalculationInputs inputs{
        r.centreDistance,  r.ratio,        r.wheelTeeth, r.wormStarts,        r.mainBaseDiameter,
        r.tipEccentricity, r.wormDiameter, d.backlash,   r.grindingIncrement, false};
    DocumentState document;
    ResultCollector view;
    const CalculationResult result =
        wormpair::calculate(inputs, m_coefficients, d.record, document, view);
    if (!result.completed()) {
        fail("a = " + r.centreDistance + ", z2 = " + r.wheelTeeth + ": " + result.message);
    }
    for (const auto& [label, text] : view.texts) {
        const ResultLabel* known = findResultLabel(label);
        if (known == nullptr || !text.ends_with(known->suffix)) fail("unexpected label " + label);
        d.labels[label] = text.substr(0, text.size() - known->suffix.size());
    }
    d.warnings = view.warnings;
}

}  // namespace manuals
