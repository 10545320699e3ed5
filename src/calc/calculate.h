#pragma once

#include <string>
#include <string_view>

#include "calc/coefficients.h"
#include "calc/design_record.h"

namespace wormpair {

// Messages of a Calculate run that does not complete.
inline constexpr std::string_view kRatioMismatchMessage = "输入参数不正确......（速比=齿数/头数）";
inline constexpr std::string_view kInvalidNumberMessage = "只能输入合法数字，且不能为空";

// What Calculate does to the window besides writing the record.
class ResultView {
public:
    virtual ~ResultView() = default;
    // Hide the result groups and CheckBox1, disable the export and Save commands.
    virtual void resetResults() = 0;
    virtual void setLabelText(std::string_view label, std::string_view text) = 0;
    // Label14, Label28 and Label53: red with the reason when one is given,
    // the window colour when the reason is empty.
    virtual void setLabelWarning(std::string_view label, std::string_view reason) = 0;
    // Show the result groups and CheckBox1, enable the export and Save commands.
    virtual void showResults() = 0;
};

// The texts of the nine edit fields Calculate reads, and the 取整数 option.
struct CalculationInputs {
    std::string centreDistance;         // Edit1
    std::string actualRatio;            // Edit2
    std::string wheelTeeth;             // Edit3
    std::string wormStarts;             // Edit4
    std::string mainBaseDiameter;       // Edit5
    std::string tipEccentricity;        // Edit6
    std::string wormReferenceDiameter;  // Edit7
    std::string backlash;               // Edit8
    std::string grindingIncrement;      // Edit13
    bool wholeNumber = false;           // CheckBox1
};

enum class CalculationOutcome { Completed, RatioMismatch, InvalidNumber };

struct CalculationResult {
    CalculationOutcome outcome = CalculationOutcome::Completed;
    std::string message;  // empty when completed
    bool completed() const { return outcome == CalculationOutcome::Completed; }
};

// Turns the inputs into the complete design. Fields and labels are written in
// their fixed order; a run that fails keeps what it wrote before the failure
// and reports one of the two messages. A completed run marks the design
// unsaved.
CalculationResult calculate(const CalculationInputs& inputs, const CoefficientSet& coefficients,
                            DesignRecord& record, DocumentState& document, ResultView& view);

}  // namespace wormpair
