#include "manual_fonts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>

#include <map>
#include <set>
#include <stdexcept>
#include <vector>

namespace manuals {

namespace {

[[noreturn]] void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

void need(const QByteArray& data, qsizetype at, qsizetype size) {
    if (at < 0 || size < 0 || at + size > data.size()) fail("font data ends inside a table");
}

quint32 u16(const QByteArray& d, qsizetype at) {
    need(d, at, 2);
    return quint32(static_cast<unsigned char>(d.at(at))) << 8 |
           static_cast<unsigned char>(d.at(at + 1));
}

quint32 u32(const QByteArray& d, qsizetype at) { return u16(d, at) << 16 | u16(d, at + 2); }

void put16(QByteArray& d, qsizetype at, quint32 value) {
    need(d, at, 2);
    d[at] = char(value >> 8 & 0xFF);
    d[at + 1] = char(value & 0xFF);
}

void put32(QByteArray& d, qsizetype at, quint32 value) {
    put16(d, at, value >> 16);
    put16(d, at + 2, value & 0xFFFF);
}

bool isIdeograph(quint32 c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF);
}

using CodeToGlyph = std::map<quint32, quint32>;

// A format 4 or format 12 character map at a position of the font data.
class CharacterMap {
  public:
    CharacterMap(QByteArray& data, qsizetype at) : m_d(data), m_at(at), m_format(u16(data, at)) {}

    bool supported() const { return m_format == 4 || m_format == 12; }

    CodeToGlyph decode() const {
        CodeToGlyph map;
        if (m_format == 12) {
            const quint32 groups = u32(m_d, m_at + 12);
            for (quint32 g = 0; g < groups; ++g) {
                const qsizetype at = m_at + 16 + qsizetype(g) * 12;
                const quint32 first = u32(m_d, at), last = u32(m_d, at + 4);
                const quint32 glyph = u32(m_d, at + 8);
                if (last < first || last - first > 0x10FFFF) fail("bad character group");
                for (quint32 c = first; c <= last; ++c) map[c] = glyph + (c - first);
            }
        } else {
            const quint32 segments = u16(m_d, m_at + 6) / 2;
            for (quint32 s = 0; s < segments; ++s) {
                const quint32 first = start(s), last = end(s);
                for (quint32 c = first; c <= last && c != 0xFFFF; ++c) {
                    if (const quint32 glyph = format4Glyph(s, c)) map[c] = glyph;
                }
            }
        }
        return map;
    }

    // Maps the code point to glyph 0; false when the table holds it in a run
    // of code points that cannot be split in place.
    bool unmap(quint32 code) {
        if (m_format == 12) {
            const quint32 groups = u32(m_d, m_at + 12);
            for (quint32 g = 0; g < groups; ++g) {
                const qsizetype at = m_at + 16 + qsizetype(g) * 12;
                if (u32(m_d, at) == code && u32(m_d, at + 4) == code) {
                    put32(m_d, at + 8, 0);
                    return true;
                }
            }
            return false;
        }
        const quint32 segments = u16(m_d, m_at + 6) / 2;
        for (quint32 s = 0; s < segments; ++s) {
            if (code < start(s) || code > end(s)) continue;
            if (rangeOffset(s) != 0) {
                put16(m_d, glyphIndexAddress(s, code), 0);
                return true;
            }
            if (start(s) != code || end(s) != code) return false;
            put16(m_d, deltaAddress(s), (0x10000 - code) & 0xFFFF);  // code + delta = 0
            return true;
        }
        return false;
    }

  private:
    quint32 segments() const { return u16(m_d, m_at + 6) / 2; }
    quint32 end(quint32 s) const { return u16(m_d, m_at + 14 + 2 * s); }
    quint32 start(quint32 s) const { return u16(m_d, m_at + 16 + 2 * (segments() + s)); }
    qsizetype deltaAddress(quint32 s) const { return m_at + 16 + 2 * (2 * segments() + s); }
    qsizetype rangeOffsetAddress(quint32 s) const { return m_at + 16 + 2 * (3 * segments() + s); }
    quint32 rangeOffset(quint32 s) const { return u16(m_d, rangeOffsetAddress(s)); }
    qsizetype glyphIndexAddress(quint32 s, quint32 c) const {
        return rangeOffsetAddress(s) + rangeOffset(s) + 2 * (c - start(s));
    }
    quint32 format4Glyph(quint32 s, quint32 c) const {
        const quint32 delta = u16(m_d, deltaAddress(s));
        if (rangeOffset(s) == 0) return (c + delta) & 0xFFFF;
        const quint32 glyph = u16(m_d, glyphIndexAddress(s, c));
        return glyph == 0 ? 0 : (glyph + delta) & 0xFFFF;
    }

