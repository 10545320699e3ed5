#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "calc/coefficients.h"
#include "calc/design_record.h"
#include "store/parameter_database.h"

// The numbers of the manuals, from the program's own rules and the shipped
// parameter database, exactly as the recommend button and Calculate make them.

namespace manuals {

// What the recommend button writes for one set of basic inputs.
struct Recommendation {
    std::string centreDistance;        // Edit1
    std::string ratio;                 // Edit2, teeth / starts as the window writes it
    std::string wheelTeeth;            // Edit3
    std::string wormStarts;            // Edit4
    std::int64_t wormDiameterRaw = 0;  // before the five-step snap
    std::int64_t mainBaseRaw = 0;
    std::string mainBaseDiameter;   // Edit5
    std::string tipEccentricity;    // Edit6
    std::string wormDiameter;       // Edit7
    std::string grindingIncrement;  // Edit13
    std::string entryReliefAmount;  // from xiuyuan
    std::string entryRelief;        // Edit11: amount * length
    std::string exitRelief;         // Edit12
    int reliefAmountRow = 0;        // rows of xiuyuan and xiuyuanchangdu used
    int reliefLengthRow = 0;
};

// A complete design: recommendation, grade values and the calculation.
struct Design {
    Recommendation recommendation;
    std::string gradeText;    // 6, 7 or 8
    std::string backlash;     // Edit8: the standard backlash of the grade row
    std::string designation;  // Edit9
    int gradeRow = 0;
    wormpair::AccuracyValues accuracy;
    wormpair::DesignRecord record;
    std::map<std::string, std::string> labels;  // label -> value text without its suffix
    std::set<std::string> warnings;             // labels shown in red

    // The value text of a result label; throws for a label never written.
    const std::string& value(const std::string& label) const;
};

class ManualData {
  public:
    // Reads the tables of db1.mdb in the program directory.
    explicit ManualData(const QString& programDirectory);

    const wormpair::CoefficientSet& coefficients() const { return m_coefficients; }
    const wormpair::ParameterTable& table(const QString& name) const;

    // Throws when a rule fails or a lookup finds no row.
    Recommendation recommend(const std::string& centreDistance, const std::string& wheelTeeth,
                             const std::string& wormStarts) const;

    // Recommend, take the standard backlash of grade 6, 7 or 8 and calculate,
    // as typing the inputs and pressing the recommend button does. Throws
    // when the calculation does not complete.
    Design design(const std::string& centreDistance, const std::string& wheelTeeth,
                  const std::string& wormStarts, const std::string& gradeText = "7") const;

    // The same design calculated again with another grinding increment, as
    // editing 磨齿增量 and confirming does.
    Design withGrindingIncrement(const Design& design, const std::string& grindingIncrement) const;

  private:
    void calculate(Design& design) const;

    std::map<QString, wormpair::ParameterTable> m_tables;
    wormpair::CoefficientSet m_coefficients;
};

}  // namespace manuals
