#include "analysis/contact_service.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "model/model_service.h"

namespace wormpair::analysis {

std::string contactCsv(const std::string& programDirectory, const DesignSnapshot& design,
                       const ContactSettings& settings) {
    using Entry = void (*)(const DesignSnapshot&, const ContactSettings&, std::string&);
    // the module once loaded stays, as for the models
    static std::mutex mutex;
    static std::map<std::string, Entry> loaded;
    Entry entry = nullptr;
    {
        const std::lock_guard lock(mutex);
        const std::string file = programDirectory + model::kModelModuleFile;
        if (const auto found = loaded.find(file); found != loaded.end()) {
            entry = found->second;
        } else {
            void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (module == nullptr) {
                const char* reason = dlerror();
                throw model::ModelError(std::string("三维模型组件未能加载（") +
                                        model::kModelModuleFile + "）：" +
                                        (reason ? reason : "未知原因"));
            }
            entry = reinterpret_cast<Entry>(dlsym(module, "wormpairContactCsv"));
            if (entry == nullptr) {
                dlclose(module);
                throw model::ModelError(std::string("三维模型组件不含啮合分析（") +
                                        model::kModelModuleFile + "）");
            }
            loaded.emplace(file, entry);
        }
    }
    std::string csv;
    entry(design, settings, csv);
    return csv;
}

}  // namespace wormpair::analysis
