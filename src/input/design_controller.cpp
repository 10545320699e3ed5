#include "input/design_controller.h"

#include <stdexcept>

#include "calc/numeric.h"
#include "input/input_rules.h"
#include "store/parameter_database.h"

namespace wormpair {

namespace {

// A lookup table with no row for the value looked up.
class NoMatchingRow : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace

DesignController::DesignController(MainForm& form, ResultView& results,
                                   const ParameterDatabase& database)
    : m_form(form), m_results(results), m_database(database) {}

void DesignController::controlChanged(std::string_view control) {
    if (control == "Edit1") {
        edit1Change();
    } else if (control == "Edit3") {
        edit3Change();
    } else if (control == "Edit4") {
        edit4Change();
    } else if (control == "CheckBox2") {
        checkBox2Click();
    } else if (control == "CheckBox1") {
        checkBox1Click();
    }
}

void DesignController::edit1Change() {
    const std::string centreDistance = m_form.text("Edit1");
    if (centreDistance.empty()) return;  // the hints keep their text
    try {
        parseReal(centreDistance);
    } catch (const CalculationError&) {
        // Caught before the accuracy refresh, so the user reads this field's
        // message rather than a bare conversion error.
        m_form.showMessage(kCentreDistanceMessage);
        return;
    }
    comboBox1Change();
    try {
        m_form.setText("Label46", mainBaseDiameterHint(parseReal(m_form.text("Edit1"))));
        m_form.setText("Label47", wormDiameterHint(parseReal(m_form.text("Edit1")),
                                                   m_coefficients.wormDiameterExponent));
    } catch (const CalculationError&) {
        m_form.showMessage(kCentreDistanceMessage);
    }
}

void DesignController::ratioFieldsChange() {
    try {
        const std::string teeth = m_form.text("Edit3");
        const std::string starts = m_form.text("Edit4");
        if (!teeth.empty() && !starts.empty()) m_form.setText("Edit2", ratioText(teeth, starts));
    } catch (const CalculationError&) {
        m_form.showMessage(kTeethStartsMessage);
        m_form.setText("Edit3", "");
        m_form.setText("Edit4", "");
    }
    m_form.setEnabled("Button1", false);
}

void DesignController::comboBox1Change() {
    const std::string centreDistance = m_form.text("Edit1");
    if (centreDistance.empty()) return;
    const ParameterTable table = m_database.readTable(
        QString::fromStdString(gradeTableName(m_form.currentIndex("ComboBox1"))));
    const std::optional<int> row = gradeRowFor(table, parseReal(centreDistance));
    if (!row) return;  // outside every range: the last applied row stays

    const bool standardBacklash = m_form.isChecked("CheckBox2");
    if (standardBacklash) m_form.setText("Edit8", table.text(*row, 16).toStdString());
    m_form.setText("Edit9", gradeDesignation(m_form.currentText("ComboBox1"), standardBacklash));
    m_accuracy = accuracyValuesOf(table, *row);
}

void DesignController::speedButton2Click() {
    try {
        fillRecommendedParameters();
    } catch (const DatabaseError&) {
        m_form.showMessage(kReliefTableMessage);
        return;
    } catch (const std::exception&) {
        m_form.showMessage(kRecommendMessage);
        return;
    }
    calculate();
    m_form.setEnabled("SpeedButton3", true);
}

void DesignController::fillRecommendedParameters() {
    MainForm& f = m_form;
    // A relief table without rows or with a bound that is no number is
    // damaged data, not a fault of the input.
    const auto reliefRow = [](const ParameterTable& table, double value) {
        if (table.rowCount() == 0) throw DatabaseError(table.name() + " is empty");
        try {
            return firstRowReaching(table, value);
        } catch (const CalculationError&) {
            throw DatabaseError(table.name() + " has a bound that is no number");
        }
    };
    double ratio = 0;
    if (!f.text("Edit1").empty() && !f.text("Edit2").empty()) {
        ratio = parseReal(f.text("Edit2"));
        const double centreDistance = parseReal(f.text("Edit1"));
        f.setText("Edit7", formatInteger(recommendedWormDiameter(
                               centreDistance, ratio, m_coefficients.wormDiameterExponent)));
        f.setText("Edit7", fiveStepSnap(f.text("Edit7")));
        f.setText("Edit5", formatInteger(recommendedMainBaseDiameter(centreDistance, ratio)));
        f.setText("Edit5", fiveStepSnap(f.text("Edit5")));
        f.setText("Edit13", grindingIncrementText(f.text("Edit3")));
        f.setText("Edit6", tipEccentricityText(parseReal(f.text("Edit5")), ratio));
    }

    const ParameterTable reliefAmounts = m_database.readTable("xiuyuan");
    const std::optional<int> amountRow = reliefRow(reliefAmounts, parseReal(f.text("Edit1")));
    if (!amountRow) throw NoMatchingRow("centre distance beyond the relief table");
    f.setText("Edit11", reliefAmounts.text(*amountRow, reliefAmountPosition(ratio)).toStdString());

    f.setText("Edit12", exitReliefText(f.text("Edit11")));

    const ParameterTable reliefLengths = m_database.readTable("xiuyuanchangdu");
    const std::optional<int> lengthRow = reliefRow(reliefLengths, parseInteger(f.text("Edit3")));
    if (!lengthRow) throw NoMatchingRow("wheel teeth beyond the relief-length table");
    f.setText("Edit11", f.text("Edit11") + " * " + reliefLengths.text(*lengthRow, 3).toStdString());
    f.setText("Edit12", f.text("Edit12") + " * " + reliefLengths.text(*lengthRow, 4).toStdString());

    for (const char* control : {"Edit1", "Edit3", "Edit4", "SpeedButton2"}) {
        f.setEnabled(control, false);
    }
}

void DesignController::speedButton3Click() {
    m_form.setRecommendedGroupOpen(true);
    m_backlashBeforeEdit = m_form.text("Edit8");
    for (const char* group : kResultGroupBoxes) m_form.setVisible(group, false);
    m_form.setEnabled("SpeedButton4", true);
}

void DesignController::speedButton4Click() {
    if (m_form.text("Edit8") != m_backlashBeforeEdit && m_form.isChecked("CheckBox2")) {
        m_form.setChecked("CheckBox2", false);  // runs the accuracy refresh
    }
    calculate();
    m_form.setRecommendedGroupOpen(false);
    m_form.setEnabled("SpeedButton4", false);
}

CalculationResult DesignController::calculate() {
    const MainForm& f = m_form;
    const CalculationInputs inputs{f.text("Edit1"),         f.text("Edit2"), f.text("Edit3"),
                                   f.text("Edit4"),         f.text("Edit5"), f.text("Edit6"),
                                   f.text("Edit7"),         f.text("Edit8"), f.text("Edit13"),
                                   f.isChecked("CheckBox1")};
    const CalculationResult result =
        wormpair::calculate(inputs, m_coefficients, m_record, m_document, m_results);
    if (!result.completed()) m_form.showMessage(result.message);
    return result;
}

}  // namespace wormpair
