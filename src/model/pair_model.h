#pragma once

#include <TopoDS_Shape.hxx>
#include <gp_Trsf.hxx>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/design_record.h"
#include "model/model_types.h"
#include "model/pair_geometry.h"
#include "model/surface_fit.h"

// The models a design gives: the worm (as ground, or the theoretical worm),
// the wheel cut by the hob, the hob, and the pair; each solid is checked
// before anything is written.

namespace wormpair::model {

struct PartModel {
    std::string name;          // 蜗杆, 蜗轮, 滚刀
    TopoDS_Shape shape;        // in the part's own frame
    gp_Trsf placement;         // from the part's frame into the pair's fixed frame
    SurfaceFitError flankFit;  // measured between the evaluator and the fitted flanks
    std::string flankMakeup;   // how a thread's flank is made; empty for the wheel
};

struct ModelBuild {
    std::vector<PartModel> parts;
    std::string assemblyName;  // the pair's name; empty for one part
};

class EnvelopedFlank;
class WheelEnvelope;

// The evaluators of one design, made once and shared by the builds, the
// inspection grids and the checks.
class PairModeller {
  public:
    // Throws ModelError with the reason when the design gives no model.
    explicit PairModeller(const DesignSnapshot& design);
    ~PairModeller();
    PairModeller(const PairModeller&) = delete;
    PairModeller& operator=(const PairModeller&) = delete;

    const DesignSnapshot& design() const { return m_design; }
    const PairGeometry& geometry() const { return m_geometry; }
    const EnvelopedFlank& wormFlank(WormKind kind) const;
    const EnvelopedFlank& hobFlank() const;
    const WheelEnvelope& wheelEnvelope() const;

    PartModel worm(WormKind kind, BuildProgress* progress = nullptr) const;
    PartModel wheel(BuildProgress* progress = nullptr) const;
    PartModel hob(BuildProgress* progress = nullptr) const;

    ModelBuild build(ModelPart part, WormKind kind, BuildProgress* progress = nullptr) const;

  private:
    PartModel wormPart(WormKind kind, BuildProgress* progress) const;
    PartModel hobPart(BuildProgress* progress) const;
    DesignSnapshot m_design;
    PairGeometry m_geometry;
    struct Evaluators;
    std::unique_ptr<Evaluators> m_evaluators;
};

// The worm frame in the fixed frame: X1 = a - x, Y1 = z, Z1 = y at zero rotation.
gp_Trsf wormPlacement(double centreDistance);

}  // namespace wormpair::model
