#pragma once

#include <QString>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "calc/design_record.h"

// A calculated design as the drawings see it: the texts of the input fields,
// the grade's tolerance texts and the record.

namespace wormpair::drawing {

// What the recommend button writes for one set of basic inputs.
struct Recommendation {
    std::string centreDistance;        // Edit1
    std::string ratio;                 // Edit2, teeth / starts as the window writes it
    std::string wheelTeeth;            // Edit3
    std::string wormStarts;            // Edit4
    std::int64_t wormDiameterRaw = 0;  // before the five-step snap
    std::int64_t mainBaseRaw = 0;
    std::string mainBaseDiameter;   // Edit5
    std::string tipEccentricity;    // Edit6
    std::string wormDiameter;       // Edit7
    std::string grindingIncrement;  // Edit13
    std::string entryReliefAmount;  // from xiuyuan
    std::string entryRelief;        // Edit11: amount * length
    std::string exitRelief;         // Edit12
    int reliefAmountRow = 0;        // rows of xiuyuan and xiuyuanchangdu used
    int reliefLengthRow = 0;
};

// A complete design: recommendation, grade values and the calculation.
struct Design {
    Recommendation recommendation;
    std::string gradeText;    // 6, 7 or 8
    std::string backlash;     // Edit8: the standard backlash of the grade row
    std::string designation;  // Edit9
    std::string hand = "右旋";  // Edit10
    int gradeRow = 0;
    AccuracyValues accuracy;
    DesignRecord record;
    std::set<std::string> warnings;  // labels shown in red

    // The number a result label shows, from the record; throws
    // std::runtime_error for a name that is no result label.
    std::string value(const std::string& label) const;
};

// One curve of the chart of recommended diameters: recommendations for one
// ratio over the centre distances, in ascending order.
struct ChartSeries {
    QString ratio;
    std::vector<Recommendation> points;
};

}  // namespace wormpair::drawing
