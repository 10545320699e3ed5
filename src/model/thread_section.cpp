#include "model/thread_section.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include "model/ground_flank.h"

namespace wormpair::model {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kHeights = 24;              // flank points root to tip
constexpr int kScanPerPitch = 6;          // samples along the axis per axial pitch
constexpr double kAxialTolerance = 1e-6;  // mm, far below what a drawing shows
constexpr int kBetweenPoints = 8;         // on the root or tip between two flanks

struct CurvePoint {
    double axial = kNaN;  // Z1
    SectionPoint at;
};
using Curve = std::vector<CurvePoint>;  // root (0) to tip (kHeights)

// The plane through X1 with normal (0, ny, nz): a point at axial Z1 and
// radius rho lies in it at the worm angle -asin(Z1 nz / (rho ny)).
class Plane {
  public:
    Plane(double ny, double nz) : m_ny(ny), m_nz(nz) {}
    double angleAt(double axial, double radius) const {
        const double s = axial * m_nz / (radius * m_ny);
        return std::abs(s) < 1 ? -std::asin(s) : kNaN;
    }
    SectionPoint point(double axial, double radius) const {
        const double y1 = -axial * m_nz / m_ny;
        return {axial / m_ny, std::sqrt(std::max(0.0, radius * radius - y1 * y1))};
    }

  private:
    double m_ny, m_nz;
};

std::optional<SectionPoint> crossingOf(const SectionPoint& p0, const SectionPoint& p1,
                                       const SectionPoint& q0, const SectionPoint& q1) {
    const double dx = p1.along - p0.along, dy = p1.height - p0.height;
    const double ex = q1.along - q0.along, ey = q1.height - q0.height;
    const double det = dx * ey - dy * ex;
    if (std::abs(det) < 1e-15) return std::nullopt;
    const double fx = q0.along - p0.along, fy = q0.height - p0.height;
    const double s = (fx * ey - fy * ex) / det, t = (fx * dy - fy * dx) / det;
    if (s < 0 || s > 1 || t < 0 || t > 1) return std::nullopt;
    return SectionPoint{p0.along + s * dx, p0.height + s * dy};
}

// Where two flank curves cross: the segment on each and the point.
struct Meeting {
    std::size_t first = 0, second = 0;
    SectionPoint at;
};
std::optional<Meeting> meetingOf(const Curve& a, const Curve& b) {
    for (std::size_t i = 0; i + 1 < a.size(); ++i)
        for (std::size_t k = 0; k + 1 < b.size(); ++k)
            if (const auto x = crossingOf(a[i].at, a[i + 1].at, b[k].at, b[k + 1].at))
                return Meeting{i, k, *x};
    return std::nullopt;
}

class SectionBuilder {
  public:
    SectionBuilder(const ThreadDesign& thread, SectionPlane kind)
        : m_half(solveHalfToothAngle(thread.meshing, thread.blank, thread.toothThickness)),
          m_flank(thread.meshing, m_half, thread.blank),
          m_ground(m_flank),
          m_blank(thread.blank),
          m_period(2 * std::numbers::pi / thread.blank.starts),
          m_plane(1, 0) {
        // the thread's turn per mm at the throat, on the motion's reference circle
        const double referenceRadius =
            std::clamp(m_blank.axisToWheelCentre - thread.meshing.referenceRadius,
                       m_blank.rootRadiusAt(0), m_blank.tipRadiusAt(0));
        const double height = (referenceRadius - m_blank.rootRadiusAt(0)) /
                              (m_blank.tipRadiusAt(0) - m_blank.rootRadiusAt(0));
        constexpr double kStep = 0.05;
        const double turn = std::remainder(
            m_ground.at(kStep, height).angle - m_ground.at(-kStep, height).angle, m_period);
        const double perMm = turn / (2 * kStep);
        m_axialPitch = m_period / std::max(1e-9, std::abs(perMm));
        if (kind == SectionPlane::NormalToThread) {
            // square to the thread's direction (0, rho dtheta/dZ1, 1)
            const double ny = std::abs(referenceRadius * perMm), nz = perMm > 0 ? 1 : -1;
            const double length = std::hypot(ny, nz);
            m_plane = Plane(ny / length, nz / length);
            m_alongPerAxial = length / ny;
        }
    }

