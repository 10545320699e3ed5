#pragma once

#include <string>
#include <vector>

#include "analysis/contact_service.h"
#include "model/model_types.h"
#include "model/pair_model.h"
#include "model/vec3.h"

// How the worm and the wheel touch while they run: the contact lines of the
// worm's first flank over one angular pitch of the wheel, with the
// lubrication angle and the sliding speed along them.
//
// The pair runs with the nominal motion (centre distance a, ratio i). A
// point of the worm flank touches at the worm turns where its normal is
// square to the relative velocity; n . v12 is A cos(phi1) + B sin(phi1) + C
// in the worm turn phi1, so each point has two such turns: the first, at
// (for the nominal worm: exactly at) the turn that generated it, where the
// wheel flank is the generating plane; the second where the hob's second
// contact cut the wheel. Each kind is kept where the wheel has that flank
// (the plane up to its limit line, the second contact beyond it) and within
// the wheel's blank and the worm's working length. For the worm as ground
// these are the lines along which it would touch the wheel its own flank
// conjugates; the gap the modification leaves to the hobbed wheel is not
// measured here.

namespace wormpair::analysis {

enum class ContactKind { Plane = 1, Second = 2 };

struct ContactPoint {
    model::Vec3 point;            // worm frame, mm
    model::Vec3 normal;           // unit, worm frame, out of the worm's material
    double lubricationAngle = 0;  // degrees, 0..90, contact line against sliding
    double slidingSpeed = 0;      // m/s
    // induced normal curvature across the line, 1/mm: the flanks part as
    // k x^2 / 2 at x mm from it (negative: they would cross)
    double inducedCurvature = 0;
};

struct ContactLine {
    int position = 0;  // 0 .. positions - 1
    ContactKind kind = ContactKind::Plane;
    int line = 0;                      // 1.. along the worm axis, per position and kind
    std::vector<ContactPoint> points;  // root to tip of the worm
};

struct ContactAnalysis {
    std::vector<double> wheelAngles;  // radians, one per position
    std::vector<double> wormAngles;   // radians, ratio x wheel angle
    std::vector<ContactLine> lines;   // by position, kind, line
};

// A number of a CSV with that many decimals, never "-0.000".
std::string fixed(double value, int decimals);

// The header line of the analyses' CSV naming the design.
std::string designCsvLine(const model::PairModeller& modeller);

// Throws ModelError with the model's reason when the design gives no model.
ContactAnalysis contactLines(const model::PairModeller& modeller, const ContactSettings& settings);

// The CSV text: header lines beginning with '#' (the frame, units, design,
// worm and speed), the column names, one row per point.
std::string contactCsv(const model::PairModeller& modeller, const ContactAnalysis& analysis,
                       const ContactSettings& settings);

}  // namespace wormpair::analysis
