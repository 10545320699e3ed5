#pragma once

#include <string>
#include <string_view>

#include "calc/design_record.h"
#include "model/enveloping.h"

// What the models are built from: the calculated design, read once into the
// motions, blanks and bodies of the three threads and the wheel. The sizes
// the design does not give (the worm's shafts) are chosen here, in one place.

namespace wormpair::model {

// The body around the threads, in the worm frame.
struct ThreadedBody {
    ThreadBlank blank;
    double shoulderLength = 0;  // beyond each end of the thread
    double shoulderRadius = 0;  // the root radius at the ends of the thread
    double shaftLength = 0;     // beyond each shoulder
    double shaftRadius = 0;
};

// The blank the wheel's teeth are cut in, in the wheel frame.
struct WheelBlank {
    int teeth = 0;
    double outsideRadius = 0;  // wheelOutsideDiameter / 2
    double throatRadius = 0;   // d2 / 2 + ha
    // the throat torus: an arc about the worm axis through the throat circle
    double throatArcCentre = 0;  // its distance from the wheel axis, a
    double throatArcRadius = 0;  // a - d2 / 2 - ha
    double halfWidth = 0;        // rimWorkingWidth / 2

    // The radius of the blank's tip at height z (torus or outside cylinder).
    double tipRadiusAt(double height) const;
    // The height (+/-) from which the outside cylinder bounds the tip: 0
    // when it does everywhere, halfWidth when the torus reaches the sides.
    double cylinderFrom() const;
};

struct ThreadDesign {
    Meshing meshing;
    ThreadBlank blank;
    double toothThickness = 0;  // arc on the motion's reference circle, throat section
};

struct PairGeometry {
    int hand = 1;
    ThreadDesign nominalWorm;  // the theoretical planar double-enveloping worm
    ThreadDesign groundWorm;   // the same blank ground with the modification setup
    ThreadDesign hob;          // the nominal motion with the hob's sizes
    ThreadedBody wormBody;     // blank of the worm with shoulders and shafts
    ThreadedBody hobBody;      // blank of the hob (flat ends)
    WheelBlank wheel;
};

// Reads a completed design; handText is the text of the hand field (右旋 or
// 左旋). Throws ModelError with the reason when no model can be made.
PairGeometry pairGeometry(const DesignRecord& record, std::string_view handText);

// The deepest the hob's tip reaches at height z: the wheel's root radius.
double hobReachRadius(const ThreadDesign& hob, double height);

// Where the wheel's tooth spaces run out towards the rim's sides: the
// height (+/-) up to which the hob cuts at least `depth` below the blank's
// tip; the rim's half width where it cuts the whole width, 0 where it does
// not cut at the middle either.
double hobCutHalfWidth(const PairGeometry& pair, double depth);

// The shallowest tooth space the wheel's model keeps (mm): where the rim is
// wider than the hob reaches, the teeth end where the space is this deep.
inline constexpr double kShallowestToothSpace = 0.02;

// +1 for 右旋, -1 for 左旋; throws ModelError for any other text.
int handFromText(std::string_view handText);

}  // namespace wormpair::model
