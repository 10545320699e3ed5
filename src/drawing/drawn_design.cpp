#include "drawing/drawn_design.h"

#include <stdexcept>

#include "calc/result_labels.h"

namespace wormpair::drawing {

std::string Design::value(const std::string& label) const {
    try {
        return resultValueText(record, label);
    } catch (const std::out_of_range&) {
        throw std::runtime_error("no value for " + label);
    }
}

}  // namespace wormpair::drawing
