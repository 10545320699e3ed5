#include "platform/recent_folders.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <string_view>

#include "platform/file_replace.h"

namespace wormpair {

namespace {

using Kind = FileDialogs::Kind;

constexpr std::array<std::pair<Kind, std::string_view>, 6> kKeys = {{
    {Kind::Design, "design"},
    {Kind::Sheet, "sheet"},
    {Kind::Drawing, "drawing"},
    {Kind::Model, "model"},
    {Kind::Rules, "rules"},
    {Kind::Series, "series"},
}};

}  // namespace

RecentFolders::RecentFolders(QString file) : m_file(std::move(file)) {
    if (m_file.isEmpty()) return;
    QFile stored(m_file);
    if (!stored.open(QIODevice::ReadOnly)) return;
    // a few short lines; anything larger is not ours
    const QByteArray content = stored.read(64 * 1024);
    for (const QByteArray& line : content.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0) continue;
        const std::string_view key(line.constData(), std::size_t(equals));
        for (const auto& [kind, name] : kKeys) {
            if (name == key) m_folders[kind] = QString::fromUtf8(line.mid(equals + 1));
        }
    }
}

QString RecentFolders::folder(Kind kind) const {
    const auto found = m_folders.find(kind);
    if (found == m_folders.end() || !QFileInfo(found->second).isDir()) return {};
    return found->second;
}

void RecentFolders::remember(Kind kind, const QString& chosenFile) {
    const QString folder = QFileInfo(chosenFile).absolutePath();
    // a line break in a folder's name would split its line
    if (chosenFile.isEmpty() || folder.contains('\n') || m_folders[kind] == folder) return;
    m_folders[kind] = folder;
    if (m_file.isEmpty()) return;
    QByteArray content;
    for (const auto& [known, name] : kKeys) {
        const auto found = m_folders.find(known);
        if (found == m_folders.end() || found->second.isEmpty()) continue;
        content += QByteArray(name.data(), qsizetype(name.size())) + '=' + found->second.toUtf8() +
                   '\n';
    }
    try {
        replaceFile(QFile::encodeName(m_file).toStdString(),
                    {reinterpret_cast<const std::uint8_t*>(content.constData()),
                     std::size_t(content.size())});
    } catch (const FileReplaceError&) {
        // kept for this run
    }
}

}  // namespace wormpair
