// The contact analysis as the model module exports it (contact_service.h).
#include "analysis/contact_lines.h"
#include "analysis/contact_service.h"
#include "analysis/marking_pattern.h"

#include <cmath>
#include <numbers>

extern "C" __attribute__((visibility("default"))) void wormpairContactCsv(
    const wormpair::DesignSnapshot& design, const wormpair::analysis::ContactSettings& settings,
    std::string& csv) {
    const wormpair::model::PairModeller modeller(design);
    csv = wormpair::analysis::contactCsv(modeller, settings);
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
        const double wheelAngle = analysis.wheelAngles[static_cast<std::size_t>(line.position)];
        std::vector<wormpair::model::Vec3> points;
        for (const ContactPoint& p : line.points) {
            const wormpair::model::Vec3 w =
                m.wheelPoint(m.fixedPoint(p.point, wheelAngle), wheelAngle);
            points.push_back(wormpair::model::turnedAboutZ(
                w, -pitch * std::round(std::atan2(w.y, w.x) / pitch)));
        }
        map.contactLines.push_back(std::move(points));
    }
}