    std::vector<SectionPoint> outline(double halfWidth) const {
        // the curves over the window and a pitch beyond each side (the
        // flanks that close its outermost tooth and space), within the
        // thread's length
        const double reach =
            std::min(halfWidth / m_alongPerAxial + m_axialPitch, m_blank.halfLength);
        const std::pair<double, double> range{-reach, reach};
        const std::vector<Curve> firsts = firstFlankCurves(range.first, range.second, halfWidth);
        // the throat holds a tooth when the first flank there lies behind
        // the angle 0 as the tooth runs
        const double throatAngle = std::remainder(m_ground.at(0, 0.5).angle, m_period);
        const bool toothAtThroat = m_ground.sense() * throatAngle < 0;
        const auto radius = [&](bool tip) {
            return [this, tip](double z) -> double {
                return tip ? m_blank.tipRadiusAt(z) : m_blank.rootRadiusAt(z);
            };
        };
        if (firsts.empty()) {  // the window within one tooth or one space
            std::vector<SectionPoint> across{
                m_plane.point(range.first, radius(toothAtThroat)(range.first))};
            between(across, range.first, range.second, radius(toothAtThroat));
            across.push_back(m_plane.point(range.second, radius(toothAtThroat)(range.second)));
            return clipped(across, halfWidth);
        }
        const Curve* nearest = nullptr;
        for (const Curve& c : firsts)
            if (!nearest || std::abs(mid(c)) < std::abs(mid(*nearest))) nearest = &c;
        const double toothSide = (mid(*nearest) > 0) == toothAtThroat ? -1 : 1;

        struct Flank {
            Curve curve;
            double side;  // +1: the tooth lies towards larger `along` (the flank rises)
        };
        std::vector<Flank> flanks;
        for (const Curve& c : firsts) {
            flanks.push_back({c, toothSide});
            Curve mirrored = c;  // the second flank: the half-turn image
            for (CurvePoint& p : mirrored) p.axial = -p.axial, p.at.along = -p.at.along;
            flanks.push_back({mirrored, -toothSide});
        }
        std::sort(flanks.begin(), flanks.end(),
                  [](const Flank& a, const Flank& b) { return mid(a.curve) < mid(b.curve); });
        const std::size_t n = flanks.size();
        for (std::size_t i = 0; i + 1 < n; ++i)
            if (flanks[i].side == flanks[i + 1].side)
                throw ModelError("螺牙剖面中的齿面次序不成立（请检查设计参数）");
        // neighbours that meet: a tooth ending in a point, or a space above the root
        std::vector<std::optional<Meeting>> meets(n);
        for (std::size_t i = 0; i + 1 < n; ++i)
            meets[i] = meetingOf(flanks[i].curve, flanks[i + 1].curve);

        std::vector<SectionPoint> path;
        // from the range's start along the root (or the tip) to the first flank
        const Flank& first = flanks.front();
        const CurvePoint& firstEnd = first.side > 0 ? first.curve.front() : first.curve.back();
        if (range.first < firstEnd.axial) {
            path.push_back(m_plane.point(range.first, radius(first.side < 0)(range.first)));
            between(path, range.first, firstEnd.axial, radius(first.side < 0));
        }
        for (std::size_t i = 0; i < n; ++i) {
            const Curve& c = flanks[i].curve;
            const std::optional<Meeting>& before = i > 0 ? meets[i - 1] : std::nullopt;
            const std::optional<Meeting>& after = meets[i];
            if (flanks[i].side > 0) {  // root to tip
                const std::size_t from = before ? before->second + 1 : 0;
                const std::size_t to = after ? after->first : c.size() - 1;
                for (std::size_t k = from; k <= to; ++k) path.push_back(c[k].at);
            } else {  // tip to root
                const std::size_t from = before ? before->second : c.size() - 1;
                const std::size_t to = after ? after->first + 1 : 0;
                for (std::size_t k = from + 1; k-- > to;) path.push_back(c[k].at);
            }
            const bool onTip = flanks[i].side > 0;
            const CurvePoint& end = onTip ? c.back() : c.front();
            if (after) {
                path.push_back(after->at);
            } else if (i + 1 < n) {
                const Curve& next = flanks[i + 1].curve;
                between(path, end.axial, (onTip ? next.back() : next.front()).axial, radius(onTip));
            } else if (end.axial < range.second) {
                between(path, end.axial, range.second, radius(onTip));
                path.push_back(m_plane.point(range.second, radius(onTip)(range.second)));
            }
        }
        return clipped(path, halfWidth);
    }

