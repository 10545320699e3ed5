#include "drawing/snapshot_design.h"

#include "calc/numeric.h"

namespace wormpair::drawing {

Design drawnDesign(const DesignSnapshot& s) {
    Design d;
    Recommendation& r = d.recommendation;
    r.centreDistance = s.centreDistance;
    r.ratio = formatReal(s.record.actualRatio);
    r.wheelTeeth = s.wheelTeeth;
    r.wormStarts = s.wormStarts;
    r.entryRelief = s.entryRelief;
    r.exitRelief = s.exitRelief;
    r.grindingIncrement = s.grindingIncrement;
    d.designation = s.gradeDesignation;
    d.gradeText = s.gradeDesignation.substr(0, 1);
    d.hand = s.hand;
    d.accuracy = s.accuracy;
    d.record = s.record;
    return d;
}

}  // namespace wormpair::drawing
