#pragma once

#include <QString>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "calc/coefficients.h"
#include "input/recommendation.h"
#include "series/series_plan.h"
#include "store/design_file.h"
#include "store/parameter_database.h"

// A series designed: every pair recommended and calculated exactly as the
// window's recommend button does it, one row of texts and numbers per pair.

namespace wormpair {

// The tables of the recommendation and the grades, read once before a
// series: a design then reads no file and the tables may be shared by the
// thread that designs. A table that could not be read fails, when a design
// asks for it, with the error reading it would have raised.
class PreloadedRuleTables : public RuleTables {
  public:
    explicit PreloadedRuleTables(const ParameterDatabase& database);
    const ParameterTable& table(const QString& name) override;

  private:
    std::map<QString, ParameterTable> m_tables;
    std::map<QString, std::string> m_failures;
};

enum class SeriesColumnKind {
    Input,       // a field of the window: the basic inputs and the recommended parameters
    Result,      // a result label
    Tolerance,   // a tolerance text of the grade row
    Warnings,    // the reasons of the red labels
    Generation,  // what the grinding and the hob make of the design (加工检查)
    Message,     // why the design failed
};

struct SeriesColumn {
    std::string key;      // for scripts: the control or field name ("Edit1", "Label8",
                          // "accuracyValue3"), "ratio" for the listed ratio
    std::string caption;  // Chinese, with the unit
    SeriesColumnKind kind;
    bool numeric;  // its texts are numbers
};

// Every column of a series row, in order.
const std::vector<SeriesColumn>& seriesColumns();
// The column of that key, or -1.
int seriesColumnIndex(std::string_view key);

struct SeriesCell {
    std::string text;  // as the window shows it; empty when there is nothing
    bool isNumber = false;
    double number = 0;    // the value of the text, when it is a number
    std::string warning;  // why the window shows it red; empty when it does not
};

struct SeriesRow {
    SeriesCase pair;
    bool completed = false;         // recommended and calculated without a message
    std::vector<SeriesCell> cells;  // one per column of seriesColumns()
    // The findings of the machines' checks (model::generationFindingTexts),
    // for a right-hand thread: a left-hand one is its mirror image.
    std::vector<std::string> generation;

    const SeriesCell& cell(std::string_view key) const;
    bool hasWarnings() const;
    // Neither a warning nor a failure.
    bool clean() const { return completed && !hasWarnings(); }
};

// One pair designed as typing its basic inputs, picking the grade and options
// and pressing the recommend button does it.
SeriesRow designSeriesRow(RuleTables& tables, const CoefficientSet& coefficients,
                          const SeriesCase& pair, const SeriesOptions& options);

// The whole plan in order. The pairs are designed on the calling thread and
// their checks of the machines run on every core. `proceed(done, total)` is
// asked, on the calling thread, once for each done = 0 .. total - 1 as the
// rows finish; when it answers false the run stops and the rows finished in
// order so far are returned.
std::vector<SeriesRow> designSeries(
    RuleTables& tables, const CoefficientSet& coefficients, const SeriesPlan& plan,
    const SeriesOptions& options,
    const std::function<bool(std::size_t done, std::size_t total)>& proceed = {});

// "168 个设计：150 个无警告，15 个有警告，3 个失败".
std::string seriesSummary(const std::vector<SeriesRow>& rows);

// The fourteen texts that open a row as a design file opens: the fields as
// the design left them, the hand of the thread as given.
DesignFileTexts seriesRowDesignTexts(const SeriesRow& row, const SeriesOptions& options,
                                     const std::string& handOfThread);

}  // namespace wormpair
