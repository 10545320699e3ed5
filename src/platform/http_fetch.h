#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

// One HTTP(S) fetch into memory, with the limits every download of the
// program needs: a size it may not pass, a time without any byte after
// which it gives up, and a time for the whole transfer.

namespace wormpair {

struct FetchLimits {
    std::int64_t maxBytes = 0;
    std::chrono::milliseconds idleTimeout{0};   // no byte for this long: give up
    std::chrono::milliseconds totalTimeout{0};  // the whole transfer
};

struct FetchResult {
    enum class Status { Ok, Unreachable, HttpError, TooLarge, TimedOut, Cut, Cancelled };
    Status status = Status::Unreachable;
    QByteArray body;  // empty unless Ok
    int httpStatus = 0;
};

// Fetches with Qt Network, waiting in a local event loop (windows stay
// painted, a cancel button works). Gives up as soon as more than the limit
// is announced or received.
class HttpFetcher {
  public:
    FetchResult fetch(const QString& address, const FetchLimits& limits);
    // Stops the transfer under way and every later one.
    void cancel();

  private:
    bool m_cancelled = false;
    std::function<void()> m_abort;
};

}  // namespace wormpair
