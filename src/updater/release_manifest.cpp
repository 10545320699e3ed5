#include "updater/release_manifest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace wormpair::updater {

namespace {

[[noreturn]] void refuse(const QString& what) {
    throw ManifestError(QString::fromUtf8("升级信息格式错误：") + what);
}

QString textField(const QJsonObject& object, const char* name, qsizetype limit) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isString()) refuse(QString::fromUtf8("缺少文本项 ") + name);
    const QString text = value.toString();
    if (text.size() > limit) refuse(QString::fromUtf8("文本项过长 ") + name);
    return text;
}

std::int64_t wholeNumber(const QJsonObject& object, const char* name, std::int64_t limit) {
    const QJsonValue value = object.value(QLatin1String(name));
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > double(limit) || number != std::floor(number)) {
        refuse(QString::fromUtf8("数值项无效 ") + name);
    }
    return static_cast<std::int64_t>(number);
}

}  // namespace

std::optional<ReleaseVersion> parseVersion(const QString& text) {
    // at most 9 digits each: the major number fits and the texts stay short
    static const QRegularExpression form(QStringLiteral("^V(0|[1-9][0-9]{0,8})\\.([0-9]{0,8}[1-9]|0)$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) return std::nullopt;
    return ReleaseVersion{match.captured(1).toUInt(), match.captured(2).toStdString()};
}

int compareVersions(const ReleaseVersion& a, const ReleaseVersion& b) {
    if (a.major != b.major) return a.major < b.major ? -1 : 1;
    // decimal fractions: pad the shorter with zeros, then compare the digits
    const std::size_t length = std::max(a.minorDigits.size(), b.minorDigits.size());
    const std::string x = a.minorDigits + std::string(length - a.minorDigits.size(), '0');
    const std::string y = b.minorDigits + std::string(length - b.minorDigits.size(), '0');
    return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);
}

bool isProtectedName(const QString& path) {
    static const QSet<QString> names = {"v.txt", "v-up.txt", "gg", "db1.mdb"};
    return names.contains(path);
}

QString unsafePathReason(const QString& path) {
    if (path.isEmpty()) return QString::fromUtf8("路径为空");
    if (path.toUtf8().size() > 1024) return QString::fromUtf8("路径过长");
    if (path.startsWith('/')) return QString::fromUtf8("绝对路径");
    for (const QChar c : path) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == '\\' || c == ':') {
            return QString::fromUtf8("路径含有不允许的字符");
        }
    }
    for (const QString& part : path.split('/')) {
        if (part.isEmpty() || part == "." || part == "..") {
            return QString::fromUtf8("路径指向程序目录之外或含有空的部分");
        }
        // the temporary names of the file replacement
        if (part.startsWith(".wp-")) return QString::fromUtf8("路径含有保留的名称");
        if (part.toUtf8().size() > 255) return QString::fromUtf8("文件名过长");
    }
    if (isProtectedName(path)) return QString::fromUtf8("该文件不能由升级程序替换");
    return {};
}

ReleaseManifest parseManifest(const QByteArray& bytes) {
    if (bytes.size() > kManifestLimit) refuse(QString::fromUtf8("文件过大"));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        refuse(QString::fromUtf8("不是有效的 JSON 对象"));
    }
    const QJsonObject root = document.object();
    if (root.value("format").toInt(-1) != kManifestFormat)
        refuse(QString::fromUtf8("版本格式不受支持"));
    if (root.value("product").toString() != QLatin1String(kProduct)) {
        refuse(QString::fromUtf8("不是本软件的升级信息"));
    }
    ReleaseManifest manifest;
    manifest.version = textField(root, "version", 100);
    if (!parseVersion(manifest.version)) {
        refuse(QString::fromUtf8("版本号无效（应为 V主版本.次版本，如 V8.601）"));
    }
    manifest.notes = textField(root, "notes", 20000);

    const QJsonValue files = root.value("files");
    if (!files.isArray() || files.toArray().isEmpty() || files.toArray().size() > kFileCountLimit) {
        refuse(QString::fromUtf8("文件列表无效"));
    }
    QSet<QString> seen;
    std::int64_t total = 0;
    for (const QJsonValue& entry : files.toArray()) {
        if (!entry.isObject()) refuse(QString::fromUtf8("文件列表无效"));
        const QJsonObject object = entry.toObject();
        ReleaseFile file;
        file.path = textField(object, "path", 1024);
        const QString reason = unsafePathReason(file.path);
        if (!reason.isEmpty())
            refuse(file.path + QString::fromUtf8("（") + reason + QString::fromUtf8("）"));
        if (seen.contains(file.path)) refuse(QString::fromUtf8("文件重复 ") + file.path);
        seen.insert(file.path);
        file.size = wholeNumber(object, "size", kFileLimit);
        file.sha256 = QByteArray::fromHex(textField(object, "sha256", 64).toLatin1());
        if (file.sha256.size() != 32 || file.sha256.toHex() != object.value("sha256").toString()) {
            refuse(QString::fromUtf8("校验值无效 ") + file.path);
        }
        const QJsonValue executable = object.value("executable");
        if (!executable.isUndefined() && !executable.isBool()) {
            refuse(QString::fromUtf8("可执行标志无效 ") + file.path);
        }
        file.executable = executable.toBool(false);
        total += file.size;
        if (total > kReleaseLimit) refuse(QString::fromUtf8("升级文件总量过大"));
        manifest.files.push_back(file);
    }
    return manifest;
}

QByteArray writeManifest(const ReleaseManifest& manifest) {
    QJsonArray files;
    for (const ReleaseFile& file : manifest.files) {
        files.append(QJsonObject{{"path", file.path},
                                 {"size", double(file.size)},
                                 {"sha256", QString::fromLatin1(file.sha256.toHex())},
                                 {"executable", file.executable}});
    }
    const QJsonObject root{{"format", kManifestFormat},
                           {"product", QLatin1String(kProduct)},
                           {"version", manifest.version},
                           {"notes", manifest.notes},
                           {"files", files}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

}  // namespace wormpair::updater
