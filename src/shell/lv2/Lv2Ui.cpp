#include "shell/lv2/Lv2Ui.h"

#include "shell/lv2/Lv2Plugin.h"

#include <lv2/instance-access/instance-access.h>

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
    if (!plugin.attachUi(write, controller)) {
        return nullptr;
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
    // The editor is a child of the host's window at the editor's fixed size;
    // the host learns that size, and the window it gave stands for the widget.
    if (const LV2_Feature* resize = findFeature(features, LV2_UI__resize); resize != nullptr && resize->data) {
        const auto* resizer = static_cast<const LV2UI_Resize*>(resize->data);
        const auto size = plugin.core().editorSize();
        if (resizer->ui_resize != nullptr && size.width > 0 && size.height > 0) {
            resizer->ui_resize(resizer->handle, size.width, size.height);
        }
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
