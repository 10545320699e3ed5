#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "calc/design_record.h"
#include "calc/numeric.h"

// The result labels of the five result groups: what each shows before the
// first calculation (its caption), the record field whose value it shows and
// the suffix that follows that value after.

namespace wormpair {

// A double field shown rounded to three decimals.
struct RoundedTo3 {
    double DesignRecord::*field;
};

// Where a label's number comes from.
using LabelValue = std::variant<double DesignRecord::*, long double DesignRecord::*,
                                std::int32_t DesignRecord::*, std::string DesignRecord::*,
                                RoundedTo3>;

struct ResultLabel {
    std::string_view name;     // control name, e.g. "Label8"
    std::string_view caption;  // text before the first successful calculation
    std::string_view suffix;   // hyphens and name written after the value
    LabelValue value;          // the record field it shows
};

struct ResultGroup {
    std::string_view name;     // group box name, e.g. "GroupBox6"
    std::string_view caption;  // group box caption as the window shows it
    std::span<const ResultLabel> labels;  // top to bottom
};

namespace result_labels {
inline constexpr ResultLabel kTransmission[] = {
    {"Label12", "主基圆直径", "-----主基圆直径", &DesignRecord::mainBaseDiameter},
    {"Label13", "母平面倾斜角", "-----母平面倾斜角", &DesignRecord::motherPlaneInclinationText},
    {"Label25", "端面模数", "-----端面模数", &DesignRecord::transverseModule},
    {"Label27", "工作半包角", "-----工作半包角", &DesignRecord::workingHalfWrapAngle},
    {"Label14", "分度圆齿形角", "----分度圆齿形角", &DesignRecord::pressureAngle},
};

inline constexpr ResultLabel kWorm[] = {
    {"Label24", "蜗杆齿顶圆弧偏心量", "-----蜗杆齿顶圆弧偏心量", &DesignRecord::tipEccentricity},
    {"Label8", "蜗杆齿根圆弧半径", "-----蜗杆齿根圆弧半径", &DesignRecord::wormRootArcRadius},
    {"Label10", "蜗杆工作长度", "-----蜗杆工作长度", &DesignRecord::wormWorkingLength},
    {"Label9", "蜗杆齿顶圆弧半径", "-----蜗杆齿顶圆弧半径", &DesignRecord::wormTipArcRadius},
    {"Label11", "肩台", "-----肩台", &DesignRecord::shoulder},
    {"Label26", "包围齿数", "-----包围齿数", &DesignRecord::wrappedTeeth},
    {"Label28", "蜗杆喉部导程角", "-----蜗杆喉部导程角", &DesignRecord::throatLeadAngle},
    {"Label48", "蜗杆最大齿顶圆直径", "-----蜗杆最大齿顶圆直径", &DesignRecord::largestWormTipDiameter},
    {"Label43", "蜗杆齿顶宽", "-----蜗杆齿顶宽", &DesignRecord::wormTipWidth},
    {"Label53", "蜗杆喉部齿根圆直径", "-----蜗杆喉部齿根直径", &DesignRecord::wormThroatRootDiameterShown},
    {"Label16", "法向弦齿厚", "-----法向弦齿厚", &DesignRecord::wormNormalChordalThickness},
    {"Label17", "法向弦齿高", "-----法向弦齿高", &DesignRecord::wormNormalChordalHeight},
};

inline constexpr ResultLabel kWheel[] = {
    {"Label33", "蜗轮最大外径", "-----蜗轮最大外圆", &DesignRecord::wheelOutsideDiameter},
    {"Label35", "蜗轮喉径", "-----蜗轮喉径", &DesignRecord::wheelThroatDiameter},
    {"Label34", "齿圈工作宽度", "-----齿圈工作宽度", &DesignRecord::rimWorkingWidth},
    {"Label40", "蜗杆齿顶圆弧半径", "-----蜗轮齿顶圆弧半径", &DesignRecord::wheelTipArcRadius},
    {"Label23", "蜗轮分度圆直径", "-----蜗轮分度圆直径", &DesignRecord::wheelReferenceDiameter},
    {"Label44", "蜗轮法向弦齿厚", "------蜗轮法向弦齿厚", &DesignRecord::wheelNormalChordalThickness},
    {"Label45", "蜗轮法向弦齿高", "------蜗轮法向弦齿高", &DesignRecord::wheelNormalChordalHeight},
};

inline constexpr ResultLabel kHob[] = {
    {"Label18", "滚刀齿顶圆弧半径", "-----刀体齿顶圆弧半径", &DesignRecord::hobTipArcRadius},
    {"Label19", "滚刀齿根圆弧半径", "-----刀体齿跟圆弧半径", &DesignRecord::hobRootArcRadius},
    {"Label20", "滚刀有效长度", "-----滚刀有效长度", &DesignRecord::hobEffectiveLength},
    {"Label29", "滚刀包围齿数", "-----滚刀包围齿数", &DesignRecord::hobWrappedTeeth},
    {"Label49", "滚刀齿顶宽", "-----滚刀齿顶宽", &DesignRecord::hobTipWidth},
    {"Label21", "滚刀法向弦齿厚", "-----滚刀法向弦齿厚", &DesignRecord::hobNormalChordalThickness},
    {"Label22", "滚刀法向弦齿高", "-----滚刀法向弦齿高", &DesignRecord::hobNormalChordalHeight},
};

inline constexpr ResultLabel kModification[] = {
    {"Label41", "修形母面倾斜角", "---修形母面倾斜角", RoundedTo3{&DesignRecord::modifiedInclination}},
    {"Label42", "修形传动比", "----修形传动比", &DesignRecord::modifiedRatio},
    {"Label51", "修形中心距", "----修形中心距", RoundedTo3{&DesignRecord::modifiedCentreDistance}},
    {"Label52", "修形主基圆直径", "----修形主基圆直径", RoundedTo3{&DesignRecord::modifiedMainBaseDiameter}},
};

inline constexpr ResultGroup kGroups[] = {
    {"GroupBox6", " 传动特性  ", kTransmission},
    {"GroupBox1", "  蜗杆参数  ", kWorm},
    {"GroupBox3", "  蜗轮参数  ", kWheel},
    {"GroupBox2", "  滚刀参数  ", kHob},
    {"GroupBox4", " 一般型传动修形参数   ", kModification},
};

}  // namespace result_labels

// The number a label shows of the record: the field as formatReal writes it
// (formatInteger for whole-number fields, the text itself for the text).
std::string_view labelValueText(const DesignRecord& record, const ResultLabel& label,
                                FormatBuffer& buffer);

// The same for the label of that name; throws std::out_of_range for a name
// that is no result label.
std::string resultValueText(const DesignRecord& record, std::string_view labelName);

// The results Calculate shows in the warning colour when they leave their
// recommended range (an open end is an infinity).
struct RecommendedRange {
    std::string_view label;
    std::string_view quantity;  // what the reason calls the value
    double DesignRecord::*field;
    double lowest;
    double highest;
    std::string_view unit;
};

// Why the label stands in the warning colour: the value and its range, in
// the numbers the labels print; empty when the value lies in its range or
// the label has no range.
std::string warningReason(const DesignRecord& record, std::string_view labelName);

// The labels that have a recommended range.
std::span<const RecommendedRange> recommendedRanges();

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
