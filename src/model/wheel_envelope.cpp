#include "model/wheel_envelope.h"

#include "model/flank_graph.h"
#include "model/newton.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

namespace wormpair::model {

namespace {

const char* const kNoWheelContact =
    "蜗轮齿面超出滚刀二次包络的可解范围（多头、大导程角时常见），无法生成蜗轮";

// Turns v about the worm axis direction (y) by angle, as the worm turns.
Vec3 turnedAboutWormAxis(const Vec3& v, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {c * v.x + s * v.z, v.y, -s * v.x + c * v.z};
}

}  // namespace

WheelEnvelope::WheelEnvelope(const EnvelopedFlank& hobFlank) : m_hob(hobFlank) {
    const ThreadBlank& b = m_hob.blank();
    const Meshing& g = m_hob.meshing();
    // hob flank points a little beyond its ends, root and tip, and where
    // each touches the plane (first contact) and the wheel again (second)
    const ThreadFlankGraph graph(m_hob);
    // as far beyond the root and tip as the flank is regular
    std::vector<std::vector<ThreadFlankGraph::Point>> points;
    double heightMargin = 0;
    for (double beyond : {0.2, 0.1, 0.0}) {
        try {
            points = graph.grid(evenlySpaced(-b.halfLength, b.halfLength, 241),
                                evenlySpaced(-beyond, 1 + beyond, 29));
            heightMargin = beyond;
            break;
        } catch (const ModelError&) {
            if (beyond == 0.0) throw;
        }
    }
    for (const auto& row : points) {
        for (const auto& p : row) {
            const Vec3 w = secondContact(p.wheelAngle, p.lineParameter).point;
            m_table.push_back({std::hypot(w.x, w.y), w.z, p.wheelAngle, p.lineParameter});
        }
    }
    // the limit line: at each radius, the highest (right hand) first
    // contact over the hob flank, found along its lines of constant height
    const double tip = b.tipArcRadius - b.tipEccentricity;
    const double depth = std::abs(b.rootArcRadius - tip);
    const double low = std::min(tip, b.rootArcRadius) - depth;
    const double high = std::max(tip, b.rootArcRadius) + depth;
    constexpr int kBins = 400;
    const double binWidth = (high - low) / kBins;
    std::vector<double> best(kBins + 1, -std::numeric_limits<double>::infinity());
    const auto onPlane = [&](const ThreadFlankGraph::Point& p) {
        const Vec3 r =
            g.wheelPoint(m_hob.contactLine(p.wheelAngle).at(p.lineParameter), p.wheelAngle);
        return std::pair{std::hypot(r.x, r.y), g.hand * r.z};
    };
    const auto include = [&](const ThreadFlankGraph::Point& p, const ThreadFlankGraph::Point& q) {
        const auto [r0, z0] = onPlane(p);
        const auto [r1, z1] = onPlane(q);
        const double from = std::min(r0, r1), to = std::max(r0, r1);
        const int k0 = std::max(0, static_cast<int>(std::ceil((from - low) / binWidth)));
        const int k1 = std::min(kBins, static_cast<int>(std::floor((to - low) / binWidth)));
        for (int k = k0; k <= k1; ++k) {
            const double r = low + k * binWidth;
            const double share = to > from ? (r - r0) / (r1 - r0) : 0.0;
            auto& z = best[static_cast<std::size_t>(k)];
            z = std::max(z, z0 + share * (z1 - z0));
        }
    };
    // along both directions of the grid, so every radius is crossed densely
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t j = 0; j < points[i].size(); ++j) {
            if (i + 1 < points.size()) include(points[i][j], points[i + 1][j]);
            if (j + 1 < points[i].size()) include(points[i][j], points[i][j + 1]);
        }
    }
    for (int k = 0; k <= kBins; ++k) {
        m_limitRadii.push_back(low + k * binWidth);
        m_limitHeights.push_back(g.hand * best[static_cast<std::size_t>(k)]);
    }

    // the thread's end edges, and the points they trace while the hob turns
    // once either way of passing the wheel's middle plane
    const double turn = 2 * std::numbers::pi / g.ratio;
    const double passage =
        std::asin(std::min(1.0, (b.halfLength + 5) / g.referenceRadius)) + turn;
    for (int k = 0; k < 2; ++k) {
        EndEdge& edge = m_ends[k];
        const double axial = k == 0 ? -b.halfLength : b.halfLength;
        ThreadFlankGraph::Point previous = (k == 0 ? points.front() : points.back()).front();
        edge.heights = evenlySpaced(-heightMargin, 1 + heightMargin, 57);
        for (double h : edge.heights) {
            previous = graph.at(axial, h, previous);
            edge.points.push_back(previous);
        }
        const int steps = static_cast<int>(std::ceil(2 * passage / (turn / 180)));
        for (double psi : evenlySpaced(-passage, passage, steps + 1)) {
            for (std::size_t l = 0; l < edge.heights.size(); ++l) {
                const Vec3 w = g.wheelPoint(g.fixedPoint(edge.points[l].worm.point, psi), psi);
                edge.passes.push_back({std::hypot(w.x, w.y), w.z, psi, edge.heights[l]});
            }
        }
    }
}

