#pragma once

#include <string>
#include <string_view>

#include "calc/calculate.h"
#include "calc/coefficients.h"
#include "calc/design_record.h"
#include "input/main_form.h"

namespace wormpair {

class ParameterDatabase;

// The design the main window works on, and the commands that change it: the
// reactions of the input fields, the accuracy grade, the recommended
// parameters and their editing, and Calculate. It holds no controls of its
// own; everything visible goes through the MainForm and the ResultView.
class DesignController {
  public:
    DesignController(MainForm& form, ResultView& results, const ParameterDatabase& database);

    // Runs the change handling of a control the form has just changed.
    void controlChanged(std::string_view control);

    // The user has typed into an edit field (the form has already turned a
    // full-width number into ASCII): its change handling runs, but a text
    // that is no number marks the field instead of raising a message box,
    // which would take the next keystrokes of an input method, and the
    // field keeps what was typed.
    void fieldEdited(std::string_view control);

    void edit1Change();
    void edit3Change() { ratioFieldsChange(); }
    void edit4Change() { ratioFieldsChange(); }
    void comboBox1Change();  // the accuracy refresh
    void checkBox2Click() { comboBox1Change(); }
    void checkBox1Click() { calculate(); }
    void speedButton2Click();
    void speedButton3Click();
    void speedButton4Click();

    // Reads the input fields, calculates and shows the failure message if any.
    CalculationResult calculate();

    CoefficientSet& coefficients() { return m_coefficients; }
    const DesignRecord& record() const { return m_record; }
    DocumentState& document() { return m_document; }
    const AccuracyValues& accuracyValues() const { return m_accuracy; }
    const std::string& backlashBeforeEdit() const { return m_backlashBeforeEdit; }
    const ParameterDatabase& database() const { return m_database; }

  private:
    void ratioFieldsChange();
    // A failed conversion of the field's text: a mark while the user types,
    // else the message box.
    void reportInput(std::string_view control, std::string_view message);

    MainForm& m_form;
    ResultView& m_results;
    const ParameterDatabase& m_database;

    CoefficientSet m_coefficients;
    DesignRecord m_record;
    DocumentState m_document;
    AccuracyValues m_accuracy;
    std::string m_backlashBeforeEdit;
    std::string_view m_typedField;  // the field being typed into; empty otherwise
};

}  // namespace wormpair
