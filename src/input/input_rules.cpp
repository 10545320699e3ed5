#include "input/input_rules.h"

#include "calc/numeric.h"
#include "store/parameter_schema.h"

namespace wormpair {

namespace {

const char* const kBaseValue = "↑基础值：";

}  // namespace

std::string centreDistanceRangeNotice(double centreDistance) {
    if (centreDistance > schema::kSmallestCentreDistance &&
        centreDistance < schema::kLargestCentreDistance) {
        return {};
    }
    return "中心距 " + formatReal(centreDistance) + " mm 超出计算范围（大于 " +
           formatReal(schema::kSmallestCentreDistance) + " mm、小于 " +
           formatReal(schema::kLargestCentreDistance) + " mm）";
}

std::string ratioRangeNotice(double ratio) {
    if (ratio > kSmallestRatio && ratio < kLargestRatio) return {};
    return "速比 " + formatReal(ratio) + " 超出计算范围（大于 " + formatReal(kSmallestRatio) +
           "、小于 " + formatReal(kLargestRatio) + "）";
}

std::string designRangeNotice(std::string_view centreDistance, std::string_view ratio) {
    std::string notice;
    const auto add = [&](std::string_view text, std::string (*rule)(double)) {
        std::string said;
        try {
            said = rule(parseReal(text));
        } catch (const CalculationError&) {
            return;
        }
        if (said.empty()) return;
        if (!notice.empty()) notice += "；";
        notice += said;
    };
    add(centreDistance, centreDistanceRangeNotice);
    add(ratio, ratioRangeNotice);
    return notice;
}

std::string mainBaseDiameterHint(double centreDistance) {
    return kBaseValue + formatInteger(roundToInteger(Extended(centreDistance) * Extended(0.65L)));
}

std::string wormDiameterHint(double centreDistance, double wormDiameterExponent) {
    const Extended base = power(centreDistance, wormDiameterExponent) * Extended(0.76L);
    return kBaseValue + formatReal(roundToDecimals(toDouble(base), 0));
}

std::string ratioText(std::string_view wheelTeeth, std::string_view wormStarts) {
    const double teeth = parseReal(wheelTeeth);
    const double starts = parseReal(wormStarts);
    return formatReal(Extended(teeth) / Extended(starts));
}

std::int64_t recommendedWormDiameter(double centreDistance, double ratio,
                                     double wormDiameterExponent) {
    const double t = toDouble(power(ratio, Extended(-1.9L)) * power(centreDistance, Extended(1.5)) *
                              Extended(0.25));
    return roundToInteger(power(centreDistance, wormDiameterExponent) * Extended(0.76L) + t);
}

std::int64_t recommendedMainBaseDiameter(double centreDistance, double ratio) {
    return roundToInteger((Extended(0.76L) - power(ratio, Extended(-1.3L))) *
                          power(centreDistance, Extended(1.02L)) / Extended(1.35L));
}

std::string fiveStepSnap(std::string_view diameterText) {
    const std::int32_t g = parseInteger(diameterText);
    if (g <= 90) return std::string(diameterText);
    const std::int32_t r = g % 5;
    return formatInteger(r <= 2 ? g - r : g - r + 5);
}

std::string grindingIncrementText(std::string_view wheelTeeth) {
    const double z2 = parseReal(wheelTeeth);
    return formatReal(roundToDecimals(toDouble(Extended(z2) / Extended(100)), 1));
}

std::string tipEccentricityText(double mainBaseDiameter, double ratio) {
    const Extended w(mainBaseDiameter);
    const Extended i(ratio);
    Extended eccentricity;
    if (i <= Extended(7.99L)) {
        eccentricity = w / 2 / 5 * 4;
    } else if (i <= Extended(9.99L)) {
        eccentricity = w / 2 / 4 * 3;
    } else if (i <= Extended(11.99L)) {
        eccentricity = w / 2 / 2;
    } else if (i < Extended(35)) {
        eccentricity = w / 2 / 3;
    } else {
        return "0";
    }
    return formatReal(roundToDecimals(toDouble(eccentricity), 0));
}

int reliefAmountPosition(double ratio) {
    const Extended i(ratio);
    int band = 3;
    if (i <= Extended(24.999999L)) band = 0;
    else if (i <= Extended(40.000001L)) band = 1;
    else if (i <= Extended(63.000001L)) band = 2;
    return schema::xiuyuan::kFirstBandAmount + band;
}

std::string exitReliefText(std::string_view entryReliefText) {
    const double entry = parseReal(entryReliefText);
    return formatReal(roundToDecimals(toDouble(Extended(entry) * Extended(0.67L)), 2));
}

std::string gradeDesignation(std::string_view gradeText, bool standardBacklash) {
    return std::string(gradeText) + (standardBacklash ? "j(GB/T16445-1996)" : "级(GB/T16445-1996)");
}

}  // namespace wormpair
