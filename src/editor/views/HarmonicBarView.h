#pragma once
// The 64 harmonics of the shown layer as bars (tag 174): amplitudes from the
// bottom or frequency deviations from the middle line, at the selected frame
// or over all frames. A vertical drag redraws one harmonic or a family of
// them (odd, even, octaves, brighter, darker...) at once.

#include "editor/views/ViewContext.h"
#include "gui/Control.h"

#include <array>
#include <string>

namespace tessarine {

class HarmonicData;

class HarmonicBarView : public gui::Control {
public:
    // In the order of the family list's entries ("All", "Dark", ... "One"), so
    // that entry k of the list is family k.
    enum Family : int { kAll, kDark, kBright, kOctaves, kFifths, kEven, kOdd, kOne, kFamilyCount };

    HarmonicBarView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context, int slot);

    // The multisample and layer shown from now on; a frame that the layer does
    // not have gives way to its loudest frame.
    void showPlace(const VoicePlace& place);
    const VoicePlace& place() const { return place_; }

    gui::Rect plotRect() const;

    void setShownCount(int count);
    int shownCount() const { return shownCount_; }
    // The frame shown and edited; -1 when none is selected.
    void setFrame(int frame);
    int frame() const { return frame_; }
    void setAllFrames(bool all);
    bool allFrames() const { return allFrames_; }
    void setFrequencyMode(bool on);
    bool frequencyMode() const { return frequencyMode_; }
    // What the bars show, written in the plot's corner: "Levels, frame 3", "Deviations, all frames".
    std::string modeText() const;
    void setFamily(int family);
    int family() const { return family_; }
    const char* readout() const { return readout_.data(); }

    // How much a drag moves harmonic h (1-based) in the current family; 0 when
    // the family leaves it alone. harmonicUnderMouse is the family "One"'s pick.
    float weight(int h, int harmonicUnderMouse) const;
    int harmonicAt(double x) const;
    double barWidth() const;

    bool onEvent(const gui::InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    int loudestFrame();
    void dragTo(double x, double y);
    void editHarmonic(HarmonicData& data, int h, float w, double dy, double y);
    float shownAmplitude(const HarmonicData& data, int h) const;
    float shownDeviation(const HarmonicData& data, int h) const;

    ViewContext& context_;
    VoicePlace place_;
    int shownCount_ = 64;
    int frame_ = -1;
    bool allFrames_ = false;
    bool frequencyMode_ = false;
    int family_ = kAll;
    bool dragging_ = false;
    double lastY_ = 0;
    std::array<char, 32> readout_{};
};

} // namespace tessarine