  private:
    static double mid(const Curve& c) { return c[c.size() / 2].at.along; }

    // points on the root or the tip strictly between two flanks' ends
    template <typename RadiusAt>
    void between(std::vector<SectionPoint>& path, double fromAxial, double toAxial,
                 RadiusAt radiusAt) const {
        for (int k = 1; k < kBetweenPoints; ++k) {
            const double z = fromAxial + (toAxial - fromAxial) * k / kBetweenPoints;
            path.push_back(m_plane.point(z, radiusAt(z)));
        }
    }

    // how far the first flank at (Z1, height) turns past the plane, within
    // one start's period
    double mismatch(double axial, double height) const {
        const double plane = m_plane.angleAt(axial, m_ground.radiusAt(axial, height));
        try {
            return std::remainder(m_ground.at(axial, height).angle - plane, m_period);
        } catch (const ModelError&) {
            return kNaN;  // no tool position passes: the blank stays whole there
        }
    }

    // Z1 of every crossing of the first flank with the plane at one height
    std::vector<double> crossings(double height, double from, double to) const {
        std::vector<double> found;
        const int steps =
            std::max(8, static_cast<int>(std::ceil((to - from) / m_axialPitch * kScanPerPitch)));
        double z0 = from, f0 = mismatch(from, height);
        for (int k = 1; k <= steps; ++k) {
            const double z1 = from + (to - from) * k / steps;
            const double f1 = mismatch(z1, height);
            // a sign change that is no wrap of the angle round the period
            if (!std::isnan(f0) && !std::isnan(f1) && (f0 < 0) != (f1 < 0) &&
                std::abs(f1 - f0) < m_period / 2)
                found.push_back(refined(height, z0, f0, z1, f1));
            z0 = z1, f0 = f1;
        }
        return found;
    }

    // Illinois false position between a sign change
    double refined(double height, double a, double fa, double b, double fb) const {
        int sideKept = 0;
        for (int iteration = 0; iteration < 60 && b - a > kAxialTolerance; ++iteration) {
            const double c = (a * fb - b * fa) / (fb - fa);
            const double fc = mismatch(c, height);
            if ((fc < 0) == (fa < 0)) {
                a = c, fa = fc;
                if (sideKept == -1) fb /= 2;
                sideKept = -1;
            } else {
                b = c, fb = fc;
                if (sideKept == 1) fa /= 2;
                sideKept = 1;
            }
            if (fc == 0) return c;
        }
        return (a + b) / 2;
    }

    // The height between h0 and h1 where the first flank crosses the plane
    // at Z1 = axial (a range's end); NaN where it does not there.
    double exitHeight(double axial, double h0, double h1) const {
        double f0 = mismatch(axial, h0), f1 = mismatch(axial, h1);
        if (std::isnan(f0) || std::isnan(f1) || (f0 < 0) == (f1 < 0) ||
            std::abs(f1 - f0) >= m_period / 2)
            return kNaN;
        for (int iteration = 0; iteration < 50; ++iteration) {
            const double h = (h0 + h1) / 2, f = mismatch(axial, h);
            if (std::isnan(f)) return kNaN;
            if ((f < 0) == (f0 < 0))
                h0 = h, f0 = f;
            else
                h1 = h, f1 = f;
        }
        return (h0 + h1) / 2;
    }

