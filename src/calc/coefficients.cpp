#include "calc/coefficients.h"

#include <stdexcept>

namespace wormpair {

namespace {

using Member = double CoefficientSet::*;

struct CoefficientInfo {
    Member member;
    std::string_view name;
    double factoryValue;
};

// The factory values; the parameter database ships the same numbers.
constexpr CoefficientInfo kCoefficients[CoefficientSet::kCount] = {
    {&CoefficientSet::wormDiameterExponent, "wormDiameterExponent", 0.875},
    {&CoefficientSet::dedendumFactor, "dedendumFactor", 0.9},
    {&CoefficientSet::addendumFactor, "addendumFactor", 0.7},
    {&CoefficientSet::wrapDeduction, "wrapDeduction", 0.45},
    {&CoefficientSet::reservedCoefficient, "reservedCoefficient", 0},
    {&CoefficientSet::wheelToothShare, "wheelToothShare", 0.55},
    {&CoefficientSet::shoulderFactor, "shoulderFactor", 1.2},
    {&CoefficientSet::wrapAddition, "wrapAddition", 0},
    {&CoefficientSet::hobClearanceFactor, "hobClearanceFactor", 0.1},
    {&CoefficientSet::hobRootArcIncrement, "hobRootArcIncrement", 0.5},
    {&CoefficientSet::hobWrapDeduction, "hobWrapDeduction", 0.45},
    {&CoefficientSet::hobWrapAddition, "hobWrapAddition", 1},
    {&CoefficientSet::wheelTipArcFactor, "wheelTipArcFactor", 0.5},
    {&CoefficientSet::wheelOutsideFactor, "wheelOutsideFactor", 1},
    {&CoefficientSet::rimWidthFactor, "rimWidthFactor", 0.9},
    {&CoefficientSet::wrappedTeethLimit, "wrappedTeethLimit", 9},
};

const CoefficientInfo& info(std::size_t number) {
    if (number < 1 || number > CoefficientSet::kCount) {
        throw std::out_of_range("coefficient number must be 1 to 16");
    }
    return kCoefficients[number - 1];
}

}  // namespace

double& CoefficientSet::operator[](std::size_t number) { return this->*info(number).member; }

double CoefficientSet::operator[](std::size_t number) const { return this->*info(number).member; }

std::string_view CoefficientSet::name(std::size_t number) { return info(number).name; }

CoefficientSet CoefficientSet::factory() {
    CoefficientSet set;
    for (std::size_t n = 1; n <= kCount; ++n) set[n] = info(n).factoryValue;
    return set;
}

}  // namespace wormpair
