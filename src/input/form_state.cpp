#include "input/form_state.h"

namespace wormpair {

namespace {

const char* const kGrades[] = {"6", "7", "8"};

template <typename Map, typename Value>
Value lookup(const Map& map, std::string_view key, Value fallback) {
    const auto found = map.find(key);
    return found == map.end() ? fallback : found->second;
}

}  // namespace

FormState::FormState() {
    m_texts = {{"Edit4", "1"},
               {"Edit8", "0"},
               {"Edit9", "7级(GB/T16445-1996)"},
               {"Edit10", "右旋"},
               {"Label46", "↑0.65 * A"}};
    m_checked = {{"CheckBox2", true}, {"CheckBox1", false}};
    for (const char* control : {"Edit2", "Edit9", "Button1", "SpeedButton3", "SpeedButton4", "N3",
                                "N4", "N5", "N14", "ToolButton5", "ToolButton11", "ToolButton4",
                                "ToolButton1"}) {
        m_enabled.emplace(control, false);
    }
    for (const char* control :
         {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4", "GroupBox6", "CheckBox1", "Label50"}) {
        m_visible.emplace(control, false);
    }
}

std::string FormState::text(std::string_view control) const {
    return lookup(m_texts, control, std::string());
}

void FormState::setText(std::string_view control, const std::string& text) {
    if (this->text(control) == text) return;
    m_texts.insert_or_assign(std::string(control), text);
    if (onChange) onChange(control);
}

bool FormState::isChecked(std::string_view control) const {
    return lookup(m_checked, control, false);
}

void FormState::setChecked(std::string_view control, bool checked) {
    if (isChecked(control) == checked) return;
    m_checked.insert_or_assign(std::string(control), checked);
    if (onChange) onChange(control);
}

int FormState::currentIndex(std::string_view) const { return m_gradeIndex; }

std::string FormState::currentText(std::string_view) const { return kGrades[m_gradeIndex]; }

void FormState::setCurrentIndex(std::string_view, int index) {
    if (index >= 0 && index <= 2) m_gradeIndex = index;
}

void FormState::setEnabled(std::string_view control, bool enabled) {
    m_enabled.insert_or_assign(std::string(control), enabled);
}

void FormState::setVisible(std::string_view control, bool visible) {
    m_visible.insert_or_assign(std::string(control), visible);
}

void FormState::setRecommendedGroupOpen(bool open) { m_recommendedGroupOpen = open; }

void FormState::showMessage(std::string_view text) { messages.emplace_back(text); }

bool FormState::isEnabled(std::string_view control) const {
    return lookup(m_enabled, control, true);
}

bool FormState::isVisible(std::string_view control) const {
    return lookup(m_visible, control, true);
}

}  // namespace wormpair
