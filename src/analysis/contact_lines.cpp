#include "analysis/contact_lines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <optional>
#include <tuple>

#include "calc/numeric.h"
#include "model/enveloping.h"
#include "model/wheel_envelope.h"

namespace wormpair::analysis {

using model::Meshing;
using model::Vec3;

namespace {

// The two worm turns (unwrapped: the first nearest the turn that generated
// the point, the second within half a turn of it) at which the worm point w
// with normal n (worm frame) meets the meshing condition of the motion m.
struct Turns {
    double first = 0;
    double second = 0;
};

std::optional<Turns> contactTurns(const Meshing& m, const Vec3& w, const Vec3& n,
                                  double generatingTurn) {
    // n . v12 is exactly A cos + B sin + C in the worm's turn: three samples
    const auto meshing = [&](double turn) {
        const double wheelAngle = turn / m.ratio;
        return dot(m.fixedDirection(n, wheelAngle),
                   m.relativeVelocity(m.fixedPoint(w, wheelAngle)));
    };
    const double g0 = meshing(0), g1 = meshing(std::numbers::pi / 2),
                 g2 = meshing(std::numbers::pi);
    const double c = (g0 + g2) / 2, a = (g0 - g2) / 2, b = g1 - c;
    const double r = std::hypot(a, b);
    if (!(r > 0) || std::abs(c) > r) return std::nullopt;
    const double psi = std::atan2(b, a), spread = std::acos(-c / r);
    double t1 =
        generatingTurn + std::remainder(psi + spread - generatingTurn, 2 * std::numbers::pi);
    double t2 =
        generatingTurn + std::remainder(psi - spread - generatingTurn, 2 * std::numbers::pi);
    if (std::abs(t2 - generatingTurn) < std::abs(t1 - generatingTurn)) std::swap(t1, t2);
    return Turns{t1, t1 + std::remainder(t2 - t1, 2 * std::numbers::pi)};
}

struct Evaluation {
    model::SurfacePoint worm;  // start 0, normal into the tooth
    double turn = 0;           // the branch's contact turn
};

class Solver {
  public:
    Solver(const model::EnvelopedFlank& flank, const Meshing& working, int branch)
        : m_flank(flank), m_working(working), m_branch(branch) {}

    std::optional<Evaluation> at(double phi, double height) const {
        model::SurfacePoint s;
        try {
            s = m_flank.at(phi, height);
        } catch (const model::ModelError&) {
            return std::nullopt;
        }
        const auto turns =
            contactTurns(m_working, s.point, s.normal, m_flank.meshing().ratio * phi);
        if (!turns) return std::nullopt;
        return Evaluation{s, m_branch == 0 ? turns->first : turns->second};
    }

