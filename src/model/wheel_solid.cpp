#include "model/wheel_solid.h"

#include "model/face_building.h"
#include "model/flank_graph.h"
#include "model/thread_solid.h"

#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeSolid.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepLib.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <GCE2d_MakeSegment.hxx>
#include <GC_MakeArcOfCircle.hxx>
#include <GC_MakeSegment.hxx>
#include <Geom_Circle.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Geom_SurfaceOfRevolution.hxx>
#include <Geom_ToroidalSurface.hxx>
#include <ShapeFix_Face.hxx>
#include <ShapeFix_Solid.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shell.hxx>
#include <gp_Ax3.hxx>
#include <gp_Trsf.hxx>
#include <numbers>

#include <algorithm>
#include <functional>
#include <cmath>
#include <optional>

namespace wormpair::model {

namespace {

// samples along the height: a piece on one contact is smooth; one holding
// the limit line (a jump in curvature) needs them closer
constexpr double kSmoothSpacing = 4.0;
constexpr double kMixedSpacing = 1.0;
constexpr int kRadialSamples = 7;

// How near the root land's meridian keeps to what the hob's tip reaches (mm).
constexpr double kLandMeridianTolerance = 1e-5;

}  // namespace

FittedWheelFlank fitWheelFlank(const WheelEnvelope& envelope, const PairGeometry& pair) {
    const WheelBlank& blank = pair.wheel;
    const double half = blank.halfWidth;
    const int hand = pair.hand;
    FittedWheelFlank fitted;

    // the root meridian, sampled beyond the rim so that the flanks' own
    // samples beyond it still find it
    {
        const int count = std::max(17, static_cast<int>(std::ceil(2 * half / 0.25)) | 1);
        const SampleGrid grid(-half, half, count, 0, 1, 2, 12);
        std::vector<Vec3> points;
        for (double z : grid.us) points.push_back({hobReachRadius(pair.hob, z), 0, z});
        fitted.rootMeridian = interpolateCurve(points, grid.us);
        fitted.rootLandMeridian = approximateCurve(points, grid.us, kLandMeridianTolerance);
        double landError = 0;
        for (std::size_t k = 0; k + 1 < grid.us.size(); ++k) {
            const double z = (grid.us[k] + grid.us[k + 1]) / 2;
            const double reach = hobReachRadius(pair.hob, z);
            landError =
                std::max(landError, std::abs(fitted.rootLandMeridian->Value(z).X() - reach));
            if (z < -half || z > half) continue;
            fitted.rootError =
                std::max(fitted.rootError, std::abs(fitted.rootMeridian->Value(z).X() - reach));
        }
        // where the reach has a corner (the hob's thread running out) no
        // few poles follow it
        if (landError > kLandMeridianTolerance) fitted.rootLandMeridian = fitted.rootMeridian;
    }
    const auto rootRadius = [&](double z) { return fitted.rootMeridian->Value(z).X(); };
    for (double z : {-half, 0.0, half}) {
        if (!(blank.tipRadiusAt(z) > rootRadius(z) + 0.01))
            throw ModelError("蜗轮齿槽深度不为正（滚刀未切入毛坯），无法生成蜗轮");
    }

    const double joint = blank.cylinderFrom();
    fitted.tipBreaks = {-half, half};
    if (joint > 1e-6 && joint < half - 1e-6) fitted.tipBreaks = {-half, -joint, joint, half};

    for (std::size_t tipPiece = 0; tipPiece + 1 < fitted.tipBreaks.size(); ++tipPiece) {
        const double z0 = fitted.tipBreaks[tipPiece], z1 = fitted.tipBreaks[tipPiece + 1];
        // the piece's own tip formula continues smoothly past its ends
        const bool onTorus = std::abs((z0 + z1) / 2) < joint;
        const auto radiusAt = [&](double z, double w) {
            const double R = blank.throatArcRadius;
            const double tip = onTorus ? blank.throatArcCentre - std::sqrt(R * R - z * z)
                                       : blank.outsideRadius;
            const double root = rootRadius(z);
            return root + w * (tip - root);
        };
        // where the limit line crosses the line of constant w, if it does
        const auto limitAt = [&](double w) {
            const auto beyond = [&](double z) {
                return hand * (z - envelope.limitHeight(radiusAt(z, w)));
            };
            double lo = z0, hi = z1;
            if (beyond(lo) > 0 || beyond(hi) < 0) return std::nan("");
            for (int k = 0; k < 60; ++k) {
                const double mid = (lo + hi) / 2;
                (beyond(mid) > 0 ? hi : lo) = mid;
            }
            return (lo + hi) / 2;
        };
        const std::vector<double> ws = evenlySpaced(0, 1, kRadialSamples);
        std::vector<double> limits;
        bool crosses = true;
        for (double w : ws) {
            limits.push_back(limitAt(w));
            const double margin = 0.05 * (z1 - z0);
            if (!(limits.back() > z0 + margin && limits.back() < z1 - margin)) crosses = false;
        }
        // one contact over the whole piece?
        const auto allOn = [&](int sign) {
            for (double w : ws)
                for (double z : {z0, (z0 + z1) / 2, z1})
                    if (sign * hand * (z - envelope.limitHeight(radiusAt(z, w))) > 1e-9)
                        return false;
            return true;
        };
        struct Part {
            std::vector<double> low, high;  // heights along ws
            int contact;  // 0 plane, 1 second, 2 both, 3 and 4 the hob's end at -Z1, +Z1
        };
        std::vector<Part> parts;
        const std::vector<double> bottom(ws.size(), z0), top(ws.size(), z1);
        if (crosses) {
            // plane below the limit line for a right hand, above for the mirror
            parts.push_back({bottom, limits, hand > 0 ? 0 : 1});
            parts.push_back({limits, top, hand > 0 ? 1 : 0});
        } else if (allOn(1)) {
            parts.push_back({bottom, top, 0});
        } else if (allOn(-1)) {
            parts.push_back({bottom, top, 1});
        } else {
            parts.push_back({bottom, top, 2});
        }
        // where the hob's thread runs out, what lies beyond is cut by the
        // edge at its end: such a part is split where the thread ends
        const auto beyondAt = [&](int contact, double z, double w) {
            return envelope.beyondEnd(contact == 0 ? WheelContact::Plane : WheelContact::Second,
                                      radiusAt(z, w), z);
        };
        std::vector<Part> cutParts;
        for (const Part& part : parts) {
            if (part.contact > 1) {
                cutParts.push_back(part);
                continue;
            }
            std::vector<int> lowEnds, highEnds;
            for (std::size_t j = 0; j < ws.size(); ++j) {
                lowEnds.push_back(beyondAt(part.contact, part.low[j], ws[j]));
                highEnds.push_back(beyondAt(part.contact, part.high[j], ws[j]));
            }
            const auto all = [](const std::vector<int>& ends, int end) {
                return std::all_of(ends.begin(), ends.end(), [&](int e) { return e == end; });
            };
            const int lowEnd = lowEnds.front(), highEnd = highEnds.front();
            if (!all(lowEnds, lowEnd) || !all(highEnds, highEnd) || (lowEnd == 0 && highEnd == 0)) {
                cutParts.push_back(part);  // reached throughout, or no clean line to split at
                continue;
            }
            // the end's trace only where it reaches every point of the part
            // within the thread's height (else the hob's tip edge shapes a
            // corner of it, and the part keeps the envelope)
            const auto traced = [&](const std::vector<double>& low, const std::vector<double>& high,
                                    int end) {
                try {
                    std::optional<WheelEnvelope::Point> columnStart;  // each column from its neighbour
                    for (std::size_t j = 0; j < ws.size(); ++j) {
                        std::optional<WheelEnvelope::Point> previous = columnStart;
                        for (double s : {0.0, 0.25, 0.5, 0.75, 1.0}) {
                            const double z = low[j] + s * (high[j] - low[j]);
                            previous = envelope.onHobEnd(radiusAt(z, ws[j]), z, end,
                                                         previous ? &*previous : nullptr);
                            if (!WheelEnvelope::onTheEdge(*previous)) return false;
                            if (s == 0.0) columnStart = previous;
                        }
                    }
                } catch (const ModelError&) {
                    return false;
                }
                return true;
            };
            if (lowEnd == highEnd) {
                if (traced(part.low, part.high, lowEnd))
                    cutParts.push_back({part.low, part.high, lowEnd < 0 ? 3 : 4});
                else
                    cutParts.push_back(part);
                continue;
            }
            if (lowEnd != 0 && highEnd != 0) {
                cutParts.push_back(part);
                continue;
            }
            std::vector<double> ends;
            bool clean = true;
            for (std::size_t j = 0; j < ws.size(); ++j) {
                double lo = part.low[j], hi = part.high[j];
                for (int k = 0; k < 50; ++k) {
                    const double mid = (lo + hi) / 2;
                    ((beyondAt(part.contact, mid, ws[j]) == lowEnd) ? lo : hi) = mid;
                }
                ends.push_back((lo + hi) / 2);
                const double margin = 1e-3;  // mm: a thin part, not a degenerate one
                if (!(ends.back() > part.low[j] + margin && ends.back() < part.high[j] - margin))
                    clean = false;
            }
            const int end = lowEnd != 0 ? lowEnd : highEnd;
            if (!clean || !(lowEnd != 0 ? traced(part.low, ends, end) : traced(ends, part.high, end))) {
                cutParts.push_back(part);
                continue;
            }
            const int endContact = end < 0 ? 3 : 4;
            cutParts.push_back({part.low, ends, lowEnd != 0 ? endContact : part.contact});
            cutParts.push_back({ends, part.high, highEnd != 0 ? endContact : part.contact});
        }
        parts = cutParts;
        for (const Part& part : parts) {
            // heights along w interpolated between the samples of the limit
            const auto heightCurve = [&](const std::vector<double>& heights) {
                std::vector<gp_Pnt2d> points;
                for (std::size_t j = 0; j < ws.size(); ++j) points.emplace_back(ws[j], heights[j]);
                return interpolateCurve2d(points, ws);
            };
            const Handle(Geom2d_BSplineCurve) lowCurve = heightCurve(part.low);
            const Handle(Geom2d_BSplineCurve) highCurve = heightCurve(part.high);
            const auto heightAt = [&](double s, double w) {
                const double lo = lowCurve->Value(w).Y(), hi = highCurve->Value(w).Y();
                return lo + s * (hi - lo);
            };
            double length = 0;
            for (std::size_t j = 0; j < ws.size(); ++j) length = std::max(length, part.high[j] - part.low[j]);
            const auto evaluate = [&](double s, double w, const WheelEnvelope::Point* guess) {
                const double z = heightAt(s, w);
                const double r = radiusAt(z, w);
                if (part.contact == 0) return envelope.onPlane(r, z);
                if (part.contact == 1) return envelope.onSecond(r, z, guess);
                if (part.contact > 2) return envelope.onHobEnd(r, z, part.contact == 3 ? -1 : 1, guess);
                return envelope.at(r, z, guess);
            };
            WheelFlankPiece piece;
            piece.planar = part.contact == 0;
            piece.secondContact = part.contact == 1;
            piece.onTorus = onTorus;
            piece.tipPiece = static_cast<int>(tipPiece);
            std::vector<std::vector<WheelEnvelope::Point>> samples;
            int rows = 0, radial = kRadialSamples;
            std::optional<SampleGrid> fittedGrid;
            std::optional<ModelError> unfollowed;  // why a sparser attempt stopped
            for (int attempt = 0; attempt < 5; ++attempt) {
                const double spacing =
                    (part.contact == 2 ? kMixedSpacing : kSmoothSpacing) / (1 << attempt);
                rows = std::max(7, static_cast<int>(std::ceil(length / spacing)) | 1);
                radial = kRadialSamples + 4 * attempt;
                const SampleGrid grid(0, 1, rows, 0, 1, radial, 2);
                samples.assign(grid.us.size(), std::vector<WheelEnvelope::Point>(grid.vs.size()));
                // march along s from the middle, every w starting from its
                // neighbour; where a step is too long for the solver to
                // follow, the next attempt's closer samples are
                try {
                    const std::size_t middle = grid.us.size() / 2;
                    for (std::size_t j = 0; j < grid.vs.size(); ++j) {
                        samples[middle][j] = evaluate(grid.us[middle], grid.vs[j],
                                                      j > 0 ? &samples[middle][j - 1] : nullptr);
                        for (int direction : {-1, 1}) {
                            for (std::size_t i = middle + direction; i < grid.us.size();
                                 i += direction) {
                                samples[i][j] =
                                    evaluate(grid.us[i], grid.vs[j], &samples[i - direction][j]);
                                if (i == 0) break;
                            }
                        }
                    }
                } catch (const ModelError& e) {
                    if (attempt == 4) throw;
                    if (!unfollowed) unfollowed = e;
                    continue;
                }
                std::vector<std::vector<Vec3>> net(samples.size());
                for (std::size_t i = 0; i < samples.size(); ++i)
                    for (const auto& p : samples[i]) net[i].push_back(p.wheel.point);
                piece.surface = interpolateSurface(net, grid);
                const SurfaceFitError error =
                    measureFit(piece.surface, grid, [&](double s, double w, std::size_t i, std::size_t j) {
                        return evaluate(s, w, &samples[i][j]).wheel;
                    });
                fittedGrid = grid;
                if (withinFitTarget(error) || attempt == 4) {
                    // closer samples that the solver follows but that fit no
                    // surface have not found the flank: the first reason holds
                    if (unfollowed && !withinFitTarget(error)) throw *unfollowed;
                    fitted.error.include(error);
                    break;
                }
            }
            const SampleGrid& grid = *fittedGrid;
            const auto first = static_cast<std::size_t>(grid.beyond);
            for (std::size_t i = first; i < first + static_cast<std::size_t>(rows); ++i) {
                piece.rootHeights.push_back(samples[i][first].wheel.point.z);
                piece.rootAngles.push_back(samples[i][first].angle);
                piece.tipHeights.push_back(samples[i][first + radial - 1].wheel.point.z);
                piece.tipAngles.push_back(samples[i][first + radial - 1].angle);
            }
            fitted.pieces.push_back(piece);
        }
    }
    return fitted;
}

TopoDS_Shape wheelPart(const FittedWheelFlank& flank, const WheelBlank& blank) {
    const double half = blank.halfWidth;
    const int teeth = blank.teeth;
    const double pitch = 2 * std::numbers::pi / teeth;

    // the blank's surfaces with their seam turned to face away from a land
    // (`facing`), so that every land lies within one period
    enum class Land { Root, Cylinder, Torus };
    const auto landSurface = [&](Land kind, double facing) -> Handle(Geom_Surface) {
        const gp_Ax3 frame(gp::Origin(), gp::DZ(), gp_Dir(std::cos(facing), std::sin(facing), 0));
        if (kind == Land::Cylinder) return new Geom_CylindricalSurface(frame, blank.outsideRadius);
        if (kind == Land::Torus)
            return new Geom_ToroidalSurface(frame, blank.throatArcCentre, blank.throatArcRadius);
        gp_Trsf turn;
        turn.SetRotation(gp::OZ(), facing);
        return new Geom_SurfaceOfRevolution(
            Handle(Geom_Curve)::DownCast(flank.rootLandMeridian->Transformed(turn)), gp::OZ());
    };
    const auto tipV = [&](bool onTorus, double z) {
        return onTorus ? std::numbers::pi - std::asin(z / blank.throatArcRadius) : z;
    };

    // the second flank: half-turn about x, s reversed, pieces in reverse
    gp_Trsf halfTurn;
    halfTurn.SetRotation(gp::OX(), std::numbers::pi);
    std::vector<WheelFlankPiece> second;
    for (auto it = flank.pieces.rbegin(); it != flank.pieces.rend(); ++it) {
        WheelFlankPiece m = *it;
        m.surface = Handle(Geom_BSplineSurface)::DownCast(it->surface->Transformed(halfTurn));
        m.surface->UReverse();
        m.tipPiece = static_cast<int>(flank.tipBreaks.size()) - 2 - it->tipPiece;
        const auto mirrored = [](const std::vector<double>& v) {
            std::vector<double> out;
            for (auto k = v.rbegin(); k != v.rend(); ++k) out.push_back(-*k);
            return out;
        };
        m.rootHeights = mirrored(it->rootHeights);
        m.rootAngles = mirrored(it->rootAngles);
        m.tipHeights = mirrored(it->tipHeights);
        m.tipAngles = mirrored(it->tipAngles);
        second.push_back(m);
    }
    // a flank piece's edge on the root or tip as a curve of that surface
    // a chain of samples along a flank's root or tip: heights, angles, and
    // the turn of its space
    struct Chain {
        const std::vector<double>* heights;
        const std::vector<double>* angles;
        double shift;
    };
    // one land face between two chains of flank edges (low side and high
    // side, each by rising height) on a surface of the blank
    const auto land = [&](Land kind, const std::vector<Chain>& lowSide,
                          const std::vector<Chain>& highSide) {
        const double facing = (lowSide.front().angles->front() + lowSide.front().shift +
                               highSide.front().angles->front() + highSide.front().shift) / 2;
        const Handle(Geom_Surface) surface = landSurface(kind, facing);
        const auto v = [&](double z) { return kind == Land::Torus ? tipV(true, z) : z; };
        const auto curve = [&](const Chain& c) {
            std::vector<gp_Pnt2d> uv;
            for (std::size_t i = 0; i < c.heights->size(); ++i)
                uv.emplace_back((*c.angles)[i] + c.shift - facing, v((*c.heights)[i]));
            return interpolateCurve2d(uv, *c.heights);
        };
        std::vector<Handle(Geom2d_BSplineCurve)> low, high;
        for (const Chain& c : lowSide) low.push_back(curve(c));
        for (const Chain& c : highSide) high.push_back(curve(c));
        const auto first = [](const Handle(Geom2d_BSplineCurve)& c) { return c->Value(c->FirstParameter()); };
        const auto last = [](const Handle(Geom2d_BSplineCurve)& c) { return c->Value(c->LastParameter()); };
        std::vector<TopoDS_Edge> edges;
        for (const auto& c : low) edges.push_back(edgeOnSurface(c, surface));
        edges.push_back(segmentOnSurface(last(low.back()), last(high.back()), surface));
        for (auto it = high.rbegin(); it != high.rend(); ++it) edges.push_back(edgeOnSurface(*it, surface));
        edges.push_back(segmentOnSurface(first(high.front()), first(low.front()), surface));
        return faceWithinLoop(surface, edges);
    };
    const auto face = [&](const WheelFlankPiece& piece, const gp_Trsf& rotation) {
        Handle(Geom_BSplineSurface) placed =
            Handle(Geom_BSplineSurface)::DownCast(piece.surface->Transformed(rotation));
        if (!piece.planar) return BRepBuilderAPI_MakeFace(placed, 0, 1, 0, 1, 1e-7).Face();
        // on the generating plane: a planar face within the piece's edges
        BRepBuilderAPI_MakeWire wire;
        wire.Add(BRepBuilderAPI_MakeEdge(placed->VIso(0), 0, 1));
        wire.Add(BRepBuilderAPI_MakeEdge(placed->UIso(1), 0, 1));
        wire.Add(BRepBuilderAPI_MakeEdge(placed->VIso(1), 0, 1));
        wire.Add(BRepBuilderAPI_MakeEdge(placed->UIso(0), 0, 1));
        BRepBuilderAPI_MakeFace planar(wire.Wire(), Standard_True);
        if (!planar.IsDone()) throw ModelError("蜗轮母平面部分生成失败");
        return planar.Face();
    };

    BRepBuilderAPI_Sewing sewing(sewingTolerance(flank.error));
    std::vector<TopoDS_Edge> sides[2];  // the outlines at z = -H and +H, in order
    for (int j = 0; j < teeth; ++j) {
        const double turn = pitch * j;
        gp_Trsf rotation;
        rotation.SetRotation(gp::OZ(), turn);
        for (const auto& piece : flank.pieces) sewing.Add(face(piece, rotation));
        for (const auto& piece : second) sewing.Add(face(piece, rotation));
        for (std::size_t tipPiece = 0; tipPiece + 1 < flank.tipBreaks.size(); ++tipPiece) {
            std::vector<Chain> rootLow, rootHigh, tipLow, tipHigh;
            bool onTorus = false;
            for (const auto& p : second) {
                if (p.tipPiece != static_cast<int>(tipPiece)) continue;
                rootLow.push_back({&p.rootHeights, &p.rootAngles, turn});
                tipHigh.push_back({&p.tipHeights, &p.tipAngles, turn + pitch});
            }
            for (const auto& p : flank.pieces) {
                if (p.tipPiece != static_cast<int>(tipPiece)) continue;
                onTorus = p.onTorus;
                rootHigh.push_back({&p.rootHeights, &p.rootAngles, turn});
                tipLow.push_back({&p.tipHeights, &p.tipAngles, turn});
            }
            // root land of this space: from the second flank to the first
            sewing.Add(land(Land::Root, rootLow, rootHigh));
            // tip land of the tooth after it: from this first flank to the
            // next space's second flank
            sewing.Add(land(onTorus ? Land::Torus : Land::Cylinder, tipLow, tipHigh));
        }
        // the outline on the side planes
        for (int side = 0; side < 2; ++side) {
            const double z = side == 0 ? -half : half;
            const double edge = side == 0 ? 0 : 1;
            const WheelFlankPiece& a = side == 0 ? flank.pieces.front() : flank.pieces.back();
            const WheelFlankPiece& b = side == 0 ? second.front() : second.back();
            // the first and the last row of each flank (the pieces at the two
            // sides need not have as many rows)
            const std::size_t rowA = side == 0 ? 0 : a.rootAngles.size() - 1;
            const std::size_t rowB = side == 0 ? 0 : b.rootAngles.size() - 1;
            const gp_Ax2 frame(gp_Pnt(0, 0, z), gp::DZ(), gp::DX());
            const auto arc = [&](double radius, double from, double to) {
                return BRepBuilderAPI_MakeEdge(new Geom_Circle(frame, radius), std::min(from, to),
                                               std::max(from, to))
                    .Edge();
            };
            gp_Trsf next;
            next.SetRotation(gp::OZ(), turn + pitch);
            Handle(Geom_Surface) first = Handle(Geom_Surface)::DownCast(a.surface->Transformed(rotation));
            Handle(Geom_Surface) following = Handle(Geom_Surface)::DownCast(b.surface->Transformed(next));
            sides[side].push_back(arc(flank.rootMeridian->Value(z).X(), b.rootAngles[rowB] + turn,
                                      a.rootAngles[rowA] + turn));
            sides[side].push_back(BRepBuilderAPI_MakeEdge(first->UIso(edge), 0, 1));
            sides[side].push_back(arc(blank.tipRadiusAt(z), a.tipAngles[rowA] + turn,
                                      b.tipAngles[rowB] + turn + pitch));
            sides[side].push_back(BRepBuilderAPI_MakeEdge(following->UIso(edge), 0, 1));
        }
    }
    for (auto& outline : sides) {
        BRepBuilderAPI_MakeWire wire;
        for (const TopoDS_Edge& e : outline) wire.Add(e);
        if (!wire.IsDone()) throw ModelError("蜗轮端面边界不闭合");
        BRepBuilderAPI_MakeFace face(wire.Wire(), Standard_True);
        if (!face.IsDone()) throw ModelError("蜗轮端面生成失败");
        sewing.Add(face.Face());
    }
    sewing.Perform();
    if (sewing.NbFreeEdges() > 0) throw ModelError("蜗轮表面无法缝合成封闭实体（请检查设计参数）");
    return solidOfShell(sewing.SewedShape(), "蜗轮");
}

TopoDS_Shape withUncutRim(const TopoDS_Shape& cut, const WheelBlank& blank, double cutHalf) {
    const double half = blank.halfWidth;
    // the blank between the heights from and to (0 < from < to), as the
    // revolution of its meridian: axis, side, tip (throat arc, outside
    // cylinder), side
    const auto ring = [&](double from, double to) {
        const auto point = [](double r, double z) { return gp_Pnt(r, 0, z); };
        const auto segment = [&](const gp_Pnt& p, const gp_Pnt& q) {
            return BRepBuilderAPI_MakeEdge(GC_MakeSegment(p, q).Value()).Edge();
        };
        BRepBuilderAPI_MakeWire wire;
        wire.Add(segment(point(0, from), point(0, to)));
        wire.Add(segment(point(0, to), point(blank.tipRadiusAt(to), to)));
        const double joint = std::clamp(blank.cylinderFrom(), from, to);
        const auto torusArc = [&](double z0, double z1) {
            const double R = blank.throatArcRadius, c = blank.throatArcCentre;
            const auto on = [&](double z) { return point(c - std::sqrt(R * R - z * z), z); };
            return BRepBuilderAPI_MakeEdge(GC_MakeArcOfCircle(on(z0), on((z0 + z1) / 2), on(z1)).Value())
                .Edge();
        };
        if (to > joint + 1e-9) wire.Add(segment(point(blank.outsideRadius, to), point(blank.outsideRadius, joint)));
        if (joint > from + 1e-9) wire.Add(torusArc(joint, from));
        wire.Add(segment(point(blank.tipRadiusAt(from), from), point(0, from)));
        if (!wire.IsDone()) throw ModelError("蜗轮齿圈两侧未切部分的轮廓不闭合");
        BRepBuilderAPI_MakeFace meridian(wire.Wire(), Standard_True);
        BRepPrimAPI_MakeRevol revolved(meridian.Face(), gp::OZ(), 2 * std::numbers::pi);
        if (!meridian.IsDone() || !revolved.IsDone()) throw ModelError("蜗轮齿圈两侧未切部分生成失败");
        return revolved.Shape();
    };
    TopTools_ListOfShape arguments, tools;
    arguments.Append(cut);
    gp_Trsf mirror;
    mirror.SetMirror(gp_Ax2(gp::Origin(), gp::DZ()));
    const TopoDS_Shape upper = ring(cutHalf, half);
    tools.Append(upper);
    tools.Append(BRepBuilderAPI_Transform(upper, mirror, true).Shape());
    BRepAlgoAPI_Fuse fuse;
    fuse.SetArguments(arguments);
    fuse.SetTools(tools);
    fuse.Build();
    if (!fuse.IsDone()) throw ModelError("蜗轮齿圈两侧未切部分无法与轮齿合成（请检查设计参数）");
    // (merging the faces the fuse split, SimplifyResult, leaves an invalid solid)
    for (TopExp_Explorer e(fuse.Shape(), TopAbs_SOLID); e.More(); e.Next()) return e.Current();
    throw ModelError("蜗轮齿圈两侧未切部分无法与轮齿合成（请检查设计参数）");
}

}  // namespace wormpair::model
