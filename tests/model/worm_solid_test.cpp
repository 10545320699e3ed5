// The nominal worm as written to STEP and read back by OpenCASCADE: its
// flank faces lie on the envelope of the generating plane (distance to the
// nearest plane position, and the normal), and its throat section carries
// the record's arcs. Nothing here uses the envelope's own equations.
#include <gtest/gtest.h>
#include <numbers>

#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Section.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepLProp_SLProps.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gp_Pln.hxx>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <memory>

#include "model/enveloping.h"
#include "model/model_files.h"
#include "model/pair_model.h"
#include "model_designs.h"

namespace wormpair::model {
namespace {

struct WormRow {
    const char* centreDistance;
    const char* wheelTeeth;
    const char* wormStarts;
};

struct WrittenWorm {
    DesignSnapshot design;
    std::unique_ptr<PairModeller> modeller;
    StepContents read;
};

const WrittenWorm& writtenWorm(const WormRow& row) {
    static std::map<std::string, WrittenWorm> cache;
    const std::string key = std::string(row.centreDistance) + row.wheelTeeth + row.wormStarts;
    auto it = cache.find(key);
    if (it == cache.end()) {
        WrittenWorm w;
        w.design = shippedDesign(row.centreDistance, row.wheelTeeth, row.wormStarts);
        w.modeller = std::make_unique<PairModeller>(w.design);
        const PartModel worm = w.modeller->worm(WormKind::Nominal);
        w.read = readStep(stepBytes({{worm.name, worm.shape, gp_Trsf()}}, ""));
        it = cache.emplace(key, std::move(w)).first;
    }
    return it->second;
}

class NominalWorm : public testing::TestWithParam<WormRow> {};

TEST_P(NominalWorm, IsOneValidClosedSolidNamedAsTheWorm) {
    const WrittenWorm& w = writtenWorm(GetParam());
    EXPECT_EQ(w.read.names, std::vector<std::string>{"蜗杆"});
    int solids = 0;
    for (TopExp_Explorer e(w.read.shape, TopAbs_SOLID); e.More(); e.Next()) ++solids;
    EXPECT_EQ(solids, 1);
    EXPECT_TRUE(BRepCheck_Analyzer(w.read.shape).IsValid());
    for (TopExp_Explorer e(w.read.shape, TopAbs_SHELL); e.More(); e.Next())
        EXPECT_TRUE(BRep_Tool::IsClosed(e.Current()));
}

TEST_P(NominalWorm, FlankFacesLieOnTheEnvelopeOfTheGeneratingPlane) {
    const WrittenWorm& w = writtenWorm(GetParam());
    const EnvelopedFlank& flank = w.modeller->wormFlank(WormKind::Nominal);
    const Meshing& g = flank.meshing();
    const GeneratingPlane& plane = flank.plane();
    // the plane at wheel angle phi, seen from a worm point
    const auto distance = [&](const Vec3& p, double phi) {
        return dot(turnedAboutZ(plane.normal, -g.hand * phi), g.fixedPoint(p, phi)) - plane.offset;
    };
    const auto nearReference = [&](const Vec3& p, double phi) {
        return norm(g.fixedPoint(p, phi) - turnedAboutZ(plane.referencePoint, -g.hand * phi));
    };
    double worstDistance = 0, worstAngle = 0;
    int sampled = 0;
    for (TopExp_Explorer e(w.read.shape, TopAbs_FACE); e.More(); e.Next()) {
        const TopoDS_Face face = TopoDS::Face(e.Current());
        BRepAdaptor_Surface surface(face);
        if (surface.GetType() != GeomAbs_BSplineSurface) continue;
        double u0, u1, v0, v1;
        BRepTools::UVBounds(face, u0, u1, v0, v1);
        for (int i = 1; i < 8; ++i) {
            for (int j = 1; j < 5; ++j) {
                BRepLProp_SLProps props(surface, u0 + (u1 - u0) * i / 8, v0 + (v1 - v0) * j / 5, 1,
                                        1e-9);
                const gp_Pnt q = props.Value();
                gp_Dir n = props.Normal();
                if (face.Orientation() == TopAbs_REVERSED) n.Reverse();
                Vec3 p{q.X(), q.Y(), q.Z()}, outward{n.X(), n.Y(), n.Z()};
                // the second flank's points are the half-turn images of the first's
                if (outward.z < 0) p = secondFlankImage(p), outward = secondFlankImage(outward);
                // every other thread is the first turned by a share of a turn:
                // turned back, the point nearest the plane's reference counts
                const int starts = flank.blank().starts;
                Vec3 thread = p;
                double nearest = 1e300;
                for (int k = 0; k < starts; ++k) {
                    const Vec3 back = turnedAboutZ(p, -2 * std::numbers::pi * k / starts);
                    for (double phi = -0.6; phi <= 0.6; phi += 1e-3) {
                        if (nearReference(back, phi) < nearest) nearest = nearReference(back, phi), thread = back;
                    }
                }
                outward = turnedAboutZ(outward, std::atan2(thread.y, thread.x) - std::atan2(p.y, p.x));
                p = thread;
                // the plane positions near the worm point: while it passes
                // the plane's own reference point
                double best = 0, closest = 1e300;
                for (double phi = -0.6; phi <= 0.6; phi += 2e-4) {
                    const double d = nearReference(p, phi);
                    if (d < closest) closest = d, best = phi;
                }
                // the plane touches the worm there (a local least distance
                // of zero): among the local minima near that instant, the
                // one nearest zero
                const double around = best, step = 1e-5;
                const auto refine = [&](double phi) {
                    double lo = phi - step, hi = phi + step;
                    for (int k = 0; k < 40; ++k) {
                        const double m1 = hi - 0.618 * (hi - lo), m2 = lo + 0.618 * (hi - lo);
                        if (distance(p, m1) < distance(p, m2))
                            hi = m2;
                        else
                            lo = m1;
                    }
                    return (lo + hi) / 2;
                };
                double phi = around, touch = 1e300;
                double before = distance(p, around - 0.02 - step), here = distance(p, around - 0.02);
                for (double t = around - 0.02; t <= around + 0.02; t += step) {
                    const double after = distance(p, t + step);
                    if (here < before && here <= after) {
                        const double refined = refine(t);
                        if (std::abs(distance(p, refined)) < touch)
                            touch = std::abs(distance(p, refined)), phi = refined;
                    }
                    before = here;
                    here = after;
                }
                worstDistance = std::max(worstDistance, touch);
                const Vec3 planeNormal =
                    g.wormDirection(turnedAboutZ(plane.normal, -g.hand * phi), phi);
                worstAngle = std::max(worstAngle,
                                      std::acos(std::min(1.0, -dot(planeNormal, outward))));
                ++sampled;
            }
        }
    }
    std::cout << "flank points " << sampled << ": largest distance to the plane " << worstDistance
              << " mm, largest normal angle " << worstAngle << " rad\n";
    EXPECT_GT(sampled, 500);
    EXPECT_LE(worstDistance, 0.002);
    EXPECT_LE(worstAngle, 1e-3);
}

// Least-squares circle through points (x, y): centre and radius.
std::array<double, 3> circleThrough(const std::vector<std::pair<double, double>>& points) {
    // x^2 + y^2 + D x + E y + F = 0, solved by the normal equations
    double m[3][4] = {};
    for (const auto& [x, y] : points) {
        const double row[3] = {x, y, 1}, rhs = -(x * x + y * y);
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) m[a][b] += row[a] * row[b];
            m[a][3] += row[a] * rhs;
        }
    }
    for (int c = 0; c < 3; ++c)
        for (int r = c + 1; r < 3; ++r)
            for (int k = 3; k >= c; --k) m[r][k] -= m[r][c] / m[c][c] * m[c][k];
    double s[3];
    for (int r = 2; r >= 0; --r) {
        s[r] = m[r][3];
        for (int k = r + 1; k < 3; ++k) s[r] -= m[r][k] * s[k];
        s[r] /= m[r][r];
    }
    const double cx = -s[0] / 2, cy = -s[1] / 2;
    return {cx, cy, std::sqrt(cx * cx + cy * cy - s[2])};
}

