#include "series/series_design.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "calc/numeric.h"
#include "calc/result_labels.h"
#include "input/main_form.h"
#include "model/generation_checks.h"
#include "store/parameter_schema.h"

namespace wormpair {

PreloadedRuleTables::PreloadedRuleTables(const ParameterDatabase& database) {
    std::vector<QString> names(schema::grade::kTables.begin(), schema::grade::kTables.end());
    names.push_back(schema::xiuyuan::kTable);
    names.push_back(schema::xiuyuanchangdu::kTable);
    for (const QString& name : names) {
        try {
            m_tables.emplace(name, database.readTable(name));
        } catch (const DatabaseError& e) {
            m_failures.emplace(name, e.what());
        }
    }
}

const ParameterTable& PreloadedRuleTables::table(const QString& name) {
    if (const auto found = m_tables.find(name); found != m_tables.end()) return found->second;
    if (const auto failed = m_failures.find(name); failed != m_failures.end()) {
        throw DatabaseError(failed->second);
    }
    throw DatabaseError(name + " is not a table of the rules");
}

namespace {

// The unit of each result, by label: angles and counts; every other is a length.
constexpr std::string_view kAngleLabels[] = {"Label13", "Label27", "Label14", "Label28", "Label41"};
constexpr std::string_view kCountLabels[] = {"Label26", "Label29", "Label42"};

std::string resultUnit(std::string_view label) {
    if (std::find(std::begin(kAngleLabels), std::end(kAngleLabels), label) !=
        std::end(kAngleLabels)) {
        return "/°";
    }
    if (std::find(std::begin(kCountLabels), std::end(kCountLabels), label) !=
        std::end(kCountLabels)) {
        return "";
    }
    return "/mm";
}

// The name a label shows after its number.
std::string resultName(const ResultLabel& label) {
    const std::size_t start = label.suffix.find_first_not_of('-');
    return std::string(label.suffix.substr(start == std::string_view::npos ? 0 : start));
}

// Units and symbols of the input fields, by field; the names are the window's.
struct FieldColumn {
    const char* field;
    const char* ending;
    bool numeric;
};
constexpr FieldColumn kBasicFields[] = {
    {"Edit1", " a/mm", true}, {"Edit4", " z1", true}, {"Edit3", " z2", true}, {"Edit2", "", true}};
constexpr FieldColumn kRecommendedFields[] = {
    {"Edit9", "", false},         {"Edit8", "/mm", true}, {"Edit5", "/mm", true},
    {"Edit6", "/mm", true},       {"Edit7", "/mm", true}, {"Edit11", "/mm * °", false},
    {"Edit12", "/mm * °", false}, {"Edit13", "/mm", true}};

// The tolerance texts the window keeps of the grade row, by their field.
struct ToleranceColumn {
    const char* key;
    int position;
    std::string AccuracyValues::*value;
};
const ToleranceColumn kTolerances[] = {
    {"accuracyValue3", schema::grade::kAxialPitchDeviation, &AccuracyValues::accuracyValue3},
    {"accuracyValue4", schema::grade::kAxialPitchCumulative, &AccuracyValues::accuracyValue4},
    {"accuracyValue8", schema::grade::kWormThicknessTolerance, &AccuracyValues::accuracyValue8},
    {"accuracyValue9", schema::grade::kWheelPitchDeviation, &AccuracyValues::accuracyValue9},
    {"accuracyValue10", schema::grade::kWheelPitchCumulative, &AccuracyValues::accuracyValue10},
    {"accuracyValue11", schema::grade::kWheelThicknessTolerance, &AccuracyValues::accuracyValue11},
};

std::string toleranceCaption(int position) {
    const schema::grade::ToleranceField& field = schema::grade::toleranceField(position);
    return std::string(field.name) + " " + field.symbol + "/" + field.unit;
}

std::string fieldCaption(std::string_view field) {
    for (std::size_t i = 0; i < kEditFields.size(); ++i) {
        if (field == kEditFields[i]) return kEditFieldCaptions[i];
    }
    throw std::logic_error("no edit field " + std::string(field));
}

std::vector<SeriesColumn> makeColumns() {
    std::vector<SeriesColumn> columns;
    const auto field = [&](const FieldColumn& f) {
        columns.push_back(
            {f.field, fieldCaption(f.field) + f.ending, SeriesColumnKind::Input, f.numeric});
    };
    field(kBasicFields[0]);
    columns.push_back({"ratio", "公称速比 i", SeriesColumnKind::Input, true});
    for (std::size_t i = 1; i < std::size(kBasicFields); ++i) field(kBasicFields[i]);
    for (const FieldColumn& f : kRecommendedFields) field(f);
    for (const ResultGroup& group : resultGroups()) {
        for (const ResultLabel& label : group.labels) {
            columns.push_back({std::string(label.name), resultName(label) + resultUnit(label.name),
                               SeriesColumnKind::Result, true});
        }
    }
    for (const ToleranceColumn& t : kTolerances) {
        columns.push_back({t.key, toleranceCaption(t.position), SeriesColumnKind::Tolerance, true});
    }
    columns.push_back({"warnings", "警告", SeriesColumnKind::Warnings, false});
    columns.push_back({"geometry", "加工检查", SeriesColumnKind::Generation, false});
    columns.push_back({"message", "计算失败原因", SeriesColumnKind::Message, false});
    return columns;
}

std::string joinedMessages(const std::vector<std::string>& messages) {
    std::string text;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        // the same message twice says no more
        if (std::find(messages.begin(), messages.begin() + static_cast<std::ptrdiff_t>(i),
                      messages[i]) != messages.begin() + static_cast<std::ptrdiff_t>(i)) {
            continue;
        }
        if (!text.empty()) text += "；";
        text += messages[i];
    }
    return text;
}

void setText(SeriesCell& cell, std::string text, bool numeric) {
    cell.text = std::move(text);
    if (!numeric || cell.text.empty()) return;
    try {
        cell.number = parseReal(cell.text);
        cell.isNumber = true;
    } catch (const CalculationError&) {
        // a text where a number was expected stays a text
    }
}

}  // namespace

