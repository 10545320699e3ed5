#pragma once

#include "calc/coefficients.h"
#include "store/parameter_database.h"

#include <QString>

#include <functional>

// Loading the calculation-rule coefficients when the program starts.

namespace wormpair {

struct StartupLoadResult {
    bool ok = false;
    bool differsFromFactory = false;  // some row's N differs from its factory value
    QString error;                    // why loading failed; empty when ok
};

// Reads the 16 coefficients from field N ([2]) of table nzhi into
// coefficients[1..16], row by row from the first; with fewer than 16 rows the
// last row supplies the rest. Compares each N with the factory value ([3]) of
// its row. Then calls versionCheck (which may be empty). Values stored before
// a failure stay in the set.
// Whether a coefficient equals its factory value as the database stores
// them: two numbers compare as numbers, two texts as texts, else by text.
bool sameAsStored(const QVariant& value, const QVariant& factory);

StartupLoadResult loadCoefficients(const ParameterDatabase& database, CoefficientSet& coefficients,
                                   const std::function<void()>& versionCheck);

}  // namespace wormpair
