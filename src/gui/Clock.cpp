#include "gui/Clock.h"

#include <ctime>

namespace tessarine::gui {

std::int64_t monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace tessarine::gui
