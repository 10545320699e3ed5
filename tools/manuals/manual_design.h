#pragma once

#include <QString>

#include <map>
#include <string>

#include "calc/coefficients.h"
#include "drawing/drawn_design.h"
#include "store/parameter_database.h"

// The numbers of the manuals, from the program's own rules and the shipped
// parameter database, exactly as the recommend button and Calculate make them.

namespace manuals {

using wormpair::drawing::ChartSeries;
using wormpair::drawing::Design;
using wormpair::drawing::Recommendation;

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
