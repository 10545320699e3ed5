#include "input/recommendation.h"

#include <exception>
#include <optional>
#include <stdexcept>

#include "calc/numeric.h"
#include "calc/result_collector.h"
#include "input/input_rules.h"
#include "store/parameter_schema.h"

namespace wormpair {

const ParameterTable& DatabaseRuleTables::table(const QString& name) {
    auto found = m_tables.find(name);
    if (found == m_tables.end()) found = m_tables.emplace(name, m_database.readTable(name)).first;
    return found->second;
}

std::string_view Recommendation::message() const {
    switch (failure) {
        case RecommendationFailure::None: return {};
        case RecommendationFailure::Input: return kRecommendMessage;
        case RecommendationFailure::ReliefTable: return kReliefTableMessage;
    }
    return {};
}

std::string Recommendation::text(std::string_view control) const {
    for (auto write = writes.rbegin(); write != writes.rend(); ++write) {
        if (write->control == control) return write->text;
    }
    return {};
}

namespace {

// A lookup with no row for the value looked up: the input is beyond the rules.
class NoMatchingRow : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A relief table without rows or with a bound that is no number is damaged
// data, not a fault of the input.
int reliefRow(const ParameterTable& table, int boundPosition, double value) {
    if (table.rowCount() == 0) throw DatabaseError(table.name() + " is empty");
    std::optional<int> row;
    try {
        row = firstRowReaching(table, boundPosition, value);
    } catch (const CalculationError&) {
        throw DatabaseError(table.name() + " has a bound that is no number");
    }
    if (!row) throw NoMatchingRow(table.name().toStdString() + " has no row for the input");
    return *row;
}

void deriveRecommendation(RuleTables& tables, const CoefficientSet& coefficients,
                          const RecommendationInputs& in, Recommendation& r) {
    const auto write = [&r](std::string_view control, std::string text) {
        r.writes.push_back({control, std::move(text)});
    };
    if (!in.centreDistance.empty() && !in.ratio.empty()) {
        r.ratio = parseReal(in.ratio);
        const double centreDistance = parseReal(in.centreDistance);
        r.wormDiameterBeforeSnap = recommendedWormDiameter(centreDistance, r.ratio,
                                                           coefficients.wormDiameterExponent);
        write("Edit7", formatInteger(r.wormDiameterBeforeSnap));
        write("Edit7", fiveStepSnap(r.text("Edit7")));
        r.mainBaseDiameterBeforeSnap = recommendedMainBaseDiameter(centreDistance, r.ratio);
        write("Edit5", formatInteger(r.mainBaseDiameterBeforeSnap));
        write("Edit5", fiveStepSnap(r.text("Edit5")));
        write("Edit13", grindingIncrementText(in.wheelTeeth));
        write("Edit6", tipEccentricityText(parseReal(r.text("Edit5")), r.ratio));
    }

    const ParameterTable& amounts = tables.table(schema::xiuyuan::kTable);
    r.reliefAmountRow =
        reliefRow(amounts, schema::xiuyuan::kUpperBound, parseReal(in.centreDistance));
    r.entryReliefAmount =
        amounts.text(r.reliefAmountRow, reliefAmountPosition(r.ratio)).toStdString();
    write("Edit11", r.entryReliefAmount);
    write("Edit12", exitReliefText(r.text("Edit11")));

    const ParameterTable& lengths = tables.table(schema::xiuyuanchangdu::kTable);
    r.reliefLengthRow =
        reliefRow(lengths, schema::xiuyuanchangdu::kUpperBound, parseInteger(in.wheelTeeth));
    const auto length = [&](int position) {
        return lengths.text(r.reliefLengthRow, position).toStdString();
    };
    write("Edit11", r.text("Edit11") + " * " + length(schema::xiuyuanchangdu::kEntryLength));
    write("Edit12", r.text("Edit12") + " * " + length(schema::xiuyuanchangdu::kExitLength));
}

}  // namespace

Recommendation recommend(RuleTables& tables, const CoefficientSet& coefficients,
                         const RecommendationInputs& inputs) {
    Recommendation r;
    try {
        deriveRecommendation(tables, coefficients, inputs, r);
    } catch (const DatabaseError&) {
        r.failure = RecommendationFailure::ReliefTable;
    } catch (const std::exception&) {
        r.failure = RecommendationFailure::Input;
    }
    return r;
}

CalculationInputs calculationInputs(const BasicDesign& d, const BasicInputs& in, bool wholeNumber) {
    const Recommendation& r = d.recommendation;
    return {in.centreDistance,         d.ratio,        in.wheelTeeth,
            in.wormStarts,             r.mainBaseDiameter(), r.tipEccentricity(),
            r.wormReferenceDiameter(), d.backlash,     r.grindingIncrement(),
            wholeNumber};
}

namespace {

// Typing the centre distance: the accuracy refresh of the grade and the
// base-value hints. A text that does not parse raises the field's message.
void centreDistanceTyped(RuleTables& tables, const CoefficientSet& coefficients,
                         const BasicInputs& in, BasicDesign& d) {
    if (in.centreDistance.empty()) return;
    double centreDistance = 0;
    try {
        centreDistance = parseReal(in.centreDistance);
    } catch (const CalculationError&) {
        d.messages.emplace_back(kCentreDistanceMessage);
        return;
    }
    const ParameterTable& grade = tables.table(schema::gradeTable(in.grade - 6));
    if (const std::optional<GradeRow> row = readGradeRow(grade, centreDistance)) {
        if (in.standardBacklash) d.backlash = row->standardBacklash;
        d.designation = gradeDesignation(std::to_string(in.grade), in.standardBacklash);
        d.gradeRow = row->row;
        d.accuracy = row->accuracy;
    }
    try {
        mainBaseDiameterHint(centreDistance);
        wormDiameterHint(centreDistance, coefficients.wormDiameterExponent);
    } catch (const CalculationError&) {
        d.messages.emplace_back(kCentreDistanceMessage);
    }
}

}  // namespace

BasicDesign designFromBasicInputs(RuleTables& tables, const CoefficientSet& coefficients,
                                  const BasicInputs& in) {
    BasicDesign d;
    d.backlash = in.backlash;
    d.designation = kInitialGradeDesignation;
    BasicInputs typed = in;
    try {
        centreDistanceTyped(tables, coefficients, in, d);

        // the teeth are typed while the starts still hold their "1", then the starts
        typed.wheelTeeth.clear();
        typed.wormStarts = "1";
        const auto ratioFieldsChanged = [&] {
            try {
                if (!typed.wheelTeeth.empty() && !typed.wormStarts.empty()) {
                    d.ratio = ratioText(typed.wheelTeeth, typed.wormStarts);
                }
            } catch (const CalculationError&) {
                d.messages.emplace_back(kTeethStartsMessage);
                typed.wheelTeeth.clear();
                typed.wormStarts.clear();
            }
        };
        if (in.wheelTeeth != typed.wheelTeeth) {
            typed.wheelTeeth = in.wheelTeeth;
            ratioFieldsChanged();
        }
        if (in.wormStarts != typed.wormStarts) {
            typed.wormStarts = in.wormStarts;
            ratioFieldsChanged();
        }

        d.recommendation = recommend(tables, coefficients,
                                     {typed.centreDistance, d.ratio, typed.wheelTeeth});
        if (!d.recommendation.ok()) {
            d.messages.emplace_back(d.recommendation.message());
            return d;
        }
        for (const bool wholeNumber : {false, true}) {
            if (wholeNumber && !(in.wholeNumber && d.calculation.completed())) break;
            DocumentState document;
            ResultCollector view;
            d.calculation = calculate(calculationInputs(d, typed, wholeNumber), coefficients,
                                      d.record, document, view);
            d.calculated = true;
            for (auto& [label, text] : view.texts) d.labels[label] = std::move(text);
            d.warnings = std::move(view.warnings);
            if (!d.calculation.completed()) d.messages.push_back(d.calculation.message);
        }
    } catch (const std::exception& e) {
        // what the window reports as an unexpected failure
        d.messages.emplace_back(e.what());
    }
    return d;
}

}  // namespace wormpair
