#include "editor/views/EnvelopeCurveView.h"

#include "engine/SynthEngine.h"

namespace tessarine {

BreakpointCurve& EnvelopeCurveView::curve() { return context_.engine().editInstrument().modEnvelopeCurve; }

} // namespace tessarine
