// Reading a workbook of N bytes takes at most a small multiple of N in
// memory, whatever the file claims. Every allocation of this executable is
// counted, so the peak of a read is measured, not estimated.
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "corpus_files.h"
#include "hostile_workbooks.h"
#include "xls/xls_read_write.h"

namespace {

std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};

void* allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    const std::size_t live = g_live += malloc_usable_size(p);
    std::size_t peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
    return p;
}

void release(void* p) noexcept {
    if (p == nullptr) return;
    g_live -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }

namespace wormpair::xls {
namespace {

namespace hostile = wormpair::testing::hostile;

// The bound: this many times the file size, plus a fixed allowance for the
// small tables every read builds.
constexpr std::size_t kFactor = 32;
constexpr std::size_t kAllowance = 64 * 1024;

struct Measured {
    std::size_t readPeak = 0;
    std::size_t peak = 0;  // over the read and the write
    bool loaded = false;
};

// The peak above what was live before, over a read and, when the file
// loads, a write of the workbook read.
Measured measure(const std::vector<std::uint8_t>& bytes) {
    Measured result;
    const std::size_t before = g_live.load();
    g_peak = before;
    {
        TXLSReadWriteII4 workbook;
        try {
            workbook.readFromBytes(bytes);
            result.readPeak = g_peak.load() - before;
            result.loaded = true;
            (void)workbook.writeToBytes();
        } catch (const XlsError&) {
        }
    }
    result.peak = g_peak.load() - before;
    return result;
}

TEST(MemoryBound, HostileCorpusAndSeedWorkbooks) {
    std::vector<hostile::Named> files = hostile::all();
    for (const auto& path : testing::validCorpusFiles()) {
        files.push_back({path.filename().string(), testing::readBytes(path)});
    }
    // the fuzzer's seeds as committed
    for (const auto& path : testing::xlsFilesIn(WORMPAIR_SOURCE_DIR "fuzz/corpus")) {
        files.push_back({"seed " + path.filename().string(), testing::readBytes(path)});
    }
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const Measured m = measure(bytes);
        if (m.loaded) {
            std::printf("%-36s %7zu bytes: read %4.1f x, read and write %4.1f x\n", name.c_str(),
                        bytes.size(), double(m.readPeak) / double(bytes.size()),
                        double(m.peak) / double(bytes.size()));
        } else {
            std::printf("%-36s %7zu bytes: refused after %4.1f x\n", name.c_str(), bytes.size(),
                        double(m.peak) / double(bytes.size()));
        }
        EXPECT_LE(m.peak, kFactor * bytes.size() + kAllowance);
    }
}

}  // namespace
}  // namespace wormpair::xls
