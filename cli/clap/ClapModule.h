#pragma once
// A CLAP plug-in file as a host opens it: the library loaded, its clap_entry
// found, version-checked and initialised, and its plug-in factory. The entry
// is deinitialised and the library closed when the module goes.

#include <clap/entry.h>
#include <clap/plugin-factory.h>

#include <memory>
#include <string>

namespace tessarine::host {

class ClapModule {
public:
    // Null, with the reason in error, when any step fails.
    static std::unique_ptr<ClapModule> open(const std::string& path, std::string& error);
    ~ClapModule();

    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    const clap_plugin_entry_t& entry() const { return *entry_; }
    // Null when the module offers no plug-in factory.
    const clap_plugin_factory_t* factory() const { return factory_; }
    const std::string& path() const { return path_; }

private:
    ClapModule() = default;

    void* library_ = nullptr;
    const clap_plugin_entry_t* entry_ = nullptr;
    const clap_plugin_factory_t* factory_ = nullptr;
    bool initialised_ = false;
    std::string path_;
};

} // namespace tessarine::host
