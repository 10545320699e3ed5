#include "input/design_controller.h"

#include <stdexcept>

#include "calc/numeric.h"
#include "input/input_rules.h"
#include "input/recommendation.h"
#include "store/parameter_database.h"
#include "store/parameter_schema.h"

namespace wormpair {

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
    const ParameterTable table =
        m_database.readTable(schema::gradeTable(m_form.currentIndex("ComboBox1")));
    const std::optional<GradeRow> row = readGradeRow(table, parseReal(centreDistance));
    if (!row) return;  // outside every range: the last applied row stays

    const bool standardBacklash = m_form.isChecked("CheckBox2");
    if (standardBacklash) m_form.setText("Edit8", row->standardBacklash);
    m_form.setText("Edit9", gradeDesignation(m_form.currentText("ComboBox1"), standardBacklash));
    m_accuracy = row->accuracy;
}

void DesignController::speedButton2Click() {
    DatabaseRuleTables tables(m_database);
    const Recommendation recommendation =
        recommend(tables, m_coefficients,
                  {m_form.text("Edit1"), m_form.text("Edit2"), m_form.text("Edit3")});
    // what was written before a failure stays in the fields
    for (const Recommendation::FieldWrite& write : recommendation.writes) {
        m_form.setText(write.control, write.text);
    }
    if (!recommendation.ok()) {
        m_form.showMessage(recommendation.message());
        return;
    }
    for (const char* control : {"Edit1", "Edit3", "Edit4", "SpeedButton2"}) {
        m_form.setEnabled(control, false);
    }
    calculate();
    m_form.setEnabled("SpeedButton3", true);
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
