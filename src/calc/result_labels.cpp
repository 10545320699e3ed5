#include "calc/result_labels.h"

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

std::string resultValueText(const DesignRecord& record, std::string_view labelName) {
    const ResultLabel* label = findResultLabel(labelName);
    if (label == nullptr) throw std::out_of_range("no result label " + std::string(labelName));
    FormatBuffer buffer;
    return std::string(labelValueText(record, *label, buffer));
}

}  // namespace wormpair