double WheelEnvelope::limitHeight(double radius) const {
    const auto& rs = m_limitRadii;
    const double f = (radius - rs.front()) / (rs.back() - rs.front()) * (rs.size() - 1);
    const auto k = static_cast<std::size_t>(
        std::clamp(std::floor(f), 0.0, static_cast<double>(rs.size() - 2)));
    const double s = f - k;
    return m_limitHeights[k] * (1 - s) + m_limitHeights[k + 1] * s;
}

double WheelEnvelope::planeAngle(double radius, double height) const {
    const Meshing& g = m_hob.meshing();
    const GeneratingPlane& p = m_hob.plane();
    const double tangentAngle = std::atan2(p.normal.y, p.normal.x);
    const double cb = std::cos(g.planeInclination);
    const double c = (p.offset - p.normal.z * height) / (radius * cb);
    if (std::abs(c) > 1) throw ModelError(kNoWheelContact);
    return tangentAngle + std::acos(c);
}

SurfacePoint WheelEnvelope::secondContact(double phi, double t) const {
    const Meshing& g = m_hob.meshing();
    const SurfacePoint generated = m_hob.fixedOnLine(phi, t);
    const Vec3 axisPoint{g.centreDistance, 0, 0};
    const Vec3 w = generated.point - axisPoint;
    const Vec3 c = cross(w, generated.normal);
    const double turn = std::remainder(2 * std::atan2(-c.x, c.z), 2 * std::numbers::pi);
    const Vec3 fixed = axisPoint + turnedAboutWormAxis(w, turn);
    const Vec3 normal = turnedAboutWormAxis(generated.normal, turn);
    const double wheelAngle = phi + turn / g.ratio;
    return {g.wheelPoint(fixed, wheelAngle), g.wheelPoint(normal, wheelAngle)};
}

WheelEnvelope::Point WheelEnvelope::solveSecond(double radius, double height, double phi,
                                                double t) const {
    const auto residual = [&](double p, double s) {
        const Vec3 w = secondContact(p, s).point;
        return std::pair{std::hypot(w.x, w.y) - radius, w.z - height};
    };
    NewtonSettings settings;
    settings.largestStepX = 0.02;
    settings.largestStepY = 2.0;
    if (!solveTwo(residual, phi, t, settings)) throw ModelError(kNoWheelContact);
    Point p;
    p.wheel = secondContact(phi, t);
    p.contact = WheelContact::Second;
    p.hobWheelAngle = phi;
    p.hobLineParameter = t;
    return p;
}

WheelEnvelope::Point WheelEnvelope::onPlane(double radius, double height) const {
    const double plane = planeAngle(radius, height);
    Point p;
    p.wheel.point = {radius * std::cos(plane), radius * std::sin(plane), height};
    p.wheel.normal = m_hob.plane().normal;
    p.angle = plane;
    p.contact = WheelContact::Plane;
    return p;
}

WheelEnvelope::Point WheelEnvelope::onSecond(double radius, double height,
                                             const Point* guess) const {
    double phi = 0, t = 0;
    if (guess && guess->contact == WheelContact::Second) {
        phi = guess->hobWheelAngle;
        t = guess->hobLineParameter;
    } else {
        double best = std::numeric_limits<double>::infinity();
        for (const TableEntry& e : m_table) {
            const double d = std::hypot(e.radius - radius, e.height - height);
            if (d < best) best = d, phi = e.phi, t = e.t;
        }
    }
    return inSpace(solveSecond(radius, height, phi, t), planeAngle(radius, height));
}

