#include "editor/ControlGestures.h"

#include "editor/EditorTags.h"
#include "editor/pages/ControlHelp.h"
#include "editor/pages/EditorPages.h"
#include "engine/SynthEngine.h"
#include "gui/FilmStripKnob.h"
#include "gui/Frame.h"
#include "gui/HorizontalSlider.h"
#include "gui/ListSelector.h"
#include "gui/MenuPresenter.h"
#include "gui/OnOffButton.h"
#include "gui/OptionMenu.h"
#include "gui/Selector.h"
#include "gui/Switch.h"
#include "gui/TextEdit.h"
#include "gui/Theme.h"
#include "gui/ValueDisplay.h"
#include "params/ParameterTable.h"
#include "params/ParameterTextInput.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tessarine {

namespace {

constexpr std::size_t kLineLength = 31;

// Host parameters with a 0 … 1 range; the modulation rows' menus hold entry numbers.
bool isUnitParameter(int tag)
{
    return tag >= 0 && tag < kParameterCount && parameterRange(tag).high == 1.0f;
}

// Controls whose value is a number to type: knobs and sliders.
bool takesTypedValue(const gui::Control& control)
{
    return isUnitParameter(control.tag())
        && (dynamic_cast<const gui::FilmStripKnob*>(&control) != nullptr
            || dynamic_cast<const gui::HorizontalSlider*>(&control) != nullptr);
}

// Controls a controller can drive and a menu can reset: not the custom views,
// which keep their own right click and Ctrl-click.
bool isLearnable(const gui::Control& control)
{
    return takesTypedValue(control)
        || (isUnitParameter(control.tag())
            && (dynamic_cast<const gui::OnOffButton*>(&control) != nullptr
                || dynamic_cast<const gui::Selector*>(&control) != nullptr
                || dynamic_cast<const gui::Switch*>(&control) != nullptr
                || dynamic_cast<const gui::ListSelector*>(&control) != nullptr));
}

std::string hostText(int tag, float value)
{
    std::array<char, 64> text{};
    return parameterHostText(tag, value, text.data(), text.size()) ? std::string(text.data()) : std::string();
}

std::string controllerText(int controller) { return "CC " + std::to_string(controller); }

gui::Rect inside(gui::Rect r, const gui::Rect& area)
{
    r.x = std::clamp(r.x, area.x, std::max(area.x, area.right() - r.width));
    r.y = std::clamp(r.y, area.y, std::max(area.y, area.bottom() - r.height));
    return r;
}

// A small label in a dark pill, the learn marks' style.
void drawPill(cairo_t* cr, const std::string& text, gui::Rect box, const gui::Colour& colour)
{
    cairo_save(cr);
    gui::roundedRectangle(cr, box.x + 0.5, box.y + 0.5, box.width - 1, box.height - 1, 3);
    gui::setColour(cr, gui::palette::kTopBar);
    cairo_fill_preserve(cr);
    gui::setColour(cr, colour);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
    gui::drawText(cr, text, box, gui::textsize::kValue, gui::Align::Centre, colour);
}

} // namespace

ControlGestures::ControlGestures(gui::Frame& frame, const EditorPages& pages, gui::ControlListener& editor,
                                 SynthEngine& engine, MessageBox messageBox)
    : frame_(frame), pages_(pages), editor_(editor), engine_(engine), messageBox_(std::move(messageBox))
{
    frame_.setGestureListener(this);
    shownLearn_ = learnState();
}

ControlGestures::~ControlGestures()
{
    if (frame_.gestureListener() == this) {
        frame_.setGestureListener(nullptr);
    }
    if (menu_ && frame_.menuPresenter() != nullptr && frame_.menuPresenter()->activeMenu() == menu_.get()) {
        frame_.menuPresenter()->dismiss();
    }
    if (line_ != nullptr) {
        frame_.release(line_);
    }
}

