#pragma once

#include <array>
#include <string>
#include <string_view>

namespace wormpair {

// The thirteen edit fields in order; a design file holds their texts in A1 to A13.
inline constexpr std::array<const char*, 13> kEditFields = {
    "Edit1", "Edit2", "Edit3",  "Edit4",  "Edit5",  "Edit6", "Edit7",
    "Edit8", "Edit9", "Edit10", "Edit11", "Edit12", "Edit13"};

// What each edit field is to the engineer, as its caption in the window
// reads without the padding blanks and the colon.
inline constexpr std::array<const char*, 13> kEditFieldCaptions = {
    "中心距", "实际速比", "蜗轮齿数", "蜗杆头数", "主基圆",   "齿顶偏心", "杆分度圆",
    "侧隙",   "精度等级", "旋向",     "入口修缘", "出口修缘", "磨齿增量"};

// The result group boxes, hidden while there are no results to show.
inline constexpr std::array<const char*, 5> kResultGroupBoxes = {
    "GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4", "GroupBox6"};

// The other controls the commands reach by name.
inline constexpr std::array<const char*, 3> kTextLabels = {
    "Label46",  // hint under the main base circle
    "Label47",  // hint under the worm reference diameter
    "Label32",  // the notice at the right end of the toolbar
};
inline constexpr const char* kRulesNotice = "Label50";  // the modified-rules notice
inline constexpr std::array<const char*, 2> kCheckBoxes = {"CheckBox1", "CheckBox2"};
inline constexpr const char* kGradeList = "ComboBox1";
inline constexpr std::array<const char*, 4> kButtons = {"Button1", "SpeedButton2", "SpeedButton3",
                                                        "SpeedButton4"};

// The controls of the main window as the commands see them, by control name
// ("Edit1", "CheckBox2", "ComboBox1", "SpeedButton3", "GroupBox1", ...).
// A name that is not one of the lists above is a programming error: every
// implementation throws std::logic_error for it.
//
// Setting a text or a check state behaves like the user's own change: when it
// differs from the current one, the control's change handling runs before the
// call returns, and a failure of that handling reaches the caller. Setting the
// same text or state again runs nothing; selecting a list item runs nothing.
class MainForm {
  public:
    virtual ~MainForm() = default;

    // Edit fields and text labels.
    virtual std::string text(std::string_view control) const = 0;
    virtual void setText(std::string_view control, const std::string& text) = 0;

    virtual bool isChecked(std::string_view control) const = 0;
    virtual void setChecked(std::string_view control, bool checked) = 0;

    virtual int currentIndex(std::string_view control) const = 0;
    virtual std::string currentText(std::string_view control) const = 0;
    virtual void setCurrentIndex(std::string_view control, int index) = 0;

    // Edit fields and buttons.
    virtual void setEnabled(std::string_view control, bool enabled) = 0;
    // Result group boxes, CheckBox1 and the rules notice.
    virtual void setVisible(std::string_view control, bool visible) = 0;

    // The recommended-parameter group: enabled with black text while open
    // for editing, disabled and grey otherwise.
    virtual void setRecommendedGroupOpen(bool open) = 0;

    // A plain message box with an OK button.
    virtual void showMessage(std::string_view text) = 0;

    // An edit field marked with what is wrong with its text (a red frame and
    // the text as its tooltip), or unmarked when the text is empty. Unlike a
    // message box it takes no keystrokes away from the field.
    virtual void markField(std::string_view control, std::string_view problem) = 0;
};

}  // namespace wormpair
