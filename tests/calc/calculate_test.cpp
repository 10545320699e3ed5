#include "calc/calculate.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "calc/numeric.h"
#include "calc/result_collector.h"
#include "calc/result_labels.h"

namespace wormpair {
namespace {

// The worked example: a = 160, i = 45, z2 = 45, z1 = 1, db = 104, e = 0.5,
// d1 = 56, j = 0.2, dz = 2, with a wrapped-teeth limit of 8.
CalculationInputs exampleInputs() {
    return {"160", "45", "45", "1", "104", "0.5", "56", "0.2", "2", false};
}

CoefficientSet exampleCoefficients() {
    CoefficientSet c = CoefficientSet::factory();
    c.wrappedTeethLimit = 8;
    return c;
}

struct RunResult {
    DesignRecord record;
    DocumentState document;
    ResultCollector view;
    CalculationResult result;
};

RunResult run(const CalculationInputs& inputs, const CoefficientSet& coefficients = exampleCoefficients(),
        DesignRecord record = {}) {
    RunResult r;
    r.record = record;
    r.result = calculate(inputs, coefficients, r.record, r.document, r.view);
    return r;
}

// label -> value text expected before the suffix
const std::map<std::string, std::string> kExampleLabels = {
    {"Label24", "0.5"},     {"Label23", "264"},     {"Label8", "137.28"},   {"Label9", "128.393"},
    {"Label10", "75"},      {"Label11", "7"},       {"Label12", "104"},     {"Label14", "23.2"},
    {"Label13", "7.312"},   {"Label16", "8.05"},    {"Label17", "4.045"},   {"Label25", "5.867"},
    {"Label26", "4.5"},     {"Label27", "16.2"},    {"Label28", "5.981"},   {"Label53", "45.44"},
    {"Label18", "126.633"}, {"Label19", "137.78"},  {"Label20", "83"},      {"Label21", "8.25"},
    {"Label22", "5.805"},   {"Label29", "5"},       {"Label44", "10.083"},  {"Label45", "4.204"},
    {"Label33", "278"},     {"Label34", "50"},      {"Label35", "272.214"}, {"Label48", "75.411"},
    {"Label40", "28"},      {"Label43", "4.33"},    {"Label49", "2.88"},    {"Label41", "7.424"},
    {"Label42", "47"},      {"Label51", "165.867"}, {"Label52", "108.629"},
};

void expectLabels(const ResultCollector& view, const std::map<std::string, std::string>& expected) {
    for (const auto& [label, value] : expected) {
        SCOPED_TRACE(label);
        const ResultLabel* known = findResultLabel(label);
        ASSERT_NE(known, nullptr);
        ASSERT_TRUE(view.texts.count(label));
        EXPECT_EQ(view.texts.at(label), value + std::string(known->suffix));
    }
}

TEST(CalculateTest, CompleteRunWritesEveryLabelOfTheWorkedExample) {
    const RunResult r = run(exampleInputs());
    ASSERT_TRUE(r.result.completed()) << r.result.message;
    EXPECT_TRUE(r.result.message.empty());
    expectLabels(r.view, kExampleLabels);
    EXPECT_EQ(r.view.texts.size(), kExampleLabels.size());
    EXPECT_EQ(r.view.writes.size(), kExampleLabels.size()) << "every label is written once";
    EXPECT_TRUE(r.view.warnings.empty());
    EXPECT_TRUE(r.view.resultsShown);
    EXPECT_FALSE(r.document.designSaved);
    EXPECT_EQ(r.view.texts.at("Label8"), "137.28-----蜗杆齿根圆弧半径");
}

TEST(CalculateTest, CompleteRunIntermediateFields) {
    const RunResult r = run(exampleInputs());
    ASSERT_TRUE(r.result.completed());
    const DesignRecord& d = r.record;
    EXPECT_EQ(d.inclinationAngleOffset, 6);
    // compared as the texts a label would show: the rounding rule need not
    // give the double nearest the decimal
    const std::pair<double, const char*> fields[] = {
        {d.dedendum, "5.28"},           {d.wormThroatRootDiameter, "45.44"},
        {d.addendum, "4.107"},          {d.angularPitch, "8"},
        {d.circularPitch, "18.432"},    {d.wormToothThickness, "8.094"},
        {d.hobToothThickness, "8.295"}, {d.wheelToothThickness, "10.138"},
        {d.hobHalfWrapAngle, "18.2"},
    };
    for (const auto& [value, text] : fields) EXPECT_EQ(formatReal(value), text);
    EXPECT_EQ(d.motherPlaneInclinationText, "7.312");
    EXPECT_EQ(d.grindingIncrement, 2);
    EXPECT_EQ(d.wheelTeeth, 45);
    EXPECT_EQ(d.wormStarts, 1);
}

TEST(CalculateTest, WholeNumberOptionChangesOnlyTheWrappedTeethChain) {
    CalculationInputs inputs = exampleInputs();
    inputs.wholeNumber = true;
    const RunResult r = run(inputs);
    ASSERT_TRUE(r.result.completed());
    std::map<std::string, std::string> expected = kExampleLabels;
    const std::map<std::string, std::string> changes = {
        {"Label26", "5"},  {"Label27", "18.2"},  {"Label10", "83"}, {"Label29", "6"},
        {"Label20", "100"}, {"Label48", "77.998"}, {"Label40", "29"}};
    for (const auto& [label, value] : changes) expected[label] = value;
    expectLabels(r.view, expected);
    EXPECT_TRUE(r.view.warnings.empty());
}

TEST(CalculateTest, RatioCheckToleranceAndOffset) {
    struct Case {
        const char* ratio;
        const char* teeth;
        const char* starts;
        CalculationOutcome outcome;
        int offset;  // expected k when completed
    };
    const Case cases[] = {
        {"40.0005", "40", "1", CalculationOutcome::Completed, 6},
        {"40.001", "40", "1", CalculationOutcome::Completed, 6},
        {"40.002", "40", "1", CalculationOutcome::RatioMismatch, 0},
        {"39.998", "40", "1", CalculationOutcome::RatioMismatch, 0},
        {"9.99", "999", "100", CalculationOutcome::Completed, 4},
        {"10", "40", "4", CalculationOutcome::Completed, 6},
        {"50", "50", "1", CalculationOutcome::Completed, 6},
        {"13.3333333333333", "40", "3", CalculationOutcome::Completed, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ratio);
        CalculationInputs inputs = exampleInputs();
        inputs.actualRatio = c.ratio;
        inputs.wheelTeeth = c.teeth;
        inputs.wormStarts = c.starts;
        inputs.mainBaseDiameter = "60";
        const RunResult r = run(inputs);
        EXPECT_EQ(r.result.outcome, c.outcome) << r.result.message;
        if (c.outcome == CalculationOutcome::Completed) {
            EXPECT_EQ(r.record.inclinationAngleOffset, c.offset);
        }
        if (c.outcome == CalculationOutcome::RatioMismatch) {
            EXPECT_EQ(r.result.message, kRatioMismatchMessage);
            EXPECT_TRUE(r.view.writes.empty());
            EXPECT_FALSE(r.view.resultsShown);
            EXPECT_TRUE(r.document.designSaved);
        }
    }
}

TEST(CalculateTest, WrappedTeethByLastDigitWholeNumberAndLimit) {
    struct Case {
        const char* teeth;
        bool wholeNumber;
        double wrapAddition;
        double limit;
        double expected;
    };
    const Case cases[] = {
        {"40", false, 0, 9, 4},      {"43", false, 0, 9, 4},      {"44", false, 0, 9, 4},
        {"45", false, 0, 9, 4.5},    {"47", false, 0, 9, 4.5},    {"49", false, 0, 9, 4.5},
        {"44", true, 0, 9, 4},       {"45", true, 0, 9, 5},       {"44", false, 0.25, 9, 4.25},
        {"45", false, 0.25, 9, 4.75}, {"45", true, 0.25, 9, 5},   {"45", false, 0, 4, 4},
        {"45", false, 0, 4.5, 4.5},  {"95", false, 0, 9, 9},      {"99", false, 0, 9, 9},
        {"120", false, 0, 9, 9},     {"9", false, 0, 9, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.teeth) + (c.wholeNumber ? " whole" : ""));
        CalculationInputs inputs = exampleInputs();
        inputs.wheelTeeth = c.teeth;
        inputs.actualRatio = c.teeth;
        inputs.wholeNumber = c.wholeNumber;
        inputs.mainBaseDiameter = "60";
        CoefficientSet coefficients = exampleCoefficients();
        coefficients.wrapAddition = c.wrapAddition;
        coefficients.wrappedTeethLimit = c.limit;
        DesignRecord record;
        ResultCollector view;
        DocumentState document;
        calculate(inputs, coefficients, record, document, view);
        EXPECT_EQ(record.wrappedTeeth, c.expected);
    }
}

TEST(CalculateTest, WarningColoursAtTheirBoundaries) {
    // Label14 from alpha = arcsin(db / d2); Label28 from gamma; Label53 from 2(a - Rf1).
    struct Case {
        const char* mainBaseDiameter;
        const char* wormDiameter;
        const char* dedendumText;  // unused marker for readability
        bool label14;
    };
    // d2 = 264: alpha 23.2 normal; db 90 gives 19.93 (red); db 115 gives 25.8 (red)
    const std::pair<const char*, bool> alphaCases[] = {{"104", false}, {"90", true}, {"115", true}};
    for (const auto& [db, red] : alphaCases) {
        SCOPED_TRACE(db);
        CalculationInputs inputs = exampleInputs();
        inputs.mainBaseDiameter = db;
        const RunResult r = run(inputs);
        ASSERT_TRUE(r.result.completed());
        EXPECT_EQ(r.view.warnings.count("Label14") == 1, red);
    }
    // A small ratio with a thin worm gives a steep lead angle.
    CalculationInputs steep = exampleInputs();
    steep.actualRatio = "8";
    steep.wheelTeeth = "32";
    steep.wormStarts = "4";
    steep.mainBaseDiameter = "60";
    const RunResult r = run(steep);
    ASSERT_TRUE(r.result.completed()) << r.result.message;
    EXPECT_GT(r.record.throatLeadAngle, 25);
    EXPECT_EQ(r.view.warnings.count("Label28"), 1u);
}

// A red label says why: its value as printed and the range it left.
TEST(CalculateTest, WarningReasonsNameTheValueAndItsRange) {
    struct Case {
        const char* label;
        double DesignRecord::*field;
        double value;
        const char* reason;
    };
    const Case cases[] = {
        {"Label14", &DesignRecord::pressureAngle, 19.833, "分度圆齿形角 α = 19.833°，超出推荐范围 20.5°～24.5°"},
        {"Label14", &DesignRecord::pressureAngle, 24.5, ""},
        {"Label14", &DesignRecord::pressureAngle, 24.501, "分度圆齿形角 α = 24.501°，超出推荐范围 20.5°～24.5°"},
        {"Label28", &DesignRecord::throatLeadAngle, 30.256, "蜗杆喉部导程角 γ = 30.256°，大于推荐上限 25°"},
        {"Label28", &DesignRecord::throatLeadAngle, 25, ""},
        {"Label53", &DesignRecord::wormThroatRootDiameterShown, 29.99, "蜗杆喉部齿根直径 = 29.99 mm，小于推荐下限 30 mm"},
        {"Label53", &DesignRecord::wormThroatRootDiameterShown, 30, ""},
        {"Label8", &DesignRecord::wormRootArcRadius, 1e9, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.label) + " " + std::to_string(c.value));
        DesignRecord record;
        record.*c.field = c.value;
        EXPECT_EQ(warningReason(record, c.label), c.reason);
    }
}

