#pragma once

#include <string_view>

namespace wormpair {

// Shown when the coefficients cannot be loaded; the program then ends.
inline constexpr std::string_view kDataInitialisationFailed = "数据初始化失败，程序将关闭";
inline constexpr std::string_view kPromptCaption = "提示";

// What saving the coefficients of the rules dialog reports.
inline constexpr std::string_view kRulesSaved = "数据保存成功......";
inline constexpr std::string_view kRulesSaveFailed = "数据保存失败.......";

}  // namespace wormpair
