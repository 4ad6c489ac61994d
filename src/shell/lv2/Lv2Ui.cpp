#include "shell/lv2/Lv2Ui.h"

#include "shell/lv2/Lv2Plugin.h"

#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstring>

namespace tessarine::lv2 {

namespace {

const LV2_Feature* findFeature(const LV2_Feature* const* features, const char* uri)
{
    for (; features != nullptr && *features != nullptr; ++features) {
        if ((*features)->URI != nullptr && std::strcmp((*features)->URI, uri) == 0) {
            return *features;
        }
    }
    return nullptr;
}

// The host's display scaling, when it gives one among the UI's options.
float hostScaleFactor(const LV2_Feature* const* features)
{
    const LV2_Feature* map = findFeature(features, LV2_URID__map);
    const LV2_Feature* options = findFeature(features, LV2_OPTIONS__options);
    if (map == nullptr || map->data == nullptr || options == nullptr || options->data == nullptr) {
        return 0;
    }
    const auto* mapper = static_cast<const LV2_URID_Map*>(map->data);
    const LV2_URID scaleFactor = mapper->map(mapper->handle, LV2_UI__scaleFactor);
    const LV2_URID atomFloat = mapper->map(mapper->handle, LV2_ATOM__Float);
    for (const auto* o = static_cast<const LV2_Options_Option*>(options->data); o->key != 0; ++o) {
        if (o->key == scaleFactor && o->type == atomFloat && o->size == sizeof(float) && o->value != nullptr) {
            float value = 0;
            std::memcpy(&value, o->value, sizeof value);
            return value;
        }
    }
    return 0;
}

} // namespace

Lv2Ui* Lv2Ui::create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                     const LV2_Feature* const* features)
{
    const LV2_Feature* instance = findFeature(features, LV2_INSTANCE_ACCESS_URI);
    const LV2_Feature* parent = findFeature(features, LV2_UI__parent);
    if (instance == nullptr || instance->data == nullptr || parent == nullptr || parent->data == nullptr
        || widget == nullptr) {
        return nullptr;
    }
    auto& plugin = *static_cast<Lv2Plugin*>(instance->data);
    const LV2_Feature* resize = findFeature(features, LV2_UI__resize);
    const auto* resizer = resize != nullptr ? static_cast<const LV2UI_Resize*>(resize->data) : nullptr;
    if (!plugin.attachUi(write, controller, resizer)) {
        return nullptr;
    }
    if (const float scale = hostScaleFactor(features); scale > 0) {
        plugin.core().setEditorScale(scale);
    }
    if (!plugin.core().openEditor(parent->data)) {
        plugin.detachUi();
        return nullptr;
    }
    auto* ui = new (std::nothrow) Lv2Ui(plugin);
    if (ui == nullptr) {
        plugin.core().closeEditor();
        plugin.detachUi();
        return nullptr;
    }
    // The editor is a child of the host's window at the editor's size for its
    // scale; the host learns that size, and the window it gave stands for the widget.
    const auto size = plugin.core().editorSize();
    if (resizer != nullptr && resizer->ui_resize != nullptr && size.width > 0 && size.height > 0) {
        resizer->ui_resize(resizer->handle, size.width, size.height);
    }
    *widget = parent->data;
    return ui;
}

Lv2Ui::~Lv2Ui()
{
    plugin_.core().closeEditor();
    plugin_.detachUi();
}

int Lv2Ui::idle()
{
    plugin_.core().idleEditor();
    return 0;
}

} // namespace tessarine::lv2
