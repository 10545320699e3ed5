#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// The sixteen calculation-rule coefficients, in the row order of table nzhi.

namespace wormpair {

struct CoefficientSet {
    double wormDiameterExponent = 0;  // 1: exponent of a in the recommended worm diameter
    double dedendumFactor = 0;        // 2
    double addendumFactor = 0;        // 3
    double wrapDeduction = 0;         // 4
    double reservedCoefficient = 0;   // 5: kept with the others, read by no formula
    double wheelToothShare = 0;       // 6
    double shoulderFactor = 0;        // 7
    double wrapAddition = 0;          // 8
    double hobClearanceFactor = 0;    // 9
    double hobRootArcIncrement = 0;   // 10
    double hobWrapDeduction = 0;      // 11
    double hobWrapAddition = 0;       // 12
    double wheelTipArcFactor = 0;     // 13
    double wheelOutsideFactor = 0;    // 14
    double rimWidthFactor = 0;        // 15
    double wrappedTeethLimit = 0;     // 16

    static constexpr std::size_t kCount = 16;

    // Coefficient number n (1 to 16) as a reference, for loading row by row.
    double& operator[](std::size_t number);
    double operator[](std::size_t number) const;

    static std::string_view name(std::size_t number);

    // The factory set, shipped in the parameter database as well.
    static CoefficientSet factory();
};

}  // namespace wormpair
