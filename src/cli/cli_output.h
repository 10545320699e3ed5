#pragma once

#include <QJsonObject>
#include <QTextStream>

#include <string_view>

#include "calc/calculate.h"
#include "calc/result_collector.h"

namespace wormpair {

// {"ok", "message", "labels", "warnings"} of one Calculate run.
QJsonObject resultJson(const CalculationResult& result, const ResultCollector& view);

// Every field of the record by its name.
QJsonObject recordJson(const DesignRecord& record);

// The result groups as a person at a terminal reads them; a notice that the
// inputs lie outside the range the rules cover follows the failure message.
void printResultGroups(const CalculationResult& result, const ResultCollector& view,
                       QTextStream& out, std::string_view rangeNotice = {});

// "rangeNotice" with the text, when there is one: the other fields stay as
// they are.
void addRangeNotice(QJsonObject& object, std::string_view rangeNotice);

class FormState;
class DesignController;

// {"ok", "message", "messages", "inputs", "accuracy", "labels", "warnings"} of
// a design made through the window's commands; once it calculated, also
// "geometry": what the grinding and the hob make of it, as texts.
QJsonObject designJson(const FormState& form, const DesignController& design,
                       const ResultCollector& view, bool ok);

// The inputs, the messages and the result groups for a person at a terminal.
void printDesign(const FormState& form, const DesignController& design,
                 const ResultCollector& view, bool ok, QTextStream& out);

}  // namespace wormpair