const std::vector<SeriesColumn>& seriesColumns() {
    static const std::vector<SeriesColumn> columns = makeColumns();
    return columns;
}

int seriesColumnIndex(std::string_view key) {
    const auto& columns = seriesColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].key == key) return static_cast<int>(i);
    }
    return -1;
}

const SeriesCell& SeriesRow::cell(std::string_view key) const {
    const int index = seriesColumnIndex(key);
    if (index < 0 || static_cast<std::size_t>(index) >= cells.size()) {
        throw std::out_of_range("no series column " + std::string(key));
    }
    return cells[static_cast<std::size_t>(index)];
}

bool SeriesRow::hasWarnings() const {
    return std::any_of(cells.begin(), cells.end(),
                       [](const SeriesCell& c) { return !c.warning.empty(); });
}

namespace {

// The hand the checks assume; the shares are the same for either hand.
constexpr std::string_view kCheckedHand = "右旋";

// The row of a pair without the machines' checks; the record of a completed
// design goes to `record` for them.
SeriesRow designedRow(RuleTables& tables, const CoefficientSet& coefficients,
                      const SeriesCase& pair, const SeriesOptions& options,
                      std::optional<DesignRecord>& record) {
    const std::vector<SeriesColumn>& columns = seriesColumns();
    SeriesRow row;
    row.pair = pair;
    row.cells.resize(columns.size());
    BasicDesign design;
    if (pair.designable()) {
        BasicInputs inputs;
        inputs.centreDistance = pair.centreDistance;
        inputs.wheelTeeth = pair.wheelTeeth;
        inputs.wormStarts = pair.wormStarts;
        inputs.grade = options.grade;
        inputs.standardBacklash = options.standardBacklash;
        inputs.wholeNumber = options.wholeNumber;
        design = designFromBasicInputs(tables, coefficients, inputs);
        row.completed = design.completed() && design.messages.empty();
    }
    // the texts of the window's fields
    const auto fieldText = [&](std::string_view field) -> std::string {
        if (field == "Edit1") return pair.centreDistance;
        if (field == "ratio") return pair.ratio;
        if (field == "Edit3") return pair.wheelTeeth;
        if (field == "Edit4") return pair.wormStarts;
        if (!pair.designable()) return {};
        if (field == "Edit2") return design.ratio;
        if (field == "Edit8") return design.backlash;
        if (field == "Edit9") return design.designation;
        return design.recommendation.text(field);
    };

    std::string warnings;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const SeriesColumn& column = columns[c];
        SeriesCell& cell = row.cells[c];
        switch (column.kind) {
            case SeriesColumnKind::Input:
                setText(cell, fieldText(column.key), column.numeric);
                break;
            case SeriesColumnKind::Result:
                // the window shows results only of a design that completed
                if (!row.completed) break;
                setText(cell, resultValueText(design.record, column.key), true);
                if (design.warnings.count(column.key)) {
                    cell.warning = warningReason(design.record, column.key);
                    if (cell.warning.empty()) cell.warning = column.caption + " 超出推荐范围";
                    warnings += (warnings.empty() ? "" : "；") + cell.warning;
                }
                break;
            case SeriesColumnKind::Tolerance:
                if (design.gradeRow < 0) break;
                for (const ToleranceColumn& t : kTolerances) {
                    if (column.key == t.key) setText(cell, design.accuracy.*t.value, true);
                }
                break;
            case SeriesColumnKind::Warnings:
                cell.text = warnings;
                break;
            case SeriesColumnKind::Generation:
                break;  // the checks fill it
            case SeriesColumnKind::Message:
                cell.text = pair.designable() ? joinedMessages(design.messages) : pair.problem;
                break;
        }
    }
    if (row.completed) record = design.record;
    return row;
}

