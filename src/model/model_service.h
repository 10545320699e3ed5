#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "calc/design_record.h"
#include "model/model_types.h"
#include "model/render.h"

// The models of a design as the window and the tool ask for them. The CAD
// kernel behind them is a large set of shared libraries; it lives in a module
// of the program directory that is loaded the first time a model is asked
// for, so that the program and the tool start without it.

namespace wormpair::model {

struct BuiltPartSummary {
    std::string name;          // 蜗杆, 蜗轮, 滚刀
    SurfaceFitError flankFit;  // measured between the evaluator and the fitted flanks
    std::string flankMakeup;   // how a thread's flank is made; empty for the wheel
};

// The checked solids of one build; they stay inside the module.
class BuiltModel {
  public:
    virtual ~BuiltModel() = default;
    virtual std::vector<BuiltPartSummary> parts() const = 0;
    // Each part's triangles as the window shows it: the pair in its fixed
    // frame, a worm or hob lying with its axis across, within a thousandth
    // of the part's size.
    virtual std::vector<TriangleMesh> viewMeshes() const = 0;
    // STEP or STL bytes: one part in its own frame, the pair placed.
    virtual std::vector<std::uint8_t> fileBytes(ModelFormat format) const = 0;
};

// The surfaces of one design, made once for its builds and inspection points.
class DesignModels {
  public:
    virtual ~DesignModels() = default;
    // Throws ModelError with the reason when the part cannot be made, and
    // BuildCancelled when the progress says so.
    virtual std::unique_ptr<BuiltModel> build(ModelPart part, WormKind kind,
                                              BuildProgress* progress) const = 0;
    // The inspection points' CSV (inspection_grid.h).
    virtual std::string inspectionCsv(InspectedFlank flank, WormKind kind, GridSize size) const = 0;
};

class ModelService {
  public:
    virtual ~ModelService() = default;
    // Throws ModelError with the reason when the design gives no model.
    virtual std::unique_ptr<DesignModels> models(const DesignSnapshot& design) const = 0;
};

// The memory a build of `part` for `record` takes at its peak, in bytes:
// fitted to the peak resident size of builds measured on this program (the
// wheel's faces grow with the number of teeth and, for the fit's fixed
// accuracy, with the size).
std::uint64_t buildMemoryEstimate(const DesignRecord& record, ModelPart part);

// What this process can still take: the system's available memory, and the
// room left under its address-space limit when one is set.
std::uint64_t availableMemory();

// Throws ModelError naming both amounts when the part needs more memory than
// `available` bytes: a build the machine cannot hold is refused before it
// starts instead of ending the program.
void requireMemoryFor(const DesignRecord& record, ModelPart part, std::uint64_t available);

// The message of a build that ran out of memory nevertheless.
std::string outOfMemoryMessage(const DesignRecord& record, ModelPart part);

// The module's file in the program directory. In a folder of its own: a
// shared object directly under /usr/lib/<package> would make the Debian
// package run ldconfig for a library nothing links.
inline constexpr const char* kModelModuleFile = "modules/libwormpair_models.so";

// The service of the module in the program directory (ending with '/'),
// loaded on first use and kept. Throws ModelError with the reason when the
// module cannot be loaded.
const ModelService& modelService(const std::string& programDirectory);

}  // namespace wormpair::model

// What the module exports.
extern "C" const wormpair::model::ModelService* wormpairModelService();
