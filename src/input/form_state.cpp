#include "input/form_state.h"

#include <stdexcept>

#include "input/input_rules.h"

namespace wormpair {

namespace {

const char* const kGrades[] = {"6", "7", "8"};

[[noreturn]] void unknownControl(std::string_view kind, std::string_view control) {
    throw std::logic_error("no " + std::string(kind) + " named '" + std::string(control) + "'");
}

void checkGradeList(std::string_view control) {
    if (control != kGradeList) unknownControl("grade list", control);
}

}  // namespace

FormState::FormState() {
    for (const char* field : kEditFields) m_texts.emplace(field, "");
    for (const char* label : kTextLabels) m_texts.emplace(label, "");
    m_texts["Edit4"] = "1";
    m_texts["Edit8"] = "0";
    m_texts["Edit9"] = kInitialGradeDesignation;
    m_texts["Edit10"] = "右旋";
    m_texts["Label46"] = "↑0.65 * A";
    m_checked = {{"CheckBox2", true}, {"CheckBox1", false}};

    for (const char* field : kEditFields) m_enabled.emplace(field, true);
    for (const char* button : kButtons) m_enabled.emplace(button, true);
    for (const char* control : {"Edit2", "Edit9", "Button1", "SpeedButton3", "SpeedButton4"}) {
        m_enabled[control] = false;
    }
    for (const char* group : kResultGroupBoxes) m_visible.emplace(group, false);
    m_visible.emplace("CheckBox1", false);
    m_visible.emplace(kRulesNotice, false);
}

template <typename FlagMap>
auto& FormState::entry(FlagMap& flags, std::string_view control) {
    const auto found = flags.find(control);
    if (found == flags.end()) unknownControl("control", control);
    return found->second;
}

std::string FormState::text(std::string_view control) const {
    const auto found = m_texts.find(control);
    if (found == m_texts.end()) unknownControl("text control", control);
    return found->second;
}

void FormState::setText(std::string_view control, const std::string& text) {
    const auto found = m_texts.find(control);
    if (found == m_texts.end()) unknownControl("text control", control);
    if (found->second == text) return;
    found->second = text;
    if (onChange) onChange(control);
}

bool FormState::isChecked(std::string_view control) const { return entry(m_checked, control); }

void FormState::setChecked(std::string_view control, bool checked) {
    bool& state = entry(m_checked, control);
    if (state == checked) return;
    state = checked;
    if (onChange) onChange(control);
}

int FormState::currentIndex(std::string_view control) const {
    checkGradeList(control);
    return m_gradeIndex;
}

std::string FormState::currentText(std::string_view control) const {
    checkGradeList(control);
    return kGrades[m_gradeIndex];
}

void FormState::setCurrentIndex(std::string_view control, int index) {
    checkGradeList(control);
    if (index >= 0 && index <= 2) m_gradeIndex = index;
}

void FormState::setEnabled(std::string_view control, bool enabled) {
    entry(m_enabled, control) = enabled;
}

void FormState::setVisible(std::string_view control, bool visible) {
    entry(m_visible, control) = visible;
}

void FormState::setRecommendedGroupOpen(bool open) { m_recommendedGroupOpen = open; }

void FormState::showMessage(std::string_view text) { messages.emplace_back(text); }

void FormState::markField(std::string_view control, std::string_view problem) {
    (void)text(control);  // an unknown control throws
    if (problem.empty()) {
        fieldProblems.erase(std::string(control));
    } else {
        fieldProblems[std::string(control)] = std::string(problem);
    }
}

bool FormState::isEnabled(std::string_view control) const { return entry(m_enabled, control); }

bool FormState::isVisible(std::string_view control) const { return entry(m_visible, control); }

}  // namespace wormpair
