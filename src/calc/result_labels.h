#pragma once

#include <span>
#include <string_view>

// The result labels of the five result groups: what each shows before the
// first calculation (its caption) and the suffix that follows its value after.

namespace wormpair {

struct ResultLabel {
    std::string_view name;     // control name, e.g. "Label8"
    std::string_view caption;  // text before the first successful calculation
    std::string_view suffix;   // hyphens and name written after the value
};

struct ResultGroup {
    std::string_view name;     // group box name, e.g. "GroupBox6"
    std::string_view caption;  // group box caption as the window shows it
    std::span<const ResultLabel> labels;  // top to bottom
};

// The groups left to right as the window shows them.
std::span<const ResultGroup> resultGroups();

// The label of that name, or nullptr.
const ResultLabel* findResultLabel(std::string_view name);

}  // namespace wormpair
