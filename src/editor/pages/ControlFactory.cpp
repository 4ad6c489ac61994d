#include "editor/pages/ControlFactory.h"

#include "editor/EditorTags.h"
#include "editor/pages/ModulationMenus.h"
#include "gui/ControlArt.h"
#include "gui/FilmStripKnob.h"
#include "gui/HorizontalSlider.h"
#include "gui/KickButton.h"
#include "gui/ListSelector.h"
#include "gui/OnOffButton.h"
#include "gui/OptionMenu.h"
#include "gui/Selector.h"
#include "gui/Switch.h"
#include "gui/TextEdit.h"
#include "gui/ValueDisplay.h"
#include "params/ModulationLists.h"
#include "params/ParameterText.h"
#include "params/ParameterTextInput.h"

#include <array>
#include <vector>

namespace tessarine {

namespace {

using gui::Rect;

Rect moved(Rect r, gui::Point origin)
{
    return {r.x + static_cast<int>(origin.x), r.y + static_cast<int>(origin.y), r.width, r.height};
}

// The host's whole text of the value (effGetParamDisplay and its unit from
// effGetParamLabel), so the window and the host read the same.
std::string valueText(int tag, float value)
{
    std::array<char, 48> text{};
    return parameterHostText(tag, value, text.data(), text.size()) ? std::string(text.data()) : std::string();
}

std::vector<std::string> positionLabels(int tag)
{
    switch (tag) {
    case kTagPageSelector:
        return {"Voice A", "Voice B", "Voice C", "Voice D", "Modulation", "Morph", "Sound", "Effects"};
    case kMorphModeSelector:
        return {"All", "Amplitude", "Harmonics", "Noise"};
    case kLfoShape:
    case kLfo1Shape:
    case kLfo2Shape:
        return {"Sine", "Ramp", "Pulse"};
    case kFilterMode:
        return {"High", "Band", "Low"};
    case kSoftLoudButtonA:
    case kSoftLoudButtonB:
    case kSoftLoudButtonC:
    case kSoftLoudButtonD:
        // The third position plays the loud layer alone (one layer for every velocity).
        return {"Soft", "Loud", "One"};
    case kEnvelopeModeA:
    case kEnvelopeModeB:
    case kEnvelopeModeC:
    case kEnvelopeModeD:
        return {"Single", "Shift", "Stretch"};
    default:
        return {};
    }
}

std::unique_ptr<gui::Control> customView(const ControlRow& row, Rect r, int slot, gui::ControlListener& listener,
                                         const CustomViewContext& context)
{
    switch (row.kind) {
    case ControlKind::CurveView:
        return makeCurveView(row.tag, slot, r, &listener, context);
    case ControlKind::HarmonicBars:
        return makeHarmonicBarView(slot, r, &listener, context);
    case ControlKind::MorphPad:
        return makeMorphPadView(r, &listener, context);
    case ControlKind::MorphPath:
        return makeMorphPathView(r, &listener, context);
    case ControlKind::Keyboard:
        return makeKeyboardView(r, &listener, context);
    default:
        return nullptr;
    }
}

} // namespace

ControlResources::ControlResources() : knobStrip_(gui::makeKnobStrip()), glyphFont_(gui::GlyphFont::make()) {}

gui::Control* placeControl(const ControlRow& row, gui::Point origin, int slot, gui::Container& into,
                           gui::ControlListener& listener, const ControlResources& resources,
                           const CustomViewContext& context)
{
    const Rect r = moved(row.rect, origin);
    const char* caption = row.labelPlace == LabelPlace::Inside && row.label != nullptr ? row.label : "";
    switch (row.kind) {
    case ControlKind::Knob: {
        auto* knob = into.add(std::make_unique<gui::FilmStripKnob>(gui::Point{static_cast<double>(r.x),
                                                                              static_cast<double>(r.y)},
                                                                   row.tag, &listener, resources.knobStrip()));
        if (row.display != DisplayFormat::None) {
            auto* display = into.add(std::make_unique<gui::ValueDisplay>(
                moved(valueDisplayRect(row), origin),
                [tag = row.tag](float value) { return valueText(tag, value); }));
            knob->setDisplay(display);
        }
        return knob;
    }
    case ControlKind::OnOffButton:
        return into.add(std::make_unique<gui::OnOffButton>(r, row.tag, &listener, caption));
    case ControlKind::KickButton:
        return into.add(std::make_unique<gui::KickButton>(r, row.tag, &listener, caption));
    case ControlKind::OptionMenu:
    case ControlKind::LibraryMenu: {
        auto* menu = into.add(std::make_unique<gui::OptionMenu>(r, row.tag, &listener));
        if (row.tag >= kModSource1 && row.tag < kModSource1 + kMatrixRowsShown) {
            fillModulationSourceMenu(*menu);
        } else if (row.tag >= kModTarget1 && row.tag < kModTarget1 + kMatrixRowsShown) {
            fillModulationTargetMenu(*menu);
        }
        return menu;
    }
    case ControlKind::ListSelector: {
        auto* list = into.add(
            std::make_unique<gui::ListSelector>(r, row.tag, &listener, row.count, resources.glyphFont()));
        std::array<char, 32> text{};
        for (int k = 0; k < row.count; ++k) {
            listEntryText(row.entries, k, text.data(), text.size());
            list->setEntry(k, text.data());
        }
        return list;
    }
    case ControlKind::Selector: {
        const int cellWidth = row.vertical ? r.width : r.width - row.step * (row.count - 1);
        const int cellHeight = row.vertical ? r.height - row.step * (row.count - 1) : r.height;
        auto* selector = into.add(std::make_unique<gui::Selector>(
            gui::Point{static_cast<double>(r.x), static_cast<double>(r.y)}, row.count,
            row.vertical ? gui::Orientation::Column : gui::Orientation::Row, row.step, cellWidth, cellHeight,
            row.tag, &listener));
        selector->setLabels(positionLabels(row.tag));
        return selector;
    }
    case ControlKind::Switch: {
        auto* control = into.add(std::make_unique<gui::Switch>(r, row.count, row.tag, &listener));
        control->setLabels(positionLabels(row.tag));
        return control;
    }
    case ControlKind::HorizontalSlider: {
        auto* slider = into.add(std::make_unique<gui::HorizontalSlider>(r, row.tag, &listener));
        slider->setValueText([tag = row.tag](float value) { return valueText(tag, value); });
        return slider;
    }
    case ControlKind::TextEdit:
        return into.add(std::make_unique<gui::TextEdit>(r, row.tag, &listener, 63));
    case ControlKind::CurveView:
    case ControlKind::HarmonicBars:
    case ControlKind::MorphPad:
    case ControlKind::MorphPath:
    case ControlKind::Keyboard: {
        auto view = customView(row, r, slot, listener, context);
        return view ? into.add(std::move(view)) : nullptr;
    }
    }
    return nullptr;
}

std::string controlText(const gui::Control& control)
{
    if (const auto* edit = dynamic_cast<const gui::TextEdit*>(&control)) {
        return edit->text();
    }
    return {};
}

void setControlText(gui::Control& control, std::string_view text)
{
    if (auto* edit = dynamic_cast<gui::TextEdit*>(&control)) {
        edit->setText(text);
    }
}

} // namespace tessarine
