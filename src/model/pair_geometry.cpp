#include "model/pair_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wormpair::model {

namespace {

double radians(double degrees) { return degrees * std::numbers::pi / 180; }

void require(bool condition, const char* message) {
    if (!condition) throw ModelError(message);
}

}  // namespace

double WheelBlank::tipRadiusAt(double height) const {
    if (std::abs(height) > cylinderFrom()) return outsideRadius;
    return throatArcCentre - std::sqrt(throatArcRadius * throatArcRadius - height * height);
}

double WheelBlank::cylinderFrom() const {
    // where the throat torus, throatArcCentre - sqrt(R^2 - z^2), meets the
    // outside cylinder; 0 when the cylinder lies inside the throat
    const double d = throatArcCentre - outsideRadius;
    if (d >= throatArcRadius) return 0;
    if (d <= 0) return std::min(halfWidth, throatArcRadius);
    return std::min(halfWidth, std::sqrt(throatArcRadius * throatArcRadius - d * d));
}

double hobCutHalfWidth(const PairGeometry& pair, double depth) {
    const auto cuts = [&](double z) {
        return hobReachRadius(pair.hob, z) + depth < pair.wheel.tipRadiusAt(z);
    };
    const double half = pair.wheel.halfWidth;
    if (cuts(half)) return half;
    if (!cuts(0)) return 0;
    // the space is deepest in the middle plane and fades towards the sides
    double inside = 0, outside = half;
    for (int k = 0; k < 50; ++k) {
        const double mid = (inside + outside) / 2;
        (cuts(mid) ? inside : outside) = mid;
    }
    return inside;
}

double hobReachRadius(const ThreadDesign& hob, double height) {
    const ThreadBlank& b = hob.blank;
    const double a = b.axisToWheelCentre;
    const auto reach = [&](double axial) {
        const double rho = b.tipRadiusAt(axial);
        if (rho <= std::abs(height)) return 1e300;
        const double across = a - std::sqrt(rho * rho - height * height);
        return std::sqrt(across * across + axial * axial);  // millimetres: no overflow to guard
    };
    // the reach is even in Z1: search Z1 >= 0, then refine the best sample
    const int samples = 200;
    double best = 1e300, bestAxial = 0;
    for (int k = 0; k <= samples; ++k) {
        const double axial = b.halfLength * k / samples;
        const double r = reach(axial);
        if (r < best) best = r, bestAxial = axial;
    }
    if (best >= 1e299) throw ModelError("齿圈宽度超出滚刀切削范围，无法生成蜗轮");
    double lo = std::max(0.0, bestAxial - b.halfLength / samples);
    double hi = std::min(b.halfLength, bestAxial + b.halfLength / samples);
    for (int k = 0; k < 60; ++k) {
        const double m1 = hi - 0.618033988749895 * (hi - lo);
        const double m2 = lo + 0.618033988749895 * (hi - lo);
        if (reach(m1) < reach(m2))
            hi = m2;
        else
            lo = m1;
    }
    return std::min(best, reach((lo + hi) / 2));
}

int handFromText(std::string_view handText) {
    if (handText == "右旋") return 1;
    if (handText == "左旋") return -1;
    throw ModelError("旋向只能是“右旋”或“左旋”，无法生成三维模型");
}

