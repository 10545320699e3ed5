#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "calc/coefficients.h"
#include "calc/design_record.h"
#include "store/parameter_database.h"

// The tables of the parameter database and the positions of their fields
// (0-based; the program reads by position, rows in stored order), and the
// lookups every reader of the rules shares: the window, the tool, the rules
// dialog, the settings-file check and the manuals.

namespace wormpair::schema {

// Calculation-rule coefficients: row k holds coefficient k.
namespace nzhi {
inline const QString kTable = QStringLiteral("nzhi");
inline constexpr int kRowCount = 16;
inline constexpr int kNumber = 0;        // 1 to 16
inline constexpr int kName = 1;          // 名称
inline constexpr int kValue = 2;         // N, read by the load, written by the dialog
inline constexpr int kFactoryValue = 3;  // the shipped value N is compared with
inline const QString kValueName = QStringLiteral("N");
inline const QString kFormulaName = QStringLiteral("JSGS");  // at any position
inline constexpr int kMinimumFields = 4;
}  // namespace nzhi

// Accuracy grades 6, 7 and 8: rows are centre-distance ranges, ascending.
namespace grade {
inline const std::array<QString, 3> kTables = {QStringLiteral("6ji"), QStringLiteral("7ji"),
                                               QStringLiteral("8ji")};
inline constexpr int kLowerBound = 1;  // exclusive, mm
inline constexpr int kUpperBound = 2;  // inclusive, mm
// Tolerance texts. The program copies FPX, FPXL, TS1, FPT, FP2 and TS2 into
// accuracyValue3, 4, 8, 9, 10 and 11; the manuals show them all.
inline constexpr int kAxialPitchDeviation = 3;        // ±fpx, μm (accuracyValue3)
inline constexpr int kAxialPitchCumulative = 4;       // fpxL, μm (accuracyValue4)
inline constexpr int kHelixTolerance = 5;             // fh, μm
inline constexpr int kWormProfileTolerance = 6;       // ff1, μm
inline constexpr int kWormRunout = 7;                 // fr, μm
inline constexpr int kWormThicknessTolerance = 8;     // Ts1, mm (accuracyValue8)
inline constexpr int kWheelPitchDeviation = 9;        // ±fpt, μm (accuracyValue9)
inline constexpr int kWheelPitchCumulative = 10;      // Fp, μm (accuracyValue10)
inline constexpr int kWheelThicknessTolerance = 11;   // Ts2, mm (accuracyValue11)
inline constexpr int kWheelRunout = 12;               // Fr, μm
inline constexpr int kCentreDistanceDeviation = 13;   // ±fa, μm
inline constexpr int kMiddlePlaneShift = 14;          // ±fx, μm
inline constexpr int kShaftAngleDeviation = 15;       // ±fΣ, μm
inline constexpr int kStandardBacklash = 16;          // jn, mm, as text
inline constexpr int kMinimumFields = 17;

// What each tolerance field is, as documents name it.
struct ToleranceField {
    int position;
    const char* name;
    const char* symbol;
    const char* unit;
};
inline constexpr ToleranceField kToleranceFields[] = {
    {kAxialPitchDeviation, "蜗杆轴向齿距极限偏差", "±fpx", "μm"},
    {kAxialPitchCumulative, "蜗杆轴向齿距累积公差", "fpxL", "μm"},
    {kHelixTolerance, "蜗杆螺旋线公差", "fh", "μm"},
    {kWormProfileTolerance, "蜗杆齿形公差", "ff1", "μm"},
    {kWormRunout, "蜗杆齿槽径向跳动公差", "fr", "μm"},
    {kWormThicknessTolerance, "蜗杆齿厚公差", "Ts1", "mm"},
    {kWheelPitchDeviation, "蜗轮齿距极限偏差", "±fpt", "μm"},
    {kWheelPitchCumulative, "蜗轮齿距累积公差", "Fp", "μm"},
    {kWheelThicknessTolerance, "蜗轮齿厚公差", "Ts2", "mm"},
    {kWheelRunout, "蜗轮齿圈径向跳动公差", "Fr", "μm"},
    {kCentreDistanceDeviation, "中心距极限偏差", "±fa", "μm"},
    {kMiddlePlaneShift, "中间平面极限偏移", "±fx", "μm"},
    {kShaftAngleDeviation, "轴交角极限偏差", "±fΣ", "μm"},
    {kStandardBacklash, "标准法向侧隙", "jn", "mm"},
};

// The field of a tolerance position.
constexpr const ToleranceField& toleranceField(int position) {
    for (const ToleranceField& field : kToleranceFields) {
        if (field.position == position) return field;
    }
    throw "no tolerance field at that position";
}
}  // namespace grade

// Entry relief amount by centre distance and ratio band.
namespace xiuyuan {
inline const QString kTable = QStringLiteral("xiuyuan");
inline constexpr int kLowerBound = 1;  // mm, shown in the manuals only
inline constexpr int kUpperBound = 2;  // mm
inline constexpr int kFirstBandAmount = 3;  // bands 1 to 4 at positions 3 to 6
inline constexpr int kBandCount = 4;
}  // namespace xiuyuan

// Entry and exit relief lengths by wheel teeth.
namespace xiuyuanchangdu {
inline const QString kTable = QStringLiteral("xiuyuanchangdu");
inline constexpr int kLowerBound = 1;  // teeth, shown in the manuals only
inline constexpr int kUpperBound = 2;  // teeth
inline constexpr int kEntryLength = 3;  // text, joined behind the amount
inline constexpr int kExitLength = 4;
}  // namespace xiuyuanchangdu

// Every table of the database, in the order the files list them.
inline const std::array<QString, 6> kAllTables = {nzhi::kTable,        grade::kTables[0],
                                                  grade::kTables[1],   grade::kTables[2],
                                                  xiuyuan::kTable,     xiuyuanchangdu::kTable};

// The grade table of the grade list's item (0, 1, 2 for grades 6, 7, 8; out
// of range clamps).
const QString& gradeTable(int gradeIndex);

// A column as this program makes its tables: the positions above index
// these lists. `key` marks the INTEGER PRIMARY KEY, whose value is the
// row's stored order.
struct Column {
    const char* name;
    const char* type;
    bool key = false;
    bool required = false;  // NOT NULL
};
struct TableDefinition {
    QString name;
    std::vector<Column> columns;
};

// Every table with its columns, in the order of kAllTables.
const std::array<TableDefinition, 6>& tableDefinitions();

// The CREATE TABLE statement of a table.
QString createStatement(const TableDefinition& table);

// An identifier quoted for SQL.
QString quotedName(const QString& name);

// The range the program calculates and its tables must cover: a centre
// distance above 70 mm and below 1500 mm; a ratio above 7.5 and below 150,
// so up to 149 wheel teeth with a single-start worm.
inline constexpr double kSmallestCentreDistance = 70;  // exclusive
inline constexpr double kLargestCentreDistance = 1500;  // exclusive
inline constexpr int kLargestWheelTeeth = 149;

// The values the rules may hold. A value outside its range is refused when
// the rules are set or loaded: none of them may stop a design. The ranges
// hold the shipped values (data/database/db1.sql) with room to tune them,
// tighter where a formula needs it (an exponent of the centre distance, a
// share of the pitch).
struct ValueRange {
    double low;
    double high;
};
namespace limits {
// nzhi row k, coefficient k
inline constexpr ValueRange kCoefficients[nzhi::kRowCount] = {
    {0.5, 1.0},     // d1 = 0.76 a^N + ...: the worm must stay well inside a
    {0.6, 1.2},     // root height hf = N mt
    {0.5, 1.0},     // tip height ha = N mt
    {0, 1},         // teeth taken off the working wrap
    {-1000, 1000},  // reserved, not calculated with
    {0.45, 0.65},   // wheel thickness s2 = N p, the worm keeps p - N p - j
    {0, 3},         // shoulder = N mt
    {-2, 2},        // teeth added to the wrap
    {0, 0.3},       // hob tip clearance (0.2 + N) mt
    {0, 3},         // hob root arc radius + N mm
    {0, 1},         // teeth taken off the hob's wrap
    {0, 3},         // teeth added to the hob's wrap
    {0.3, 1.0},     // wheel tip arc 2N (a - ...)
    {0, 2},         // wheel outside diameter + N mt
    {0.5, 1.2},     // rim width N d1
    {3, 15},        // wrapped teeth K <= N
};
inline constexpr ValueRange kBoundsMillimetres{0, 10000};  // centre-distance bounds
inline constexpr ValueRange kBoundsTeeth{0, 10000};        // wheel-teeth bounds
inline constexpr ValueRange kMicrometres{0, 1000};         // tolerances in μm
inline constexpr ValueRange kMillimetres{0, 2};            // Ts1, Ts2, jn
inline constexpr ValueRange kReliefAmount{0, 5};           // mm
inline constexpr ValueRange kReliefLength{0, 30};          // degrees of wheel turn
inline constexpr int kNumberTextLength = 16;  // a number kept as text
inline constexpr int kNameLength = 40;        // MC
inline constexpr int kFormulaLength = 300;    // JSGS
}  // namespace limits

}  // namespace wormpair::schema