WheelEnvelope::Point WheelEnvelope::inSpace(Point p, double plane) const {
    // the same space: within half a pitch of the plane's angle
    const double pitch = 2 * std::numbers::pi / (m_hob.meshing().ratio * m_hob.blank().starts);
    const double raw = std::atan2(p.wheel.point.y, p.wheel.point.x);
    p.angle = plane + std::remainder(raw - plane, pitch);
    p.wheel.point = turnedAboutZ(p.wheel.point, p.angle - raw);
    p.wheel.normal = turnedAboutZ(p.wheel.normal, p.angle - raw);
    return p;
}

WheelEnvelope::Point WheelEnvelope::at(double radius, double height, const Point* guess) const {
    if (m_hob.meshing().hand * (height - limitHeight(radius)) <= 0) return onPlane(radius, height);
    return onSecond(radius, height, guess);
}

std::vector<double> WheelEnvelope::planeContactAxials(double radius, double height) const {
    const Meshing& g = m_hob.meshing();
    const double angle = planeAngle(radius, height);
    const Vec3 p{radius * std::cos(angle), radius * std::sin(angle), height};
    const Vec3 n = m_hob.plane().normal;
    // the contact line in the wheel's frame lies in the plane; its signed
    // distance from p within the plane
    const auto across = [&](double phi) {
        const Line line = m_hob.contactLine(phi);
        const Vec3 d = turnedAboutZ(line.direction, g.hand * phi);
        return dot(p - g.wheelPoint(line.point, phi), cross(n, d));
    };
    const EnvelopedFlank::Range range = m_hob.wheelAngleRange(m_hob.blank().halfLength);
    std::vector<double> axials;
    constexpr int kSteps = 400;
    double previous = across(range.first);
    for (int k = 1; k <= kSteps; ++k) {
        double hi = range.first + (range.last - range.first) * k / kSteps;
        const double value = across(hi);
        if ((previous < 0) != (value < 0)) {
            double lo = range.first + (range.last - range.first) * (k - 1) / kSteps;
            const bool rising = value > previous;
            for (int i = 0; i < 60; ++i) {
                const double mid = (lo + hi) / 2;
                ((across(mid) > 0) == rising ? hi : lo) = mid;
            }
            const double phi = (lo + hi) / 2;
            const Line line = m_hob.contactLine(phi);
            const Vec3 fixed = g.fixedFromWheel(p, phi);
            axials.push_back(g.wormPoint(line.at(dot(fixed - line.point, line.direction)), phi).z);
        }
        previous = value;
    }
    return axials;
}

int WheelEnvelope::beyondEnd(WheelContact contact, double radius, double height) const {
    const double half = m_hob.blank().halfLength;
    if (contact == WheelContact::Second) {
        const Point p = onSecond(radius, height, nullptr);
        const Meshing& g = m_hob.meshing();
        const double axial =
            g.wormPoint(m_hob.fixedOnLine(p.hobWheelAngle, p.hobLineParameter).point,
                        p.hobWheelAngle)
                .z;
        return std::abs(axial) <= half ? 0 : (axial < 0 ? -1 : 1);
    }
    if (contact != WheelContact::Plane) return 0;
    // the plane is made wherever one of its contact lines meets the thread
    double nearest = 0;
    for (double axial : planeContactAxials(radius, height)) {
        if (std::abs(axial) <= half) return 0;
        if (nearest == 0 || std::abs(axial) < std::abs(nearest)) nearest = axial;
    }
    return nearest < 0 ? -1 : (nearest > 0 ? 1 : 0);
}

Vec3 WheelEnvelope::endEdgePoint(int end, double edgeHeight) const {
    const EndEdge& edge = m_ends[end < 0 ? 0 : 1];
    const double first = edge.heights.front(), last = edge.heights.back();
    const double f = (edgeHeight - first) / (last - first) * (edge.heights.size() - 1);
    const auto k = static_cast<std::size_t>(
        std::clamp(std::round(f), 0.0, static_cast<double>(edge.heights.size() - 1)));
    const double axial = end < 0 ? -m_hob.blank().halfLength : m_hob.blank().halfLength;
    return ThreadFlankGraph(m_hob).at(axial, edgeHeight, edge.points[k]).worm.point;
}

