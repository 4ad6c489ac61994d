// The module's one exported symbol: the entry a CLAP host looks up, and the
// factory behind it that describes and creates the instrument.

#include "shell/clap/ClapPlugin.h"

#include <clap/entry.h>
#include <clap/plugin-factory.h>

#include <cstring>

namespace {

using tessarine::ClapPlugin;

std::uint32_t pluginCount(const clap_plugin_factory_t*) { return 1; }

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t*, std::uint32_t index)
{
    return index == 0 ? &ClapPlugin::descriptor() : nullptr;
}

const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host, const char* id)
{
    if (id == nullptr || std::strcmp(id, ClapPlugin::kId) != 0) {
        return nullptr;
    }
    return ClapPlugin::create(host);
}

const clap_plugin_factory_t kFactory{pluginCount, pluginDescriptor, createPlugin};

// Nothing to set up: every instance finds its library on its own.
bool entryInit(const char* path) { return path != nullptr; }
void entryDeinit() {}

const void* entryFactory(const char* id)
{
    return id != nullptr && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

} // namespace

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry{CLAP_VERSION_INIT, entryInit, entryDeinit, entryFactory};
