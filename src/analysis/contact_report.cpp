#include "analysis/contact_report.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

#include "analysis/pattern_report.h"

namespace wormpair::analysis {

namespace {

// Each quantity's colour scale: fixed ends, or the values' own between the
// quantiles `cut` and 1 - cut.
struct QuantityColumn {
    ContactQuantity quantity;
    const char* caption;
    const char* unit;
    int decimals;
    std::vector<double> ContactMap::Line::*values;
    std::optional<std::pair<double, double>> fixedScale;
    double cut;
};

const QuantityColumn kQuantities[] = {
    // near 90° is good: the whole range shows how near
    {ContactQuantity::LubricationAngle, "润滑角", "°", 1, &ContactMap::Line::lubricationAngle,
     std::pair{0.0, 90.0}, 0},
    {ContactQuantity::SlidingSpeed, "滑动速度", "m/s", 3, &ContactMap::Line::slidingSpeed,
     std::nullopt, 0},
    // the few points at the flank's edges where it runs away would take the scale
    {ContactQuantity::InducedCurvature, "诱导法曲率", "1/mm", 4,
     &ContactMap::Line::inducedCurvature, std::nullopt, 0.02},
};

const QuantityColumn& column(ContactQuantity quantity) {
    return *std::find_if(std::begin(kQuantities), std::end(kQuantities),
                         [&](const QuantityColumn& c) { return c.quantity == quantity; });
}

std::vector<double> sorted(const ContactMap& map, ContactQuantity quantity, int kind = 0) {
    std::vector<double> all;
    for (const ContactMap::Line& line : map.lines)
        if (kind == 0 || line.kind == kind) {
            const std::vector<double>& values = line.*column(quantity).values;
            all.insert(all.end(), values.begin(), values.end());
        }
    std::sort(all.begin(), all.end());
    return all;
}

// The value below which `share` of the sorted values lie.
double quantile(const std::vector<double>& values, double share) {
    if (values.empty()) return 0;
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5)];
}

std::vector<QPointF> points(const std::vector<FlankPlace>& places) {
    std::vector<QPointF> out;
    for (const FlankPlace& p : places) out.emplace_back(p.axial, p.radius);
    return out;
}

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

}  // namespace

QString contactQuantityCaption(ContactQuantity quantity) {
    return QString::fromUtf8(column(quantity).caption);
}

drawing::ContactMaps contactMaps(const ContactMap& map, ContactQuantity quantity) {
    const QuantityColumn& c = column(quantity);
    drawing::ContactMaps maps;
    maps.quantity = QString::fromUtf8(c.caption);
    maps.unit = QString::fromUtf8(c.unit);
    maps.decimals = c.decimals;
    if (c.fixedScale) {
        std::tie(maps.low, maps.high) = *c.fixedScale;
    } else {
        const std::vector<double> values = sorted(map, quantity);
        maps.low = quantile(values, c.cut), maps.high = quantile(values, 1 - c.cut);
    }
    maps.worm.name = QStringLiteral("蜗杆齿面");
    maps.wheel.name = QStringLiteral("蜗轮齿面");
    maps.worm.root = points(map.wormRoot), maps.worm.tip = points(map.wormTip);
    maps.wheel.root = points(map.wheelRoot), maps.wheel.tip = points(map.wheelTip);
    for (const ContactMap::Line& line : map.lines) {
        const std::vector<double>& v = line.*c.values;
        maps.worm.lines.push_back({points(line.onWorm), v, line.kind == 2});
        maps.wheel.lines.push_back({points(line.onWheel), v, line.kind == 2});
    }
    return maps;
}

QString contactSummary(const ContactMap& map) {
    const std::vector<double> angle = sorted(map, ContactQuantity::LubricationAngle),
                              speed = sorted(map, ContactQuantity::SlidingSpeed),
                              curvature = sorted(map, ContactQuantity::InducedCurvature);
    if (angle.empty()) return QStringLiteral("没有接触线");
    return QStringLiteral(
               "%1 条接触线；润滑角 %2°–%3°（中值 %4°）；滑动速度 %5–%6 m/s；"
               "诱导法曲率中值 %7 1/mm")
        .arg(map.lines.size())
        .arg(number(angle.front(), 1), number(angle.back(), 1), number(quantile(angle, 0.5), 1),
             number(speed.front(), 3), number(speed.back(), 3),
             number(quantile(curvature, 0.5), 4));
}

drawing::Sheet contactReport(const DesignSnapshot& design, const ContactMap& map,
                             const ContactSettings& settings) {
    std::vector<drawing::TableRow> rows = designReportRows(design, settings.worm);
    rows.push_back({QStringLiteral("蜗杆转速"), "n1", number(settings.wormSpeed, 0), "r/min"});
    rows.push_back({QStringLiteral("位置数"), "", QString::number(map.positions), ""});
    for (const int kind : {1, 2}) {
        rows.push_back({kind == 1 ? QStringLiteral("母平面接触线") : QStringLiteral("二次接触线"),
                        "", "", ""});
        for (const QuantityColumn& c : kQuantities) {
            const std::vector<double> v = sorted(map, c.quantity, kind);
            if (v.empty()) continue;
            rows.push_back({QString::fromUtf8(c.caption) + QStringLiteral(" 最小/中值/最大"), "",
                            number(v.front(), c.decimals) + " / " +
                                number(quantile(v, 0.5), c.decimals) + " / " +
                                number(v.back(), c.decimals),
                            QString::fromUtf8(c.unit)});
        }
    }
    const QStringList notes = {
        QStringLiteral("左为蜗杆第一齿面（横向沿蜗杆轴线，纵向为距轴线的距离），右为蜗轮第一齿面"
                       "（横向沿蜗轮轴线，纵向为半径）；实线为母平面接触线，虚线为二次接触线，"
                       "颜色按右侧色标。"),
        QStringLiteral("一个蜗轮齿距内均分 %1 个位置；润滑角为接触线与相对速度的夹角，"
                       "诱导法曲率 k 为垂直于接触线方向两齿面的相对法曲率（距接触线 x 处相隔 "
                       "k·x²/2），色标取其 2%–98% 分位。")
            .arg(map.positions),
    };
    return drawing::contactReportSheet({contactMaps(map, ContactQuantity::LubricationAngle),
                                        contactMaps(map, ContactQuantity::SlidingSpeed)},
                                       std::move(rows), notes);
}

}  // namespace wormpair::analysis
