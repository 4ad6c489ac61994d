// The module's only exported functions: the plug-in's and the UI's descriptors.
// No exception may cross into the host; each entry answers for its own.

#include "shell/lv2/Lv2Identity.h"
#include "shell/lv2/Lv2Plugin.h"
#include "shell/lv2/Lv2Seed.h"
#include "shell/lv2/Lv2Ui.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>

#include <cstring>

namespace {

using tessarine::lv2::Lv2Plugin;
using tessarine::lv2::Lv2Ui;

Lv2Plugin* plugin(LV2_Handle handle) { return static_cast<Lv2Plugin*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const* features)
{
    return Lv2Plugin::create(sampleRate, features);
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) { plugin(handle)->connectPort(port, data); }
void activate(LV2_Handle handle) { plugin(handle)->activate(); }
void run(LV2_Handle handle, uint32_t frames) { plugin(handle)->run(frames); }
void deactivate(LV2_Handle handle) { plugin(handle)->deactivate(); }
void cleanup(LV2_Handle handle) { delete plugin(handle); }

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                      const LV2_Feature* const* features)
{
    try {
        return plugin(handle)->save(store, state, features);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state, uint32_t,
                         const LV2_Feature* const* features)
{
    try {
        return plugin(handle)->restore(retrieve, state, features);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

void seed(void* handle, uint32_t value) { plugin(handle)->seed(value); }

const void* extensionData(const char* uri)
{
    static const LV2_State_Interface state{save, restore};
    static const TessarineLv2Seed seeding{seed};
    if (uri == nullptr) {
        return nullptr;
    }
    if (std::strcmp(uri, LV2_STATE__interface) == 0) {
        return &state;
    }
    if (std::strcmp(uri, TESSARINE_LV2_SEED_URI) == 0) {
        return &seeding;
    }
    return nullptr;
}

const LV2_Descriptor kDescriptor{tessarine::lv2::kPluginUri, instantiate, connectPort, activate, run,
                                 deactivate, cleanup, extensionData};

LV2UI_Handle uiInstantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                           LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    if (pluginUri == nullptr || std::strcmp(pluginUri, tessarine::lv2::kPluginUri) != 0) {
        return nullptr;
    }
    try {
        return Lv2Ui::create(write, controller, widget, features);
    } catch (...) {
        return nullptr;
    }
}

void uiCleanup(LV2UI_Handle handle) { delete static_cast<Lv2Ui*>(handle); }

// The editor reads every value from the core itself.
void uiPortEvent(LV2UI_Handle, uint32_t, uint32_t, uint32_t, const void*) {}

int uiIdle(LV2UI_Handle handle) { return static_cast<Lv2Ui*>(handle)->idle(); }

const void* uiExtensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idle{uiIdle};
    if (uri != nullptr && std::strcmp(uri, LV2_UI__idleInterface) == 0) {
        return &idle;
    }
    return nullptr;
}

const LV2UI_Descriptor kUiDescriptor{tessarine::lv2::kUiUri, uiInstantiate, uiCleanup, uiPortEvent,
                                     uiExtensionData};

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &kUiDescriptor : nullptr;
}
