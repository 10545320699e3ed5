#include "calc/result_labels.h"

#include <limits>
#include <stdexcept>

namespace wormpair {

std::string_view labelValueText(const DesignRecord& record, const ResultLabel& label,
                                FormatBuffer& buffer) {
    struct Text {
        const DesignRecord& r;
        FormatBuffer& buffer;
        std::string_view operator()(double DesignRecord::*field) const {
            return formatReal(r.*field, buffer);
        }
        std::string_view operator()(long double DesignRecord::*field) const {
            return formatReal(r.*field, buffer);
        }
        std::string_view operator()(std::int32_t DesignRecord::*field) const {
            const std::string digits = formatInteger(r.*field);
            const std::size_t size = digits.copy(buffer.data(), buffer.size());
            return {buffer.data(), size};
        }
        std::string_view operator()(std::string DesignRecord::*field) const { return r.*field; }
        std::string_view operator()(RoundedTo3 rounded) const {
            return formatReal(roundToDecimals(r.*rounded.field, 3), buffer);
        }
    };
    return std::visit(Text{record, buffer}, label.value);
}

namespace {

constexpr double kOpen = std::numeric_limits<double>::infinity();

constexpr RecommendedRange kRanges[] = {
    {"Label14", "分度圆齿形角 α", &DesignRecord::pressureAngle, 20.5, 24.5, "°"},
    {"Label28", "蜗杆喉部导程角 γ", &DesignRecord::throatLeadAngle, -kOpen, 25, "°"},
    {"Label53", "蜗杆喉部齿根直径", &DesignRecord::wormThroatRootDiameterShown, 30, kOpen, " mm"},
};

std::string number(double value) { return formatReal(value); }

}  // namespace

std::span<const RecommendedRange> recommendedRanges() { return kRanges; }

std::string warningReason(const DesignRecord& record, std::string_view labelName) {
    for (const RecommendedRange& range : kRanges) {
        if (range.label != labelName) continue;
        const double value = record.*range.field;
        if (!(value < range.lowest || value > range.highest)) return {};
        const std::string unit(range.unit);
        std::string reason = std::string(range.quantity) + " = " + resultValueText(record, labelName) + unit;
        if (range.lowest == -kOpen) {
            reason += "，大于推荐上限 " + number(range.highest) + unit;
        } else if (range.highest == kOpen) {
            reason += "，小于推荐下限 " + number(range.lowest) + unit;
        } else {
            reason += "，超出推荐范围 " + number(range.lowest) + unit + "～" + number(range.highest) + unit;
        }
        return reason;
    }
    return {};
}

std::string resultValueText(const DesignRecord& record, std::string_view labelName) {
    const ResultLabel* label = findResultLabel(labelName);
    if (label == nullptr) throw std::out_of_range("no result label " + std::string(labelName));
    FormatBuffer buffer;
    return std::string(labelValueText(record, *label, buffer));
}

}  // namespace wormpair
