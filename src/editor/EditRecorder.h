#pragma once
// Cuts the musician's work into undo steps and walks them back and forth.
// A step ends where a gesture ends: a mouse release, a key a view took, an
// action (load, analyse, Random) done, or a pause of half a second after
// wheel notches on one control; a drag is one step however many values it
// moved. What changed between gestures without the editor (the host's
// automation, its state loads) joins the place undo stands at instead of
// becoming a step. Undo puts the host's values back alone when only they
// differ, so the sound plays on, and installs the whole record otherwise;
// either way the host then hears every value that changed, as after any
// editor event. User-interface thread only.

#include "editor/EditHistory.h"
#include "gui/EventWatcher.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace tessarine {

class SynthEngine;

namespace gui {
class Frame;
} // namespace gui

class EditRecorder final : public gui::EventWatcher {
public:
    // refresh: every control follows the engine again; marked: the modified mark changed.
    EditRecorder(SynthEngine& engine, std::function<void()> refresh, std::function<void()> marked);

    // The frame whose gestures cut steps (null while the editor is closed).
    void attach(gui::Frame* frame);

    // An edit was made outside a gesture's events (a menu entry, an action's
    // end): the next idle records it.
    void noteEdit() { editPending_ = true; }
    // The instrument now matches a file or the host's project.
    void noteUnmodified();
    // Records a finished edit; called at every idle of the editor.
    void idle(std::int64_t nowMs);

    bool undo();
    bool redo();
    bool modified() const { return history_.modified(); }

    // A/B: switches between the edited instrument and the one last loaded or
    // saved. Switching is no step and loses neither side: while the loaded
    // one plays, the place undo stands at still holds the edited one (so the
    // mark stays, and a load asks as before), and the next switch brings it
    // back. Editing the loaded side makes it a new step after the edited
    // one, which undo then reaches. False when there is nothing to compare.
    bool compare();
    bool comparing() const { return comparing_; }
    EditHistory& history() { return history_; }

    void beforeEvent(const gui::InputEvent& event) override;
    bool afterEvent(const gui::InputEvent& event, bool taken) override;

private:
    EditHistory::State capture();
    EditHistory::State stateOf(std::span<const std::byte> record, const EditHistory::Values& values);
    // The pending step, if any, is recorded; then the instrument as it is
    // becomes the place undo stands at.
    void settle();
    void record();
    bool restore(const EditHistory::State* state);
    // While comparing, a state equal to the loaded one is no step; anything
    // else ends the comparison as a step after the edited side. True when
    // the comparison still holds.
    bool holdComparison();
    void endComparison();

    SynthEngine& engine_;
    std::function<void()> refresh_;
    std::function<void()> marked_;
    gui::Frame* frame_ = nullptr;
    EditHistory history_;
    std::vector<std::byte> buffer_;
    // The record last cut into chunks, and its chunks.
    std::vector<std::byte> lastRecord_;
    std::vector<std::shared_ptr<const EditHistory::Chunk>> lastChunks_;
    bool editPending_ = false;
    bool unmodifiedPending_ = false;
    bool comparing_ = false;
    // Wheel notches on one control within kWheelPauseMs are one step.
    bool wheelPending_ = false;
    std::int64_t wheelDueMs_ = 0;
    double wheelX_ = 0;
    double wheelY_ = 0;
};

} // namespace tessarine
