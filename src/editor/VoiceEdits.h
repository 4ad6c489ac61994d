#pragma once
// The voice pages' edits of their slot's voice, on the user-interface thread:
// which multisample and layer each page shows, the views of the shown page
// following that place, and the changes the page's values make to the voice
// (multisample count, cutoff, key, name) or the views' edits call for. Every
// change holds the engine's edit handover, so no note renders a voice
// half-changed.

#include "editor/VoicePlace.h"

namespace tessarine {

class EditorHost;
class EditorPages;
class SynthEngine;

namespace gui {
class Control;
} // namespace gui

class VoiceEdits {
public:
    VoiceEdits(SynthEngine& engine, EditorHost& host) : engine_(engine), host_(host) {}

    // The built pages while the editor is open; null while it is closed.
    void setPages(const EditorPages* pages) { pages_ = pages; }

    VoicePlace place(int slot) const { return voicePlaceOf(engine_, slot); }
    // The shown voice page's place; no slot while another page is shown.
    VoicePlace shownPlace() const;
    // The shown voice page's views show its place again (after a switch or an edit).
    void refreshViews();

    // A view of the shown page edited the layer's harmonic data or its noise:
    // the voice plays the edit once prepared, or its noise bands resampled.
    void harmonicsEdited();
    void noiseEdited();

    // Written values of slot's voice page.
    void setMultisampleCount(int slot);
    void setCutoff(int slot, float value);
    // The key of the shown multisample: both its layers take the key's pitch.
    void setKey(int slot, float value);
    void setName(int slot, const gui::Control& source);

    // The key list's entry for the pitch of the multisample slot's page shows.
    int shownKey(int slot) const;

    // Every slot's name, multisample count and the key nearest the pitch of
    // the multisample its page shows, the last two written as automation so
    // the host hears them.
    void showVoices();

    // While one lives, written values only show: a refresh replays what the
    // voices already hold, so nothing is prepared or edited again.
    class Refreshing {
    public:
        explicit Refreshing(VoiceEdits& edits) : edits_(edits), was_(edits.refreshing_) { edits_.refreshing_ = true; }
        ~Refreshing() { edits_.refreshing_ = was_; }
        Refreshing(const Refreshing&) = delete;
        Refreshing& operator=(const Refreshing&) = delete;

    private:
        VoiceEdits& edits_;
        bool was_;
    };

private:
    void prepareSlot(int slot);
    void resampleNoiseBands(int slot);

    SynthEngine& engine_;
    EditorHost& host_;
    const EditorPages* pages_ = nullptr;
    bool refreshing_ = false;
};

} // namespace tessarine
