#pragma once

#include "updater/release_update.h"

namespace wormpair::updater {

// Fetches over HTTP(S) with Qt Network, waiting in a local event loop (the
// window stays painted and its cancel button works). Gives up when no byte
// arrives for the idle time-out, when the whole transfer exceeds its total
// time-out, and as soon as more than the limit is announced or received.
class QtReleaseDownloader : public ReleaseDownloader {
  public:
    FetchResult fetch(const QString& address, const FetchLimits& limits) override;
    // Stops the transfer under way and every later one.
    void cancel();

  private:
    bool m_cancelled = false;
    std::function<void()> m_abort;
};

}  // namespace wormpair::updater
