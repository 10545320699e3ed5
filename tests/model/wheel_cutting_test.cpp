// The wheel's flank against a cutting simulation that knows nothing of the
// envelope: the hob, as written to STEP and read back, is swept through the
// tooth space position by position, and the deepest cut along a line
// through each flank point is compared with the written wheel. Where the
// plane, the second contact or the trace of the thread's ends shapes the
// flank the two agree; the shares are reported.
#include <gtest/gtest.h>
#include <numbers>

#include <BRepAdaptor_Surface.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <ElCLib.hxx>
#include <BRepLProp_SLProps.hxx>
#include <IntCurvesFace_ShapeIntersector.hxx>
#include <gp_Lin.hxx>

#include <cmath>
#include <iostream>

#include "model/enveloping.h"
#include "model/model_files.h"
#include "model/pair_model.h"
#include "model/wheel_envelope.h"
#include "model/wheel_solid.h"
#include "model_designs.h"

namespace wormpair::model {
namespace {

struct Hit {
    double along = std::nan("");  // line parameter
    Vec3 point;
    Vec3 normal;           // the hob face's, where the line enters
    bool onFlank = false;  // a B-spline face of the hob
};

// Lower ends of the stretches of the line inside the solid, from..to.
std::vector<Hit> entries(IntCurvesFace_ShapeIntersector& solid, BRepClass3d_SolidClassifier& classifier,
                         const gp_Lin& line, double from, double to) {
    solid.Perform(line, from, to);
    std::vector<std::pair<double, int>> order;
    for (int k = 1; k <= solid.NbPnt(); ++k) order.emplace_back(solid.WParameter(k), k);
    std::sort(order.begin(), order.end());
    std::vector<Hit> found;
    // a grazing first crossing can read as leaving: ask the solid itself
    bool inside = !order.empty() && solid.Transition(order.front().second) == IntCurveSurface_Out;
    if (inside) {
        classifier.Perform(ElCLib::Value(from, line), 1e-7);
        inside = classifier.State() == TopAbs_IN;
    }
    if (inside) found.push_back({from, {}, {}, false});
    for (const auto& [w, k] : order) {
        if (solid.Transition(k) != IntCurveSurface_In) continue;
        const gp_Pnt p = solid.Pnt(k);
        const BRepAdaptor_Surface face(solid.Face(k));
        BRepLProp_SLProps props(face, solid.UParameter(k), solid.VParameter(k), 1, 1e-9);
        const gp_Dir n = props.IsNormalDefined() ? props.Normal() : gp_Dir(line.Direction());
        found.push_back({w, {p.X(), p.Y(), p.Z()}, {n.X(), n.Y(), n.Z()},
                         face.GetType() == GeomAbs_BSplineSurface});
    }
    return found;
}

struct CutDesign {
    const char *centreDistance, *wheelTeeth, *wormStarts;
};

class WheelCutBySweepingTheHob : public testing::TestWithParam<CutDesign> {};

TEST_P(WheelCutBySweepingTheHob, FlankAgreesWhereThePlaneTheSecondContactOrTheThreadsEndsShapeIt) {
    const CutDesign row = GetParam();
    const DesignSnapshot design = shippedDesign(row.centreDistance, row.wheelTeeth, row.wormStarts);
    const DesignRecord& r = design.record;
    const PairModeller modeller(design);
    const PartModel hob = modeller.hob();
    const PartModel wheel = modeller.wheel();
    const TopoDS_Shape hobRead = readStep(stepBytes({{hob.name, hob.shape, gp_Trsf()}}, "")).shape;
    const TopoDS_Shape wheelRead = readStep(stepBytes({{wheel.name, wheel.shape, gp_Trsf()}}, "")).shape;
    IntCurvesFace_ShapeIntersector hobLines, wheelLines;
    hobLines.Load(hobRead, 1e-7);
    BRepClass3d_SolidClassifier hobInside(hobRead);
    wheelLines.Load(wheelRead, 1e-7);

    const PairGeometry& geometry = modeller.geometry();
    const Meshing& g = geometry.hob.meshing;
    const ThreadBlank& hobBlank = geometry.hob.blank;
    const GeneratingPlane& generating = modeller.hobFlank().plane();
    const WheelEnvelope& envelope = modeller.wheelEnvelope();
    const double half = geometry.wheel.halfWidth;
    // the whole passage of the space through the hob, and a little more
    // (the thread's end passes the root last)
    const double passage =
        std::asin(std::min(1.0, (hobBlank.halfLength + 5) / hobReachRadius(geometry.hob, 0)));
    constexpr double kReach = 3.0;  // mm along each line

    int onPlane = 0, second = 0, hobEnd = 0, endAsEnvelope = 0, edges = 0;
    double worstEnvelope = 0, worstEnd = 0, edgeLeast = 1e300, edgeMost = -1e300;
    double envelopeLeast = 1e300, envelopeMost = -1e300;
    // about every other line across the face and root to tip, the ends and
    // lines through each kind of flank kept (500/63/1's thread ends cross
    // z = 0.8 low on the flank); all of them in the fine run
    const std::vector<double> across =
        fineModelChecks()
            ? std::vector<double>{-0.95, -0.8, -0.6, -0.4, -0.2, 0.0, 0.2, 0.4, 0.6, 0.8, 0.95}
            : std::vector<double>{-0.95, -0.6, -0.2, 0.2, 0.6, 0.8, 0.95};
    const std::vector<double> up = fineModelChecks()
                                       ? std::vector<double>{0.05, 0.2, 0.35, 0.5, 0.65, 0.8, 0.95}
                                       : std::vector<double>{0.05, 0.2, 0.35, 0.65, 0.95};
    for (double z : across) {
        z *= half;
        const double root = hobReachRadius(geometry.hob, z), tip = geometry.wheel.tipRadiusAt(z);
        for (double w : up) {
            SCOPED_TRACE(std::to_string(z) + " " + std::to_string(w));
            // a line through the flank point along its normal, into the space
            const WheelEnvelope::Point q = envelope.cut(root + w * (tip - root), z);
            const Vec3 at = q.wheel.point, n = q.wheel.normal;
            const gp_Lin line(gp_Pnt(at.x, at.y, at.z), gp_Dir(n.x, n.y, n.z));
            // the written wheel's flank on it
            wheelLines.Perform(line, -kReach, kReach);
            double model = std::nan("");
            for (int k = 1; k <= wheelLines.NbPnt(); ++k)
                if (std::isnan(model) || std::abs(wheelLines.WParameter(k)) < std::abs(model))
                    model = wheelLines.WParameter(k);
            ASSERT_FALSE(std::isnan(model));
            // behind the flank the line crosses the tooth; what the hob does
            // at its far side and beyond belongs to the next space
            double from = -kReach;
            for (int k = 1; k <= wheelLines.NbPnt(); ++k)
                if (wheelLines.WParameter(k) < model - 1e-6)
                    from = std::max(from, wheelLines.WParameter(k) + 0.05);
            // the deepest cut: the lowest entry into the hob over all positions
            const auto deepest = [&](double psi) {
                gp_Trsf wheelToFixed, hobPose;
                wheelToFixed.SetRotation(gp::OZ(), -g.hand * psi);
                gp_Trsf spin;
                spin.SetRotation(gp::OZ(), g.ratio * psi);
                hobPose = hob.placement * spin;
                const gp_Trsf toHob = hobPose.Inverted() * wheelToFixed;
                Hit best;
                for (const Hit& h : entries(hobLines, hobInside, line.Transformed(toHob), from, kReach))
                    if (std::isnan(best.along) || h.along < best.along) best = h;
                if (std::isnan(best.along) || norm(best.normal) == 0) return best;
                // the hob face's normal in the wheel's frame
                const gp_Dir normal = gp_Dir(best.normal.x, best.normal.y, best.normal.z)
                                          .Transformed(toHob.Inverted());
                best.normal = {normal.X(), normal.Y(), normal.Z()};
                return best;
            };
            double bestPsi = 0;
            Hit best;
            for (double psi = -passage; psi <= passage; psi += 1e-3) {
                const Hit h = deepest(psi);
                if (!std::isnan(h.along) && (std::isnan(best.along) || h.along < best.along))
                    best = h, bestPsi = psi;
            }
            ASSERT_FALSE(std::isnan(best.along)) << "the hob never reaches this flank point";
            double lo = bestPsi - 1e-3, hi = bestPsi + 1e-3;
            for (int k = 0; k < 30; ++k) {
                const double m1 = hi - 0.618 * (hi - lo), m2 = lo + 0.618 * (hi - lo);
                const Hit h1 = deepest(m1), h2 = deepest(m2);
                const double a1 = std::isnan(h1.along) ? 1e300 : h1.along;
                const double a2 = std::isnan(h2.along) ? 1e300 : h2.along;
                if (a1 < a2)
                    hi = m2;
                else
                    lo = m1;
                if (std::min(a1, a2) < best.along) best = a1 < a2 ? h1 : h2;
            }
            // what shaped it: the end of the hob's thread passing (as the
            // model has it), a hob flank touching the wheel's flank (the two
            // tangent within a few thousandths of a radian, as an envelope
            // touches), or another edge cutting across it
            const double deviation = best.along - model;
            if (q.contact == WheelContact::HobEnd) {
                // the model has the end's trace, or (where that line crosses
                // the tip's change from torus to cylinder) the envelope
                // (the line meets the envelope's tangent plane at e)
                const WheelEnvelope::Point e = envelope.at(root + w * (tip - root), z);
                const double envelopeAlong =
                    dot(e.wheel.point - at, e.wheel.normal) / dot(n, e.wheel.normal);
                if (std::abs(model) <= 0.005) {
                    ++hobEnd;
                    worstEnd = std::max(worstEnd, std::abs(deviation));
                    // the hob cuts no deeper than the model here ...
                    EXPECT_GT(deviation, -0.005);
                    // ... and reaches it: at the instant the model names, the
                    // point (in the space that pass runs through) lies on the
                    // hob read back from STEP. (The sweep's steps can pass over
                    // the instant an edge touches; this does not.)
                    bool touched = false;
                    for (int k = -25; k <= 25 && !touched; ++k) {
                        gp_Trsf wheelToFixed, spin;
                        wheelToFixed.SetRotation(gp::OZ(), -g.hand * q.hobWheelAngle);
                        spin.SetRotation(gp::OZ(), g.ratio * q.hobWheelAngle);
                        const Vec3 p =
                            turnedAboutZ(q.wheel.point, k * 2 * std::numbers::pi / r.wheelTeeth);
                        const gp_Pnt x = gp_Pnt(p.x, p.y, p.z).Transformed(
                            (hob.placement * spin).Inverted() * wheelToFixed);
                        hobInside.Perform(x, 1e-4);
                        touched = hobInside.State() == TopAbs_ON;
                    }
                    EXPECT_TRUE(touched);
                } else {
                    ++endAsEnvelope;
                    EXPECT_NEAR(model, envelopeAlong, 0.005);
                    envelopeLeast = std::min(envelopeLeast, deviation);
                    envelopeMost = std::max(envelopeMost, deviation);
                }
                continue;
            }
            const bool nearEdge = !best.onFlank || std::abs(dot(best.normal, n)) < std::cos(0.003);
            if (nearEdge) {
                ++edges;
                edgeLeast = std::min(edgeLeast, deviation);
                edgeMost = std::max(edgeMost, deviation);
                continue;
            }
            const Vec3 cut = at + n * best.along;
            (std::abs(dot(generating.normal, cut) - generating.offset) < 1e-3 ? onPlane : second)++;
            worstEnvelope = std::max(worstEnvelope, std::abs(deviation));
            EXPECT_NEAR(best.along, model, 0.005);
        }
    }
    const double all = onPlane + second + hobEnd + endAsEnvelope + edges;
    std::cout << row.centreDistance << "/" << row.wheelTeeth << "/" << row.wormStarts
              << ": flank shaped by the plane " << 100 * onPlane / all << " %, second contact "
              << 100 * second / all << " %, the ends of the hob's thread "
              << 100 * (hobEnd + endAsEnvelope) / all << " % (modelled as their trace "
              << 100 * hobEnd / all << " %), other hob edges " << 100 * edges / all
              << " %; largest difference where the envelope shapes it " << worstEnvelope
              << " mm, where the ends' trace does " << worstEnd
              << " mm (every such point on the hob at its instant)";
    if (endAsEnvelope > 0)
        std::cout << "; where the model keeps the envelope, the cut lies " << envelopeLeast << " to "
                  << envelopeMost << " mm from it (+: less cut)";
    if (edges > 0)
        std::cout << "; where other edges do, the cut lies " << edgeLeast << " to " << edgeMost
                  << " mm from the model (+: less cut)";
    std::cout << "\n";
    EXPECT_GT(onPlane, 0);
    EXPECT_GT(second, 0);
    EXPECT_GT(hobEnd, 0);
}

INSTANTIATE_TEST_SUITE_P(Designs, WheelCutBySweepingTheHob,
                         testing::Values(CutDesign{"160", "45", "1"}, CutDesign{"500", "63", "1"}),
                         [](const auto& info) {
                             return std::string(info.param.centreDistance) + "_" +
                                    info.param.wheelTeeth + "_" + info.param.wormStarts;
                         });

}  // namespace
}  // namespace wormpair::model
