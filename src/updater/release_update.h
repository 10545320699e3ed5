#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/file_replace.h"
#include "platform/http_fetch.h"
#include "platform/platform.h"

// One run of the online upgrade, from fetching the signed manifest to
// starting the program again. Everything it touches comes in as an argument,
// so tests drive it against a loopback server and a scripted desktop.

namespace wormpair::updater {

class ReleaseDownloader {
  public:
    virtual ~ReleaseDownloader() = default;
    virtual FetchResult fetch(const QString& address, const FetchLimits& limits) = 0;
};

struct UpdateSettings {
    QString programDir;    // the folder of the installed program
    QString serverUrl;     // base address; empty: no server
    QByteArray publicKey;  // Ed25519, 32 bytes; empty: updates disabled
    std::chrono::milliseconds idleTimeout{std::chrono::seconds(20)};
    std::chrono::milliseconds fixedTimeout{std::chrono::seconds(60)};
    // a file of n bytes may take fixedTimeout + n / minimumRate
    std::int64_t minimumBytesPerSecond = 16 * 1024;
    WriteFunction write;  // how the release's files are written (tests fail it)
};

enum class UpdateOutcome {
    NotConfigured,
    VersionUnknown,
    ServerFailed,
    BadSignature,
    BadManifest,
    UpToDate,
    Older,  // an older signed release (replayed by someone): never installed
    Declined,
    Busy,
    Unwritable,
    UnsafePath,
    DownloadFailed,
    HashMismatch,
    Restored,
    Damaged,
    Failed,  // anything unforeseen, before a file was written
    Installed,
};

// Called as the run goes on: a line of text and the bytes done of the total
// (0 of 0 while nothing is counted).
using ProgressFunction =
    std::function<void(const QString& text, std::int64_t done, std::int64_t total)>;

struct UpdateSeams {
    ReleaseDownloader& downloader;
    MessageBoxes& messages;
    Processes& processes;
    ProgressFunction progress;
};

// The program started again after every run, installed or not (the main
// program ended to let the updater work).
inline constexpr char kProgramName[] = "wormpair";

// Runs the whole upgrade, tells the user the result and starts the program
// again. Every outcome other than Installed and Damaged leaves the program
// directory exactly as it was.
UpdateOutcome runUpdate(const UpdateSettings& settings, const UpdateSeams& seams);

}  // namespace wormpair::updater
