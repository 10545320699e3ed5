#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "calc/design_record.h"
#include "model/enveloping.h"

// What the grinding and the hob can make of a calculated design, found from
// the motions alone, before any model is built: how much of the worm's
// working flank the generating plane envelops, whether the envelope is cut
// back by other positions of the plane (undercut), pointed teeth, and how
// much of the rim width the hob's tip does not reach.

namespace wormpair::model {

enum class GenerationIssue { NotEnveloped, Undercut, PointedWorm, PointedHob, PointedWheel, RimNotCut };

struct GenerationFinding {
    GenerationIssue issue;
    double share = 0;  // of the worm's working flank, or of the rim width; 1 for a pointed tooth
    std::string text;  // as the window, the tool and the drawings show it
};

// The findings of a calculated design; none when the machines make it as
// the calculation assumes, and none for a design no model can be made of
// (the model says why).
std::vector<GenerationFinding> generationFindings(const DesignRecord& record,
                                                  std::string_view handText);

// The same findings as texts, in the order above.
std::vector<std::string> generationFindingTexts(const DesignRecord& record,
                                                std::string_view handText);

// How the worm's working flank is made, on a grid over the working length
// (Z1) and the height from root (v = 0) to tip (v = 1): each point is where
// the extreme position of the generating plane over the grinding motion
// leaves the material.
struct WormFlankGeneration {
    int axialCount = 0, heightCount = 0;
    // per point [axial * heightCount + height]
    enum class Made { Enveloped, NotEnveloped, Undercut };
    std::vector<Made> points;
    double firstWheelAngle = 0, lastWheelAngle = 0;  // the grinding motion
    double wheelAngleStep = 0;                       // between the contact lines sampled
    double sense = 1;  // +1 when the tooth lies towards larger angles about Z1
    // the farthest contact from the wheel centre: how far the generating
    // tool must reach (no part of it beyond is needed)
    double toolRadius = 0;
    double share(Made kind) const;
};

WormFlankGeneration wormFlankGeneration(const DesignRecord& record, std::string_view handText,
                                        int axialCount = 33, int heightCount = 17);
// How a thread's working flank is made, with the shares, as the model
// window and the inspection points state it.
std::string flankMakeupText(const EnvelopedFlank& flank);

// The same for any thread's first flank (the worm's or the hob's); with
// `wholeZone`, the motion and the tool's reach (not the shares) also take in
// the contacts at the blank's very ends, as the grinding needs them.
WormFlankGeneration flankGeneration(const EnvelopedFlank& flank, int axialCount, int heightCount,
                                    bool wholeZone = false);

}  // namespace wormpair::model
