// The module the program loads for its models: the service of
// model_service.h on the CAD kernel.
#include <Standard_Failure.hxx>
#include <Standard_OutOfMemory.hxx>
#include <TopLoc_Location.hxx>
#include <gp.hxx>
#include <numbers>

#include <algorithm>
#include <map>
#include <mutex>
#include <new>

#include "model/inspection_grid.h"
#include "model/model_files.h"
#include "model/model_service.h"
#include "model/pair_model.h"

namespace wormpair::model {
namespace {

// Every entry of the module runs through this: the kernel's failures and
// memory running out anywhere become the ModelError the window and the tool
// show, so that neither ends for an exception it cannot know. The kernel's
// exceptions are C++ exceptions, caught here where their types are known;
// no signal handlers are needed as an allocation that fails throws.
template <typename Work>
auto guarded(const DesignRecord& record, ModelPart part, const Work& work) -> decltype(work()) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        throw ModelError(outOfMemoryMessage(record, part));
    } catch (const Standard_OutOfMemory&) {
        throw ModelError(outOfMemoryMessage(record, part));
    } catch (const Standard_Failure& e) {
        const std::string reason = e.GetMessageString() ? e.GetMessageString() : "";
        throw ModelError(std::string("三维模型内核出错（") + e.DynamicType()->Name() +
                         (reason.empty() ? "" : "：" + reason) + "），未生成" + partName(part) +
                         "模型");
    }
}

class KernelBuild : public BuiltModel {
  public:
    KernelBuild(ModelPart part, ModelBuild build, const DesignRecord& record)
        : m_part(part), m_build(std::move(build)), m_record(record) {}

    std::vector<BuiltPartSummary> parts() const override {
        std::vector<BuiltPartSummary> summaries;
        for (const PartModel& p : m_build.parts) summaries.push_back({p.name, p.flankFit, p.flankMakeup});
        return summaries;
    }

    std::vector<TriangleMesh> viewMeshes() const override {
        return guarded(m_record, m_part, [&] {
            std::vector<TriangleMesh> meshes;
            for (const PartModel& p : m_build.parts) {
                const bool wheel = p.name == partName(ModelPart::Wheel);
                const double size =
                    wheel ? m_record.wheelOutsideDiameter : m_record.largestWormTipDiameter;
                gp_Trsf lying;
                lying.SetRotation(gp::OX(), -std::numbers::pi / 2);
                const gp_Trsf shown = m_part == ModelPart::Pair ? p.placement
                                      : wheel                   ? gp_Trsf()
                                                                : lying;
                meshes.push_back(triangulate(p.shape.Moved(TopLoc_Location(shown)),
                                             1e-3 * std::max(1.0, size)));
            }
            return meshes;
        });
    }

    std::vector<std::uint8_t> fileBytes(ModelFormat format) const override {
        return guarded(m_record, m_part, [&] {
            std::vector<NamedPart> named;
            for (const PartModel& p : m_build.parts)
                named.push_back(
                    {p.name, p.shape, m_part == ModelPart::Pair ? p.placement : gp_Trsf()});
            if (format == ModelFormat::Step) return stepBytes(named, m_build.assemblyName);
            if (format == ModelFormat::Stl) return stlBytes(named, kStlDeviation);
            throw ModelError("三维模型只写出为 STEP 或 STL");
        });
    }

  private:
    ModelPart m_part;
    ModelBuild m_build;
    DesignRecord m_record;
};

class KernelModels : public DesignModels {
  public:
    explicit KernelModels(const DesignSnapshot& design) : m_modeller(design) {}

    std::unique_ptr<BuiltModel> build(ModelPart part, WormKind kind,
                                      BuildProgress* progress) const override {
        const DesignRecord& record = m_modeller.design().record;
        return guarded(record, part, [&]() -> std::unique_ptr<BuiltModel> {
            ModelBuild made;
            if (part != ModelPart::Pair) {
                made.parts.push_back(kept(part, kind, progress));
            } else {
                // a worm or wheel built before is taken as it is
                const bool worm = has(ModelPart::Worm, kind), wheel = has(ModelPart::Wheel, kind);
                const int total = 4 * (!worm + !wheel);
                PartOfBuild first(progress, 0, total), second(progress, worm ? 0 : 4, total);
                made.parts.push_back(kept(ModelPart::Worm, kind, progress ? &first : nullptr));
                made.parts.push_back(kept(ModelPart::Wheel, kind, progress ? &second : nullptr));
                made.assemblyName = "蜗杆副";
            }
            return std::make_unique<KernelBuild>(part, std::move(made), record);
        });
    }

    std::string inspectionCsv(InspectedFlank flank, WormKind kind, GridSize size) const override {
        const ModelPart part = flank == InspectedFlank::Wheel ? ModelPart::Wheel
                               : flank == InspectedFlank::HobFirst || flank == InspectedFlank::HobSecond
                                   ? ModelPart::Hob
                                   : ModelPart::Worm;
        return guarded(m_modeller.design().record, part,
                       [&] { return model::inspectionCsv(m_modeller, flank, kind, size); });
    }

  private:
    // the worm's kind matters to the worm alone
    static std::pair<ModelPart, WormKind> key(ModelPart part, WormKind kind) {
        return {part, part == ModelPart::Worm ? kind : WormKind::Ground};
    }
    bool has(ModelPart part, WormKind kind) const {
        const std::lock_guard lock(m_mutex);
        return m_parts.count(key(part, kind)) != 0;
    }
    // One part, built once for this design: the solids are shared handles
    // the kernel never changes once checked.
    PartModel kept(ModelPart part, WormKind kind, BuildProgress* progress) const {
        {
            const std::lock_guard lock(m_mutex);
            if (const auto found = m_parts.find(key(part, kind)); found != m_parts.end())
                return found->second;
        }
        requireMemoryFor(m_modeller.design().record, part, availableMemory());
        PartModel made = part == ModelPart::Worm    ? m_modeller.worm(kind, progress)
                         : part == ModelPart::Wheel ? m_modeller.wheel(progress)
                                                    : m_modeller.hob(progress);
        const std::lock_guard lock(m_mutex);
        m_parts.emplace(key(part, kind), made);
        return made;
    }

    PairModeller m_modeller;
    mutable std::mutex m_mutex;
    mutable std::map<std::pair<ModelPart, WormKind>, PartModel> m_parts;
};

class KernelService : public ModelService {
  public:
    std::unique_ptr<DesignModels> models(const DesignSnapshot& design) const override {
        return guarded(design.record, ModelPart::Pair,
                       [&]() -> std::unique_ptr<DesignModels> {
                           return std::make_unique<KernelModels>(design);
                       });
    }
};

}  // namespace
}  // namespace wormpair::model

extern "C" __attribute__((visibility("default"))) const wormpair::model::ModelService*
wormpairModelService() {
    static const wormpair::model::KernelService service;
    return &service;
}
