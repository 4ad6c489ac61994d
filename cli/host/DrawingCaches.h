#pragma once
// The plug-in draws text through cairo and fontconfig, which keep process-wide
// caches for the life of the program. A host that is about to exit releases
// them, so leak checkers see only real leaks.

namespace tessarine::host {

// Only after every plug-in instance is gone and nothing draws any more.
void releaseDrawingCaches();

} // namespace tessarine::host
