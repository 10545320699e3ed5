#pragma once

#include "analysis/contact_service.h"
#include "drawing/analysis_report.h"

// The contact lines of a design as maps on the worm's and the wheel's flank,
// coloured by what runs along them, and as a one-page report (the drawing
// layer writes it as DXF, PDF or SVG).

namespace wormpair::analysis {

enum class ContactQuantity { LubricationAngle, SlidingSpeed, InducedCurvature };
inline constexpr ContactQuantity kContactQuantities[] = {ContactQuantity::LubricationAngle,
                                                         ContactQuantity::SlidingSpeed,
                                                         ContactQuantity::InducedCurvature};
QString contactQuantityCaption(ContactQuantity quantity);

// The maps of one quantity: its caption, unit and the scale's ends.
drawing::ContactMaps contactMaps(const ContactMap& map, ContactQuantity quantity);

// A line of the numbers the maps show (the window's summary).
QString contactSummary(const ContactMap& map);

drawing::Sheet contactReport(const DesignSnapshot& design, const ContactMap& map,
                             const ContactSettings& settings);

}  // namespace wormpair::analysis
