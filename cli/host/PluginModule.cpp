#include "host/PluginModule.h"

#include <dlfcn.h>

namespace tessarine::host {

std::unique_ptr<PluginModule> PluginModule::open(const std::string& path, std::string& error)
{
    std::unique_ptr<PluginModule> module(new PluginModule());
    module->path_ = path;
    module->handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module->handle_ == nullptr) {
        const char* reason = dlerror();
        error = std::string("not a loadable shared object (") + (reason != nullptr ? reason : "unknown reason") + ")";
        return nullptr;
    }
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* symbol = dlsym(module->handle_, name)) {
            module->entry_ = reinterpret_cast<Entry>(symbol);
            return module;
        }
    }
    error = "no entry symbol VSTPluginMain or main";
    return nullptr;
}

PluginModule::~PluginModule()
{
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

} // namespace tessarine::host
