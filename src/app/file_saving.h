#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/platform.h"

namespace wormpair {

// Asks for a file of `kind` (the extension added when the name lacks it; an
// existing file replaced only when the user agrees) and writes what `bytes`
// makes, away from the window's thread, through the safe replacement; a
// failure is shown. False when cancelled or failed.
bool saveChosenFile(const Platform& platform, FileDialogs::Kind kind, const QString& filter,
                    const QString& extension, const QString& proposed,
                    const std::function<std::vector<std::uint8_t>()>& bytes);

}  // namespace wormpair
