#include "analysis/contact_service.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>

#include "model/model_service.h"
#include "store/parameter_database.h"
#include "store/parameter_schema.h"
#include "store/program_layout.h"

namespace wormpair::analysis {

namespace {

// An entry of the module in the program directory; the module once loaded
// stays, as for the models.
void* moduleEntry(const std::string& programDirectory, const char* name) {
    static std::mutex mutex;
    static std::map<std::string, void*> modules;
    const std::lock_guard lock(mutex);
    const std::string file = programDirectory + model::kModelModuleFile;
    void* module = nullptr;
    if (const auto found = modules.find(file); found != modules.end()) {
        module = found->second;
    } else {
        module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            const char* reason = dlerror();
            throw model::ModelError(std::string("三维模型组件未能加载（") +
                                    model::kModelModuleFile + "）：" +
                                    (reason ? reason : "未知原因"));
        }
        modules.emplace(file, module);
    }
    void* entry = dlsym(module, name);
    if (entry == nullptr)
        throw model::ModelError(std::string("三维模型组件不含啮合分析（") +
                                model::kModelModuleFile + "）");
    return entry;
}

}  // namespace

ContactMap contactMap(const std::string& programDirectory, const DesignSnapshot& design,
                      const ContactSettings& settings) {
    using Entry = void (*)(const DesignSnapshot&, const ContactSettings&, ContactMap&);
    ContactMap map;
    reinterpret_cast<Entry>(moduleEntry(programDirectory, "wormpairContactMap"))(design, settings,
                                                                                 map);
    return map;
}

std::optional<PatternLimits> patternLimits(const ProgramLayout& layout,
                                           const DesignSnapshot& design) {
    const int grade = design.gradeDesignation.empty() ? 1 : design.gradeDesignation[0] - '6';
    const std::optional<AssemblyLimits> row =
        readAssemblyLimits(ParameterDatabase(layout).readTable(schema::gradeTable(grade)),
                           design.record.centreDistance);
    if (!row || !(design.record.rimWorkingWidth > 0)) return std::nullopt;
    return PatternLimits{
        row->centreDistance, row->middlePlaneShift,
        row->shaftAngle / 1000 / design.record.rimWorkingWidth * 180 / std::numbers::pi};
}

std::vector<std::vector<std::pair<double, double>>> contactLinesInCells(const PatternMap& map) {
    std::vector<std::vector<std::pair<double, double>>> lines;
    if (map.heights < 2 || map.rootRadii.size() != static_cast<std::size_t>(map.heights))
        return lines;
    const double half = map.halfWidth;
    for (const auto& line : map.contactLines) {
        std::vector<std::pair<double, double>> cells;
        for (const model::Vec3& p : line) {
            // the column it falls in, and the root and tip there
            const double column = (p.z + half) / (2 * half) * (map.heights - 1);
            if (!(column >= 0 && column <= map.heights - 1)) continue;
            const auto j = std::min(static_cast<std::size_t>(column),
                                    static_cast<std::size_t>(map.heights - 2));
            const double t = column - static_cast<double>(j);
            const double root = map.rootRadii[j] + t * (map.rootRadii[j + 1] - map.rootRadii[j]);
            const double tip = map.tipRadii[j] + t * (map.tipRadii[j + 1] - map.tipRadii[j]);
            const double height = (std::hypot(p.x, p.y) - root) / (tip - root);
            // the samples stand a hair inside root and tip (0.005 … 0.995)
            cells.emplace_back(column + 0.5, (height - 0.005) / 0.99 * (map.radii - 1) + 0.5);
        }
        if (cells.size() >= 2) lines.push_back(std::move(cells));
    }
    return lines;
}

PatternMap markingPattern(const std::string& programDirectory, const DesignSnapshot& design,
                          const PatternSettings& settings) {
    using Entry = void (*)(const DesignSnapshot&, const PatternSettings&, PatternMap&);
    PatternMap map;
    reinterpret_cast<Entry>(moduleEntry(programDirectory, "wormpairMarkingPattern"))(design,
                                                                                     settings, map);
    return map;
}

}  // namespace wormpair::analysis
