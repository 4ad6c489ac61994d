#pragma once
// The toolkit's time: monotonic milliseconds, for timers and event stamps.

#include <cstdint>

namespace tessarine::gui {

std::int64_t monotonicMs();

} // namespace tessarine::gui