gui::Control* ControlGestures::shownControl(int tag) const { return pages_.visibleControl(tag); }

bool ControlGestures::controlPressed(gui::Control& control, const gui::InputEvent& event)
{
    if (&control == line_) {
        return false;
    }
    if (!refusal_.empty()) {
        frame_.invalidateRect(refusalArea_);
        refusal_.clear();
    }
    if (control.tag() == kTagMidiLearn && event.button == gui::MouseButton::Right) {
        openLearnMenu(control, event.position);
        return true;
    }
    if (!isLearnable(control)) {
        return false;
    }
    // While learn is armed, the control touched is the one the next
    // controller binds, whether or not the touch moves it.
    if (engine_.learnArmed() && engine_.learnTarget() != control.tag()) {
        engine_.setLearnTarget(control.tag());
        frame_.invalidateRect(frame_.bounds());
    }
    if (event.button == gui::MouseButton::Right) {
        openMenu(control, event.position);
        return true;
    }
    if (event.button != gui::MouseButton::Left || !takesTypedValue(control)) {
        return false;
    }
    if (event.has(gui::kControl)) {
        apply(control, parameterTable()[static_cast<std::size_t>(control.tag())].start);
        return true;
    }
    // Return on this control now types its value.
    frame_.setKeyFocus(&control);
    return false;
}

void ControlGestures::controlDoubleClicked(gui::Control& control)
{
    if (takesTypedValue(control)) {
        openValueLine(control);
    }
}

bool ControlGestures::controlKey(gui::Control& control, const gui::InputEvent& event)
{
    if (event.key != gui::kKeyReturn || !takesTypedValue(control)) {
        return false;
    }
    openValueLine(control);
    return true;
}

void ControlGestures::openValueLine(gui::Control& control)
{
    if (line_ != nullptr) {
        frame_.release(line_);
        line_ = nullptr;
    }
    // Over the value display where there is one, wide enough for a number and its unit.
    gui::Rect r = control.bounds();
    if (const auto* knob = dynamic_cast<const gui::FilmStripKnob*>(&control); knob != nullptr && knob->display()) {
        r = knob->display()->bounds();
    }
    const int width = 70;
    const int height = 16;
    r = inside(gui::Rect{r.x + r.width / 2 - width / 2, r.y + r.height / 2 - height / 2, width, height},
               frame_.bounds());
    auto line = std::make_unique<gui::TextEdit>(r, -1, this, kLineLength);
    // The value it replaces, chosen: typing starts afresh.
    line->setText(hostText(control.tag(), control.value()));
    line->setWholeTextChosenOnEdit(true);
    line_ = frame_.add(std::move(line));
    lineFor_ = &control;
    frame_.setKeyFocus(line_);
}

void ControlGestures::openMenu(gui::Control& control, gui::Point at)
{
    const int tag = control.tag();
    std::vector<std::pair<std::string, MenuItem>> items;
    if (takesTypedValue(control)) {
        items.push_back({"Type value\xe2\x80\xa6", {Action::TypeValue, tag}});
    }
    items.push_back({"Reset to " + hostText(tag, parameterTable()[static_cast<std::size_t>(tag)].start),
                     {Action::Reset, tag}});
    items.push_back({"MIDI learn", {Action::Learn, tag}});
    if (const int cc = engine_.controllerOf(tag); cc >= 0) {
        items.push_back({"Forget learn (" + controllerText(cc) + ")", {Action::Forget, tag}});
    }
    items.push_back({"MIDI learn list\xe2\x80\xa6", {Action::Bindings, tag}});
    present(std::move(items), control, at);
}

