#include "updater/update_messages.h"
#include "updater/release_update.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <filesystem>
#include <vector>

#include "platform/text.h"
#include "updater/release_install.h"
#include "updater/release_manifest.h"
#include "updater/release_signature.h"

namespace wormpair::updater {

namespace {

namespace fs = std::filesystem;

const QString kCaption = QString::fromUtf8("在线升级");
const QString kUnchanged = QString::fromUtf8("\n\n程序未作任何改动。");

QString u(const char* text) { return QString::fromUtf8(text); }

// Raised inside the run with the outcome and what the user is told.
struct Stop {
    UpdateOutcome outcome;
    QString message;
};

QString reasonOf(const FetchResult& result) {
    switch (result.status) {
        case FetchResult::Status::Ok:
            return {};
        case FetchResult::Status::Unreachable:
            return u("无法连接升级服务器");
        case FetchResult::Status::HttpError:
            return u("服务器返回错误 %1").arg(result.httpStatus);
        case FetchResult::Status::TooLarge:
            return u("文件超过允许的大小");
        case FetchResult::Status::TimedOut:
            return u("服务器长时间没有响应");
        case FetchResult::Status::Cut:
            return u("连接中断，文件不完整");
        case FetchResult::Status::Cancelled:
            return u("下载已取消");
    }
    return {};
}

// The first line of v.txt, as the main program reads it.
QString installedVersion(const fs::path& programDir) {
    const std::optional<QString> line =
        firstLineOf(QFile::decodeName(QByteArray::fromStdString((programDir / "v.txt").string())));
    if (!line) throw FileReplaceError("无法读取版本文件 v.txt");
    return *line;
}

class Run {
  public:
    Run(const UpdateSettings& settings, const UpdateSeams& seams)
        : m_settings(settings), m_seams(seams) {}

    UpdateOutcome perform() {
        const QString base = serverBase();
        if (m_settings.publicKey.size() != kPublicKeyBytes) {
            throw Stop{UpdateOutcome::NotConfigured, u(kNoUpdateKeyMessage)};
        }
        std::error_code error;
        const fs::path programDir =
            fs::canonical(QFile::encodeName(m_settings.programDir).toStdString(), error);
        QString installed;
        try {
            if (error) throw FileReplaceError("找不到程序所在文件夹");
            installed = installedVersion(programDir);
        } catch (const FileReplaceError&) {
            throw Stop{UpdateOutcome::VersionUnknown,
                       u("无法读取当前版本文件 v.txt，请重新安装软件。")};
        }
        // only a newer version is installed, so the installed one must be known
        const std::optional<ReleaseVersion> installedRelease = parseVersion(installed);
        if (!installedRelease) {
            throw Stop{UpdateOutcome::VersionUnknown,
                       u("无法识别当前版本“%1”（v.txt），请重新安装软件。").arg(installed)};
        }

        report(u("正在获取升级信息……"), 0, 0);
        // the time keeps caches between us and the server out of the way
        const QString query = "?t=" + QString::number(QDateTime::currentMSecsSinceEpoch());
        const QByteArray manifestBytes =
            fetchSmall(base + kManifestPath + query, kManifestLimit, u("升级信息"));
        const QByteArray signature =
            fetchSmall(base + kSignaturePath + query, kSignatureBytes, u("升级信息的签名"));
        // nothing from the server is read before its signature is checked
        if (!verifySignature(manifestBytes, signature, m_settings.publicKey)) {
            throw Stop{
                UpdateOutcome::BadSignature,
                u("升级信息的签名无效（可能已被篡改，或不是本软件发布的升级），升级已停止。") +
                    kUnchanged};
        }
        ReleaseManifest manifest;
        try {
            manifest = parseManifest(manifestBytes);
        } catch (const ManifestError& bad) {
            throw Stop{UpdateOutcome::BadManifest,
                       bad.message() + u("。升级已停止。") + kUnchanged};
        }
        const int order = compareVersions(*parseVersion(manifest.version), *installedRelease);
        if (order == 0) {
            throw Stop{UpdateOutcome::UpToDate, u("当前已是最新版本：") + installed};
        }
        if (order < 0) {
            throw Stop{UpdateOutcome::Older, u("服务器上的版本 %1 比当前版本 %2 旧，不会安装。")
                                                     .arg(manifest.version, installed) +
                                                 kUnchanged};
        }
        const QString question =
            u("发现新版本 %1（当前版本 %2）。\n\n更新内容：\n%3\n\n是否现在升级？")
                .arg(manifest.version, installed, manifest.notes);
        if (!m_seams.messages.askYesNo(question)) return UpdateOutcome::Declined;

        DirectoryLock lock = lockOf(programDir);
        checkOrStop(programDir, manifest);
        const std::vector<QByteArray> contents = download(base, manifest);
        report(u("正在安装……"), 0, 0);
        try {
            installRelease(programDir, manifest, contents, m_settings.write);
        } catch (const InstallError& failed) {
            if (failed.kind() == InstallError::Kind::Damaged) {
                throw Stop{UpdateOutcome::Damaged,
                           u("升级失败：") + failed.message() + u("。\n\n请重新安装软件。")};
            }
            throw Stop{UpdateOutcome::Restored,
                       u("升级失败：") + failed.message() + u("，已恢复原有文件。") + kUnchanged};
        }
        report(u("升级完成"), 1, 1);
        m_seams.messages.inform(
            u("升级完成，当前版本：%1。\n程序将重新启动。").arg(manifest.version), kCaption);
        return UpdateOutcome::Installed;
    }

