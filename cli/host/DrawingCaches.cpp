#include "host/DrawingCaches.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

namespace tessarine::host {

void releaseDrawingCaches()
{
    // cairo's font caches hold fontconfig patterns: they go first.
    cairo_debug_reset_static_data();
    FcFini();
}

} // namespace tessarine::host
