#include "manual_design.h"

#include <stdexcept>

#include "calc/calculate.h"
#include "calc/result_collector.h"
#include "input/input_rules.h"
#include "input/recommendation.h"
#include "store/parameter_schema.h"

namespace manuals {

namespace {

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

// The tables read once, handed to the rules as they ask for them.
class ReadTables : public wormpair::RuleTables {
  public:
    explicit ReadTables(const ManualData& data) : m_data(data) {}
    const wormpair::ParameterTable& table(const QString& name) override {
        return m_data.table(name);
    }

  private:
    const ManualData& m_data;
};

std::string joined(const std::vector<std::string>& messages) {
    std::string text;
    for (const std::string& message : messages) text += (text.empty() ? "" : "; ") + message;
    return text;
}

Recommendation recommendationOf(const std::string& centreDistance, const std::string& ratio,
                                const std::string& wheelTeeth, const std::string& wormStarts,
                                const wormpair::Recommendation& r) {
    return {centreDistance,        ratio,
            wheelTeeth,            wormStarts,
            r.wormDiameterBeforeSnap, r.mainBaseDiameterBeforeSnap,
            r.mainBaseDiameter(),  r.tipEccentricity(),
            r.wormReferenceDiameter(), r.grindingIncrement(),
            r.entryReliefAmount,   r.entryRelief(),
            r.exitRelief(),        r.reliefAmountRow,
            r.reliefLengthRow};
}

}  // namespace

ManualData::ManualData(const QString& programDirectory) {
    const wormpair::ParameterDatabase database(programDirectory);
    for (const QString& name : wormpair::schema::kAllTables) {
        m_tables.emplace(name, database.readTable(name));
    }
    bool differs = false;
    wormpair::readCoefficients(table(wormpair::schema::nzhi::kTable), m_coefficients, differs);
}

const wormpair::ParameterTable& ManualData::table(const QString& name) const {
    const auto it = m_tables.find(name);
    if (it == m_tables.end()) fail("table " + name.toStdString() + " was not read");
    return it->second;
}

Recommendation ManualData::recommend(const std::string& centreDistance,
                                     const std::string& wheelTeeth,
                                     const std::string& wormStarts) const {
    ReadTables tables(*this);
    const std::string ratio = wormpair::ratioText(wheelTeeth, wormStarts);
    const wormpair::Recommendation r =
        wormpair::recommend(tables, m_coefficients, {centreDistance, ratio, wheelTeeth});
    if (!r.ok()) {
        fail("a = " + centreDistance + ", z2 = " + wheelTeeth + ": " + std::string(r.message()));
    }
    return recommendationOf(centreDistance, ratio, wheelTeeth, wormStarts, r);
}

Design ManualData::design(const std::string& centreDistance, const std::string& wheelTeeth,
                          const std::string& wormStarts, const std::string& gradeText) const {
    ReadTables tables(*this);
    wormpair::BasicInputs inputs;
    inputs.centreDistance = centreDistance;
    inputs.wheelTeeth = wheelTeeth;
    inputs.wormStarts = wormStarts;
    inputs.grade = std::stoi(gradeText);
    const wormpair::BasicDesign basic = wormpair::designFromBasicInputs(tables, m_coefficients, inputs);
    if (basic.gradeRow < 0) fail("centre distance " + centreDistance + " lies outside the grade table");
    if (!basic.completed()) {
        fail("a = " + centreDistance + ", z2 = " + wheelTeeth + ": " + joined(basic.messages));
    }
    Design d;
    d.recommendation = recommendationOf(centreDistance, basic.ratio, wheelTeeth, wormStarts,
                                        basic.recommendation);
    d.gradeText = gradeText;
    d.backlash = basic.backlash;
    d.designation = basic.designation;
    d.gradeRow = basic.gradeRow;
    d.accuracy = basic.accuracy;
    d.record = basic.record;
    d.warnings = basic.warnings;
    return d;
}

Design ManualData::withGrindingIncrement(const Design& design,
                                         const std::string& grindingIncrement) const {
    Design d = design;
    d.recommendation.grindingIncrement = grindingIncrement;
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
    d.warnings = view.warnings;
}

}  // namespace manuals