    QByteArray& m_d;
    qsizetype m_at;
    quint32 m_format;
};

// Code points below an ideograph that share its glyph.
std::vector<quint32> codesSharingIdeographGlyphs(const CodeToGlyph& map) {
    std::map<quint32, std::vector<quint32>> byGlyph;
    for (const auto& [code, glyph] : map) {
        if (glyph != 0) byGlyph[glyph].push_back(code);
    }
    std::vector<quint32> codes;
    for (const auto& [glyph, sharing] : byGlyph) {
        if (sharing.size() < 2) continue;
        quint32 firstIdeograph = 0;
        for (const quint32 c : sharing) {
            if (isIdeograph(c)) {
                firstIdeograph = c;
                break;
            }
        }
        if (firstIdeograph == 0) continue;
        for (const quint32 c : sharing) {
            if (c < firstIdeograph && !isIdeograph(c)) codes.push_back(c);
        }
    }
    return codes;
}

std::vector<qsizetype> faceOffsets(const QByteArray& font) {
    if (font.startsWith("ttcf")) {
        std::vector<qsizetype> offsets;
        const quint32 count = u32(font, 8);
        for (quint32 i = 0; i < count; ++i) offsets.push_back(u32(font, 12 + 4 * qsizetype(i)));
        return offsets;
    }
    const quint32 version = u32(font, 0);
    if (version != 0x00010000 && version != 0x4F54544F /* OTTO */) fail("not an OpenType font");
    return {0};
}

}  // namespace

int unmapCodePointsSharedWithIdeographs(QByteArray& font) {
    std::set<qsizetype> subtables;
    for (const qsizetype face : faceOffsets(font)) {
        const quint32 tables = u16(font, face + 4);
        for (quint32 t = 0; t < tables; ++t) {
            const qsizetype record = face + 12 + 16 * qsizetype(t);
            need(font, record, 16);
            if (font.mid(record, 4) != "cmap") continue;
            const qsizetype cmap = u32(font, record + 8);
            const quint32 count = u16(font, cmap + 2);
            for (quint32 s = 0; s < count; ++s) {
                subtables.insert(cmap + u32(font, cmap + 4 + 8 * qsizetype(s) + 4));
            }
        }
    }
    int unmapped = 0;
    for (const qsizetype at : subtables) {
        CharacterMap map(font, at);
        if (!map.supported()) continue;
        for (const quint32 code : codesSharingIdeographGlyphs(map.decode())) {
            if (map.unmap(code)) ++unmapped;
        }
    }
    return unmapped;
}

void useOnlyTheseFonts(const QStringList& fontFiles, const QString& directory) {
    QDir().mkpath(directory);
    for (const QString& path : fontFiles) {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly)) fail("cannot read the font " + path);
        QByteArray data = in.readAll();
        if (path.endsWith(".ttc") || path.endsWith(".otf"))
            unmapCodePointsSharedWithIdeographs(data);
        QFile out(directory + "/" + QFileInfo(path).fileName());
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(data) != data.size()) {
            fail("cannot write the font copy " + out.fileName());
        }
    }
    const QString config = directory + "/fonts.conf";
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        fail("cannot write " + config);
    }
    const QString dir = QDir(directory).absolutePath().toHtmlEscaped();
    file.write(QStringLiteral("<?xml version=\"1.0\"?>\n"
                              "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
                              "<fontconfig>\n  <dir>%1</dir>\n  <cachedir>%1/cache</cachedir>\n"
                              "</fontconfig>\n")
                   .arg(dir)
                   .toUtf8());
    file.close();
    qputenv("FONTCONFIG_FILE", QFile::encodeName(QDir(directory).absoluteFilePath("fonts.conf")));
}

void checkFontsAvailable() {
    const QStringList families = QFontDatabase::families();
    for (const QString& family : {kLatinFamily, kChineseFamily}) {
        if (!families.contains(family)) {
            fail("font family " + family +
                 " not found (packages fonts-dejavu-core, fonts-noto-cjk)");
        }
    }
}

}  // namespace manuals
