#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/file_replace.h"

namespace wormpair {

class ParameterDatabase;

inline constexpr const char* kSettingsFileFilter = "*.ccq|*.ccq";
inline constexpr const char* kSettingsFileExtension = ".ccq";

// A settings file refused or a change that failed; what() is the Chinese
// message for the user. The live database is unchanged when it is thrown.
class SettingsFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Why the bytes of a settings file are no usable rules (see checkRules);
// empty when they are. Reads them in memory only.
QString settingsFileProblem(const std::vector<std::uint8_t>& bytes);

// Restore and load check the file they read (read-only, in memory), make the
// normalised database of its rules and put that into db1.mdb through
// SQLite's online backup: one transaction that waits for other writers and
// honours a journal a killed writer left. A refused or failed change leaves
// db1.mdb as it was.
void restoreFactorySettings(const ParameterDatabase& database);
void loadUserSettings(const ParameterDatabase& database, const QString& path);
// Writes the normalised database of db1.mdb's rules to exactly this path
// (the caller appends ".ccq"); loading it gives the same rules.
void saveUserSettings(const ParameterDatabase& database, const QString& path,
                      const WriteFunction& write = {});

// Why the rules may not be saved to target (a name settingsFileName gave):
// the chosen name is empty (it would make a hidden ".ccq"), or target is one
// of the program's own files, such as the factory rules db1.ccq (see
// programFileProblem). A Chinese message; empty when they may.
// saveUserSettings refuses such a target as well.
QString settingsTargetProblem(const ParameterDatabase& database, const QString& target);

// The name a settings file is saved under: ".ccq" always appended.
QString settingsFileName(const QString& chosen);

}  // namespace wormpair
