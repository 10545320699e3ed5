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

// A settings file refused or a copy that failed; what() is the Chinese
// message for the user. The live database is unchanged when it is thrown.
class SettingsFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Why the bytes are not a usable parameter database: an SQLite database with
// the six tables, 16 rows in nzhi whose N read as finite numbers, grade
// tables whose bounds read as numbers. Empty when they are.
QString settingsFileProblem(const std::vector<std::uint8_t>& bytes);

// Whole-file copies of the parameter database. Every connection of this
// program to it is closed first; the new file is checked before it replaces
// db1.mdb, and replaces it atomically, so a refused or interrupted copy
// leaves the old database byte for byte.
void restoreFactorySettings(const ParameterDatabase& database, const WriteFunction& write = {});
void loadUserSettings(const ParameterDatabase& database, const QString& path,
                      const WriteFunction& write = {});
// Copies db1.mdb to exactly this path (the caller appends ".ccq").
void saveUserSettings(const ParameterDatabase& database, const QString& path,
                      const WriteFunction& write = {});

// The name a settings file is saved under: ".ccq" always appended.
QString settingsFileName(const QString& chosen);

}  // namespace wormpair
