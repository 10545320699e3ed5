// The nominal worm and the wheel, read back from STEP and placed at the
// centre distance, at ten positions over one angular pitch: they do not
// intersect, and the gap along the line of action at the pitch points
// agrees with the design's backlash.
#include <gtest/gtest.h>
#include <numbers>

#include <BRepAlgoAPI_Common.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <IntCurvesFace_ShapeIntersector.hxx>
#include <gp_Lin.hxx>

#include <cmath>
#include <iostream>

#include "model/enveloping.h"
#include "model/model_files.h"
#include "model/pair_model.h"
#include "model_designs.h"

namespace wormpair::model {
namespace {

// Where the line, running along its direction, enters (entering) or leaves
// the solid, within reach of its origin.
std::vector<double> crossings(const TopoDS_Shape& shape, const gp_Lin& line, double reach,
                              bool entering) {
    IntCurvesFace_ShapeIntersector intersector;
    intersector.Load(shape, 1e-7);
    intersector.Perform(line, -reach, reach);
    std::vector<double> found;
    for (int k = 1; k <= intersector.NbPnt(); ++k) {
        const IntCurveSurface_TransitionOnCurve t = intersector.Transition(k);
        if (t == (entering ? IntCurveSurface_In : IntCurveSurface_Out))
            found.push_back(intersector.WParameter(k));
    }
    return found;
}

TEST(PairAtTheCentreDistance, NoInterferenceOverOnePitchAndTheBacklashAlongTheLineOfAction) {
    const DesignSnapshot design = shippedDesign("160", "45", "1");
    const DesignRecord& r = design.record;
    const PairModeller modeller(design);
    const PartModel worm = modeller.worm(WormKind::Nominal);
    const PartModel wheel = modeller.wheel();
    const TopoDS_Shape wormRead = readStep(stepBytes({{worm.name, worm.shape, gp_Trsf()}}, "")).shape;
    const TopoDS_Shape wheelRead = readStep(stepBytes({{wheel.name, wheel.shape, gp_Trsf()}}, "")).shape;
    GProp_GProps wheelMass;
    BRepGProp::VolumeProperties(wheelRead, wheelMass);

    const EnvelopedFlank& flank = modeller.wormFlank(WormKind::Nominal);
    const Meshing& g = flank.meshing();
    const GeneratingPlane& plane = flank.plane();
    const double pitch = 2 * std::numbers::pi / r.wheelTeeth;
    // the design's normal backlash seen along the plane's normal at the
    // pitch circle of the middle plane (j is taken along the pitch line)
    const double beta = r.motherPlaneInclination * std::numbers::pi / 180;
    const double alpha = g.pressureAngle();
    const double expected = r.backlash * std::cos(beta) * std::cos(alpha) / std::cos(r.throatLeadAngleRadians);
    double smallestDistance = 1e300;
    // three of the ten positions over the pitch (all ten in the fine run)
    for (int k = 0; k < 10; ++k) {
        if (!fineModelChecks() && k != 0 && k != 3 && k != 7) continue;
        SCOPED_TRACE(k);
        const double wheelAngle = pitch * k / 10;
        gp_Trsf spin, wheelTurn;
        spin.SetRotation(gp::OZ(), g.ratio * wheelAngle);
        wheelTurn.SetRotation(gp::OZ(), -g.hand * wheelAngle);
        const TopoDS_Shape w = wormRead.Moved(TopLoc_Location(worm.placement * spin));
        const TopoDS_Shape wh = wheelRead.Moved(TopLoc_Location(wheelTurn));
        BRepExtrema_DistShapeShape distance(w, wh);
        ASSERT_TRUE(distance.IsDone());
        EXPECT_FALSE(distance.InnerSolution());
        EXPECT_GT(distance.Value(), 0);  // apart: no common volume at all
        smallestDistance = std::min(smallestDistance, distance.Value());
        if (k == 0) {
            BRepAlgoAPI_Common common(w, wh);
            GProp_GProps shared;
            BRepGProp::VolumeProperties(common.Shape(), shared);
            EXPECT_LE(shared.Mass(), 1e-6 * wheelMass.Mass());
        }
        // along the line of action at the pitch points of both flanks: the
        // generating planes' normals through their points on the pitch circle
        // in the middle plane, where the flanks pass as the pair turns
        double gap = 0;
        for (int side : {1, -1}) {
            Vec3 at = plane.referencePoint, normal = plane.normal;
            if (side < 0) at = secondFlankImage(at), normal = secondFlankImage(normal);
            const gp_Lin line(gp_Pnt(at.x, at.y, at.z), gp_Dir(normal.x, normal.y, normal.z));
            // the normal points into the worm's tooth: the line leaves the
            // wheel's tooth, crosses the gap and enters the worm's
            double across = 1e300;
            for (double in : crossings(w, line, pitch * r.wheelReferenceDiameter, true))
                for (double out : crossings(wh, line, pitch * r.wheelReferenceDiameter, false))
                    if (in > out && std::abs(in) < pitch * r.wheelReferenceDiameter / 2) across = std::min(across, in - out);
            ASSERT_LT(across, 1.0);
            gap += across;
        }
        std::cout << "position " << k << ": smallest distance " << distance.Value()
                  << " mm, gap along the line of action " << gap << " mm (backlash " << r.backlash
                  << " along the normal: " << expected << ")\n";
        EXPECT_NEAR(gap, expected, 0.005);
    }
    std::cout << "smallest distance over one pitch " << smallestDistance << " mm\n";
}

}  // namespace
}  // namespace wormpair::model
