#pragma once
// The editor in the host's window. The UI lives in the plug-in's own module and
// drives the instance's core directly (instance-access): the editor reads its
// values from the core, so the host's port events are not needed and ignored,
// and the editor's changes go to the host through write_function, as port
// values. Main (UI) thread only.

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

namespace tessarine::lv2 {

class Lv2Plugin;

class Lv2Ui {
public:
    // Null without the instance or a parent window, while another UI holds
    // the instance's editor, or when the editor cannot open.
    static Lv2Ui* create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features);
    ~Lv2Ui();

    Lv2Ui(const Lv2Ui&) = delete;
    Lv2Ui& operator=(const Lv2Ui&) = delete;

    // The host's idle: the editor paints and tracks its controls. 0 while open.
    int idle();

private:
    explicit Lv2Ui(Lv2Plugin& plugin) : plugin_(plugin) {}

    Lv2Plugin& plugin_;
};

} // namespace tessarine::lv2
