#pragma once

#include <QJsonObject>
#include <QTextStream>

#include "calc/calculate.h"
#include "calc/result_collector.h"

namespace wormpair {

// {"ok", "message", "labels", "warnings"} of one Calculate run.
QJsonObject resultJson(const CalculationResult& result, const ResultCollector& view);

// Every field of the record by its name.
QJsonObject recordJson(const DesignRecord& record);

// The result groups as a person at a terminal reads them.
void printResultGroups(const CalculationResult& result, const ResultCollector& view,
                       QTextStream& out);

}  // namespace wormpair