void ControlGestures::openLearnMenu(gui::Control& button, gui::Point at)
{
    std::vector<std::pair<std::string, MenuItem>> items;
    for (int tag = 0; tag < kParameterCount; ++tag) {
        if (const int cc = engine_.controllerOf(tag); cc >= 0) {
            items.push_back({"Forget " + controllerText(cc) + ": " + controlHelp(tag).name, {Action::Forget, tag}});
        }
    }
    if (items.size() > 1) {
        items.push_back({"Forget every controller", {Action::ForgetAll, -1}});
    }
    items.push_back({"MIDI learn list\xe2\x80\xa6", {Action::Bindings, -1}});
    present(std::move(items), button, at);
}

void ControlGestures::present(std::vector<std::pair<std::string, MenuItem>> items, gui::Control& control,
                              gui::Point at)
{
    gui::MenuPresenter* presenter = frame_.menuPresenter();
    if (presenter == nullptr) {
        return;
    }
    if (menu_ && presenter->activeMenu() == menu_.get()) {
        presenter->dismiss();
    }
    menu_ = std::make_unique<gui::OptionMenu>(gui::Rect{static_cast<int>(at.x), static_cast<int>(at.y), 1, 1}, -1,
                                              this);
    menuItems_.clear();
    menuFor_ = &control;
    for (auto& [text, item] : items) {
        menu_->addEntry(std::move(text));
        menuItems_.push_back(item);
    }
    menu_->setTitle(" ");
    presenter->present(*menu_);
}

void ControlGestures::apply(gui::Control& control, float value)
{
    control.setValue(value);
    editor_.valueChanged(control);
}

void ControlGestures::learn(gui::Control& control)
{
    gui::Control* button = shownControl(kTagMidiLearn);
    if (button != nullptr && button->value() < 0.5f) {
        // Lit the way the Learn button lights: the host and the engine hear of it.
        apply(*button, 1.0f);
    } else if (button == nullptr) {
        engine_.armLearn(true);
    }
    engine_.setLearnTarget(control.tag());
    frame_.invalidateRect(frame_.bounds());
}

void ControlGestures::showBindings()
{
    std::string text;
    for (int tag = 0; tag < kParameterCount; ++tag) {
        if (const int cc = engine_.controllerOf(tag); cc >= 0) {
            text += controllerText(cc) + ": " + controlHelp(tag).name + "\n";
        }
    }
    if (text.empty()) {
        text = "No control follows a MIDI controller.\nRight-click a control and choose MIDI learn, then move a "
               "controller.\n";
    } else {
        text += "\nRight-click a control to forget its controller.\n";
    }
    if (messageBox_) {
        messageBox_(text.c_str(), "MIDI learn");
    }
}

void ControlGestures::refuse(std::string text, gui::Rect near)
{
    frame_.invalidateRect(refusalArea_);
    refusal_ = std::move(text);
    refusalArea_ = inside(gui::Rect{near.x + near.width / 2 - 110, near.bottom() + 2, 220, 15}, frame_.bounds());
    frame_.invalidateRect(refusalArea_);
}

void ControlGestures::valueChanged(gui::Control& control)
{
    if (&control == line_ && lineFor_ != nullptr) {
        gui::Control& target = *lineFor_;
        double value = 0.0;
        if (parameterFromHostText(target.tag(), line_->text(), value)) {
            apply(target, static_cast<float>(value));
        } else {
            refuse("\xe2\x80\x9c" + line_->text() + "\xe2\x80\x9d is no value of " + controlHelp(target.tag()).name,
                   line_->bounds());
        }
        return;
    }
    if (menu_ && &control == menu_.get() && menuFor_ != nullptr) {
        const int entry = menu_->currentEntry();
        if (entry < 0 || entry >= static_cast<int>(menuItems_.size())) {
            return;
        }
        gui::Control& target = *menuFor_;
        const MenuItem item = menuItems_[static_cast<std::size_t>(entry)];
        switch (item.action) {
        case Action::TypeValue:
            openValueLine(target);
            break;
        case Action::Reset:
            apply(target, parameterTable()[static_cast<std::size_t>(target.tag())].start);
            break;
        case Action::Learn:
            learn(target);
            break;
        case Action::Forget:
            engine_.forgetLearn(item.tag);
            frame_.invalidateRect(frame_.bounds());
            break;
        case Action::ForgetAll:
            for (int tag = 0; tag < kParameterCount; ++tag) {
                engine_.forgetLearn(tag);
            }
            frame_.invalidateRect(frame_.bounds());
            break;
        case Action::Bindings:
            showBindings();
            break;
        }
    }
}

