// The editor in a host's window, as an LV2 host opens it: through the UI
// descriptor of the plug-in's own module, given the instance and a parent
// window on a private X server.

#include "Lv2TestHost.h"
#include "support/XvfbServer.h"

#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <dlfcn.h>
#include <gtest/gtest.h>
// Last: Xlib's macros (None, Status) would rename the test framework's own names.
#include <X11/Xlib.h>

#include <cstdint>

namespace lv2test {
namespace {

const LV2UI_Descriptor* uiDescriptor(void*& module)
{
    module = dlopen(TESSARINE_LV2_BUNDLE "Tessarine_lv2.so", RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        return nullptr;
    }
    using Entry = const LV2UI_Descriptor* (*)(std::uint32_t);
    auto entry = reinterpret_cast<Entry>(dlsym(module, "lv2ui_descriptor"));
    return entry != nullptr ? entry(0) : nullptr;
}

void noWrite(LV2UI_Controller, std::uint32_t, std::uint32_t, std::uint32_t, const void*) {}

// Opened in the host's window, the editor tells the host its size, runs on
// the host's idle, holds the instance's one editor until it is cleaned up,
// and can be opened again afterwards. Without the instance or a window, or
// for another plug-in, the UI refuses to exist rather than guess.
TEST(Lv2Ui, OpensInTheHostsWindowOncePerInstance)
{
    tessarine::test::XvfbServer server;
    ASSERT_TRUE(server.running()) << "Xvfb is needed for the editor";
    Display* display = XOpenDisplay(server.display().c_str());
    ASSERT_NE(display, nullptr);
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 300, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);

    World world;
    Instance instance(world);
    ASSERT_TRUE(instance.valid());
    void* module = nullptr;
    const LV2UI_Descriptor* ui = uiDescriptor(module);
    ASSERT_NE(ui, nullptr);

    struct Size {
        int width = 0, height = 0;
    } size;
    LV2UI_Resize resize{&size, [](LV2UI_Feature_Handle handle, int width, int height) {
                            static_cast<Size*>(handle)->width = width;
                            static_cast<Size*>(handle)->height = height;
                            return 0;
                        }};
    LV2_Feature access{LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(instance.lilv())};
    LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(static_cast<std::uintptr_t>(window))};
    LV2_Feature resizing{LV2_UI__resize, &resize};
    const LV2_Feature* features[] = {&access, &parent, &resizing, nullptr};
    const char* plugin = "urn:brightmoor-labs:tessarine";

    LV2UI_Widget widget = nullptr;
    const LV2_Feature* windowOnly[] = {&parent, nullptr};
    const LV2_Feature* instanceOnly[] = {&access, nullptr};
    for (const LV2_Feature* const* missing : {windowOnly, instanceOnly}) {
        EXPECT_EQ(ui->instantiate(ui, plugin, TESSARINE_LV2_BUNDLE, noWrite, nullptr, &widget, missing), nullptr);
    }
    EXPECT_EQ(ui->instantiate(ui, "urn:other", TESSARINE_LV2_BUNDLE, noWrite, nullptr, &widget, features), nullptr);

    LV2UI_Handle first = ui->instantiate(ui, plugin, TESSARINE_LV2_BUNDLE, noWrite, nullptr, &widget, features);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(widget), static_cast<std::uintptr_t>(window));
    EXPECT_GT(size.width, 100);
    EXPECT_GT(size.height, 100);
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);
    for (int turn = 0; turn < 5; ++turn) {
        EXPECT_EQ(idle->idle(first), 0);
        instance.run(kBlock, nullptr);
    }

    LV2UI_Widget second = nullptr;
    EXPECT_EQ(ui->instantiate(ui, plugin, TESSARINE_LV2_BUNDLE, noWrite, nullptr, &second, features), nullptr)
        << "one editor per instance";
    ui->cleanup(first);

    LV2UI_Handle again = ui->instantiate(ui, plugin, TESSARINE_LV2_BUNDLE, noWrite, nullptr, &widget, features);
    EXPECT_NE(again, nullptr);
    if (again != nullptr) {
        idle->idle(again);
        ui->cleanup(again);
    }
    dlclose(module);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}

} // namespace
} // namespace lv2test
