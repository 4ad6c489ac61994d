#pragma once
// A plug-in's shared object, loaded once for any number of instances, and the
// entry function that makes them.

#include "shell/VstAbi.h"

#include <memory>
#include <string>

namespace tessarine::host {

class PluginModule {
public:
    using Entry = vst::EffectRecord* (*)(vst::HostCallback);

    // Loads the shared object and finds its entry function; null and a reason on failure.
    static std::unique_ptr<PluginModule> open(const std::string& path, std::string& error);
    ~PluginModule();

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    Entry entry() const { return entry_; }
    const std::string& path() const { return path_; }

private:
    PluginModule() = default;
    void* handle_ = nullptr;
    Entry entry_ = nullptr;
    std::string path_;
};

} // namespace tessarine::host
