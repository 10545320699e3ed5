#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The release manifest the vendor publishes: a JSON document naming the
// version, what is new and every file of the release with its size and
// SHA-256. Its exact bytes are what the Ed25519 signature covers.

namespace wormpair::updater {

// Where the server keeps a release, below its base address.
inline constexpr char kManifestPath[] = "/uploads/update/manifest.json";
inline constexpr char kSignaturePath[] = "/uploads/update/manifest.json.sig";
// Files are stored under their SHA-256 (lower-case hex), so a name never
// needs escaping and the files of two releases never clash.
inline constexpr char kFilesPath[] = "/uploads/update/files/";

inline constexpr int kManifestFormat = 1;
inline constexpr char kProduct[] = "wormpair";

// Bounds of what the updater accepts from the server.
inline constexpr std::int64_t kManifestLimit = 256 * 1024;
inline constexpr std::int64_t kFileLimit = std::int64_t(256) * 1024 * 1024;
inline constexpr std::int64_t kReleaseLimit = std::int64_t(1024) * 1024 * 1024;
inline constexpr int kFileCountLimit = 1000;

struct ReleaseFile {
    QString path;  // relative to the program directory, '/' separated
    std::int64_t size = 0;
    QByteArray sha256;  // 32 raw bytes
    bool executable = false;
};

struct ReleaseManifest {
    QString version;
    QString notes;
    std::vector<ReleaseFile> files;
};

class ManifestError : public std::runtime_error {
  public:
    ManifestError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

  private:
    QString m_message;
};

// A version as v.txt writes it: "V", the major number, ".", the minor
// digits, read as a decimal number (V8.61 follows V8.601). Nothing else:
// no blanks, no sign, no leading zero in the major number and no trailing
// zero in the minor digits, so that one version has one text.
struct ReleaseVersion {
    std::uint32_t major = 0;
    std::string minorDigits;
};
std::optional<ReleaseVersion> parseVersion(const QString& text);
// Negative, zero or positive as a is older than, the same as or newer than b.
int compareVersions(const ReleaseVersion& a, const ReleaseVersion& b);

// Files the updater never writes from a release: the installed version
// (written by the updater itself), what the main program downloads, and the
// user's own rule set.
bool isProtectedName(const QString& path);

// Empty when path is a safe relative path inside the program directory,
// otherwise the reason (Chinese) why it is refused.
QString unsafePathReason(const QString& path);

// Throws ManifestError (Chinese message) on anything malformed.
ReleaseManifest parseManifest(const QByteArray& bytes);
QByteArray writeManifest(const ReleaseManifest& manifest);

}  // namespace wormpair::updater
