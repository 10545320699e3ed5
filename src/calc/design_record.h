#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

// The one worm-pair design of the main window: its inputs as Calculate read
// them and every result derived from them. Lengths in mm, angles in degrees.

namespace wormpair {

struct DesignRecord {
    // inputs, read afresh by every Calculate
    double centreDistance = 0;         // a, Edit1
    double actualRatio = 0;            // i, Edit2
    std::int32_t wheelTeeth = 0;       // z2, Edit3
    std::int32_t wormStarts = 0;       // z1, Edit4
    double mainBaseDiameter = 0;       // db, Edit5
    double tipEccentricity = 0;        // e, Edit6
    double wormReferenceDiameter = 0;  // d1, Edit7
    double backlash = 0;               // j, Edit8
    double grindingIncrement = 0;      // delta z, Edit13

    // results, in the order Calculate writes them
    double wheelReferenceDiameter = 0;
    double transverseModule = 0;
    double dedendum = 0;
    double wormThroatRootDiameter = 0;
    double wormRootArcRadius = 0;
    double addendum = 0;
    double wormThroatTipDiameter = 0;
    double wormTipArcRadius = 0;
    double angularPitch = 0;
    double wrappedTeeth = 0;
    double workingHalfWrapAngle = 0;
    double wormWorkingLength = 0;
    std::int32_t shoulder = 0;
    double throatLeadAngleRadians = 0;
    double throatLeadAngle = 0;
    double pressureAngle = 0;
    double circularPitch = 0;
    std::int32_t inclinationAngleOffset = 0;
    double motherPlaneInclination = 0;
    std::string motherPlaneInclinationText;
    double wormToothThickness = 0;
    double wormNormalChordalThickness = 0;
    double wormNormalChordalHeight = 0;
    double hobTipArcRadius = 0;
    double wormThroatRootDiameterShown = 0;  // 2 (a - Rf1) to 2 decimals, the throat check
    long double hobRootArcRadius = 0;  // extended, as its label prints it
    double hobWrappedTeeth = 0;
    double hobHalfWrapAngle = 0;
    double hobEffectiveLength = 0;
    long double hobNormalChordalThickness = 0;  // sn + j, extended, as its label prints it
    double hobToothThickness = 0;
    double hobNormalChordalHeight = 0;
    double wheelOutsideDiameter = 0;
    double wheelToothThickness = 0;
    double wheelNormalChordalThickness = 0;
    double wheelNormalChordalHeight = 0;
    std::int32_t rimWorkingWidth = 0;
    double wheelThroatDiameter = 0;
    double largestWormTipDiameter = 0;
    double wheelTipArcRadius = 0;
    double wormTipWidth = 0;
    double hobTipWidth = 0;
    double modifiedRatio = 0;
    double modifiedCentreDistance = 0;
    double modifiedWheelReferenceDiameter = 0;
    double modifiedMainBaseDiameter = 0;
    double modifiedPressureAngle = 0;
    double modifiedInclination = 0;
};

// Whether the design on display has been saved, and the file it came from.
struct DocumentState {
    bool designSaved = true;
    std::string designFilePath;
};

// The six tolerance texts of the accuracy grade row applied last.
struct AccuracyValues {
    std::string accuracyValue3;
    std::string accuracyValue4;
    std::string accuracyValue8;
    std::string accuracyValue9;
    std::string accuracyValue10;
    std::string accuracyValue11;
};

// A calculated design as it leaves the program (parameter sheets, drawings,
// models): the record, the grade's tolerance texts and the fields whose texts
// documents carry exactly as they stand in the window.
struct DesignSnapshot {
    DesignRecord record;
    AccuracyValues accuracy;
    std::string centreDistance;     // Edit1, as typed
    std::string wheelTeeth;         // Edit3
    std::string wormStarts;         // Edit4
    std::string gradeDesignation;   // Edit9
    std::string hand;               // Edit10
    std::string entryRelief;        // Edit11
    std::string exitRelief;         // Edit12
    std::string grindingIncrement;  // Edit13
};

// Visits every field of the record by name, in declaration order.
using RecordFieldValue = std::variant<double, long double, std::int32_t, std::string>;

template <typename Visitor>
void forEachRecordField(const DesignRecord& r, Visitor&& visit) {
#define WORMPAIR_FIELD(name) visit(std::string_view(#name), RecordFieldValue(r.name))
    WORMPAIR_FIELD(centreDistance);
    WORMPAIR_FIELD(actualRatio);
    WORMPAIR_FIELD(wheelTeeth);
    WORMPAIR_FIELD(wormStarts);
    WORMPAIR_FIELD(mainBaseDiameter);
    WORMPAIR_FIELD(tipEccentricity);
    WORMPAIR_FIELD(wormReferenceDiameter);
    WORMPAIR_FIELD(backlash);
    WORMPAIR_FIELD(grindingIncrement);
    WORMPAIR_FIELD(wheelReferenceDiameter);
    WORMPAIR_FIELD(transverseModule);
    WORMPAIR_FIELD(dedendum);
    WORMPAIR_FIELD(wormThroatRootDiameter);
    WORMPAIR_FIELD(wormRootArcRadius);
    WORMPAIR_FIELD(addendum);
    WORMPAIR_FIELD(wormThroatTipDiameter);
    WORMPAIR_FIELD(wormTipArcRadius);
    WORMPAIR_FIELD(angularPitch);
    WORMPAIR_FIELD(wrappedTeeth);
    WORMPAIR_FIELD(workingHalfWrapAngle);
    WORMPAIR_FIELD(wormWorkingLength);
    WORMPAIR_FIELD(shoulder);
    WORMPAIR_FIELD(throatLeadAngleRadians);
    WORMPAIR_FIELD(throatLeadAngle);
    WORMPAIR_FIELD(pressureAngle);
    WORMPAIR_FIELD(circularPitch);
    WORMPAIR_FIELD(inclinationAngleOffset);
    WORMPAIR_FIELD(motherPlaneInclination);
    WORMPAIR_FIELD(motherPlaneInclinationText);
    WORMPAIR_FIELD(wormToothThickness);
    WORMPAIR_FIELD(wormNormalChordalThickness);
    WORMPAIR_FIELD(wormNormalChordalHeight);
    WORMPAIR_FIELD(hobTipArcRadius);
    WORMPAIR_FIELD(wormThroatRootDiameterShown);
    WORMPAIR_FIELD(hobRootArcRadius);
    WORMPAIR_FIELD(hobWrappedTeeth);
    WORMPAIR_FIELD(hobHalfWrapAngle);
    WORMPAIR_FIELD(hobEffectiveLength);
    WORMPAIR_FIELD(hobNormalChordalThickness);
    WORMPAIR_FIELD(hobToothThickness);
    WORMPAIR_FIELD(hobNormalChordalHeight);
    WORMPAIR_FIELD(wheelOutsideDiameter);
    WORMPAIR_FIELD(wheelToothThickness);
    WORMPAIR_FIELD(wheelNormalChordalThickness);
    WORMPAIR_FIELD(wheelNormalChordalHeight);
    WORMPAIR_FIELD(rimWorkingWidth);
    WORMPAIR_FIELD(wheelThroatDiameter);
    WORMPAIR_FIELD(largestWormTipDiameter);
    WORMPAIR_FIELD(wheelTipArcRadius);
    WORMPAIR_FIELD(wormTipWidth);
    WORMPAIR_FIELD(hobTipWidth);
    WORMPAIR_FIELD(modifiedRatio);
    WORMPAIR_FIELD(modifiedCentreDistance);
    WORMPAIR_FIELD(modifiedWheelReferenceDiameter);
    WORMPAIR_FIELD(modifiedMainBaseDiameter);
    WORMPAIR_FIELD(modifiedPressureAngle);
    WORMPAIR_FIELD(modifiedInclination);
#undef WORMPAIR_FIELD
}

}  // namespace wormpair
