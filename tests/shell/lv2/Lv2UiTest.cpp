// The editor in a host's window, as an LV2 host opens it: through the UI
// descriptor of the plug-in's own module, given the instance and a parent
// window on a private X server.

#include "Lv2Bundle.h"
#include "editor/pages/ControlMap.h"
#include "sound/files/InstrumentFile.h"
#include "sound/files/RecordStream.h"
#include "support/XvfbServer.h"

#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <dlfcn.h>
#include <gtest/gtest.h>
// Last: Xlib's macros (None, Status) would rename the test framework's own names.
#include "support/XTestUser.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <span>

namespace tessarine::test {
namespace {

constexpr std::uint32_t kBlock = 512;

const LV2UI_Descriptor* uiDescriptor(void*& module)
{
    module = dlopen(TESSARINE_LV2_BUNDLE "Tessarine_lv2.so", RTLD_NOW | RTLD_LOCAL);
    auto entry = module != nullptr ? reinterpret_cast<const LV2UI_Descriptor* (*)(std::uint32_t)>(
                                         dlsym(module, "lv2ui_descriptor"))
                                   : nullptr;
    return entry != nullptr ? entry(0) : nullptr;
}

void noWrite(LV2UI_Controller, std::uint32_t, std::uint32_t, std::uint32_t, const void*) {}

// The host's side of the UI's port writes: the last value per port, and how often each came.
struct PortWrites {
    std::map<std::uint32_t, float> values;
    std::map<std::uint32_t, int> counts;
    static void write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t protocol,
                      const void* buffer)
    {
        auto* self = static_cast<PortWrites*>(controller);
        if (size == sizeof(float) && protocol == 0) {
            self->values[port] = *static_cast<const float*>(buffer);
            ++self->counts[port];
        }
    }
};

void clickTopBar(Display* display, Window window, int tag)
{
    const auto& bar = tessarine::topBarControls();
    const auto row = std::find_if(bar.begin(), bar.end(), [tag](const auto& r) { return r.tag == tag; });
    ASSERT_NE(row, bar.end()) << "no control " << tag << " on the top bar";
    tessarine::test::XTestUser user(display, window);
    user.click(row->rect.x + row->rect.width / 2, row->rect.y + row->rect.height / 2);
}

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
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 800, 560, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);

    Lv2Bundle world;
    auto instance = world.instance();
    ASSERT_NE(instance, nullptr);
    void* module = nullptr;
    const LV2UI_Descriptor* ui = uiDescriptor(module);
    ASSERT_NE(ui, nullptr);

    std::pair<int, int> size;
    LV2UI_Resize resize{&size, [](LV2UI_Feature_Handle handle, int width, int height) {
                            *static_cast<std::pair<int, int>*>(handle) = {width, height};
                            return 0;
                        }};
    LV2_Feature access{LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(instance->lilv())};
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

    PortWrites writes;
    LV2UI_Handle first = ui->instantiate(ui, plugin, TESSARINE_LV2_BUNDLE, PortWrites::write, &writes, &widget, features);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(widget), static_cast<std::uintptr_t>(window));
    EXPECT_TRUE(size.first > 100 && size.second > 100) << size.first << "x" << size.second;
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);
    for (int turn = 0; turn < 5; ++turn) {
        EXPECT_EQ(idle->idle(first), 0);
        instance->run(kBlock, nullptr);
    }

    writes = {};

    // The editor's Random instrument: the host's ports hear every value it
    // changed, once each and as the state now holds it, and nothing after.
    clickTopBar(display, window, tessarine::kTagRandomInstrument);
    const auto turn = [&] {
        idle->idle(first);
        instance->run(kBlock, nullptr);
    };
    ASSERT_TRUE(eventually([&] { return !writes.values.empty(); }, turn));
    const std::vector<std::uint8_t> record = savedRecord(*instance);
    auto random = std::make_unique<tessarine::Instrument>();
    tessarine::RecordStream stream;
    stream.openMemoryRead(std::as_bytes(std::span(record)));
    ASSERT_TRUE(tessarine::readInstrument(stream, *random));
    for (const auto& [port, value] : writes.values) {
        ASSERT_LT(port, static_cast<std::uint32_t>(tessarine::kParameterCount));
        EXPECT_EQ(writes.counts[port], 1) << port;
        EXPECT_EQ(value, random->parameterValues[port]) << port;
    }
    const std::size_t reported = writes.values.size();
    turn();
    idle->idle(first);
    EXPECT_EQ(writes.values.size(), reported);

    LV2UI_Widget second = nullptr;
    EXPECT_EQ(ui->instantiate(ui, plugin, TESSARINE_LV2_BUNDLE, noWrite, nullptr, &second, features), nullptr)
        << "one editor per instance";
    ui->cleanup(first);

    LV2UI_Handle again = ui->instantiate(ui, plugin, TESSARINE_LV2_BUNDLE, noWrite, nullptr, &widget, features);
    ASSERT_NE(again, nullptr);
    idle->idle(again);
    ui->cleanup(again);
    dlclose(module);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}

} // namespace
} // namespace tessarine::test
