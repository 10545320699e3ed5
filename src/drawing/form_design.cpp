#include "drawing/form_design.h"

#include "input/design_controller.h"
#include "input/main_form.h"

namespace wormpair::drawing {

Design formDesign(const MainForm& form, const DesignController& design) {
    Design d;
    Recommendation& r = d.recommendation;
    r.centreDistance = form.text("Edit1");
    r.ratio = form.text("Edit2");
    r.wheelTeeth = form.text("Edit3");
    r.wormStarts = form.text("Edit4");
    r.mainBaseDiameter = form.text("Edit5");
    r.tipEccentricity = form.text("Edit6");
    r.wormDiameter = form.text("Edit7");
    r.entryRelief = form.text("Edit11");
    r.exitRelief = form.text("Edit12");
    r.grindingIncrement = form.text("Edit13");
    d.backlash = form.text("Edit8");
    d.designation = form.text("Edit9");
    d.hand = form.text("Edit10");
    d.gradeText = d.designation.substr(0, 1);
    d.accuracy = design.accuracyValues();
    d.record = design.record();
    return d;
}

}  // namespace wormpair::drawing
