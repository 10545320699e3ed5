#pragma once

#include <QString>
#include <QTextStream>

#include <memory>

#include "input/headless_session.h"

// What the commands that write from a design file share: the target checked
// against the program's own files, and the design opened and calculated as
// the window opens it.

namespace wormpair {

// Whether `target` may be written; says on err why not.
bool writableTarget(const QString& target, const QString& programDirectory, QTextStream& err);

// The design of `designFile` calculated with the program's rules; nullptr
// after saying on err why not (the rules, the file, or the calculation).
std::unique_ptr<HeadlessSession> openCalculatedDesign(const QString& programDirectory,
                                                      const QString& designFile,
                                                      QTextStream& err);

// Loads the coefficients into a session; on failure tells why and returns false.
bool loadSession(HeadlessSession& session, QTextStream& err);

// The calculated design as the window shows it, or as JSON.
void printSession(const HeadlessSession& session, bool json, QTextStream& out);

}  // namespace wormpair
