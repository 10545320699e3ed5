#pragma once

#include <QString>

#include <optional>
#include <string_view>

// Texts between the program's UTF-8 strings, Qt and small text files.

namespace wormpair {

inline QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The first line of a small text file (its first 64 KiB), without its line
// end or a byte-order mark, read as UTF-8 or else as GB18030; nothing when
// the file cannot be read.
std::optional<QString> firstLineOf(const QString& path);

}  // namespace wormpair