  private:
    const model::EnvelopedFlank& m_flank;
    const Meshing& m_working;
    int m_branch;
};

// How the worm flank changes along one of its parameters: the point, the
// outward normal and the contact turn, each per unit of the parameter.
struct FlankDerivative {
    Vec3 point, normal;
    double turn = 0;
};

// The induced normal curvature across the contact line at the worm point w
// (worm frame): k with the gap between the flanks k x^2 / 2 at x mm across.
// From the worm's flank and the motion alone: along the line both flanks
// share their normal; across it the contact moves over the worm by one
// over the contact turn's rate, over the wheel by that plus the relative
// velocity, and the wheel's normal turns by the worm's and the relative
// rotation (dn2 = dn1 + w12 x n, dr2 = dr1 + v12; per radian of the worm).
double inducedCurvature(const Meshing& m, double wheelAngle, const Vec3& w, const Vec3& n,
                        const Vec3& line, const FlankDerivative& a, const FlankDerivative& b) {
    // the wheel's velocity field seen from the worm, per radian of the worm's turn
    const auto wheelVelocity = [&](const Vec3& at) {
        return m.wormDirection(m.relativeVelocity(m.fixedPoint(at, wheelAngle)), wheelAngle) /
               m.ratio;
    };
    const Vec3 v21 = wheelVelocity(w);
    const Vec3 alongX = wheelVelocity(w + Vec3{1, 0, 0}) - v21;  // w21 x ex
    const Vec3 alongY = wheelVelocity(w + Vec3{0, 1, 0}) - v21;  // w21 x ey
    const Vec3 w12 = -Vec3{alongY.z, -alongX.z, alongX.y};
    const Vec3 v12 = -v21;

    // a tangent vector in the parameters' basis
    const double gaa = dot(a.point, a.point), gab = dot(a.point, b.point),
                 gbb = dot(b.point, b.point), det = gaa * gbb - gab * gab;
    const auto normalChange = [&](const Vec3& t, double* turnRate) {
        const double ta = dot(t, a.point), tb = dot(t, b.point);
        const double alpha = (gbb * ta - gab * tb) / det, beta = (gaa * tb - gab * ta) / det;
        if (turnRate) *turnRate = alpha * a.turn + beta * b.turn;
        return a.normal * alpha + b.normal * beta;
    };
    const Vec3 across = normalized(cross(n, line));
    double turnRate = 0;  // contact turn per mm across the line
    normalChange(across, &turnRate);
    const double speed = 1 / turnRate;  // mm the line moves across per radian
    return (dot(normalChange(v12, nullptr), across) - dot(cross(w12, n), across)) /
           (speed + dot(v12, across));
}

}  // namespace

ContactAnalysis contactLines(const model::PairModeller& modeller, const ContactSettings& settings) {
    const model::EnvelopedFlank& flank = modeller.wormFlank(settings.worm);
    const model::WheelEnvelope& wheel = modeller.wheelEnvelope();
    const model::PairGeometry& geometry = modeller.geometry();
    const Meshing& working = geometry.nominalWorm.meshing;
    const double pitch = 2 * std::numbers::pi / geometry.wheel.teeth;
    const double startAngle = 2 * std::numbers::pi / flank.blank().starts;
    const double halfLength = flank.blank().halfLength;
    const int positions = std::max(1, settings.positions);
    const int heights = std::max(2, settings.heights);
    const double wheelSpeed =
        2 * std::numbers::pi * settings.wormSpeed / 60 / working.ratio;  // rad/s

    ContactAnalysis result;
    for (int k = 0; k < positions; ++k) {
        result.wheelAngles.push_back(pitch * k / positions);
        result.wormAngles.push_back(working.ratio * result.wheelAngles.back());
    }

    // the flank on a grid: generating instants across the working length,
    // fine enough that a turn moves less than a thirtieth of a start
    const model::EnvelopedFlank::Range range = flank.wheelAngleRange(0.0);
    const int columns = static_cast<int>(std::ceil((range.last - range.first) / (pitch / 32))) + 1;
    std::vector<double> phis(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c)
        phis[static_cast<std::size_t>(c)] =
            range.first + (range.last - range.first) * c / (columns - 1);

    struct Key {
        int position, kind, start;
        bool operator<(const Key& o) const {
            return std::tie(position, kind, start) < std::tie(o.position, o.kind, o.start);
        }
    };
    std::map<Key, ContactLine> found;

    for (int branch = 0; branch < 2; ++branch) {
        const Solver solver(flank, working, branch);
        for (int row = 0; row < heights; ++row) {
            const double height = static_cast<double>(row) / (heights - 1);
            std::vector<std::optional<Evaluation>> nodes;
            for (double phi : phis) nodes.push_back(solver.at(phi, height));
            for (int k = 0; k < positions; ++k) {
                const double target = result.wormAngles[static_cast<std::size_t>(k)];
                // the turn left to the nearest start: zero where the point touches now
                const auto offset = [&](double turn, int& start) {
                    start = static_cast<int>(std::lround((turn - target) / startAngle));
                    return turn - target - start * startAngle;
                };
                for (int c = 0; c + 1 < columns; ++c) {
                    const auto& a = nodes[static_cast<std::size_t>(c)];
                    const auto& b = nodes[static_cast<std::size_t>(c + 1)];
                    if (!a || !b) continue;
                    int startA = 0, startB = 0;
                    double fa = offset(a->turn, startA);
                    double fb = offset(b->turn, startB);
                    if (startA != startB || fb == 0 || (fa != 0 && (fa < 0) == (fb < 0))) continue;
                    const int start = startA;
                    // regula falsi (Illinois) on the generating instant
                    double pa = phis[static_cast<std::size_t>(c)];
                    double pb = phis[static_cast<std::size_t>(c + 1)];
                    std::optional<Evaluation> e = a;
                    double p = pa;
                    int side = 0;
                    for (int iteration = 0; iteration < 60 && fa != 0; ++iteration) {
                        p = (pa * fb - pb * fa) / (fb - fa);
                        e = solver.at(p, height);
                        if (!e) break;
                        int s = 0;
                        const double f = offset(e->turn, s) + (s - start) * startAngle;
                        if (std::abs(f) < 1e-13 || std::abs(pb - pa) < 1e-14) break;
                        if ((f < 0) == (fa < 0)) {
                            pa = p, fa = f;
                            if (side == -1) fb /= 2;
                            side = -1;
                        } else {
                            pb = p, fb = f;
                            if (side == 1) fa /= 2;
                            side = 1;
                        }
                    }
                    if (!e) continue;

                    const double wheelAngle = result.wheelAngles[static_cast<std::size_t>(k)];
                    const double bodyTurn = start * startAngle;
                    const Vec3 point = model::turnedAboutZ(e->worm.point, bodyTurn);
                    if (std::abs(point.z) > halfLength) continue;
                    const Vec3 fixed = working.fixedPoint(point, wheelAngle);
                    const Vec3 onWheel = working.wheelPoint(fixed, wheelAngle);
                    const double radius = std::hypot(onWheel.x, onWheel.y);
                    if (std::abs(onWheel.z) > geometry.wheel.halfWidth ||
                        radius > geometry.wheel.tipRadiusAt(onWheel.z))
                        continue;
                    const bool beyondLimit =
                        working.hand * (onWheel.z - wheel.limitHeight(radius)) > 0;
                    if (beyondLimit != (branch == 1)) continue;

                    // the line's tangent: along the flank where the contact turn stays
                    // (central differences: the turn carries rounding of 1e-11)
                    const double dp = 1e-5, dh = 1e-4;
                    const auto phiBack = solver.at(p - dp, height);
                    const auto phiOn = solver.at(p + dp, height);
                    const auto heightBack = solver.at(p, height - dh);
                    const auto heightOn = solver.at(p, height + dh);
                    if (!phiBack || !phiOn || !heightBack || !heightOn) continue;
                    const double fp =
                        std::remainder(phiOn->turn - phiBack->turn, 2 * std::numbers::pi) /
                        (2 * dp);
                    const double fh =
                        std::remainder(heightOn->turn - heightBack->turn, 2 * std::numbers::pi) /
                        (2 * dh);
                    const Vec3 sp = (phiOn->worm.point - phiBack->worm.point) / (2 * dp);
                    const Vec3 sh = (heightOn->worm.point - heightBack->worm.point) / (2 * dh);
                    const Vec3 tangent = model::turnedAboutZ(sp * -fh + sh * fp, bodyTurn);
                    const Vec3 velocity = working.relativeVelocity(fixed);
                    const Vec3 tangentFixed = working.fixedDirection(tangent, wheelAngle);
                    const double cosine = std::abs(dot(tangentFixed, velocity)) /
                                          (norm(tangentFixed) * norm(velocity));

                    // the normals' change along the flank's two parameters
                    const auto outward = [&](const Evaluation& at) {
                        return model::turnedAboutZ(-at.worm.normal, bodyTurn);
                    };
                    const Vec3 np = (outward(*phiOn) - outward(*phiBack)) / (2 * dp);
                    const Vec3 nh = (outward(*heightOn) - outward(*heightBack)) / (2 * dh);
                    const double curvature = inducedCurvature(
                        working, wheelAngle, point, model::normalized(outward(*e)),
                        model::normalized(tangent), {model::turnedAboutZ(sp, bodyTurn), np, fp},
                        {model::turnedAboutZ(sh, bodyTurn), nh, fh});

                    ContactLine& line = found[{k, branch + 1, start}];
                    line.position = k;
                    line.kind = branch == 0 ? ContactKind::Plane : ContactKind::Second;
                    line.points.push_back(
                        {point, model::normalized(model::turnedAboutZ(-e->worm.normal, bodyTurn)),
                         std::acos(std::min(1.0, cosine)) * 180 / std::numbers::pi,
                         norm(velocity) * wheelSpeed / 1000, curvature});
                }
            }
        }
    }
    int previousPosition = -1, previousKind = -1, number = 0;
    for (auto& [key, line] : found) {
        if (key.position != previousPosition || key.kind != previousKind) number = 0;
        previousPosition = key.position, previousKind = key.kind;
        line.line = ++number;
        result.lines.push_back(std::move(line));
    }
    return result;
}

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    // "-0.000" reads as a sign where there is none
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    return text;
}

