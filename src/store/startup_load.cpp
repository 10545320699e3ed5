#include "store/startup_load.h"

#include "calc/numeric.h"

#include <cmath>
#include <exception>

namespace wormpair {

namespace {

const QString kTable = QStringLiteral("nzhi");
constexpr int kValuePosition = 2;    // N
constexpr int kFactoryPosition = 3;  // factory value

double coefficientValue(const ParameterTable& table, int row) {
    const QVariant field = table.value(row, kValuePosition);
    if (isNumericField(field)) {
        // SQLite keeps 1e400 as an infinity; every calculation would then fail
        // and blame the user's input.
        const double value = field.toDouble();
        if (!std::isfinite(value)) {
            throw DatabaseError(
                QStringLiteral("coefficient in row %1 of nzhi is not a finite number")
                    .arg(row + 1));
        }
        return value;
    }
    if (field.typeId() == QMetaType::QString) {
        const QString text = field.toString();
        if (text.isEmpty()) {
            throw DatabaseError(
                QStringLiteral("coefficient in row %1 of nzhi is empty").arg(row + 1));
        }
        return parseReal(text.toStdString());
    }
    throw DatabaseError(
        QStringLiteral("coefficient in row %1 of nzhi is empty or not a number").arg(row + 1));
}

}  // namespace

bool sameAsStored(const QVariant& a, const QVariant& b) {
    if (isNumericField(a) && isNumericField(b)) return a.toDouble() == b.toDouble();
    return fieldText(a) == fieldText(b);
}

StartupLoadResult loadCoefficients(const ParameterDatabase& database, CoefficientSet& coefficients,
                                   const std::function<void()>& versionCheck) {
    StartupLoadResult result;
    try {
        const ParameterTable table = database.readTable(kTable);
        if (table.rowCount() == 0) throw DatabaseError(QStringLiteral("table nzhi is empty"));

        int row = 0;
        for (std::size_t number = 1; number <= CoefficientSet::kCount; ++number) {
            coefficients[number] = coefficientValue(table, row);
            if (!sameAsStored(table.value(row, kValuePosition),
                              table.value(row, kFactoryPosition))) {
                result.differsFromFactory = true;
            }
            // past the last row the last row stays current
            if (row + 1 < table.rowCount()) ++row;
        }

        if (versionCheck) versionCheck();
        result.ok = true;
    } catch (const std::exception& e) {
        result.error = QString::fromStdString(e.what());
    } catch (...) {
        result.error = QStringLiteral("unknown failure while loading the coefficients");
    }
    ParameterDatabase::releaseConnections();
    return result;
}

}  // namespace wormpair
