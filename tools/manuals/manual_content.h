#pragma once

#include <QString>

#include <vector>

#include "manual_design.h"

// The values and tables that the Markdown sources name as {{key}}:
//
//   ex.Edit1 ... ex.Edit13     texts of the input fields of the worked design
//   ex.Label8 ... ex.Label53   value texts of its result labels
//   ex.record.FIELD            a field of its design record (formatReal)
//   ex.d1raw, ex.dbraw         recommended diameters before the five-step snap
//   ex.grade                   its accuracy grade
//   ex.FPX ... ex.JN           the fields of its grade row, by column name
//   coef.N                     factory value of coefficient N (1 to 16)
//   coef.table                 table nzhi: number, name, factory value, formula
//   table.xiuyuan              entry relief amounts by centre distance and ratio
//   table.xiuyuanchangdu       relief lengths by wheel teeth
//   grade.6, grade.7, grade.8  the tolerances of a grade table, by range
//   ex.calc.throat             a − d2/2 and a′ − d2′/2 of the worked design, 3 decimals
//   ex.calc.throatModified
//   grinding.table             grinding increments for a series of tooth counts
//   modification.table         the worked design's modification for several increments
//   recommended.table          recommended parameters for the standard series
//   recommended.distances      the centre distances of that series
//   recommended.ratios         its ratios (one-start worms: the tooth counts)
//   page                       a page break

namespace manuals {

// The standard series of the table of recommended values.
struct StandardSeries {
    std::vector<std::string> centreDistances;
    std::vector<std::string> ratios;  // wheel teeth of a one-start worm
};

class Content {
  public:
    Content(const ManualData& data, const Design& example, StandardSeries series);

    // Throws std::runtime_error for an unknown key.
    QString resolve(const QString& key) const;

  private:
    QString exampleValue(const QString& name) const;
    QString recommendedTable() const;
    QString gradeTable(const QString& grade) const;
    QString reliefAmountTable() const;
    QString reliefLengthTable() const;
    QString coefficientTable() const;
    QString grindingTable() const;
    QString modificationTable() const;

    const ManualData& m_data;
    const Design& m_example;
    StandardSeries m_series;
};

}  // namespace manuals
