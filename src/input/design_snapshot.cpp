#include "input/design_snapshot.h"

#include "input/design_controller.h"
#include "input/main_form.h"

namespace wormpair {

DesignSnapshot designSnapshot(const MainForm& form, const DesignController& design) {
    DesignSnapshot snapshot;
    snapshot.record = design.record();
    snapshot.accuracy = design.accuracyValues();
    snapshot.centreDistance = form.text("Edit1");
    snapshot.wheelTeeth = form.text("Edit3");
    snapshot.wormStarts = form.text("Edit4");
    snapshot.gradeDesignation = form.text("Edit9");
    snapshot.hand = form.text("Edit10");
    snapshot.entryRelief = form.text("Edit11");
    snapshot.exitRelief = form.text("Edit12");
    snapshot.grindingIncrement = form.text("Edit13");
    return snapshot;
}

}  // namespace wormpair
