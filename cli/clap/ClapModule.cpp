#include "clap/ClapModule.h"

#include <dlfcn.h>

namespace tessarine::host {

std::unique_ptr<ClapModule> ClapModule::open(const std::string& path, std::string& error)
{
    std::unique_ptr<ClapModule> module(new ClapModule);
    module->path_ = path;
    module->library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module->library_ == nullptr) {
        const char* reason = dlerror();
        error = "cannot load " + path + ": " + (reason != nullptr ? reason : "unknown reason");
        return nullptr;
    }
    module->entry_ = static_cast<const clap_plugin_entry_t*>(dlsym(module->library_, "clap_entry"));
    if (module->entry_ == nullptr) {
        error = "no clap_entry in " + path;
        return nullptr;
    }
    const clap_version_t version = module->entry_->clap_version;
    if (!clap_version_is_compatible(version)) {
        error = "clap_entry has the incompatible version " + std::to_string(version.major) + "." +
                std::to_string(version.minor) + "." + std::to_string(version.revision);
        return nullptr;
    }
    if (module->entry_->init == nullptr || module->entry_->deinit == nullptr || module->entry_->get_factory == nullptr) {
        error = "clap_entry lacks init, deinit or get_factory";
        return nullptr;
    }
    if (!module->entry_->init(path.c_str())) {
        error = "clap_entry.init refused " + path;
        return nullptr;
    }
    module->initialised_ = true;
    module->factory_ = static_cast<const clap_plugin_factory_t*>(module->entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
    return module;
}

ClapModule::~ClapModule()
{
    if (initialised_) {
        entry_->deinit();
    }
    if (library_ != nullptr) {
        dlclose(library_);
    }
}

} // namespace tessarine::host
