#pragma once

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "input/design_snapshot.h"
#include "input/headless_session.h"

namespace wormpair::model {

// A design as the window makes it: the three basic inputs typed, the
// recommend button pressed, with the shipped rules.
inline DesignSnapshot shippedDesign(const std::string& centreDistance, const std::string& wheelTeeth,
                                    const std::string& wormStarts) {
    HeadlessSession session(WORMPAIR_PROGRAM_DIR);
    if (!session.load().ok) throw std::runtime_error("the program directory holds no rules");
    session.form.setText("Edit1", centreDistance);
    session.form.setText("Edit3", wheelTeeth);
    session.form.setText("Edit4", wormStarts);
    session.design.speedButton2Click();
    return designSnapshot(session.form, session.design);
}

// The checks that sweep or place whole solids run at a resolution that
// still catches a wrong surface; CI's fine run (label `fine`) sets
// WORMPAIR_FINE_MODEL_CHECKS=1 for every sample they had.
inline bool fineModelChecks() {
    const char* value = std::getenv("WORMPAIR_FINE_MODEL_CHECKS");
    return value != nullptr && std::string(value) == "1";
}

}  // namespace wormpair::model
