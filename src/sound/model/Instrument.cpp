#include "sound/model/Instrument.h"

namespace tessarine {

Instrument::Instrument()
{
    // A plain rising ramp until the user draws a shape.
    spectralShapeCurve.insertPoint(0.0f, 0.0f);
    spectralShapeCurve.insertPoint(1.0f, 1.0f);
}

} // namespace tessarine
