#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "calc/design_record.h"

namespace wormpair {

// Messages of the input commands.
inline constexpr std::string_view kCentreDistanceMessage =
    "输入参数有误，请输入合法有效的数字.........";
inline constexpr std::string_view kTeethStartsMessage = "参数输入不合法，请输入合法参数.........";
inline constexpr std::string_view kRecommendMessage =
    "您输入的内容不符合要求,请输入合法数字且不能为空...";
// The recommendation cannot be made because the relief tables are missing or
// damaged; the user's input is not at fault.
inline constexpr std::string_view kReliefTableMessage =
    "参数数据库的修缘数据缺失或已损坏，无法推荐参数.........";

// The range the rules cover, as the about box states it: a centre distance
// above 70 mm and below 1500 mm (schema::kSmallestCentreDistance and
// kLargestCentreDistance), a ratio above 7.5 and below 150.
inline constexpr double kSmallestRatio = 7.5;  // exclusive
inline constexpr double kLargestRatio = 150;   // exclusive

// What to say beside a value outside that range, in Chinese; empty inside it.
std::string centreDistanceRangeNotice(double centreDistance);
std::string ratioRangeNotice(double ratio);
// Both, for the texts of Edit1 and Edit2, joined; a text that is no number
// adds nothing (its own message says so).
std::string designRangeNotice(std::string_view centreDistance, std::string_view ratio);

// The grade designation in Edit9 before the first accuracy refresh.
inline constexpr const char* kInitialGradeDesignation = "7级(GB/T16445-1996)";

// Rules of the input assistance, each on the texts and numbers it needs.
// Conversion and arithmetic failures throw CalculationError; a lookup that
// finds no row returns nothing.

// "↑基础值：" hints under the main base circle and the worm reference diameter.
std::string mainBaseDiameterHint(double centreDistance);
std::string wormDiameterHint(double centreDistance, double wormDiameterExponent);

// The ratio text teeth / starts written into Edit2.
std::string ratioText(std::string_view wheelTeeth, std::string_view wormStarts);

// Recommended worm reference diameter and main base circle diameter, before
// the five-step snap.
std::int64_t recommendedWormDiameter(double centreDistance, double ratio,
                                     double wormDiameterExponent);
std::int64_t recommendedMainBaseDiameter(double centreDistance, double ratio);

// Above 90 a diameter goes to the nearest multiple of 5; the text is kept at
// or below 90.
std::string fiveStepSnap(std::string_view diameterText);

// Grinding increment: teeth / 100 to one decimal.
std::string grindingIncrementText(std::string_view wheelTeeth);

// Tip eccentricity by ratio band from the (snapped) main base circle diameter.
std::string tipEccentricityText(double mainBaseDiameter, double ratio);

// Position of the entry relief amount in table xiuyuan for the ratio band.
int reliefAmountPosition(double ratio);

// Exit relief amount: 0.67 of the entry amount, two decimals.
std::string exitReliefText(std::string_view entryReliefText);

// The designation in Edit9.
std::string gradeDesignation(std::string_view gradeText, bool standardBacklash);

}  // namespace wormpair