PairGeometry pairGeometry(const DesignRecord& r, std::string_view handText) {
    PairGeometry p;
    p.hand = handFromText(handText);
    require(r.centreDistance > 0 && r.wheelTeeth > 0 && r.wormStarts > 0 &&
                r.actualRatio > 0 && r.wheelReferenceDiameter > 0,
            "设计尚未计算完成，无法生成三维模型");
    const double a = r.centreDistance;
    const double r2 = r.wheelReferenceDiameter / 2;
    require(r.mainBaseDiameter > 0 && r.mainBaseDiameter < r.wheelReferenceDiameter,
            "主基圆直径须小于蜗轮分度圆直径，无法生成三维模型");
    require(r.wormToothThickness > 0 && r.hobToothThickness > 0,
            "齿厚不为正，无法生成三维模型");
    require(r.wormWorkingLength > 0 && r.wormTipArcRadius > r.wormWorkingLength / 2 &&
                r.wormRootArcRadius > r.wormWorkingLength / 2,
            "蜗杆工作长度与齿顶、齿根圆弧不相容，无法生成三维模型");
    require(a - r.wormRootArcRadius > 0, "蜗杆喉部齿根直径不为正，无法生成三维模型");
    require(r.wormTipArcRadius - r.tipEccentricity < r.wormRootArcRadius,
            "蜗杆齿顶低于齿根，无法生成三维模型");

    p.nominalWorm.meshing = {a, r.actualRatio, r.mainBaseDiameter / 2,
                             radians(r.motherPlaneInclination), r2, p.hand};
    p.nominalWorm.blank = {a, r.wormRootArcRadius, r.wormTipArcRadius, r.tipEccentricity,
                           r.wormWorkingLength / 2, r.wormStarts};
    p.nominalWorm.toothThickness = r.wormToothThickness;

    require(r.modifiedCentreDistance > 0 && r.modifiedRatio > 0 &&
                r.modifiedMainBaseDiameter > 0 &&
                r.modifiedMainBaseDiameter < r.modifiedWheelReferenceDiameter,
            "修形参数不可用，无法生成磨削后的蜗杆");
    p.groundWorm = p.nominalWorm;
    p.groundWorm.meshing = {r.modifiedCentreDistance, r.modifiedRatio,
                            r.modifiedMainBaseDiameter / 2, radians(r.modifiedInclination),
                            r.modifiedWheelReferenceDiameter / 2, p.hand};

    const auto hobRoot = static_cast<double>(r.hobRootArcRadius);
    const double hobHalf = r.hobEffectiveLength / 2;
    require(hobHalf > 0 && r.hobTipArcRadius > hobHalf && hobRoot > hobHalf,
            "滚刀有效长度与齿顶、齿根圆弧不相容，无法生成滚刀");
    p.hob.meshing = p.nominalWorm.meshing;
    p.hob.blank = {a, hobRoot, r.hobTipArcRadius, r.tipEccentricity, hobHalf, r.wormStarts};
    p.hob.toothThickness = r.hobToothThickness;

    // the worm: shoulders at the root radius of the thread's ends, shaft
    // ends of the worm's reference diameter in length
    p.wormBody.blank = p.nominalWorm.blank;
    p.wormBody.shoulderLength = std::max(0, r.shoulder);
    p.wormBody.shoulderRadius = p.nominalWorm.blank.rootRadiusAt(p.nominalWorm.blank.halfLength);
    p.wormBody.shaftLength = r.wormReferenceDiameter;
    p.wormBody.shaftRadius = 0.8 * (a - r.wormRootArcRadius);
    require(p.wormBody.shaftLength > 0, "蜗杆分度圆直径不为正，无法生成三维模型");
    p.hobBody.blank = p.hob.blank;
    p.hobBody.shoulderRadius = p.hob.blank.rootRadiusAt(hobHalf);

    p.wheel.teeth = r.wheelTeeth;
    p.wheel.outsideRadius = r.wheelOutsideDiameter / 2;
    p.wheel.throatRadius = r2 + r.addendum;
    p.wheel.throatArcCentre = a;
    p.wheel.throatArcRadius = a - p.wheel.throatRadius;
    p.wheel.halfWidth = r.rimWorkingWidth / 2.0;
    require(p.wheel.throatArcRadius > 0 && p.wheel.halfWidth > 0 &&
                p.wheel.outsideRadius > r2 &&
                (p.wheel.outsideRadius < a || p.wheel.halfWidth < p.wheel.throatArcRadius),
            "蜗轮毛坯尺寸不相容（外径、喉径或齿圈宽度），无法生成蜗轮");
    return p;
}

}  // namespace wormpair::model
