// The module's only exported functions: the entry a host calls to create one
// instance. Exported twice, as VSTPluginMain and as main, the name older hosts look for.

#include "shell/SynthPlugin.h"

#include <new>

extern "C" __attribute__((visibility("default"))) vst::EffectRecord* VSTPluginMain(vst::HostCallback host)
{
    if (host == nullptr || host(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    // No exception may cross into the host: an allocation that fails is a null answer.
    try {
        auto* plugin = new tessarine::SynthPlugin(host);
        if (plugin->constructionFailed()) {
            delete plugin;
            return nullptr;
        }
        return plugin->record();
    } catch (...) {
        return nullptr;
    }
}

// "main" cannot be a C++ function name; the assembler label gives the same entry that name.
extern "C" __attribute__((visibility("default"))) vst::EffectRecord* vstMainAlias(vst::HostCallback host)
    __asm__("main") __attribute__((alias("VSTPluginMain")));
