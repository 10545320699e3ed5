#include "model/thread_solid.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeSolid.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepGProp.hxx>
#include <BRepLib.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GCE2d_MakeSegment.hxx>
#include <GProp_GProps.hxx>
#include <Geom2d_BSplineCurve.hxx>
#include <Geom2d_TrimmedCurve.hxx>
#include <Geom_Circle.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Geom_Plane.hxx>
#include <Geom_ToroidalSurface.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <ShapeFix_Face.hxx>
#include <ShapeFix_Shape.hxx>
#include <ShapeFix_Solid.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shell.hxx>
#include <gp_Ax3.hxx>
#include <gp_Trsf.hxx>
#include <numbers>

#include <algorithm>
#include <cmath>
#include <string>

#include "model/face_building.h"
#include "model/flank_graph.h"
#include "model/ground_flank.h"

namespace wormpair::model {

namespace {

// Rows per worm turn: the interpolation error of the helical flank falls
// with the fourth power of this.
constexpr int kRowsPerTurn = 32;
constexpr int kHeightSamples = 17;

// The inner half of the torus made by turning an arc of radius r, centred
// at distance R from the axis, about Z1: v for the point at axial position z.
double innerTorusV(double minorRadius, double axial) {
    return std::numbers::pi - std::asin(axial / minorRadius);
}

TopoDS_Edge circleArc(double radius, double axial, double fromAngle, double toAngle) {
    Handle(Geom_Circle) circle =
        new Geom_Circle(gp_Ax2(gp_Pnt(0, 0, axial), gp::DZ(), gp::DX()), radius);
    return BRepBuilderAPI_MakeEdge(circle, std::min(fromAngle, toAngle),
                                   std::max(fromAngle, toAngle));
}

TopoDS_Face planarFace(const std::vector<TopoDS_Edge>& edges) {
    BRepBuilderAPI_MakeWire wire;
    for (const TopoDS_Edge& e : edges) wire.Add(e);
    if (!wire.IsDone()) throw ModelError("端面边界不闭合");
    BRepBuilderAPI_MakeFace face(wire.Wire(), Standard_True);
    if (!face.IsDone()) throw ModelError("端面生成失败");
    return face.Face();
}

TopoDS_Face cylinderFace(double radius, double from, double to) {
    Handle(Geom_CylindricalSurface) s = new Geom_CylindricalSurface(gp_Ax3(gp::XOY()), radius);
    return BRepBuilderAPI_MakeFace(s, 0, 2 * std::numbers::pi, std::min(from, to),
                                   std::max(from, to), 1e-7);
}

TopoDS_Face annulusFace(double axial, double outer, double inner) {
    const gp_Ax2 frame(gp_Pnt(0, 0, axial), gp::DZ(), gp::DX());
    BRepBuilderAPI_MakeFace face(
        BRepBuilderAPI_MakeWire(BRepBuilderAPI_MakeEdge(new Geom_Circle(frame, outer))).Wire(),
        Standard_True);
    if (inner > 0) {
        TopoDS_Wire hole =
            BRepBuilderAPI_MakeWire(BRepBuilderAPI_MakeEdge(new Geom_Circle(frame, inner))).Wire();
        hole.Reverse();
        face.Add(hole);
    }
    return face.Face();
}

// Fills the `beyond` samples past each edge of a grid of values by cubic
// extrapolation from the four nearest inside (equal steps), first along the
// second index, then along the first.
void extendBeyondEdges(std::vector<std::vector<double>>& values, std::size_t beyond) {
    const auto extend = [&](auto&& at, std::size_t count) {
        for (std::size_t k = 1; k <= beyond; ++k) {
            for (int side : {-1, 1}) {
                // the sample k past the edge from the four inside it
                const auto inside = [&](std::size_t m) {  // m = 0 is the edge
                    return side < 0 ? at(beyond + m) : at(count - 1 - beyond - m);
                };
                double& target = side < 0 ? at(beyond - k) : at(count - 1 - beyond + k);
                const double p0 = inside(0), p1 = inside(1), p2 = inside(2), p3 = inside(3);
                // cubic through (0, p0), (-1, p1), (-2, p2), (-3, p3) at x = k
                const double x = static_cast<double>(k);
                target = p0 * (x + 1) * (x + 2) * (x + 3) / 6 - p1 * x * (x + 2) * (x + 3) / 2 +
                         p2 * x * (x + 1) * (x + 3) / 2 - p3 * x * (x + 1) * (x + 2) / 6;
            }
        }
    };
    const std::size_t rows = values.size(), columns = values.front().size();
    for (std::size_t i = beyond; i + beyond < rows; ++i)
        extend([&](std::size_t j) -> double& { return values[i][j]; }, columns);
    for (std::size_t j = 0; j < columns; ++j)
        extend([&](std::size_t i) -> double& { return values[i][j]; }, rows);
}

}  // namespace

FittedThreadFlank fitThreadFlank(const EnvelopedFlank& flank) {
    const ThreadBlank& b = flank.blank();
    const GroundFlank graph(flank);
    // the angle the thread turns over the length, at mid height
    const auto probe = graph.grid(evenlySpaced(-b.halfLength, b.halfLength, 65), {0.5});
    const double turns =
        std::abs(probe.back()[0].angle - probe.front()[0].angle) / (2 * std::numbers::pi);
    FittedThreadFlank fitted;
    for (int attempt = 0; attempt < 6; ++attempt) {
        const int perTurn = kRowsPerTurn * (attempt + 2) / 2;
        const int heights = kHeightSamples + 8 * attempt;
        const int rows = 2 * std::max(8, static_cast<int>(std::ceil(turns * perTurn / 2))) + 1;
        const SampleGrid grid(-b.halfLength, b.halfLength, rows, 0, 1, heights, 2);
        const auto first = static_cast<std::size_t>(grid.beyond);
        // the flank on the face; beyond its edges the interpolant only needs
        // a smooth continuation (the grinding there differs: the motion ends,
        // the envelope folds below the root)
        const std::vector<double> faceAxials(grid.us.begin() + grid.beyond, grid.us.end() - grid.beyond);
        const std::vector<double> faceHeights(grid.vs.begin() + grid.beyond, grid.vs.end() - grid.beyond);
        const auto face = graph.grid(faceAxials, faceHeights);
        std::vector<std::vector<double>> angles(grid.us.size(), std::vector<double>(grid.vs.size()));
        for (std::size_t i = 0; i < face.size(); ++i)
            for (std::size_t j = 0; j < face[i].size(); ++j) angles[i + first][j + first] = face[i][j].angle;
        extendBeyondEdges(angles, first);
        std::vector<std::vector<Vec3>> net(grid.us.size());
        for (std::size_t i = 0; i < grid.us.size(); ++i) {
            for (std::size_t j = 0; j < grid.vs.size(); ++j) {
                const double radius = graph.radiusAt(grid.us[i], grid.vs[j]);
                net[i].push_back({radius * std::cos(angles[i][j]), radius * std::sin(angles[i][j]), grid.us[i]});
            }
        }
        fitted = FittedThreadFlank{};
        fitted.surface = interpolateSurface(net, grid);
        for (std::size_t i = 0; i < face.size(); ++i) {
            fitted.axials.push_back(faceAxials[i]);
            fitted.rootAngles.push_back(face[i].front().angle);
            fitted.tipAngles.push_back(face[i].back().angle);
        }
        fitted.error = measureFit(fitted.surface, grid,
                                  [&](double axial, double height, std::size_t, std::size_t) {
                                      return graph.at(axial, height).worm;
                                  });
        if (withinFitTarget(fitted.error)) break;
    }
    return fitted;
}

TopoDS_Shape threadedPart(const FittedThreadFlank& flank, const ThreadedBody& body) {
    const ThreadBlank& b = body.blank;
    const double half = b.halfLength;
    const int starts = b.starts;
    const std::vector<double>& axials = flank.axials;
    const std::size_t n = axials.size();
    const std::size_t middle = n / 2;
    // the second flank's angles: theta2(z) = -theta1(-z)
    const auto mirrored = [&](const std::vector<double>& angles) {
        std::vector<double> m(n);
        for (std::size_t k = 0; k < n; ++k) m[k] = -angles[n - 1 - k];
        return m;
    };
    const std::vector<double> rootFirst = flank.rootAngles, tipFirst = flank.tipAngles;
    const std::vector<double> rootSecond = mirrored(rootFirst), tipSecond = mirrored(tipFirst);
    // the tooth lies between the flanks the short way round at the throat
    const double sense =
        std::remainder(tipFirst[middle] - tipSecond[middle], 2 * std::numbers::pi) > 0 ? 1 : -1;
    if (std::abs(rootFirst[middle]) > std::numbers::pi / starts)
        throw ModelError("螺牙过厚，齿槽不存在（请检查设计参数）");

    // lands in pieces turning less than half a turn each: readers classify
    // points on a periodic surface within one period
    std::vector<std::pair<std::size_t, std::size_t>> pieces;
    {
        std::size_t from = 0;
        for (std::size_t k = 1; k < n; ++k) {
            const bool far = std::abs(tipFirst[k] - tipFirst[from]) > std::numbers::pi / 2 ||
                             std::abs(rootFirst[k] - rootFirst[from]) > std::numbers::pi / 2;
            if (far || k == n - 1) {
                pieces.emplace_back(from, k);
                from = k;
            }
        }
    }
    // the land between two chains of samples (rows from..to) on the torus
    // of an arc (centre at `centre` from the axis, radius `minor`), its
    // seam turned away from the piece so the piece lies within one period
    const auto land = [&](double centre, double minor, const std::vector<double>& low,
                          double lowShift, const std::vector<double>& high, double highShift,
                          std::size_t from, std::size_t to) {
        const std::size_t mid = (from + to) / 2;
        const double facing = (low[mid] + lowShift + high[mid] + highShift) / 2;
        Handle(Geom_ToroidalSurface) torus = new Geom_ToroidalSurface(
            gp_Ax3(gp::Origin(), gp::DZ(), gp_Dir(std::cos(facing), std::sin(facing), 0)), centre,
            minor);
        const auto curve = [&](const std::vector<double>& angles, double shift) {
            std::vector<gp_Pnt2d> uv;
            std::vector<double> at;
            for (std::size_t k = from; k <= to; ++k) {
                uv.emplace_back(angles[k] + shift - facing, innerTorusV(minor, axials[k]));
                at.push_back(axials[k]);
            }
            return interpolateCurve2d(uv, at);
        };
        const auto a = curve(low, lowShift), b = curve(high, highShift);
        const gp_Pnt2d a0 = a->Value(a->FirstParameter()), a1 = a->Value(a->LastParameter());
        const gp_Pnt2d b0 = b->Value(b->FirstParameter()), b1 = b->Value(b->LastParameter());
        return faceWithinLoop(torus, {edgeOnSurface(a, torus), segmentOnSurface(a1, b1, torus),
                                     edgeOnSurface(b, torus), segmentOnSurface(b0, a0, torus)});
    };

    gp_Trsf halfTurn;
    halfTurn.SetRotation(gp::OX(), std::numbers::pi);
    Handle(Geom_BSplineSurface) second =
        Handle(Geom_BSplineSurface)::DownCast(flank.surface->Transformed(halfTurn));
    second->UReverse();

    BRepBuilderAPI_Sewing sewing(sewingTolerance(flank.error));
    const double rootEnd = b.rootRadiusAt(half), tipEnd = b.tipRadiusAt(half);
    for (int k = 0; k < starts; ++k) {
        const double turn = 2 * std::numbers::pi * k / starts;
        const double next = 2 * std::numbers::pi * (k + 1) / starts;
        gp_Trsf rotation;
        rotation.SetRotation(gp::OZ(), turn);
        // the flanks in the same pieces as the lands, so every edge meets one edge
        // (each piece its own segment of the surface: a file then holds every
        // pole once)
        for (const auto& s : {flank.surface, second}) {
            for (const auto& [from, to] : pieces) {
                Handle(Geom_BSplineSurface) piece =
                    Handle(Geom_BSplineSurface)::DownCast(s->Transformed(rotation));
                piece->Segment(axials[from], axials[to], 0, 1);
                sewing.Add(BRepBuilderAPI_MakeFace(piece, 1e-7).Face());
            }
        }
        // tip land of this thread, root land between it and the next one round
        const auto& lowSide = sense > 0 ? rootFirst : rootSecond;
        const auto& highSide = sense > 0 ? rootSecond : rootFirst;
        for (const auto& [from, to] : pieces) {
            sewing.Add(land(b.axisToWheelCentre + b.tipEccentricity, b.tipArcRadius, tipFirst, turn,
                            tipSecond, turn, from, to));
            sewing.Add(land(b.axisToWheelCentre, b.rootArcRadius, lowSide, turn, highSide, next,
                            from, to));
        }
        // the thread's ends on the planes Z1 = -L/2 and +L/2
        for (int side : {-1, 1}) {
            const std::size_t row = side > 0 ? n - 1 : 0;
            const double axial = side * half;
            Handle(Geom_Surface) placedFirst =
                Handle(Geom_Surface)::DownCast(flank.surface->Transformed(rotation));
            Handle(Geom_Surface) placedSecond =
                Handle(Geom_Surface)::DownCast(second->Transformed(rotation));
            std::vector<TopoDS_Edge> outline{
                BRepBuilderAPI_MakeEdge(placedFirst->UIso(axial), 0, 1),
                circleArc(tipEnd, axial, tipFirst[row] + turn, tipSecond[row] + turn),
                BRepBuilderAPI_MakeEdge(placedSecond->UIso(axial), 0, 1),
                circleArc(rootEnd, axial, rootFirst[row] + turn, rootSecond[row] + turn)};
            // with or without a shoulder, the end face of the thread lies on
            // the disc or shoulder that starts at the root circle
            sewing.Add(planarFace(outline));
        }
    }
    // core beyond the thread: shoulders, their end rings, shafts, shaft ends
    for (int side : {-1, 1}) {
        const double shoulderEnd = half + body.shoulderLength;
        const double shaftEnd = shoulderEnd + body.shaftLength;
        if (body.shoulderLength > 0) {
            sewing.Add(cylinderFace(body.shoulderRadius, side * half, side * shoulderEnd));
        }
        if (body.shaftLength > 0) {
            sewing.Add(annulusFace(side * shoulderEnd, body.shoulderRadius, body.shaftRadius));
            sewing.Add(cylinderFace(body.shaftRadius, side * shoulderEnd, side * shaftEnd));
            sewing.Add(annulusFace(side * shaftEnd, body.shaftRadius, 0));
        } else {
            sewing.Add(annulusFace(side * shoulderEnd, body.shoulderRadius, 0));
        }
    }
    sewing.Perform();
    if (sewing.NbFreeEdges() > 0) throw ModelError("螺牙表面无法缝合成封闭实体（请检查设计参数）");
    return solidOfShell(sewing.SewedShape(), "螺牙");
}

TopoDS_Shape solidOfShell(const TopoDS_Shape& sewn, const char* partName) {
    TopoDS_Shell shell;
    int shells = 0;
    for (TopExp_Explorer e(sewn, TopAbs_SHELL); e.More(); e.Next(), ++shells)
        shell = TopoDS::Shell(e.Current());
    if (shells != 1 || !BRep_Tool::IsClosed(shell))
        throw ModelError(std::string(partName) + "表面无法缝合成封闭实体（请检查设计参数）");
    ShapeFix_Solid fix(BRepBuilderAPI_MakeSolid(shell).Solid());
    fix.Perform();
    // faces as the solid sees them, in a forward shell
    BRep_Builder builder;
    TopoDS_Shell outward;
    builder.MakeShell(outward);
    for (TopExp_Explorer e(fix.Solid(), TopAbs_FACE); e.More(); e.Next()) builder.Add(outward, e.Current());
    outward.Closed(Standard_True);
    TopoDS_Solid solid;
    builder.MakeSolid(solid);
    builder.Add(solid, outward);
    // turned inside out when a point at infinity lies inside (cheaper than
    // the sign of its volume, which the final check still measures)
    BRepClass3d_SolidClassifier classifier(solid);
    classifier.PerformInfinitePoint(1e-7);
    if (classifier.State() == TopAbs_IN) {
        builder.MakeShell(outward);
        for (TopExp_Explorer e(fix.Solid(), TopAbs_FACE); e.More(); e.Next())
            builder.Add(outward, e.Current().Reversed());
        outward.Closed(Standard_True);
        builder.MakeSolid(solid);
        builder.Add(solid, outward);
    }
    return solid;
}

void requireValidSolid(const TopoDS_Shape& shape, const char* partName) {
    int solids = 0;
    for (TopExp_Explorer e(shape, TopAbs_SOLID); e.More(); e.Next()) ++solids;
    BRepCheck_Analyzer analyzer(shape);
    GProp_GProps volume;
    BRepGProp::VolumeProperties(shape, volume);
    if (solids != 1 || !analyzer.IsValid() || !(volume.Mass() > 0))
        throw ModelError(std::string(partName) + "实体无效，未写出（请检查设计参数）");
    for (TopExp_Explorer e(shape, TopAbs_SHELL); e.More(); e.Next()) {
        if (!BRep_Tool::IsClosed(e.Current()))
            throw ModelError(std::string(partName) + "实体不封闭，未写出");
    }
}

}  // namespace wormpair::model
