#pragma once
// Files dropped on the editor's window, by kind and by place: sounds are
// analysed into a slot, a voice loads into a slot, an instrument anywhere,
// harmonic and noise presets into a voice page's shown layer. A slot is the
// shown voice page's, or on the morph page a slot's corner of the pad or its
// voice menu. While files hover, the place they would land is outlined and
// named; a place that would refuse them shows nothing, and dropping there
// says why in the editor's message box.

#include "editor/EditorActions.h"
#include "gui/DropTarget.h"
#include "gui/Frame.h"

#include <functional>
#include <string>
#include <vector>

namespace tessarine {

// What a drop at one place does.
struct DropPlan {
    enum class Action { Refuse, Analyse, LoadVoice, LoadInstrument, LoadPreset };
    Action action = Action::Refuse;
    int slot = -1;
    bool harmonic = false; // LoadPreset: a harmonic (.t9h) or noise (.t9n) preset
    gui::Rect area;        // where it lands, in frame coordinates
    std::string hint;      // one line said while hovering
    std::string refusal;   // the message for a refused drop
};

// The plan for paths dropped at a point of the frame while page is shown.
DropPlan planDrop(int page, gui::Point at, const std::vector<std::string>& paths);

class EditorDropTarget final : public gui::DropTarget {
public:
    // shownPage: the page the editor shows now; messageBox: the editor's
    // (FileDialogs::messageBox, text and caption). The target sets itself on
    // the frame (and its hint painter) and unsets both when destroyed.
    EditorDropTarget(gui::Frame& frame, EditorActions& actions, std::function<int()> shownPage,
                     std::function<void(const char*, const char*)> messageBox);
    ~EditorDropTarget() override;

    EditorDropTarget(const EditorDropTarget&) = delete;
    EditorDropTarget& operator=(const EditorDropTarget&) = delete;

    bool dragOver(gui::Point at, const std::vector<std::string>& paths) override;
    void dragLeave() override;
    bool drop(gui::Point at, const std::vector<std::string>& paths) override;

    // The plan outlined now (Refuse when nothing is).
    const DropPlan& shownPlan() const { return shown_; }

private:
    void show(DropPlan plan);
    void paintHint(cairo_t* cr) const;

    gui::Frame& frame_;
    EditorActions& actions_;
    std::function<int()> shownPage_;
    std::function<void(const char*, const char*)> messageBox_;
    DropPlan shown_;
};

} // namespace tessarine