std::string ControlGestures::tooltip(gui::View& view)
{
    if (!view.help().empty()) {
        return view.help();
    }
    auto* control = dynamic_cast<gui::Control*>(&view);
    if (control == nullptr || control == line_ || control->tag() < 0 || control->tag() >= kValueCount) {
        return {};
    }
    const int tag = control->tag();
    const ControlHelp help = controlHelp(tag);
    std::string text = help.name;
    if (dynamic_cast<const gui::OnOffButton*>(control) != nullptr) {
        text += control->value() > 0.5f ? "\nOn" : "\nOff";
    } else if (isUnitParameter(tag)) {
        text += "\n" + hostText(tag, control->value());
    }
    if (!help.what.empty()) {
        text += "\n" + help.what;
    }
    if (const int cc = engine_.controllerOf(tag); cc >= 0 && tag < kParameterCount) {
        text += "\nFollows MIDI " + controllerText(cc);
    }
    if (takesTypedValue(*control)) {
        text += "\nDouble-click types a value, Ctrl-click resets, right-click for more";
    } else if (isLearnable(*control)) {
        text += "\nRight-click to reset or learn a MIDI controller";
    }
    return text;
}

void ControlGestures::paintOver(cairo_t* cr)
{
    for (int tag = 0; tag < kParameterCount; ++tag) {
        const int cc = engine_.controllerOf(tag);
        gui::Control* control = cc >= 0 ? shownControl(tag) : nullptr;
        if (control != nullptr) {
            const gui::Rect& b = control->bounds();
            drawPill(cr, controllerText(cc), gui::Rect{b.right() - 26, b.y - 7, 34, 12}, gui::palette::kAccent);
        }
    }
    if (engine_.learnArmed()) {
        if (gui::Control* control = shownControl(engine_.learnTarget())) {
            const gui::Rect& b = control->bounds();
            cairo_save(cr);
            gui::roundedRectangle(cr, b.x - 3.5, b.y - 3.5, b.width + 7, b.height + 7, 4);
            gui::setColour(cr, gui::palette::kTitle);
            const double dash[] = {4, 2};
            cairo_set_dash(cr, dash, 2, 0);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
            cairo_restore(cr);
            const gui::Rect below{b.x + b.width / 2 - 48, b.bottom() + 4, 96, 12};
            drawPill(cr, "Move a controller", inside(below, frame_.bounds()), gui::palette::kTitle);
        }
    }
    if (!refusal_.empty()) {
        drawPill(cr, refusal_, refusalArea_, gui::palette::kTitle);
    }
}

std::uint64_t ControlGestures::learnState() const
{
    // FNV-1a over what the marks show.
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](int v) {
        hash ^= static_cast<std::uint64_t>(static_cast<std::uint32_t>(v));
        hash *= 1099511628211ull;
    };
    mix(engine_.learnArmed() ? 1 : 0);
    mix(engine_.learnTarget());
    for (int tag = 0; tag < kParameterCount; ++tag) {
        mix(engine_.controllerOf(tag));
    }
    return hash;
}

void ControlGestures::idle()
{
    if (line_ != nullptr && frame_.keyFocus() != line_) {
        frame_.release(line_);
        line_ = nullptr;
        lineFor_ = nullptr;
    }
    if (const std::uint64_t state = learnState(); state != shownLearn_) {
        shownLearn_ = state;
        frame_.invalidateRect(frame_.bounds());
    }
}

} // namespace tessarine