  private:
    QString serverBase() const {
        QString base = m_settings.serverUrl.trimmed();
        while (base.endsWith('/')) base.chop(1);
        if (base.isEmpty()) {
            throw Stop{UpdateOutcome::NotConfigured, u(kNoUpdateServerMessage)};
        }
        const QUrl url(base, QUrl::StrictMode);
        if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https") ||
            url.host().isEmpty() || url.hasQuery() || url.hasFragment()) {
            throw Stop{UpdateOutcome::NotConfigured, u("升级服务器地址无效：") + base};
        }
        return base;
    }

    void report(const QString& text, std::int64_t done, std::int64_t total) const {
        if (m_seams.progress) m_seams.progress(text, done, total);
    }

    std::chrono::milliseconds totalTimeout(std::int64_t bytes) const {
        const std::int64_t rate = std::max<std::int64_t>(1, m_settings.minimumBytesPerSecond);
        return m_settings.fixedTimeout + std::chrono::milliseconds(bytes * 1000 / rate);
    }

    QByteArray fetchSmall(const QString& address, std::int64_t limit, const QString& what) {
        const FetchResult result =
            m_seams.downloader.fetch(address, {limit, m_settings.idleTimeout, totalTimeout(limit)});
        if (result.status != FetchResult::Status::Ok) {
            throw Stop{UpdateOutcome::ServerFailed,
                       u("无法获取%1（%2），请检查网络连接后重试。").arg(what, reasonOf(result)) +
                           kUnchanged};
        }
        return result.body;
    }

    static DirectoryLock lockOf(const fs::path& programDir) {
        try {
            return DirectoryLock(programDir);
        } catch (const InstallError& busy) {
            throw Stop{UpdateOutcome::Busy, busy.message() + u("，请稍后再试。") + kUnchanged};
        }
    }

    static void checkOrStop(const fs::path& programDir, const ReleaseManifest& manifest) {
        try {
            checkInstallable(programDir, manifest);
        } catch (const InstallError& refused) {
            if (refused.kind() == InstallError::Kind::UnsafePath) {
                throw Stop{UpdateOutcome::UnsafePath, u("升级文件的位置不安全：") +
                                                          refused.message() + u("。升级已停止。") +
                                                          kUnchanged};
            }
            throw Stop{UpdateOutcome::Unwritable,
                       u("程序目录不可写，无法升级（") + refused.message() +
                           u("）。\n请以有写入权限的用户运行升级程序。") + kUnchanged};
        }
    }

    std::vector<QByteArray> download(const QString& base, const ReleaseManifest& manifest) {
        std::int64_t total = 0;
        for (const ReleaseFile& file : manifest.files) total += file.size;
        std::vector<QByteArray> contents;
        std::int64_t done = 0;
        for (std::size_t i = 0; i < manifest.files.size(); ++i) {
            const ReleaseFile& file = manifest.files[i];
            report(u("正在下载 %1（%2/%3）……").arg(file.path).arg(i + 1).arg(manifest.files.size()),
                   done, total);
            const QString address = base + kFilesPath + QString::fromLatin1(file.sha256.toHex());
            FetchResult result = m_seams.downloader.fetch(
                address, {file.size, m_settings.idleTimeout, totalTimeout(file.size)});
            if (result.status != FetchResult::Status::Ok) {
                throw Stop{
                    UpdateOutcome::DownloadFailed,
                    u("下载升级文件 %1 失败（%2），升级已停止。").arg(file.path, reasonOf(result)) +
                        kUnchanged};
            }
            if (result.body.size() != file.size || sha256(result.body) != file.sha256) {
                throw Stop{
                    UpdateOutcome::HashMismatch,
                    u("升级文件 %1 的校验值与升级信息不符（文件已损坏或被篡改），升级已停止。")
                            .arg(file.path) +
                        kUnchanged};
            }
            done += file.size;
            contents.push_back(std::move(result.body));
        }
        report(u("下载完成"), total, total);
        return contents;
    }

    const UpdateSettings& m_settings;
    const UpdateSeams& m_seams;
};

}  // namespace

UpdateOutcome runUpdate(const UpdateSettings& settings, const UpdateSeams& seams) {
    UpdateOutcome outcome;
    try {
        outcome = Run(settings, seams).perform();
    } catch (const Stop& stop) {
        outcome = stop.outcome;
        seams.messages.inform(stop.message, kCaption);
    } catch (const std::exception&) {
        // install puts files back itself; anything else failed before writing
        outcome = UpdateOutcome::Failed;
        seams.messages.inform(u("升级过程中出现意外错误，升级已停止。") + kUnchanged, kCaption);
    }
    const QString program = QDir(settings.programDir).filePath(kProgramName);
    if (!seams.processes.start(program, {})) {
        seams.messages.inform(u("无法启动主程序 %1，请手动启动。").arg(program), kCaption);
    }
    return outcome;
}

}  // namespace wormpair::updater