TEST_P(NominalWorm, ThroatSectionHasTheRecordsTipAndRootArcs) {
    const WrittenWorm& w = writtenWorm(GetParam());
    const DesignRecord& r = w.design.record;
    const double a = r.centreDistance, e = r.tipEccentricity, half = r.wormWorkingLength / 2;
    BRepAlgoAPI_Section section(w.read.shape, gp_Pln(gp::Origin(), gp::DY()), Standard_False);
    section.Approximation(Standard_False);
    section.Build();
    ASSERT_TRUE(section.IsDone());
    std::vector<std::pair<double, double>> tip, root;  // (Z1, rho)
    double threadEnd = 0;
    const double shoulder = a - std::sqrt(r.wormRootArcRadius * r.wormRootArcRadius - half * half);
    for (TopExp_Explorer x(section.Shape(), TopAbs_EDGE); x.More(); x.Next()) {
        BRepAdaptor_Curve c(TopoDS::Edge(x.Current()));
        for (int k = 0; k <= 20; ++k) {
            const gp_Pnt p = c.Value(c.FirstParameter() + (c.LastParameter() - c.FirstParameter()) * k / 20);
            const double rho = std::abs(p.X()), z = p.Z();
            if (std::abs(z) > half + 1e-6) continue;
            if (rho > shoulder + 0.05) threadEnd = std::max(threadEnd, std::abs(z));
            if (std::abs(std::hypot(a + e - rho, z) - r.wormTipArcRadius) < 0.01) tip.emplace_back(z, rho);
            if (std::abs(std::hypot(a - rho, z) - r.wormRootArcRadius) < 0.01) root.emplace_back(z, rho);
        }
    }
    ASSERT_GT(tip.size(), 20u);
    ASSERT_GT(root.size(), 20u);
    const auto [tipZ, tipRho, tipRadius] = circleThrough(tip);
    const auto [rootZ, rootRho, rootRadius] = circleThrough(root);
    EXPECT_NEAR(tipRadius, r.wormTipArcRadius, 0.001);
    EXPECT_NEAR(tipRho, a + e, 0.001);
    EXPECT_NEAR(tipZ, 0, 0.001);
    EXPECT_NEAR(rootRadius, r.wormRootArcRadius, 0.001);
    EXPECT_NEAR(rootRho, a, 0.001);
    EXPECT_NEAR(rootZ, 0, 0.001);
    EXPECT_NEAR(threadEnd, half, 0.001);
    EXPECT_NEAR(2 * (tipRho - tipRadius), r.wormThroatTipDiameter, 0.002);
    EXPECT_NEAR(2 * (rootRho - rootRadius), r.wormThroatRootDiameter, 0.002);
}

INSTANTIATE_TEST_SUITE_P(Designs, NominalWorm,
                         testing::Values(WormRow{"160", "45", "1"}, WormRow{"500", "63", "1"},
                                         WormRow{"250", "50", "2"}),
                         [](const auto& info) {
                             return std::string(info.param.centreDistance) + "_" +
                                    info.param.wheelTeeth + "_" + info.param.wormStarts;
                         });

}  // namespace
}  // namespace wormpair::model
