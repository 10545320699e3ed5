#pragma once

#include "calc/coefficients.h"
#include "store/parameter_database.h"

#include <QString>

// Loading the calculation-rule coefficients when the program starts.

namespace wormpair {

struct StartupLoadResult {
    bool ok = false;
    bool differsFromFactory = false;  // some row's N differs from its factory value
    QString error;                    // why loading failed; empty when ok
};

// Reads the 16 coefficients from table nzhi into coefficients[1..16] (see
// readCoefficients) and closes every connection again. Values stored before
// a failure stay in the set.
StartupLoadResult loadCoefficients(const ParameterDatabase& database, CoefficientSet& coefficients);

}  // namespace wormpair
