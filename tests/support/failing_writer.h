#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <memory>

#include "platform/file_replace.h"

namespace wormpair::testing {

// A writer that passes the first `limit` bytes through and then fails as a
// full disk does.
inline WriteFunction failingAfter(std::size_t limit) {
    auto written = std::make_shared<std::size_t>(0);
    return [limit, written](int fd, const void* data, std::size_t size) -> long {
        if (*written >= limit) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t chunk = size < limit - *written ? size : limit - *written;
        const long n = ::write(fd, data, chunk);
        if (n > 0) *written += static_cast<std::size_t>(n);
        return n;
    };
}

// Lowers this process's file-size limit while it lives: a write past `bytes`
// fails with EFBIG, as on a full disk, whoever writes (SQLite too).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ignoreFileSizeSignal();
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit lowered{bytes, m_saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit m_saved{};
};

}  // namespace wormpair::testing
