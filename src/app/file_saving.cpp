#include "app/file_saving.h"

#include <QFileInfo>

#include "platform/file_replace.h"

namespace wormpair {

bool saveChosenFile(const Platform& platform, FileDialogs::Kind kind, const QString& filter,
                    const QString& extension, const QString& proposed,
                    const std::function<std::vector<std::uint8_t>()>& bytes) {
    QString target = platform.files.saveFileName(kind, filter, proposed);
    if (target.isEmpty()) return false;
    if (!target.endsWith(extension, Qt::CaseInsensitive)) target += extension;
    if (QFileInfo::exists(target) &&
        !platform.messages.askYesNo(
            QStringLiteral("文件“%1”已存在，是否替换？").arg(QFileInfo(target).fileName()))) {
        return false;
    }
    try {
        std::vector<std::uint8_t> data;
        const bool finished =
            platform.work.run(QStringLiteral("写出“%1”").arg(QFileInfo(target).fileName()),
                              [&](WorkProgress&) { data = bytes(); });
        if (!finished) return false;
        replaceFile(target.toStdString(), data);
    } catch (const std::exception& e) {
        platform.messages.inform(
            QStringLiteral("文件未能写入“%1”：%2").arg(target, QString::fromUtf8(e.what())),
            QString());
        return false;
    }
    return true;
}

}  // namespace wormpair
