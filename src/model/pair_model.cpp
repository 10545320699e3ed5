#include "model/pair_model.h"

#include "model/generation_checks.h"

#include <mutex>
#include <string>

#include "model/enveloping.h"
#include "model/thread_solid.h"
#include "model/wheel_envelope.h"
#include "model/wheel_solid.h"

namespace wormpair::model {

namespace {

void step(BuildProgress* progress, int done, int total, std::string_view what) {
    if (!progress) return;
    if (progress->cancelled()) throw BuildCancelled();
    progress->report(done, total, what);
}

}  // namespace

struct PairModeller::Evaluators {
    std::once_flag groundOnce, nominalOnce, hobOnce, wheelOnce;
    std::unique_ptr<EnvelopedFlank> ground, nominal, hob;
    std::unique_ptr<WheelEnvelope> wheel;
};

PairModeller::PairModeller(const DesignSnapshot& design)
    : m_design(design),
      m_geometry(pairGeometry(design.record, design.hand)),
      m_evaluators(std::make_unique<Evaluators>()) {}

PairModeller::~PairModeller() = default;

namespace {

std::unique_ptr<EnvelopedFlank> flankOf(const ThreadDesign& d) {
    const double halfTooth = solveHalfToothAngle(d.meshing, d.blank, d.toothThickness);
    return std::make_unique<EnvelopedFlank>(d.meshing, halfTooth, d.blank);
}

}  // namespace

const EnvelopedFlank& PairModeller::wormFlank(WormKind kind) const {
    Evaluators& e = *m_evaluators;
    if (kind == WormKind::Ground) {
        std::call_once(e.groundOnce, [&] { e.ground = flankOf(m_geometry.groundWorm); });
        return *e.ground;
    }
    std::call_once(e.nominalOnce, [&] { e.nominal = flankOf(m_geometry.nominalWorm); });
    return *e.nominal;
}

const EnvelopedFlank& PairModeller::hobFlank() const {
    Evaluators& e = *m_evaluators;
    std::call_once(e.hobOnce, [&] { e.hob = flankOf(m_geometry.hob); });
    return *e.hob;
}

const WheelEnvelope& PairModeller::wheelEnvelope() const {
    Evaluators& e = *m_evaluators;
    const EnvelopedFlank& hob = hobFlank();
    std::call_once(e.wheelOnce, [&] { e.wheel = std::make_unique<WheelEnvelope>(hob); });
    return *e.wheel;
}

namespace {

// The stages every part goes through, each reported: its flank solved,
// fitted and measured, the solid sewn, then checked.
template <typename Solve, typename Fit, typename Solid>
PartModel stagedPart(ModelPart which, const char* solving, BuildProgress* progress,
                     const Solve& solve, const Fit& fit, const Solid& solidOf,
                     const gp_Trsf& placement) {
    const std::string name = partName(which);
    step(progress, 0, 4, name + "：" + solving);
    const auto& flank = solve();
    step(progress, 1, 4, name + "：拟合齿面");
    const auto fitted = fit(flank);
    requireGoodFit(fitted.error, name.c_str());
    step(progress, 2, 4, name + "：缝合实体");
    PartModel part{name, solidOf(fitted), placement, fitted.error, {}};
    step(progress, 3, 4, name + "：检查实体");
    requireValidSolid(part.shape, name.c_str());
    step(progress, 4, 4, name + "完成");
    return part;
}

}  // namespace

namespace {

// A ground thread whose flank the fit refuses has creases where the
// grinding trims it (the extreme passes from one position of the tool to
// another): the refusal says so, with how the flank is made.
[[noreturn]] void refuseCreasedThread(const RoughFlankError& e, const EnvelopedFlank& flank) {
    throw ModelError(std::string(e.what()) + "\n齿面在磨削修整处有折棱（" + flankMakeupText(flank) +
                     "），本程序暂不能将其拟合成光滑曲面");
}

}  // namespace

PartModel PairModeller::worm(WormKind kind, BuildProgress* progress) const {
    try {
        return wormPart(kind, progress);
    } catch (const RoughFlankError& e) {
        refuseCreasedThread(e, wormFlank(kind));
    }
}

PartModel PairModeller::hob(BuildProgress* progress) const {
    try {
        return hobPart(progress);
    } catch (const RoughFlankError& e) {
        refuseCreasedThread(e, hobFlank());
    }
}

PartModel PairModeller::wormPart(WormKind kind, BuildProgress* progress) const {
    PartModel part = stagedPart(
        ModelPart::Worm, "求解母平面位置", progress,
        [&]() -> const EnvelopedFlank& { return wormFlank(kind); }, fitThreadFlank,
        [&](const FittedThreadFlank& f) { return threadedPart(f, m_geometry.wormBody); },
        wormPlacement(m_geometry.nominalWorm.meshing.centreDistance));
    part.flankMakeup = flankMakeupText(wormFlank(kind));
    return part;
}

PartModel PairModeller::hobPart(BuildProgress* progress) const {
    PartModel part = stagedPart(
        ModelPart::Hob, "求解母平面位置", progress,
        [&]() -> const EnvelopedFlank& { return hobFlank(); }, fitThreadFlank,
        [&](const FittedThreadFlank& f) { return threadedPart(f, m_geometry.hobBody); },
        wormPlacement(m_geometry.hob.meshing.centreDistance));
    part.flankMakeup = flankMakeupText(hobFlank());
    return part;
}

PartModel PairModeller::wheel(BuildProgress* progress) const {
    // where the rim is wider than the hob reaches, the teeth are cut over
    // the width it does reach and the rim beyond stays the blank
    PairGeometry cut = m_geometry;
    cut.wheel.halfWidth = hobCutHalfWidth(m_geometry, kShallowestToothSpace);
    const bool fades = cut.wheel.halfWidth < m_geometry.wheel.halfWidth && cut.wheel.halfWidth > 0;
    return stagedPart(
        ModelPart::Wheel, "滚刀齿面与二次包络", progress,
        [&]() -> const WheelEnvelope& { return wheelEnvelope(); },
        [&](const WheelEnvelope& envelope) { return fitWheelFlank(envelope, fades ? cut : m_geometry); },
        [&](const FittedWheelFlank& f) {
            if (!fades) return wheelPart(f, m_geometry.wheel);
            return withUncutRim(wheelPart(f, cut.wheel), m_geometry.wheel, cut.wheel.halfWidth);
        },
        gp_Trsf());
}

ModelBuild PairModeller::build(ModelPart part, WormKind kind, BuildProgress* progress) const {
    ModelBuild result;
    switch (part) {
        case ModelPart::Worm:
            result.parts.push_back(worm(kind, progress));
            break;
        case ModelPart::Wheel:
            result.parts.push_back(wheel(progress));
            break;
        case ModelPart::Hob:
            result.parts.push_back(hob(progress));
            break;
        case ModelPart::Pair: {
            PartOfBuild first(progress, 0, 8), second(progress, 4, 8);
            result.parts.push_back(worm(kind, progress ? &first : nullptr));
            result.parts.push_back(wheel(progress ? &second : nullptr));
            result.assemblyName = "蜗杆副";
            break;
        }
    }
    return result;
}

gp_Trsf wormPlacement(double centreDistance) {
    gp_Trsf t;
    // x = a - X1, y = Z1, z = Y1
    t.SetValues(-1, 0, 0, centreDistance, 0, 0, 1, 0, 0, 1, 0, 0);
    return t;
}

}  // namespace wormpair::model
