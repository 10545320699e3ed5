#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calc/calculate.h"
#include "calc/coefficients.h"
#include "calc/design_record.h"
#include "store/parameter_database.h"

// The recommended parameters of the recommend button, and a whole design
// from the three basic inputs, as plain functions on texts: the window, the
// tool, the series and the manuals all call these.

namespace wormpair {

// The tables of the rules, read when first needed: the window reads them
// afresh from the database for each command, a series reads them once.
class RuleTables {
  public:
    virtual ~RuleTables() = default;
    // Throws DatabaseError when the table cannot be read.
    virtual const ParameterTable& table(const QString& name) = 0;
};

// Reads each table from the database at its first use and keeps it.
class DatabaseRuleTables : public RuleTables {
  public:
    explicit DatabaseRuleTables(const ParameterDatabase& database) : m_database(database) {}
    const ParameterTable& table(const QString& name) override;

  private:
    const ParameterDatabase& m_database;
    std::map<QString, ParameterTable> m_tables;
};

// The texts the recommend button starts from.
struct RecommendationInputs {
    std::string centreDistance;  // Edit1
    std::string ratio;           // Edit2
    std::string wheelTeeth;      // Edit3
};

enum class RecommendationFailure {
    None,
    Input,        // a text that does not parse, or no table row for it
    ReliefTable,  // the relief tables are missing or damaged
};

// What the recommend button derives, in the order it writes its fields: a
// field may be written twice (a diameter before and after its five-step
// snap; a relief amount, then the amount joined with its length). A failed
// recommendation holds what was written before the failure, as the window
// keeps it.
struct Recommendation {
    struct FieldWrite {
        std::string_view control;  // Edit5, Edit6, Edit7, Edit11, Edit12 or Edit13
        std::string text;
    };
    std::vector<FieldWrite> writes;
    RecommendationFailure failure = RecommendationFailure::None;

    // Values on the way, for the manuals and the series.
    double ratio = 0;  // 0 when Edit1 or Edit2 was empty
    std::int64_t wormDiameterBeforeSnap = 0;
    std::int64_t mainBaseDiameterBeforeSnap = 0;
    int reliefAmountRow = -1;
    int reliefLengthRow = -1;
    std::string entryReliefAmount;  // from xiuyuan, before its length is joined

    bool ok() const { return failure == RecommendationFailure::None; }
    // The message the window shows for the failure; empty when ok.
    std::string_view message() const;
    // The last text written into the control; empty when none was.
    std::string text(std::string_view control) const;

    std::string mainBaseDiameter() const { return text("Edit5"); }
    std::string tipEccentricity() const { return text("Edit6"); }
    std::string wormReferenceDiameter() const { return text("Edit7"); }
    std::string entryRelief() const { return text("Edit11"); }
    std::string exitRelief() const { return text("Edit12"); }
    std::string grindingIncrement() const { return text("Edit13"); }
};

Recommendation recommend(RuleTables& tables, const CoefficientSet& coefficients,
                         const RecommendationInputs& inputs);

// The three basic inputs, the grade and the options of a design as a user
// types and ticks them before pressing the recommend button.
struct BasicInputs {
    std::string centreDistance;  // Edit1
    std::string wheelTeeth;      // Edit3
    std::string wormStarts;      // Edit4
    int grade = 7;               // 6, 7 or 8
    bool standardBacklash = true;        // CheckBox2
    std::string backlash = "0";          // Edit8 as it stands when the grade gives none
    bool wholeNumber = false;            // CheckBox1, ticked after the design
};

// A design as typing the basic inputs and pressing the recommend button
// makes it: every text the fields end with, the grade row, the record, the
// label texts and warnings, and the messages the window would show (none
// when the design completed).
struct BasicDesign {
    std::string ratio;        // Edit2
    std::string backlash;     // Edit8
    std::string designation;  // Edit9
    int gradeRow = -1;        // -1: no row for the centre distance
    AccuracyValues accuracy;
    Recommendation recommendation;
    CalculationResult calculation;
    bool calculated = false;  // Calculate ran (the recommendation succeeded)
    DesignRecord record;
    std::map<std::string, std::string> labels;  // label -> its whole text
    std::set<std::string> warnings;             // labels in red
    std::vector<std::string> messages;

    bool completed() const { return calculated && calculation.completed(); }
};

BasicDesign designFromBasicInputs(RuleTables& tables, const CoefficientSet& coefficients,
                                  const BasicInputs& inputs);

// The inputs of Calculate as the fields stand after the recommendation.
CalculationInputs calculationInputs(const BasicDesign& design, const BasicInputs& inputs,
                                    bool wholeNumber);

}  // namespace wormpair
