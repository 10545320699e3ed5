#include "model/model_types.h"

#include <algorithm>
#include <cctype>
#include <regex>

namespace wormpair::model {

std::optional<ModelFormat> modelFormatOf(const std::string& fileName) {
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos) return std::nullopt;
    std::string ending = fileName.substr(dot + 1);
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ending == "step" || ending == "stp") return ModelFormat::Step;
    if (ending == "stl") return ModelFormat::Stl;
    if (ending == "csv") return ModelFormat::Csv;
    return std::nullopt;
}

std::optional<GridSize> gridSizeFromText(const std::string& text) {
    static const std::regex pattern(R"(\s*(\d{1,3})\s*[xX×*]\s*(\d{1,3})\s*)");
    std::smatch m;
    if (!std::regex_match(text, m, pattern)) return std::nullopt;
    const GridSize size{std::stoi(m[1]), std::stoi(m[2])};
    if (size.rows < 2 || size.columns < 2 || size.rows > 200 || size.columns > 200)
        return std::nullopt;
    return size;
}

std::string inspectedFlankName(InspectedFlank flank) {
    static const char* const kNames[] = {
        "蜗杆齿面1（朝 +Z1）", "蜗杆齿面2（朝 -Z1）", "滚刀齿面1（朝 +Z1）", "滚刀齿面2（朝 -Z1）",
        "蜗轮齿面（x 轴上齿槽朝 +y 的一侧）"};  // in the enum's order
    return kNames[static_cast<int>(flank)];
}

std::string partName(ModelPart part) {
    static const char* const kNames[] = {"蜗杆", "蜗轮", "滚刀", "蜗杆副"};  // in the enum's order
    return kNames[static_cast<int>(part)];
}

void SurfaceFitError::include(const SurfaceFitError& other) {
    distance = std::max(distance, other.distance);
    normalAngle = std::max(normalAngle, other.normalAngle);
}

}  // namespace wormpair::model
