#include "export/sheet_sources.h"

#include "input/design_controller.h"
#include "input/main_form.h"

namespace wormpair {

SheetSources sheetSources(const MainForm& form, const DesignController& design) {
    SheetSources sources;
    sources.record = design.record();
    sources.accuracy = design.accuracyValues();
    sources.centreDistance = form.text("Edit1");
    sources.wheelTeeth = form.text("Edit3");
    sources.wormStarts = form.text("Edit4");
    sources.gradeDesignation = form.text("Edit9");
    sources.hand = form.text("Edit10");
    sources.entryRelief = form.text("Edit11");
    sources.exitRelief = form.text("Edit12");
    sources.grindingIncrement = form.text("Edit13");
    return sources;
}

}  // namespace wormpair
