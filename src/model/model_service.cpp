#include "model/model_service.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace wormpair::model {

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
