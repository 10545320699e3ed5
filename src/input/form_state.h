#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "input/main_form.h"

namespace wormpair {

// The main window's controls without a window: texts, check states, the grade
// list, enabled and visible flags, as the window starts. Changes run the
// handler given to onChange, as the window's controls do. The command-line
// tool and the tests use it.
class FormState : public MainForm {
  public:
    FormState();

    // Called with the control name after a text or check state changed.
    std::function<void(std::string_view)> onChange;

    std::string text(std::string_view control) const override;
    void setText(std::string_view control, const std::string& text) override;
    bool isChecked(std::string_view control) const override;
    void setChecked(std::string_view control, bool checked) override;
    int currentIndex(std::string_view control) const override;
    std::string currentText(std::string_view control) const override;
    void setCurrentIndex(std::string_view control, int index) override;
    void setEnabled(std::string_view control, bool enabled) override;
    void setVisible(std::string_view control, bool visible) override;
    void setRecommendedGroupOpen(bool open) override;
    void showMessage(std::string_view text) override;
    void markField(std::string_view control, std::string_view problem) override;

    bool isEnabled(std::string_view control) const;
    bool isVisible(std::string_view control) const;
    bool recommendedGroupOpen() const { return m_recommendedGroupOpen; }

    // Every message shown, in order.
    std::vector<std::string> messages;
    // The marked fields and their problems.
    std::map<std::string, std::string, std::less<>> fieldProblems;

  private:
    using Flags = std::map<std::string, bool, std::less<>>;
    // The flag of a control; an unknown control throws std::logic_error.
    template <typename FlagMap>
    static auto& entry(FlagMap& flags, std::string_view control);

    std::map<std::string, std::string, std::less<>> m_texts;
    Flags m_checked;
    Flags m_enabled;
    Flags m_visible;
    int m_gradeIndex = 1;
    bool m_recommendedGroupOpen = false;
};

}  // namespace wormpair
