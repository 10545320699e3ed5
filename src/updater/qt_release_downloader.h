#pragma once

#include "platform/http_fetch.h"
#include "updater/release_update.h"

namespace wormpair::updater {

// The release downloads over the program's one HTTP fetch.
class QtReleaseDownloader : public ReleaseDownloader {
  public:
    FetchResult fetch(const QString& address, const FetchLimits& limits) override {
        return m_fetcher.fetch(address, limits);
    }
    // Stops the transfer under way and every later one.
    void cancel() { m_fetcher.cancel(); }

  private:
    HttpFetcher m_fetcher;
};

}  // namespace wormpair::updater
