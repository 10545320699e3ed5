// The module the program loads for its models: the service of
// model_service.h on the CAD kernel.
#include <TopLoc_Location.hxx>
#include <gp.hxx>

#include <algorithm>

#include "model/inspection_grid.h"
#include "model/model_files.h"
#include "model/model_service.h"
#include "model/pair_model.h"

namespace wormpair::model {
namespace {

class KernelBuild : public BuiltModel {
  public:
    KernelBuild(ModelPart part, ModelBuild build, const DesignRecord& record)
        : m_part(part), m_build(std::move(build)), m_record(record) {}

    std::vector<BuiltPartSummary> parts() const override {
        std::vector<BuiltPartSummary> summaries;
        for (const PartModel& p : m_build.parts) summaries.push_back({p.name, p.flankFit});
        return summaries;
    }

    std::vector<TriangleMesh> viewMeshes() const override {
        std::vector<TriangleMesh> meshes;
        for (const PartModel& p : m_build.parts) {
            const bool wheel = p.name == partName(ModelPart::Wheel);
            const double size =
                wheel ? m_record.wheelOutsideDiameter : m_record.largestWormTipDiameter;
            gp_Trsf lying;
            lying.SetRotation(gp::OX(), -kPi / 2);
            const gp_Trsf shown = m_part == ModelPart::Pair ? p.placement
                                  : wheel                   ? gp_Trsf()
                                                            : lying;
            meshes.push_back(
                triangulate(p.shape.Moved(TopLoc_Location(shown)), 1e-3 * std::max(1.0, size)));
        }
        return meshes;
    }

    std::vector<std::uint8_t> fileBytes(ModelFormat format) const override {
        std::vector<NamedPart> named;
        for (const PartModel& p : m_build.parts)
            named.push_back({p.name, p.shape, m_part == ModelPart::Pair ? p.placement : gp_Trsf()});
        if (format == ModelFormat::Step) return stepBytes(named, m_build.assemblyName);
        if (format == ModelFormat::Stl) return stlBytes(named, kStlDeviation);
        throw ModelError("三维模型只写出为 STEP 或 STL");
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
        return std::make_unique<KernelBuild>(part, m_modeller.build(part, kind, progress),
                                             m_modeller.design().record);
    }

    std::string inspectionCsv(InspectedFlank flank, WormKind kind, GridSize size) const override {
        return model::inspectionCsv(m_modeller, flank, kind, size);
    }

  private:
    PairModeller m_modeller;
};

class KernelService : public ModelService {
  public:
    std::unique_ptr<DesignModels> models(const DesignSnapshot& design) const override {
        return std::make_unique<KernelModels>(design);
    }
};

}  // namespace
}  // namespace wormpair::model

extern "C" __attribute__((visibility("default"))) const wormpair::model::ModelService*
wormpairModelService() {
    static const wormpair::model::KernelService service;
    return &service;
}