    // The first flank's curves root to tip over Z1 from..to.
    std::vector<Curve> firstFlankCurves(double from, double to, double halfWidth) const {
        std::vector<std::vector<double>> atHeight(kHeights + 1);
        for (int j = 0; j <= kHeights; ++j)
            atHeight[static_cast<std::size_t>(j)] =
                crossings(static_cast<double>(j) / kHeights, from, to);
        // follow each crossing of the middle height down and up; a curve
        // that runs out through an end of the range ends there, one that
        // breaks off elsewhere is of no matter outside the window
        const std::size_t middle = kHeights / 2;
        const auto heightOf = [](std::size_t j) { return static_cast<double>(j) / kHeights; };
        std::vector<Curve> curves;
        for (const double start : atHeight[middle]) {
            std::vector<std::pair<double, double>> below,
                above;  // (Z1, height) out from the middle
            bool broken = false;
            for (int direction : {-1, 1}) {
                auto& side = direction < 0 ? below : above;
                double previous = start;
                for (std::size_t j = middle + direction; j <= kHeights; j += direction) {
                    double best = kNaN;
                    for (const double z : atHeight[j])
                        if (std::abs(z - previous) < 0.4 * m_axialPitch &&
                            !(std::abs(z - previous) >= std::abs(best - previous)))
                            best = z;
                    if (std::isnan(best)) {
                        const double end = previous < 0 ? from : to;
                        const double exit = exitHeight(end, heightOf(j - direction), heightOf(j));
                        if (!std::isnan(exit)) side.emplace_back(end, exit);
                        // broken off inside the window: the outline would have a gap
                        else if (std::abs(previous) * m_alongPerAxial <= halfWidth)
                            broken = true;
                        break;
                    }
                    side.emplace_back(best, heightOf(j));
                    previous = best;
                    if (j == 0) break;
                }
            }
            std::vector<std::pair<double, double>> points(below.rbegin(), below.rend());
            points.emplace_back(start, heightOf(middle));
            points.insert(points.end(), above.begin(), above.end());
            if (broken) throw ModelError("螺牙剖面中的齿面不连续（请检查设计参数）");
            Curve curve;
            for (const auto& [z, height] : points)
                curve.push_back({z, m_plane.point(z, m_ground.radiusAt(z, height))});
            curves.push_back(std::move(curve));
        }
        return curves;
    }

    static std::vector<SectionPoint> clipped(const std::vector<SectionPoint>& path, double w) {
        std::vector<SectionPoint> cut;
        const auto at = [](const SectionPoint& p, const SectionPoint& q, double x) {
            const double t = (x - p.along) / (q.along - p.along);
            return SectionPoint{x, p.height + t * (q.height - p.height)};
        };
        for (std::size_t i = 0; i < path.size(); ++i) {
            const SectionPoint& p = path[i];
            if (i > 0) {
                const SectionPoint& q = path[i - 1];
                if (q.along < -w && p.along > -w) cut.push_back(at(q, p, -w));
                if (q.along < w && p.along > w) cut.push_back(at(q, p, w));
            }
            if (p.along >= -w && p.along <= w) cut.push_back(p);
        }
        return cut;
    }

    double m_half;
    EnvelopedFlank m_flank;
    GroundFlank m_ground;
    ThreadBlank m_blank;
    double m_period;
    Plane m_plane;
    double m_axialPitch = 1;
    double m_alongPerAxial = 1;
};

}  // namespace

std::vector<SectionPoint> threadSectionOutline(const ThreadDesign& thread, SectionPlane plane,
                                               double halfWidth) {
    return SectionBuilder(thread, plane).outline(halfWidth);
}

}  // namespace wormpair::model