namespace wormpair {

// Why coefficient `number` (1 to 16) may not be `value`, in Chinese, naming
// the row, the column and the text; nothing when it may.
std::optional<QString> coefficientProblem(int number, const QVariant& value);

// The first value of the six tables (in the order of schema::kAllTables,
// each with this program's columns) that is outside schema::limits: a
// number out of its range, a text that does not read as the number it
// stands for, a name or formula too long or not printable. In Chinese,
// naming the table, row, column and text.
std::optional<QString> rulesValueProblem(const std::array<ParameterTable, 6>& tables);

// Coefficient n from field N of row n; with fewer than 16 rows the last row
// supplies the rest. Sets differsFromFactory when a row's N differs from its
// factory value. Throws DatabaseError for an empty table or an N that is
// empty or no finite number; what was read before that stays in place.
void readCoefficients(const ParameterTable& nzhi, CoefficientSet& coefficients,
                      bool& differsFromFactory);

// Whether a coefficient equals its factory value as the database stores
// them: two numbers compare as numbers, two texts as texts, else by text.
bool sameAsStored(const QVariant& value, const QVariant& factory);

// First row whose upper-bound field, as a number, is at least the value (the
// range lookup of every table); nothing when no row reaches it. A bound that
// is no number throws CalculationError.
std::optional<int> firstRowReaching(const ParameterTable& table, int boundPosition, double value);

// The row of a grade table for a centre distance and what it gives.
struct GradeRow {
    int row = 0;
    AccuracyValues accuracy;
    std::string standardBacklash;
};

// The row whose range (lower, upper] holds the centre distance, if the scan
// finds one (a bound that is no number throws CalculationError), and its
// values.
std::optional<int> gradeRowFor(const ParameterTable& gradeTable, double centreDistance);
std::optional<GradeRow> readGradeRow(const ParameterTable& gradeTable, double centreDistance);

// What the grade row allows the assembly: the centre distance's and the
// middle plane's limit deviations (mm) and the shaft angle's (μm over the
// wheel's face width), if the row holds numbers there.
struct AssemblyLimits {
    double centreDistance = 0;    // ±fa
    double middlePlaneShift = 0;  // ±fx
    double shaftAngle = 0;        // ±fΣ
};
std::optional<AssemblyLimits> readAssemblyLimits(const ParameterTable& gradeTable,
                                                 double centreDistance);

// Whether gradeRowFor finds a row for every centre distance above `from`
// and below `to`. Every bound must read as a number.
bool gradeTableCovers(const ParameterTable& gradeTable, double from, double to);

// Whether firstRowReaching finds a row for every value up to `upTo`. Every
// bound must read as a number.
bool boundsReach(const ParameterTable& table, int boundPosition, double upTo);

}  // namespace wormpair
