#include "shell/EditorShell.h"

#include "shell/EffectShell.h"

#include <chrono>
#include <ctime>

namespace tessarine {

std::int64_t tickCountMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

EditorShell::EditorShell(EffectShell& effect) : effect_(effect), nextIdleMs_(tickCountMs())
{
    effect_.attachEditor(this);
}

EditorShell::~EditorShell() { effect_.detachEditor(this); }

bool EditorShell::getRect(vst::EditorRect** rect)
{
    if (rect == nullptr) {
        return false;
    }
    *rect = &rect_;
    return true;
}

bool EditorShell::open(void* parentWindow)
{
    parentWindow_ = parentWindow;
    return true;
}

void EditorShell::close() { parentWindow_ = nullptr; }

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
    effect_.hostIdle();
    insideIdle_ = false;
}

} // namespace tessarine
