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

namespace result_labels {
inline constexpr ResultLabel kTransmission[] = {
    {"Label12", "主基圆直径", "-----主基圆直径"},
    {"Label13", "母平面倾斜角", "-----母平面倾斜角"},
    {"Label25", "端面模数", "-----端面模数"},
    {"Label27", "工作半包角", "-----工作半包角"},
    {"Label14", "分度圆齿形角", "----分度圆齿形角"},
};

inline constexpr ResultLabel kWorm[] = {
    {"Label24", "蜗杆齿顶圆弧偏心量", "-----蜗杆齿顶圆弧偏心量"},
    {"Label8", "蜗杆齿根圆弧半径", "-----蜗杆齿根圆弧半径"},
    {"Label10", "蜗杆工作长度", "-----蜗杆工作长度"},
    {"Label9", "蜗杆齿顶圆弧半径", "-----蜗杆齿顶圆弧半径"},
    {"Label11", "肩台", "-----肩台"},
    {"Label26", "包围齿数", "-----包围齿数"},
    {"Label28", "蜗杆喉部导程角", "-----蜗杆喉部导程角"},
    {"Label48", "蜗杆最大齿顶圆直径", "-----蜗杆最大齿顶圆直径"},
    {"Label43", "蜗杆齿顶宽", "-----蜗杆齿顶宽"},
    {"Label53", "蜗杆喉部齿根圆直径", "-----蜗杆喉部齿根直径"},
    {"Label16", "法向弦齿厚", "-----法向弦齿厚"},
    {"Label17", "法向弦齿高", "-----法向弦齿高"},
};

inline constexpr ResultLabel kWheel[] = {
    {"Label33", "蜗轮最大外径", "-----蜗轮最大外圆"},
    {"Label35", "蜗轮喉径", "-----蜗轮喉径"},
    {"Label34", "齿圈工作宽度", "-----齿圈工作宽度"},
    {"Label40", "蜗杆齿顶圆弧半径", "-----蜗轮齿顶圆弧半径"},
    {"Label23", "蜗轮分度圆直径", "-----蜗轮分度圆直径"},
    {"Label44", "蜗轮法向弦齿厚", "------蜗轮法向弦齿厚"},
    {"Label45", "蜗轮法向弦齿高", "------蜗轮法向弦齿高"},
};

inline constexpr ResultLabel kHob[] = {
    {"Label18", "滚刀齿顶圆弧半径", "-----刀体齿顶圆弧半径"},
    {"Label19", "滚刀齿根圆弧半径", "-----刀体齿跟圆弧半径"},
    {"Label20", "滚刀有效长度", "-----滚刀有效长度"},
    {"Label29", "滚刀包围齿数", "-----滚刀包围齿数"},
    {"Label49", "滚刀齿顶宽", "-----滚刀齿顶宽"},
    {"Label21", "滚刀法向弦齿厚", "-----滚刀法向弦齿厚"},
    {"Label22", "滚刀法向弦齿高", "-----滚刀法向弦齿高"},
};

inline constexpr ResultLabel kModification[] = {
    {"Label41", "修形母面倾斜角", "---修形母面倾斜角"},
    {"Label42", "修形传动比", "----修形传动比"},
    {"Label51", "修形中心距", "----修形中心距"},
    {"Label52", "修形主基圆直径", "----修形主基圆直径"},
};

inline constexpr ResultGroup kGroups[] = {
    {"GroupBox6", " 传动特性  ", kTransmission},
    {"GroupBox1", "  蜗杆参数  ", kWorm},
    {"GroupBox3", "  蜗轮参数  ", kWheel},
    {"GroupBox2", "  滚刀参数  ", kHob},
    {"GroupBox4", " 一般型传动修形参数   ", kModification},
};

}  // namespace result_labels

// The groups left to right as the window shows them.
inline std::span<const ResultGroup> resultGroups() { return result_labels::kGroups; }

// The label of that name, or nullptr.
constexpr const ResultLabel* findResultLabel(std::string_view name) {
    for (const ResultGroup& group : result_labels::kGroups) {
        for (const ResultLabel& label : group.labels) {
            if (label.name == name) return &label;
        }
    }
    return nullptr;
}

// The label of that name, found while compiling.
consteval ResultLabel resultLabel(std::string_view name) {
    for (const ResultGroup& group : result_labels::kGroups) {
        for (const ResultLabel& label : group.labels) {
            if (label.name == name) return label;
        }
    }
    throw "no result label of that name";
}

}  // namespace wormpair
