#pragma once

#include <string>
#include <string_view>

#include "calc/design_record.h"
#include "model/generation_checks.h"

// The window's status line on a calculated design: what the grinding and the
// hob make of it, from the checks the tool prints under 加工检查.

namespace wormpair {

struct GenerationNotice {
    std::string line;  // empty when the machines make the design as calculated
    std::string tip;   // every finding, one a line
};

inline GenerationNotice generationNotice(const DesignRecord& record, std::string_view handText) {
    GenerationNotice notice;
    for (const std::string& text : model::generationFindingTexts(record, handText)) {
        notice.line += (notice.line.empty() ? "加工检查：" : "；") + text;
        notice.tip += (notice.tip.empty() ? "" : "\n") + text;
    }
    return notice;
}

}  // namespace wormpair