// A red cell as the window shows a warning: the texts, the same as its tip.
void addGenerationFindings(SeriesRow& row, const DesignRecord& record) {
    row.generation = model::generationFindingTexts(record, kCheckedHand);
    SeriesCell& cell = row.cells[static_cast<std::size_t>(seriesColumnIndex("geometry"))];
    cell.text = joinedMessages(row.generation);
    cell.warning = cell.text;
}

}  // namespace

SeriesRow designSeriesRow(RuleTables& tables, const CoefficientSet& coefficients,
                          const SeriesCase& pair, const SeriesOptions& options) {
    std::optional<DesignRecord> record;
    SeriesRow row = designedRow(tables, coefficients, pair, options, record);
    if (record) addGenerationFindings(row, *record);
    return row;
}

std::vector<SeriesRow> designSeries(
    RuleTables& tables, const CoefficientSet& coefficients, const SeriesPlan& plan,
    const SeriesOptions& options,
    const std::function<bool(std::size_t done, std::size_t total)>& proceed) {
    const std::size_t total = plan.cases.size();
    std::vector<SeriesRow> rows(total);
    std::vector<std::optional<DesignRecord>> records(total);
    std::vector<char> finished(total, 0);
    // A design takes well under a millisecond, its checks several: the rules
    // (not shared between threads) design here, the checks (pure functions)
    // run on every core.
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t designed = 0, taken = 0, finishedCount = 0;
    bool allDesigned = false, stop = false;
    std::exception_ptr failure;  // of a check; it ends the run
    const auto check = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stop || taken < designed || allDesigned; });
            if (stop || taken == designed) return;  // all designed and taken
            const std::size_t i = taken++;
            lock.unlock();
            try {
                if (records[i]) addGenerationFindings(rows[i], *records[i]);
            } catch (...) {
                lock.lock();
                if (!failure) failure = std::current_exception();
                stop = true;
                changed.notify_all();
                return;
            }
            lock.lock();
            finished[i] = 1;
            ++finishedCount;
            changed.notify_all();
        }
    };
    std::vector<std::thread> checkers(
        std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), total));
    for (std::thread& checker : checkers) checker = std::thread(check);
    const auto stopChecks = [&] {
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        changed.notify_all();
        for (std::thread& checker : checkers) checker.join();
    };

    std::size_t asked = 0;  // proceed has been asked for done = 0 .. asked - 1
    const auto askUpTo = [&](std::size_t done) {
        for (; asked <= done && asked < total; ++asked) {
            if (proceed && !proceed(asked, total)) return false;
        }
        return true;
    };
    bool cancelled = false;
    try {
        for (std::size_t i = 0; i < total && !cancelled; ++i) {
            std::optional<DesignRecord> record;
            SeriesRow row = designedRow(tables, coefficients, plan.cases[i], options, record);
            std::size_t done;
            {
                const std::lock_guard lock(mutex);
                rows[i] = std::move(row);
                records[i] = std::move(record);
                ++designed;
                done = finishedCount;
            }
            changed.notify_one();
            cancelled = !askUpTo(done);
        }
        std::unique_lock lock(mutex);
        allDesigned = true;
        changed.notify_all();
        while (!cancelled && !stop && finishedCount < total) {
            const std::size_t done = finishedCount;
            lock.unlock();
            cancelled = !askUpTo(done);
            lock.lock();
            if (!cancelled) changed.wait(lock, [&] { return stop || finishedCount != done; });
        }
        const bool failed = stop;  // only a failed check stops the run here
        lock.unlock();
        if (!cancelled && !failed) cancelled = !askUpTo(total);
    } catch (...) {
        stopChecks();  // a thread left running would end the program
        throw;
    }
    stopChecks();
    if (failure) std::rethrow_exception(failure);
    if (cancelled) {
        const auto firstUnfinished = std::find(finished.begin(), finished.end(), 0);
        rows.resize(static_cast<std::size_t>(firstUnfinished - finished.begin()));
    }
    return rows;
}

std::string seriesSummary(const std::vector<SeriesRow>& rows) {
    std::size_t clean = 0;
    std::size_t warned = 0;
    for (const SeriesRow& row : rows) {
        clean += row.clean();
        warned += row.completed && row.hasWarnings();
    }
    const std::size_t failed = rows.size() - clean - warned;
    return std::to_string(rows.size()) + " 个设计：" + std::to_string(clean) + " 个无警告，" +
           std::to_string(warned) + " 个有警告，" + std::to_string(failed) + " 个失败";
}

DesignFileTexts seriesRowDesignTexts(const SeriesRow& row, const SeriesOptions& options,
                                     const std::string& handOfThread) {
    DesignFileTexts texts;
    for (std::size_t i = 0; i < kEditFields.size(); ++i) {
        const std::string_view field = kEditFields[i];
        texts.edits[i] = field == "Edit10" ? handOfThread : row.cell(field).text;
    }
    texts.wholeNumber = options.wholeNumber ? DesignFileTexts::kWholeNumberMark : "";
    return texts;
}

}  // namespace wormpair
