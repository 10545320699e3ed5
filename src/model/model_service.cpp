#include "model/model_service.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <sstream>

namespace wormpair::model {

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

// The MB a message names: rounded up to ten.
long long roundedMiB(std::uint64_t bytes) {
    return 10 * static_cast<long long>(std::ceil(static_cast<double>(bytes) / kMiB / 10));
}

// A field of /proc/meminfo in bytes; 0 when absent.
std::uint64_t meminfoBytes(const std::string& field) {
    std::ifstream in("/proc/meminfo");
    std::string name;
    std::uint64_t kib = 0;
    std::string unit;
    while (in >> name >> kib) {
        std::getline(in, unit);
        if (name == field + ":") return kib * 1024;
    }
    return 0;
}

}  // namespace

std::uint64_t buildMemoryEstimate(const DesignRecord& record, ModelPart part) {
    // Peak resident sizes of the tool's builds, MB: the process with the
    // kernel loaded; each wheel tooth's faces, sampled along the rim width
    // (more densely on a multi-start worm's more twisted teeth); a thread
    // along its working length. Within 3 % for single-start wheels from
    // 160/45/1 to 1500/80/1; 355/40/2 and 800/60/3 take 3.6 and 3.9 times
    // a single start's teeth.
    constexpr double kProcess = 66;
    const double wheel = std::max(0, record.wheelTeeth) *
                         (1.05 + 0.0031 * std::max(0, record.rimWorkingWidth)) *
                         (record.wormStarts > 1 ? 3.7 : 1.0);
    const double thread = 13 + 0.04 * std::max(0.0, record.wormWorkingLength);
    const double parts = part == ModelPart::Wheel  ? wheel
                         : part == ModelPart::Pair ? wheel + thread
                                                   : thread;
    return static_cast<std::uint64_t>((kProcess + parts) * kMiB);
}

std::uint64_t availableMemory() {
    std::uint64_t available = meminfoBytes("MemAvailable");
    if (available == 0) {
        const long pages = sysconf(_SC_AVPHYS_PAGES), size = sysconf(_SC_PAGESIZE);
        // unknown: nothing is refused for want of a number
        available = pages > 0 && size > 0 ? static_cast<std::uint64_t>(pages) * size
                                          : std::numeric_limits<std::uint64_t>::max();
    }
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        // the address space this process already holds counts against its limit
        std::ifstream statm("/proc/self/statm");
        std::uint64_t pages = 0;
        statm >> pages;
        const std::uint64_t used = pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
        const std::uint64_t room = limit.rlim_cur > used ? limit.rlim_cur - used : 0;
        available = std::min(available, room);
    }
    return available;
}

void requireMemoryFor(const DesignRecord& record, ModelPart part, std::uint64_t available) {
    const std::uint64_t needed = buildMemoryEstimate(record, part);
    if (needed <= available) return;
    std::ostringstream text;
    text << "本设计的" << partName(part) << "模型约需 " << roundedMiB(needed)
         << " MB 内存，超出本机可用的 " << static_cast<long long>(available / kMiB)
         << " MB，未生成";
    throw ModelError(text.str());
}

std::string outOfMemoryMessage(const DesignRecord& record, ModelPart part) {
    std::ostringstream text;
    text << "内存不足，无法生成" << partName(part) << "模型（需要约 "
         << roundedMiB(buildMemoryEstimate(record, part)) << " MB）";
    return text.str();
}

const ModelService& modelService(const std::string& programDirectory) {
    // a module once loaded stays: the builds it made point into it
    static std::mutex mutex;
    static std::map<std::string, const ModelService*> loaded;
    const std::lock_guard lock(mutex);
    const std::string file = programDirectory + kModelModuleFile;
    if (const auto found = loaded.find(file); found != loaded.end()) return *found->second;
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = dlerror();
        throw ModelError(std::string("三维模型组件未能加载（") + kModelModuleFile + "）：" +
                         (reason ? reason : "未知原因"));
    }
    using Entry = const ModelService* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(module, "wormpairModelService"));
    const ModelService* service = entry ? entry() : nullptr;
    if (service == nullptr) {
        dlclose(module);
        throw ModelError(std::string("三维模型组件不完整（") + kModelModuleFile + "）");
    }
    loaded.emplace(file, service);
    return *service;
}

}  // namespace wormpair::model