Vec3 WheelEnvelope::tracedPoint(int end, double wheelAngle, double edgeHeight) const {
    const Meshing& g = m_hob.meshing();
    return g.wheelPoint(g.fixedPoint(endEdgePoint(end, edgeHeight), wheelAngle), wheelAngle);
}

WheelEnvelope::Point WheelEnvelope::solveHobEnd(double radius, double height, int end,
                                                double wheelAngle, double edgeHeight) const {
    const auto residual = [&](double psi, double v) {
        const Vec3 w = tracedPoint(end, psi, v);
        return std::pair{std::hypot(w.x, w.y) - radius, w.z - height};
    };
    NewtonSettings settings;
    settings.differenceY = 1e-6;
    settings.largestStepX = 0.02;
    settings.largestStepY = 0.1;
    if (!solveTwo(residual, wheelAngle, edgeHeight, settings)) throw ModelError(kNoWheelContact);
    const Vec3 w = tracedPoint(end, wheelAngle, edgeHeight);
    const Vec3 alongEdge = tracedPoint(end, wheelAngle, edgeHeight + 1e-5) - w;
    const Vec3 alongPass = tracedPoint(end, wheelAngle + 1e-6, edgeHeight) - w;
    Vec3 normal = normalized(cross(alongEdge, alongPass));
    // into the space, as the plane's normal at this angle
    const Vec3 plane = turnedAboutZ(m_hob.plane().normal, std::atan2(w.y, w.x));
    if (dot(normal, plane) < 0) normal = -normal;
    Point p;
    p.wheel = {w, normal};
    p.contact = WheelContact::HobEnd;
    p.hobWheelAngle = wheelAngle;
    p.hobLineParameter = edgeHeight;
    p.end = end;
    return inSpace(p, planeAngle(radius, height));
}

WheelEnvelope::Point WheelEnvelope::onHobEnd(double radius, double height, int end,
                                             const Point* guess) const {
    if (guess && guess->contact == WheelContact::HobEnd && guess->end == end)
        return solveHobEnd(radius, height, end, guess->hobWheelAngle, guess->hobLineParameter);
    // every pass of the edge near (r, z): the one cutting deepest into the
    // tooth shapes the flank
    const EndEdge& edge = m_ends[end < 0 ? 0 : 1];
    const double turn = 2 * std::numbers::pi / m_hob.meshing().ratio;
    const double reach = 0.1 * m_hob.meshing().referenceRadius;
    struct Nearest {
        const TableEntry* entry = nullptr;
        double distance = 0;
    };
    std::vector<Nearest> nearest;  // the nearest pass within reach, per half turn
    for (const TableEntry& e : edge.passes) {
        const double d = std::hypot(e.radius - radius, e.height - height);
        if (d > reach) continue;
        const auto bin = static_cast<std::size_t>((e.phi - edge.passes.front().phi) / (turn / 2));
        if (bin >= nearest.size()) nearest.resize(bin + 1);
        if (!nearest[bin].entry || d < nearest[bin].distance) nearest[bin] = {&e, d};
    }
    const double side = m_hob.plane().normal.y > 0 ? 1 : -1;  // the space lies at larger angles
    std::optional<Point> deepest;
    for (const Nearest& n : nearest) {
        if (!n.entry) continue;
        try {
            const Point p = solveHobEnd(radius, height, end, n.entry->phi, n.entry->t);
            if (!deepest || side * p.angle < side * deepest->angle) deepest = p;
        } catch (const ModelError&) {
        }
    }
    if (!deepest) throw ModelError(kNoWheelContact);
    return *deepest;
}

WheelEnvelope::Point WheelEnvelope::cut(double radius, double height, const Point* guess) const {
    const bool onThePlane = m_hob.meshing().hand * (height - limitHeight(radius)) <= 0;
    const int end =
        beyondEnd(onThePlane ? WheelContact::Plane : WheelContact::Second, radius, height);
    const Point* sameKind = guess && guess->contact != WheelContact::HobEnd ? guess : nullptr;
    if (end == 0) return at(radius, height, sameKind);
    try {
        const Point p = onHobEnd(radius, height, end, guess);
        if (onTheEdge(p)) return p;
    } catch (const ModelError&) {
    }
    // the end edge does not reach here within the thread's height: the
    // hob's tip edge shapes this corner; the envelope stands for it
    return at(radius, height, sameKind);
}

}  // namespace wormpair::model
