#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "drawing/figure_source.h"

// The fonts the manuals are set in: DejaVu Sans for Latin letters, digits and
// symbols, Noto Sans CJK SC for Chinese. Both come from Debian's packages
// (fonts-dejavu-core, fonts-noto-cjk) and are embedded in every PDF.

namespace manuals {

using wormpair::drawing::kChineseFamily;
using wormpair::drawing::kLatinFamily;

// The CJK fonts map some radical and stroke code points (U+2F42 ⽂ and the
// like) to the same glyph as the ideograph (U+6587 文). A PDF writer that
// names each glyph by its lowest code point then makes the text read back as
// radicals, so that searching a manual for 文 finds nothing. This unmaps every
// code point that shares its glyph with a CJK ideograph and lies below it, in
// the format 4 and format 12 tables of every face of a font or collection.
// Returns the number of code points unmapped; throws std::runtime_error for
// data that is not an OpenType font.
int unmapCodePointsSharedWithIdeographs(QByteArray& font);

// Copies the font files into directory (CJK collections treated as above)
// and points fontconfig at that directory alone, so that the manuals come out
// the same whatever else the machine has installed. Call before the
// application object is created.
void useOnlyTheseFonts(const QStringList& fontFiles, const QString& directory);

// Throws std::runtime_error unless both families are available.
void checkFontsAvailable();

}  // namespace manuals
