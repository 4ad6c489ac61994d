#include "editor/EditorShell.h"

#include "gui/DeviceScale.h"

#include <chrono>
#include <ctime>

namespace tessarine {

std::int64_t tickCountMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

EditorShell::EditorShell(EditorHost& host) : host_(host), nextIdleMs_(tickCountMs()) { host_.attachEditor(this); }

EditorShell::~EditorShell() { host_.detachEditor(this); }

bool EditorShell::open(void* parentWindow)
{
    parentWindow_ = parentWindow;
    return true;
}

void EditorShell::close() { parentWindow_ = nullptr; }

EditorSize EditorShell::scaled(double scale) const
{
    return EditorSize{gui::deviceLength(size_.width, scale), gui::deviceLength(size_.height, scale)};
}

void EditorShell::idleFromHost()
{
    if (insideIdle_) {
        return;
    }
    if (updateFlag_) {
        updateFlag_ = false;
        update();
    }
    frameIdle();
}

void EditorShell::waitStep()
{
    std::int64_t now = tickCountMs();
    if (now < nextIdleMs_) {
        timespec pause{0, 4'000'000};
        nanosleep(&pause, nullptr);
        now += 4;
        if (now < nextIdleMs_ - 50) {
            return;
        }
    }
    idle();
    dispatchPendingPaint();
    nextIdleMs_ = now + 100;
    insideIdle_ = true;
    host_.hostIdle();
    insideIdle_ = false;
}

} // namespace tessarine