TEST(CalculateTest, FailuresEndTheRunWithTheGeneralMessageAndKeepEarlierWrites) {
    struct Case {
        const char* name;
        CalculationInputs inputs;
        const char* lastLabel;  // last label written before the failure, or "" for none
    };
    auto with = [](auto change) {
        CalculationInputs inputs = exampleInputs();
        change(inputs);
        return inputs;
    };
    const Case cases[] = {
        {"empty centre distance", with([](auto& i) { i.centreDistance = ""; }), ""},
        {"letters in the ratio", with([](auto& i) { i.actualRatio = "abc"; }), ""},
        {"fraction in the wheel teeth", with([](auto& i) { i.wheelTeeth = "40.0"; }), ""},
        {"z1 = 0", with([](auto& i) { i.wormStarts = "0"; }), ""},
        {"z2 = 0", with([](auto& i) { i.wheelTeeth = "0"; i.actualRatio = "0"; }), "Label23"},
        {"empty backlash", with([](auto& i) { i.backlash = ""; }), ""},
        {"db larger than d2 (arcsine)", with([](auto& i) { i.mainBaseDiameter = "300"; }),
         "Label12"},
        {"zero worm diameter (lead angle)",
         with([](auto& i) { i.wormReferenceDiameter = "0"; i.mainBaseDiameter = "200"; }),
         "Label12"},
        {"square root of a negative (Ra1 < L/2)",
         with([](auto& i) { i.tipEccentricity = "-100"; }), "Label35"},
        {"overflow", with([](auto& i) { i.centreDistance = "1e308"; i.wormReferenceDiameter = "-1e308"; }),
         "Label24"},
        {"empty grinding increment", with([](auto& i) { i.grindingIncrement = ""; }), "Label49"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult r = run(c.inputs);
        EXPECT_EQ(r.result.outcome, CalculationOutcome::InvalidNumber);
        EXPECT_EQ(r.result.message, kInvalidNumberMessage);
        EXPECT_FALSE(r.view.resultsShown);
        EXPECT_TRUE(r.document.designSaved);
        if (std::string(c.lastLabel).empty()) {
            EXPECT_TRUE(r.view.writes.empty());
        } else {
            ASSERT_FALSE(r.view.writes.empty());
            EXPECT_EQ(r.view.writes.back().first, c.lastLabel);
        }
    }
}

TEST(CalculateTest, FailedRunKeepsFieldsWrittenBeforeTheFailure) {
    DesignRecord before;
    before.modifiedRatio = 99;
    before.wheelReferenceDiameter = 1;
    CalculationInputs inputs = exampleInputs();
    inputs.grindingIncrement = "x";
    const RunResult r = run(inputs, exampleCoefficients(), before);
    EXPECT_EQ(r.result.outcome, CalculationOutcome::InvalidNumber);
    EXPECT_EQ(r.record.wheelReferenceDiameter, 264);  // written before the failure
    EXPECT_EQ(r.record.hobToothThickness, 8.295);
    EXPECT_EQ(r.record.modifiedRatio, 99);  // after it: the old value stays
}

TEST(CalculateTest, ReservedCoefficientChangesNothing) {
    CoefficientSet c = exampleCoefficients();
    c.reservedCoefficient = 12345.678;
    const RunResult r = run(exampleInputs(), c);
    ASSERT_TRUE(r.result.completed());
    expectLabels(r.view, kExampleLabels);
}

TEST(CalculateTest, ZeroGrindingIncrementReproducesThePair) {
    CalculationInputs inputs = exampleInputs();
    inputs.grindingIncrement = "0";
    const RunResult r = run(inputs);
    ASSERT_TRUE(r.result.completed());
    EXPECT_EQ(r.record.modifiedRatio, 45);
    EXPECT_EQ(r.record.modifiedCentreDistance, 160);
    EXPECT_EQ(r.record.modifiedWheelReferenceDiameter, 45 * 5.867);
    EXPECT_NEAR(r.record.modifiedPressureAngle, r.record.pressureAngle, 1e-9);
}

}  // namespace
}  // namespace wormpair
