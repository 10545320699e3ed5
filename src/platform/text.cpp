#include "platform/text.h"

#include <QFile>
#include <QStringDecoder>

namespace wormpair {

namespace {

constexpr qint64 kLargestTextFile = 64 * 1024;

}  // namespace

std::optional<QString> firstLineOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.read(kLargestTextFile);
    QByteArray line = bytes.left(bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'));
    if (line.endsWith('\r')) line.chop(1);
    if (line.startsWith("\xEF\xBB\xBF")) line.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(line);
    if (utf8.hasError()) {
        // a notice written on a Chinese Windows desktop
        QStringDecoder chinese("GB18030");
        if (chinese.isValid()) text = chinese.decode(line);
    }
    return text;
}

}  // namespace wormpair
