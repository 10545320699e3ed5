#include "model/inspection_grid.h"

#include <cmath>
#include <cstdio>
#include <regex>

#include "calc/numeric.h"
#include "model/flank_graph.h"
#include "model/generation_checks.h"
#include "model/ground_flank.h"
#include "model/wheel_envelope.h"
#include "model/wheel_solid.h"

namespace wormpair::model {

namespace {

constexpr double kHeightInset = 0.1;
constexpr double kLengthInset = 0.025;

std::string number(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (text == "-0" || text.find_first_not_of("-0.") == std::string::npos)
        text = text.substr(text[0] == '-' ? 1 : 0);
    return text;
}

}  // namespace

std::vector<InspectionPoint> inspectionPoints(const PairModeller& modeller, InspectedFlank flank,
                                              WormKind kind, GridSize size) {
    const std::vector<double> heights = evenlySpaced(kHeightInset, 1 - kHeightInset, size.columns);
    std::vector<InspectionPoint> points;
    if (flank == InspectedFlank::Wheel) {
        const PairGeometry& g = modeller.geometry();
        const WheelEnvelope& envelope = modeller.wheelEnvelope();
        const double half = g.wheel.halfWidth * (1 - 2 * kLengthInset);
        for (double z : evenlySpaced(-half, half, size.rows)) {
            const double root = hobReachRadius(g.hob, z), tip = g.wheel.tipRadiusAt(z);
            WheelEnvelope::Point previous;
            bool first = true;
            for (double w : heights) {
                previous = envelope.cut(root + w * (tip - root), z, first ? nullptr : &previous);
                first = false;
                // the wheel's normal already points into the space, out of the material
                points.push_back({previous.wheel.point, previous.wheel.normal});
            }
        }
        return points;
    }
    const bool hob = flank == InspectedFlank::HobFirst || flank == InspectedFlank::HobSecond;
    const bool second = flank == InspectedFlank::WormSecond || flank == InspectedFlank::HobSecond;
    const EnvelopedFlank& evaluator = hob ? modeller.hobFlank() : modeller.wormFlank(kind);
    const double half = evaluator.blank().halfLength * (1 - 2 * kLengthInset);
    std::vector<double> axials = evenlySpaced(-half, half, size.rows);
    // the second flank is the half-turn image of the first at -Z1
    if (second)
        for (double& z : axials) z = -z;
    const auto grid = GroundFlank(evaluator).grid(axials, heights);
    for (const auto& row : grid) {
        for (const auto& p : row) {
            // the flank's normal points into the tooth: turn it outwards
            Vec3 point = p.worm.point, normal = -p.worm.normal;
            if (second) point = secondFlankImage(point), normal = secondFlankImage(normal);
            points.push_back({point, normal});
        }
    }
    return points;
}

std::string inspectionCsv(const PairModeller& modeller, InspectedFlank flank, WormKind kind,
                          GridSize size) {
    const DesignRecord& r = modeller.design().record;
    const std::vector<InspectionPoint> points = inspectionPoints(modeller, flank, kind, size);
    const bool wheel = flank == InspectedFlank::Wheel;
    const bool hob = flank == InspectedFlank::HobFirst || flank == InspectedFlank::HobSecond;
    std::string text = "\xEF\xBB\xBF";  // UTF-8 mark: spreadsheet programs read the Chinese right
    text += "# " + inspectedFlankName(flank) + " 测量点";
    if (!wheel && !hob)
        text += kind == WormKind::Ground ? "（磨削修形后的蜗杆）" : "（理论蜗杆，未修形）";
    text += "\n";
    text += wheel ? "# 坐标系：蜗轮自身坐标系；原点在蜗轮中心，Z 轴沿蜗轮轴线，Z = 0 为中间平面，"
                    "齿槽以 X 轴为中心\n"
                  : "# 坐标系：" + std::string(hob ? "滚刀" : "蜗杆") +
                        "自身坐标系；原点在喉部中心，Z 轴沿轴线，X 轴在零转角时指向蜗轮轴线\n";
    text += "# 单位：mm；I、J、K 为指向材料外侧的单位法向量\n";
    if (!wheel) text += "# " + flankMakeupText(hob ? modeller.hobFlank() : modeller.wormFlank(kind)) + "\n";
    text += "# 设计：中心距 " + formatReal(r.centreDistance) + "，实际速比 " +
            formatReal(r.actualRatio) + "，蜗轮齿数 " + formatInteger(r.wheelTeeth) +
            "，蜗杆头数 " + formatInteger(r.wormStarts) + "，主基圆直径 " +
            formatReal(r.mainBaseDiameter) + "，母平面倾斜角 " + r.motherPlaneInclinationText +
            "°\n";
    text += "# 旋向：" + modeller.design().hand + "\n";
    text += "# 网格：" + std::to_string(size.rows) + " 行 × " + std::to_string(size.columns) +
            " 列（行沿" + (wheel ? "齿宽" : "轴向") + "，列由齿根到齿顶）；工作区为齿高的 " +
            number(100 * kHeightInset, 0) + "%–" + number(100 * (1 - kHeightInset), 0) + "%、" +
            (wheel ? "齿宽" : "工作长度") + "两端各留 " + number(100 * kLengthInset, 1) + "%\n";
    text += "点号,X,Y,Z,I,J,K\n";
    int index = 1;
    for (const InspectionPoint& p : points) {
        text += std::to_string(index++) + "," + number(p.point.x, 6) + "," + number(p.point.y, 6) +
                "," + number(p.point.z, 6) + "," + number(p.normal.x, 9) + "," +
                number(p.normal.y, 9) + "," + number(p.normal.z, 9) + "\n";
    }
    return text;
}

}  // namespace wormpair::model
