#include "store/startup_load.h"

#include <exception>

#include "store/parameter_schema.h"

namespace wormpair {

StartupLoadResult loadCoefficients(const ParameterDatabase& database, CoefficientSet& coefficients) {
    StartupLoadResult result;
    try {
        readCoefficients(database.readTable(schema::nzhi::kTable), coefficients,
                         result.differsFromFactory);
        result.ok = true;
    } catch (const std::exception& e) {
        result.error = QString::fromStdString(e.what());
    }
    ParameterDatabase::releaseConnections();
    return result;
}

}  // namespace wormpair
