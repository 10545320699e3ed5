#pragma once

#include <QString>

#include <array>
#include <chrono>
#include <vector>

#include "store/sqlite_connection.h"

// The six tables of the rules as values, read from a database only after it
// has been checked, and the normalised database made from them: a fresh
// database of this program's own schema holding those rows and nothing else
// (no views, triggers, other tables or settings of the file they came from).

namespace wormpair {

struct RulesContent {
    // rows of each table of schema::kAllTables in stored order, each with
    // the columns of schema::tableDefinitions()
    std::array<std::vector<StoredRow>, 6> tables;
};

struct CheckedRules {
    QString problem;  // why the database is no usable rules (Chinese); empty when it is
    RulesContent content;
};

// A statement of the check that runs longer is stopped: a hostile schema
// cannot keep the program busy.
inline constexpr std::chrono::milliseconds kCheckTimeLimit{2000};

// Checks a database and reads its rules: PRAGMA integrity_check; the six
// tables as real tables with this program's columns by name, type and
// position; 16 rows in nzhi whose N read as finite numbers; grade and relief
// tables that are not empty, whose bounds read as numbers and that cover
// the program's range; relief amounts that read as numbers; every value
// within schema::limits (rulesValueProblem). The connection
// is set up to distrust the file's schema and to stop statements after
// kCheckTimeLimit.
CheckedRules checkRules(SqliteConnection& source);

// The normalised database of the rules, in memory: rollback journal, pages
// of 4096 bytes, the same bytes for the same rows.
SqliteConnection normalisedDatabase(const RulesContent& rules);

}  // namespace wormpair
