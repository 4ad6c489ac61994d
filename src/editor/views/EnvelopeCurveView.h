#pragma once
// The modulation envelope (tag 253): the instrument's envelope curve over the
// note's time, read by the modulation source "Envelope".

#include "editor/views/TimeCurveView.h"

namespace tessarine {

class EnvelopeCurveView : public TimeCurveView {
public:
    EnvelopeCurveView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context)
        : TimeCurveView(bounds, tag, listener, context, false)
    {
    }

protected:
    BreakpointCurve& curve() override;
};

} // namespace tessarine
