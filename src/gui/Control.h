#pragma once
// A view with a tag and a value from 0 to 1 that it reports to its listener
// when the user moves it. setValue() from outside never reports: the editor
// moves controls to follow the engine without echoing the value back.

#include "gui/View.h"

namespace tessarine::gui {

class Control;

class ControlListener {
public:
    virtual ~ControlListener() = default;
    virtual void valueChanged(Control& control) = 0;
};

class Control : public View {
public:
    Control(Rect bounds, int tag, ControlListener* listener)
        : View(bounds), tag_(tag), listener_(listener)
    {
    }

    int tag() const { return tag_; }
    float value() const { return value_; }

    // Moves the control without reporting; the value is held by constrain().
    virtual void setValue(float value);

protected:
    // The kind's value rule: 0 … 1 unless the kind holds something else (an
    // option menu holds entry numbers). Non-finite values never pass.
    virtual float constrain(float value) const;

    // Sets the value and tells the listener, as a user's move does.
    void setValueAndReport(float value);
    void report();

private:
    int tag_;
    float value_ = 0;
    ControlListener* listener_;
};

} // namespace tessarine::gui
