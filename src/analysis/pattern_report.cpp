#include "analysis/pattern_report.h"

#include <cmath>

#include "calc/numeric.h"
#include "drawing/analysis_report.h"

namespace wormpair::analysis {

std::vector<drawing::TableRow> designReportRows(const DesignSnapshot& design,
                                                model::WormKind worm) {
    const DesignRecord& r = design.record;
    return {
        {QStringLiteral("中心距"), "a", QString::fromStdString(formatReal(r.centreDistance)), "mm"},
        {QStringLiteral("蜗杆头数"), "z1", QString::number(r.wormStarts), ""},
        {QStringLiteral("蜗轮齿数"), "z2", QString::number(r.wheelTeeth), ""},
        {QStringLiteral("蜗杆"), "",
         worm == model::WormKind::Ground ? QStringLiteral("磨削修形后") : QStringLiteral("理论"),
         ""},
    };
}

drawing::Sheet patternReport(const DesignSnapshot& design, const PatternMap& map,
                             const PatternSettings& settings) {
    drawing::PatternFigure figure;
    figure.heights = map.heights;
    figure.radii = map.radii;
    figure.gaps = map.gaps;
    figure.marked = map.marked;
    figure.halfWidth = map.halfWidth;
    for (const auto& line : contactLinesInCells(map)) {
        std::vector<QPointF> points;
        for (const auto& [x, y] : line) points.emplace_back(x, y);
        figure.lines.push_back(std::move(points));
    }
    const auto number = [](double value, int decimals) {
        return QString::number(value, 'f', decimals);
    };
    const auto percent = [&](double share) { return number(100 * share, 1); };
    std::vector<drawing::TableRow> rows = designReportRows(design, settings.worm);
    rows.insert(
        rows.end(),
        {
            {QStringLiteral("装配误差"), "", "", ""},
            {QStringLiteral("中心距误差"), "Δa", number(settings.centreDistanceError, 4), "mm"},
            {QStringLiteral("蜗轮轴向位移"), "", number(settings.wheelShift, 4), "mm"},
            {QStringLiteral("蜗杆轴向位移"), "", number(settings.wormShift, 4), "mm"},
            {QStringLiteral("轴交角误差"), "", number(settings.shaftAngleError, 5), "°"},
            {QStringLiteral("涂料厚度"), "", number(settings.compound, 4), "mm"},
            {QStringLiteral("接触斑点"), "", "", ""},
            {QStringLiteral("占齿面"), "", percent(map.flankShare), "%"},
            {QStringLiteral("沿齿长"), "", percent(map.lengthShare), "%"},
            {QStringLiteral("沿齿高"), "", percent(map.heightShare), "%"},
            {QStringLiteral("中心距中间平面"), "", number(map.centre.z, 3), "mm"},
            {QStringLiteral("中心半径"), "", number(std::hypot(map.centre.x, map.centre.y), 3),
             "mm"},
            {QStringLiteral("首接触处法向间隙"), "", number(map.firstContact, 4), "mm"},
            {QStringLiteral("节点处法向间隙"), "", number(map.pitchClearance, 4), "mm"},
        });
    const QStringList notes = {
        QStringLiteral(
            "图为蜗轮第一齿面（齿宽方向自左至右，齿根在下）；细线框为蜗杆齿面经过的区域，"
            "剖面线为着色处，虚线为一个齿距内七个位置的母平面接触线。"),
        QStringLiteral("蜗杆副转过整个啮合区，蜗杆转过侧隙至首次接触后，齿面上与蜗杆齿面的最小法向"
                       "间隙不大于涂料厚度之处着色；占齿面的比例按采样点计。"),
        QStringLiteral("采样：沿齿宽 %1 行 × 齿根至齿顶 %2 点。").arg(map.heights).arg(map.radii),
    };
    return drawing::patternReportSheet(figure, std::move(rows), notes);
}

}  // namespace wormpair::analysis