std::string designCsvLine(const model::PairModeller& modeller) {
    const DesignRecord& r = modeller.design().record;
    return "# 设计：中心距 " + formatReal(r.centreDistance) + "，实际速比 " +
           formatReal(r.actualRatio) + "，蜗轮齿数 " + formatInteger(r.wheelTeeth) + "，蜗杆头数 " +
           formatInteger(r.wormStarts) + "，旋向 " + modeller.design().hand + "\n";
}

std::string contactCsv(const model::PairModeller& modeller, const ContactAnalysis& analysis,
                       const ContactSettings& settings) {
    std::string text = "\xEF\xBB\xBF";  // UTF-8 mark: spreadsheet programs read the Chinese right
    text += "# 蜗杆第一齿面（朝 +Z）与蜗轮的接触线";
    text += settings.worm == model::WormKind::Ground ? "（磨削修形后的蜗杆）\n"
                                                     : "（理论蜗杆，未修形）\n";
    text +=
        "# 坐标系：蜗杆自身坐标系（同蜗杆 STEP）；原点在喉部中心，Z 轴沿轴线，"
        "X 轴在零转角时指向蜗轮轴线\n";
    text +=
        "# 单位：坐标 mm；nx、ny、nz 为指向蜗杆材料外侧的单位法向量；角度为度；"
        "滑动速度 m/s\n";
    text += designCsvLine(modeller);
    text += "# 蜗杆转速：" + fixed(settings.wormSpeed, 0) + " r/min；" +
            std::to_string(analysis.wheelAngles.size()) +
            " 个位置（position 自 0 起）均分蜗轮一个齿距，worm_angle_deg 为蜗杆转角\n";
    text +=
        "# kind：1 为母平面接触线（蜗轮齿面为母平面处），2 为二次接触线（蜗轮界限线以外）；"
        "line：同一位置同类接触线沿蜗杆轴向的编号\n";
    text += "# lubrication_angle_deg：接触线与相对速度的夹角（润滑角，接近 90° 为好）\n";
    text +=
        "# induced_curvature_1_mm：垂直于接触线方向的诱导法曲率（1/mm），"
        "两齿面在距接触线 x mm 处相隔 k·x²/2\n";
    text +=
        "position,worm_angle_deg,kind,line,x,y,z,nx,ny,nz,lubrication_angle_deg,"
        "sliding_speed_m_s,induced_curvature_1_mm\n";
    for (const ContactLine& line : analysis.lines) {
        const std::string prefix =
            std::to_string(line.position) + "," +
            fixed(analysis.wormAngles[static_cast<std::size_t>(line.position)] * 180 /
                      std::numbers::pi,
                  4) +
            "," + std::to_string(static_cast<int>(line.kind)) + "," + std::to_string(line.line) +
            ",";
        for (const ContactPoint& p : line.points) {
            text += prefix + fixed(p.point.x, 6) + "," + fixed(p.point.y, 6) + "," +
                    fixed(p.point.z, 6) + "," + fixed(p.normal.x, 6) + "," + fixed(p.normal.y, 6) +
                    "," + fixed(p.normal.z, 6) + "," + fixed(p.lubricationAngle, 3) + "," +
                    fixed(p.slidingSpeed, 4) + "," + fixed(p.inducedCurvature, 6) + "\n";
        }
    }
    return text;
}

}  // namespace wormpair::analysis
