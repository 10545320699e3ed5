// The contact analysis as the model module exports it (contact_service.h).
#include "analysis/contact_lines.h"
#include "analysis/contact_service.h"
#include "analysis/marking_pattern.h"
#include "model/pair_geometry.h"

#include <cmath>
#include <numbers>

namespace {

// A point of a contact line in the wheel's own frame, at its position.
wormpair::model::Vec3 onWheel(const wormpair::model::Meshing& m,
                              const wormpair::analysis::ContactAnalysis& analysis,
                              const wormpair::analysis::ContactLine& line,
                              const wormpair::analysis::ContactPoint& p) {
    const double wheelAngle = analysis.wheelAngles[static_cast<std::size_t>(line.position)];
    return m.wheelPoint(m.fixedPoint(p.point, wheelAngle), wheelAngle);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void wormpairContactMap(
    const wormpair::DesignSnapshot& design, const wormpair::analysis::ContactSettings& settings,
    wormpair::analysis::ContactMap& map) {
    using namespace wormpair::analysis;
    using wormpair::model::Vec3;
    const wormpair::model::PairModeller modeller(design);
    const ContactAnalysis analysis = contactLines(modeller, settings);
    map.csv = contactCsv(modeller, analysis, settings);
    map.positions = static_cast<int>(analysis.wheelAngles.size());
    const wormpair::model::PairGeometry& geometry = modeller.geometry();
    const wormpair::model::Meshing& m = geometry.nominalWorm.meshing;
    for (const ContactLine& line : analysis.lines) {
        ContactMap::Line& drawn = map.lines.emplace_back();
        drawn.position = line.position;
        drawn.kind = static_cast<int>(line.kind);
        for (const ContactPoint& p : line.points) {
            const Vec3 w = onWheel(m, analysis, line, p);
            drawn.onWorm.push_back({p.point.z, std::hypot(p.point.x, p.point.y)});
            drawn.onWheel.push_back({w.z, std::hypot(w.x, w.y)});
            drawn.lubricationAngle.push_back(p.lubricationAngle);
            drawn.slidingSpeed.push_back(p.slidingSpeed);
            drawn.inducedCurvature.push_back(p.inducedCurvature);
        }
    }
    const int steps = 60;
    const wormpair::model::ThreadBlank& blank = modeller.wormFlank(settings.worm).blank();
    const double half =
        wormpair::model::hobCutHalfWidth(geometry, wormpair::model::kShallowestToothSpace);
    for (int k = 0; k <= steps; ++k) {
        const double z = blank.halfLength * (2.0 * k / steps - 1);
        map.wormRoot.push_back({z, blank.rootRadiusAt(z)});
        map.wormTip.push_back({z, blank.tipRadiusAt(z)});
        const double across = half * (2.0 * k / steps - 1);
        map.wheelRoot.push_back({across, wormpair::model::hobReachRadius(geometry.hob, across)});
        map.wheelTip.push_back({across, geometry.wheel.tipRadiusAt(across)});
    }
}

extern "C" __attribute__((visibility("default"))) void wormpairMarkingPattern(
    const wormpair::DesignSnapshot& design, const wormpair::analysis::PatternSettings& settings,
    wormpair::analysis::PatternMap& map) {
    using namespace wormpair::analysis;
    const wormpair::model::PairModeller modeller(design);
    const MarkingPattern pattern = markingPattern(modeller, settings);
    map.heights = pattern.heights;
    map.radii = pattern.radii;
    for (const PatternPoint& p : pattern.points) {
        map.points.push_back(p.point);
        map.gaps.push_back(p.gap);
        map.marked.push_back(p.marked);
    }
    map.firstContact = pattern.firstContact;
    map.pitchClearance = pattern.pitchClearance;
    map.flankShare = pattern.flankShare;
    map.lengthShare = pattern.lengthShare;
    map.heightShare = pattern.heightShare;
    map.centre = pattern.centre;
    map.csv = patternCsv(modeller, pattern, settings);
    map.halfWidth = pattern.halfWidth;
    map.rootRadii = pattern.rootRadii;
    map.tipRadii = pattern.tipRadii;
    const wormpair::model::PairGeometry& geometry = modeller.geometry();
    // the plane's contact lines, each moved by whole pitches into the tooth
    // space the pattern is taken on
    ContactSettings lines;
    lines.worm = settings.worm;
    const ContactAnalysis analysis = contactLines(modeller, lines);
    const wormpair::model::Meshing& m = geometry.nominalWorm.meshing;
    const double pitch = 2 * std::numbers::pi / geometry.wheel.teeth;
    for (const ContactLine& line : analysis.lines) {
        if (line.kind != ContactKind::Plane) continue;
        std::vector<wormpair::model::Vec3> points;
        for (const ContactPoint& p : line.points) {
            const wormpair::model::Vec3 w = onWheel(m, analysis, line, p);
            points.push_back(wormpair::model::turnedAboutZ(
                w, -pitch * std::round(std::atan2(w.y, w.x) / pitch)));
        }
        map.contactLines.push_back(std::move(points));
    }
}
