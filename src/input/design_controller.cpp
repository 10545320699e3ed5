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

void DesignController::fieldEdited(std::string_view control) {
    const std::string_view before = m_typedField;
    m_typedField = control;
    struct Restore {
        std::string_view& field;
        std::string_view value;
        ~Restore() { field = value; }
    } restore{m_typedField, before};
    if (control == "Edit1" || control == "Edit3" || control == "Edit4") {
        controlChanged(control);
        return;
    }
    // the recommended parameters: Calculate reads them on confirmation
    const std::string text = m_form.text(control);
    bool number = true;
    try {
        if (!text.empty()) parseReal(text);
    } catch (const CalculationError&) {
        number = false;
    }
    m_form.markField(control, number ? std::string_view() : kInvalidNumberMessage);
}

void DesignController::reportInput(std::string_view control, std::string_view message) {
    if (m_typedField.empty()) {
        m_form.showMessage(message);
    } else {
        m_form.markField(control, message);
    }
}

void DesignController::edit1Change() {
    const std::string centreDistance = m_form.text("Edit1");
    if (centreDistance.empty()) {
        m_form.markField("Edit1", {});
        return;  // the hints keep their text
    }
    double a = 0;
    try {
        a = parseReal(centreDistance);
    } catch (const CalculationError&) {
        // Caught before the accuracy refresh, so the user reads this field's
        // message rather than a bare conversion error.
        reportInput("Edit1", kCentreDistanceMessage);
        return;
    }
    // outside the range the rules cover a design may calculate or fail
    // with a general message: the field says why beforehand
    m_form.markField("Edit1", centreDistanceRangeNotice(a));
    comboBox1Change();
    try {
        m_form.setText("Label46", mainBaseDiameterHint(parseReal(m_form.text("Edit1"))));
        m_form.setText("Label47", wormDiameterHint(parseReal(m_form.text("Edit1")),
                                                   m_coefficients.wormDiameterExponent));
    } catch (const CalculationError&) {
        reportInput("Edit1", kCentreDistanceMessage);
    }
}

void DesignController::ratioFieldsChange() {
    const std::string teeth = m_form.text("Edit3");
    const std::string starts = m_form.text("Edit4");
    bool failed = false;
    try {
        if (!teeth.empty() && !starts.empty()) {
            const std::string ratio = ratioText(teeth, starts);
            m_form.setText("Edit2", ratio);
            m_form.markField("Edit2", ratioRangeNotice(parseReal(ratio)));
        }
    } catch (const CalculationError&) {
        failed = true;
    }
    if (m_typedField.empty()) {
        if (failed) {
            m_form.showMessage(kTeethStartsMessage);
            m_form.setText("Edit3", "");
            m_form.setText("Edit4", "");
        }
    } else {
        // each field marked by its own text, so a wrong one stays marked
        // while its partner is still empty
        const auto usable = [](const std::string& text, bool divisor) {
            if (text.empty()) return true;
            try {
                return !divisor || parseReal(text) != 0;
            } catch (const CalculationError&) {
                return false;
            }
        };
        const bool teethUsable = usable(teeth, false), startsUsable = usable(starts, true);
        m_form.markField("Edit3", teethUsable ? std::string_view() : kTeethStartsMessage);
        m_form.markField("Edit4", startsUsable ? std::string_view() : kTeethStartsMessage);
        if (failed && teethUsable && startsUsable) m_form.markField(m_typedField, kTeethStartsMessage);
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
    // the results no longer need match the fields: their exports, drawings,
    // models and Save wait for the confirmation to calculate them anew
    m_results.resetResults();
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
