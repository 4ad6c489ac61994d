#pragma once
// The plug-in's window: an 800 × 550 frame with a top bar and eight pages of
// controls, each control tagged with the engine value it moves. A control's
// move goes out through the plug-in (engine store, host automation) and comes
// back in through setParameter, which moves every control of the tag and runs
// the tag's handler; host automation and the engine's own changes take the
// same way in, so every action can be triggered from outside.
//
// Threads: open, close, idle and drawing run on the host's user-interface
// thread. setParameter may come from any thread; away from the user-interface
// thread it only records the value (ActionQueue), and the next idle moves the
// controls and runs the actions there. Nothing is built before the first open:
// a host that never opens the editor never needs a display.

#include "editor/ActionQueue.h"
#include "editor/BrowserPanel.h"
#include "editor/EditorActions.h"
#include "editor/EditRecorder.h"
#include "editor/EditorScaleChoice.h"
#include "editor/FavouriteList.h"
#include "editor/dialogs/AskBeforeDiscarding.h"
#include "editor/pages/EditorPages.h"
#include "editor/EditorShell.h"
#include "editor/dialogs/FileDialogs.h"
#include "editor/ValueHandlers.h"
#include "editor/VoiceEdits.h"
#include "gui/Control.h"

#include <atomic>
#include <memory>
#include <thread>

namespace tessarine {

class LibraryTarget;
class RandomGenerator;
class SoundLibrary;
class SynthEngine;

namespace gui {
class Frame;
class HeadlessMenuPresenter;
} // namespace gui

class ControlGestures;
class EditorDropTarget;
class HistoryButtons;
class ScaleMenu;
class EditorWindow;
class EditorViewContext;

class SynthEditor final : public EditorShell, public gui::ControlListener {
public:
    // target: the plug-in, through which library loads reach the engine and
    // values reach the editor and the host.
    SynthEditor(EditorHost& host, SynthEngine& engine, SoundLibrary& library, LibraryTarget& target,
                RandomGenerator& random);
    ~SynthEditor() override;

    // parentWindow: the host's X11 window id; null builds the frame without a
    // window (headless hosts, tests). Every open starts on the morph page.
    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;
    int onKeyDown(const KeyCode& key) override;
    int onKeyUp(const KeyCode& key) override;
    void setKnobMode(int mode) override;
    bool onWheel(float distance) override;
    void setParameter(int index, float value) override;
    bool drawPage(int page, std::uint8_t* rgba, std::size_t bytes) override;
    bool requestScale(double scale) override;
    void instrumentUnmodified() override { recorder_.noteUnmodified(); }

    void valueChanged(gui::Control& control) override;

    // Every control follows the engine again (after a load, setChunk, an action).
    void fullRefresh();

    // The dialogs and message box the file actions use (tests inject paths).
    void setFileDialogs(std::unique_ptr<FileDialogs> dialogs);
    // The file and library actions, and what the last analysis did.
    const EditorActions& actions() const { return actions_; }
    // The undo history and the modified mark (the instrument name ends in " *").
    EditRecorder& edits() { return recorder_; }
    // The arrows and Undo and Redo of the top bar; null while the editor is closed.
    const HistoryButtons* historyButtons() const { return historyButtons_.get(); }
    // The top bar's size menu; null while the editor is closed.
    const ScaleMenu* scaleMenu() const { return scaleMenu_.get(); }

    bool isOpen() const { return open_.load(std::memory_order_acquire); }
    int currentPage() const;
    gui::Frame* frame() const { return frame_.get(); }
    const EditorPages* pages() const { return pages_.get(); }
    // The control of tag on the shown page or the top bar; null when there is none.
    gui::Control* control(int tag) const;
    // Without a window, option menus pop up here, and tests choose their entries.
    gui::HeadlessMenuPresenter* headlessMenus() const { return headlessMenus_.get(); }
    // The library browser while it is open (null otherwise), and what it
    // shows, kept between openings for the next one and for the arrows.
    BrowserPanel* browser() const { return browser_; }
    const BrowserState& browsing() const { return browsing_; }
    void openBrowser();
    void closeBrowser();
    // What takes files dropped on the window while the editor is open.
    EditorDropTarget* dropTarget() const { return dropTarget_.get(); }
    // Typed values, resets, the controls' menu, tooltips and the learn marks, while open.
    ControlGestures* gestures() const { return gestures_.get(); }

protected:
    void update() override;
    void frameIdle() override;
    void dispatchPendingPaint() override;

private:
    bool onGuiThread() const;
    void handleWrite(int index, float value);
    void registerHandlers();
    void switchPage(float value);
    void showModifiedMark();
    void applyScale();
    // The arrows: through the browser's search result while there is one,
    // else through the loaded instrument's category.
    void stepInstrument(int step);
    bool isLoaded(const LibraryEntry& entry, int slot) const;

    SynthEngine& engine_;
    SoundLibrary& library_;
    // What the custom views (curves, bars, pad, path, keyboard) reach the engine and host through.
    std::unique_ptr<EditorViewContext> views_;
    // The dialogs and message box: the actions reach them through a forwarder,
    // so drops can say why they were refused in the same box.
    std::unique_ptr<FileDialogs> dialogs_;
    EditorActions actions_;
    VoiceEdits voices_;
    EditRecorder recorder_;
    AskBeforeDiscarding askBeforeDiscarding_{AskBeforeDiscarding::defaultFile()};
    EditorScaleChoice scaleChoice_{EditorScaleChoice::defaultFile()};
    double hostScale_ = 0;  // the host's last request; 0 for none
    FavouriteList favourites_{FavouriteList::defaultFile()};
    BrowserState browsing_;
    // Owned by the frame; removed at the idle after it asked to close, as the
    // event that closed it may still be running inside it.
    BrowserPanel* browser_ = nullptr;
    bool browserDone_ = false;
    // What each written index does, registered at every open over the pages built then.
    ValueHandlers handlers_;

    std::unique_ptr<gui::Frame> frame_;
    std::unique_ptr<EditorPages> pages_;
    std::unique_ptr<EditorDropTarget> dropTarget_;
    std::unique_ptr<ControlGestures> gestures_;
    std::unique_ptr<HistoryButtons> historyButtons_;
    std::unique_ptr<ScaleMenu> scaleMenu_;
    std::unique_ptr<EditorWindow> window_;
    std::unique_ptr<gui::HeadlessMenuPresenter> headlessMenus_;
    std::atomic<bool> open_{false};
    std::atomic<std::thread::id> guiThread_{};
    ActionQueue pending_;
    int knobMode_ = 2;
    double shownTempo_ = 0;

    CustomViewContext customViewContext() const;
    void idleCustomViews();
};

} // namespace tessarine
