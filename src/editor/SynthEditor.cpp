#include "editor/SynthEditor.h"

#include "editor/ControlGestures.h"
#include "editor/EditorDropTarget.h"
#include "editor/pages/ControlFactory.h"
#include "editor/pages/EditorBackground.h"
#include "editor/EditorTags.h"
#include "editor/views/EditorViewContext.h"
#include "editor/EditorWindow.h"
#include "editor/HistoryButtons.h"
#include "editor/ScaleMenu.h"
#include "editor/pages/PageHandlers.h"
#include "engine/SynthEngine.h"
#include "gui/DeviceScale.h"
#include "gui/Frame.h"
#include "gui/ImageSurfaceBackend.h"
#include "gui/MenuPresenter.h"
#include "gui/OptionMenu.h"
#include "gui/Selector.h"
#include "gui/Theme.h"
#include "params/NoteFrequencyTable.h"
#include "sound/library/SoundLibrary.h"

#include <cmath>

namespace tessarine {

namespace {

constexpr float kLfoRateCap = 0.95f;

int pageOfSelectorValue(float value)
{
    const int page = static_cast<int>(value * 7.0f + 0.5f);
    return page < 0 ? 0 : (page >= kPageCount ? kPageCount - 1 : page);
}

// The actions' dialogs are the editor's, which a test may replace at any time.
class ForwardedDialogs final : public FileDialogs {
public:
    explicit ForwardedDialogs(std::unique_ptr<FileDialogs>& to) : to_(to) {}
    bool openFile(const char* extension, std::string& path) override { return to_->openFile(extension, path); }
    bool saveFile(const char* extension, std::string& path) override { return to_->saveFile(extension, path); }
    bool openFiles(const char* extension, std::vector<std::string>& paths) override
    {
        return to_->openFiles(extension, paths);
    }
    void messageBox(const char* text, const char* caption) override { to_->messageBox(text, caption); }
    bool question(const char* text, const char* caption, const char* accept) override
    {
        return to_->question(text, caption, accept);
    }
    std::unique_ptr<AnalysisProgress> openAnalysisProgress() override { return to_->openAnalysisProgress(); }
    void setLibraryFolder(const std::string& root) override { to_->setLibraryFolder(root); }
    void setScale(double scale) override { to_->setScale(scale); }

private:
    std::unique_ptr<FileDialogs>& to_;
};

// Builds a complete editor (frame, top bar, pages) on the stack of drawPage,
// apart from the open window's.
struct HeadlessEditor {
    gui::Frame frame{kEditorWidth, kEditorHeight};
    gui::HeadlessMenuPresenter menus;
    std::unique_ptr<EditorPages> pages;
};

// Beside the slot switches of a voice page, where nothing else is drawn.
constexpr gui::Rect kAnalysisNote{static_cast<int>(kPageOrigin.x) + 376, static_cast<int>(kPageOrigin.y) + 100, 284, 20};

} // namespace

SynthEditor::SynthEditor(EditorHost& host, SynthEngine& engine, SoundLibrary& library, LibraryTarget& target,
                         RandomGenerator& random)
    : EditorShell(host), engine_(engine), library_(library), dialogs_(makeFileDialogs()),
      actions_(engine, library, target, random,
               [this] {
                   fullRefresh();
                   recorder_.noteEdit();
               }),
      voices_(engine, host), recorder_(engine, [this] { fullRefresh(); }, [this] { showModifiedMark(); })
{
    actions_.setSaved([this] { recorder_.noteUnmodified(); });
    actions_.setMayDiscard([this] {
        if (!askBeforeDiscarding_.enabled() || !recorder_.modified()) {
            return true;
        }
        const std::string text =
            std::string("The instrument \"") + engine_.instrument().name.data() + "\" has changes that were not saved.";
        return dialogs_->question(text.c_str(), "Discard changes?", "Discard");
    });
    size_ = EditorSize{kEditorWidth, kEditorHeight};
    // Hosts ask for the size before the first open.
    scaleChoice_.load();
    applyScale();
    actions_.setWhileBusy([this] {
        if (window_) {
            window_->repaintExposed();
        }
    });
    actions_.setFileDialogs(std::make_unique<ForwardedDialogs>(dialogs_));
    // The frame picked in a voice page's harmonic envelope is the one its bars show.
    views_ = std::make_unique<EditorViewContext>(
        engine_, host_,
        [this](const tessarine::VoicePlace& place, int frame) {
            if (pages_ && place.slot >= 0) {
                if (gui::Control* bars = pages_->control(place.slot, kTagHarmonicBars)) {
                    setHarmonicBarFrame(*bars, frame);
                }
            }
        },
        [this](const tessarine::VoicePlace& place, int frame) {
            if (pages_ && place.slot >= 0) {
                if (gui::Control* spectrum = pages_->control(place.slot, kTagNoiseSpectrumView)) {
                    setShownNoiseFrame(*spectrum, frame);
                }
            }
        });
}

CustomViewContext SynthEditor::customViewContext() const { return CustomViewContext{&engine_, views_.get()}; }

void SynthEditor::idleCustomViews()
{
    if (!pages_) {
        return;
    }
    for (int tag : {kTagKeyboard, kTagMorphPad}) {
        pages_->forEachControl(tag, [](gui::Control& view) { idleCustomView(view); });
    }
    // The host may change its tempo at any time; the path's grid follows.
    const double tempo = engine_.tempo();
    if (tempo != shownTempo_) {
        shownTempo_ = tempo;
        pages_->forEachControl(kTagMorphPath, [tempo](gui::Control& path) { setMorphPathTempo(path, tempo); });
    }
}

SynthEditor::~SynthEditor() { close(); }

void SynthEditor::setFileDialogs(std::unique_ptr<FileDialogs> dialogs)
{
    if (dialogs) {
        dialogs_ = std::move(dialogs);
        dialogs_->setScale(scale_);
    }
}

bool SynthEditor::onGuiThread() const
{
    return guiThread_.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

bool SynthEditor::open(void* parentWindow)
{
    if (isOpen()) {
        return true;
    }
    guiThread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    // Another instance may have picked a size since.
    scaleChoice_.load();
    applyScale();
    frame_ = std::make_unique<gui::Frame>(kEditorWidth, kEditorHeight);
    frame_->setScale(scale_);
    frame_->setKnobMode(knobMode_);
    pages_ = std::make_unique<EditorPages>(*frame_, *this, customViewContext());
    const EditorPages* pages = pages_.get();
    actions_.setPages(pages);
    voices_.setPages(pages);
    registerHandlers();
    frame_->setBackgroundPainter([this, pages](cairo_t* cr) {
        const int page = pages->shownPage() < 0 ? kMorphPage : pages->shownPage();
        paintEditorBackground(cr, page);
        // What the last analysis did, on its slot's page, until the next one.
        if (page == actions_.lastAnalysisSlot()) {
            gui::drawText(cr, actions_.lastAnalysisNote(), kAnalysisNote, gui::textsize::kLabel, gui::Align::Left,
                          gui::palette::kTitle);
        }
    });

    dropTarget_ = std::make_unique<EditorDropTarget>(
        *frame_, actions_, [this] { return currentPage(); },
        [this](const char* text, const char* caption) { dialogs_->messageBox(text, caption); });

    gestures_ = std::make_unique<ControlGestures>(
        *frame_, *pages_, *this, engine_,
        [this](const char* text, const char* caption) { dialogs_->messageBox(text, caption); });

    // Every open starts on the morph page, whatever was shown before.
    switchPage(static_cast<float>(kMorphPage) / 7.0f);
    open_.store(true, std::memory_order_release);
    actions_.rebuildInstrumentMenus();
    actions_.rebuildLibraryMenus();
    historyButtons_ = std::make_unique<HistoryButtons>(*frame_, [this](HistoryButtons::Action action) {
        switch (action) {
        case HistoryButtons::kPrevious:
        case HistoryButtons::kNext:
            stepInstrument(action == HistoryButtons::kNext ? 1 : -1);
            break;
        case HistoryButtons::kBrowse:
            openBrowser();
            break;
        case HistoryButtons::kCompare:
            recorder_.compare();
            showModifiedMark();
            break;
        case HistoryButtons::kUndo:
            recorder_.undo();
            break;
        case HistoryButtons::kAsk:
            askBeforeDiscarding_.set(historyButtons_->button(HistoryButtons::kAsk)->value() > 0.5f);
            break;
        default:
            recorder_.redo();
            break;
        }
    });
    askBeforeDiscarding_.load();
    favourites_.load();
    historyButtons_->button(HistoryButtons::kAsk)->setValue(askBeforeDiscarding_.enabled() ? 1.0f : 0.0f);
    scaleMenu_ = std::make_unique<ScaleMenu>(*frame_, [this](int percent) {
        scaleChoice_.set(percent);
        applyScale();
    });
    scaleMenu_->show(scale_);
    fullRefresh();
    recorder_.attach(frame_.get());

    EditorShell::open(parentWindow);
    if (parentWindow != nullptr) {
        window_ = EditorWindow::create(*frame_, parentWindow);
    }
    if (!window_) {
        headlessMenus_ = std::make_unique<gui::HeadlessMenuPresenter>();
        frame_->setMenuPresenter(headlessMenus_.get());
    }
    return true;
}

void SynthEditor::close()
{
    open_.store(false, std::memory_order_release);
    browser_ = nullptr;
    browserDone_ = false;
    pending_.clear();
    recorder_.attach(nullptr);
    window_.reset();
    gestures_.reset();
    dropTarget_.reset();
    if (frame_) {
        frame_->setMenuPresenter(nullptr);
    }
    headlessMenus_.reset();
    handlers_.clear();
    actions_.setPages(nullptr);
    voices_.setPages(nullptr);
    pages_.reset();
    frame_.reset();
    historyButtons_.reset();
    scaleMenu_.reset();
    EditorShell::close();
}

int SynthEditor::currentPage() const { return pages_ ? pages_->shownPage() : -1; }

gui::Control* SynthEditor::control(int tag) const { return pages_ ? pages_->visibleControl(tag) : nullptr; }

void SynthEditor::idle()
{
    if (!isOpen()) {
        return;
    }
    guiThread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    pending_.drain([this](int index, float value) { handleWrite(index, value); });
    if (browserDone_) {
        closeBrowser();
    }
    idleCustomViews();
    if (gestures_) {
        gestures_->idle();
    }
    if (window_) {
        window_->idle();
    }
    recorder_.idle(tickCountMs());
}

void SynthEditor::frameIdle() { idle(); }

void SynthEditor::dispatchPendingPaint()
{
    if (window_) {
        window_->idle();
    }
}

// The plug-in asks for a whole refresh after setChunk and instrument loads.
void SynthEditor::update() { fullRefresh(); }

namespace {

// A key the host passes on: the modifiers in its bits (shift 1, alternate 2,
// command 4 and control 8, both of which are Ctrl here), so that Ctrl+Z
// reaches the editor from a host that keeps the keyboard.
gui::InputEvent hostKey(gui::EventKind kind, const KeyCode& key)
{
    gui::InputEvent event;
    event.kind = kind;
    event.key = key.character;
    event.modifiers = ((key.modifier & 1) != 0 ? gui::kShift : 0u) | ((key.modifier & 2) != 0 ? gui::kAlt : 0u)
        | ((key.modifier & (4 | 8)) != 0 ? gui::kControl : 0u);
    return event;
}

} // namespace

int SynthEditor::onKeyDown(const KeyCode& key)
{
    if (!frame_) {
        return -1;
    }
    return frame_->dispatch(hostKey(gui::EventKind::KeyDown, key)) ? 1 : -1;
}

int SynthEditor::onKeyUp(const KeyCode& key)
{
    if (!frame_) {
        return -1;
    }
    return frame_->dispatch(hostKey(gui::EventKind::KeyUp, key)) ? 1 : -1;
}

void SynthEditor::setKnobMode(int mode)
{
    knobMode_ = mode;
    if (frame_) {
        frame_->setKnobMode(mode);
    }
}

// The host's wheel request (effVendorSpecific 'stCA'/'Whee') steps the control
// under the pointer as the window's own wheel does.
bool SynthEditor::onWheel(float distance)
{
    gui::InputEvent event;
    if (!frame_ || !std::isfinite(distance) || distance == 0.0f || !frame_->lastPointer(event.position)) {
        return false;
    }
    event.kind = gui::EventKind::Wheel;
    event.wheel = distance;
    return frame_->dispatch(event);
}

void SynthEditor::valueChanged(gui::Control& control)
{
    const int tag = control.tag();
    float value = control.value();
    if ((tag == kLfo1Rate || tag == kLfo2Rate) && value > kLfoRateCap) {
        value = kLfoRateCap;
    }
    if (tag == kFilterMode && gui::Selector::positionOf(value, 3) == 1) {
        // The middle position is the band-pass: the engine rounds 3 × value,
        // so 0.5 would land on the low-pass of the last position.
        value = 1.0f / 3.0f;
        if (engine_.getParameter(kFilterMode, true) == value) {
            // Already the band-pass: nothing changed, the host hears nothing.
            control.setValue(value);
            control.invalidate();
            return;
        }
    }
    if (tag >= 0 && tag < kValueCount) {
        host_.automate(tag, value);
        recorder_.noteEdit();
    }
    control.invalidate();
}

void SynthEditor::setParameter(int index, float value)
{
    if (!isOpen() || index < 0 || index >= kValueCount) {
        return;
    }
    if (onGuiThread()) {
        handleWrite(index, value);
        return;
    }
    // Away from the user-interface thread nothing is touched: the value waits
    // for the next idle. An action only waits for its write of 0.
    if (isReleaseAction(index) && value != 0.0f) {
        return;
    }
    pending_.post(index, value);
}

void SynthEditor::handleWrite(int index, float value)
{
    if (!isOpen() || !pages_) {
        return;
    }
    if (!handlers_.run(index, value)) {
        pages_->moveControls(index, value);
    }
}

void SynthEditor::registerHandlers()
{
    handlers_.clear();
    handlers_.on(kTagPageSelector, 1, [this](const ValueWrite& w) { switchPage(w.value); });
    addPageHandlers(handlers_, PageHandlerContext{engine_, *pages_, actions_, voices_});
}

void SynthEditor::fullRefresh()
{
    if (!isOpen() || !pages_) {
        return;
    }
    VoiceEdits::Refreshing refreshing(voices_);
    frame_->invalidateRect(kAnalysisNote);
    actions_.showLoadedNames();
    voices_.showVoices();
    // The sound may be new (a load, an analysis, an undo): the bars open on
    // its loudest frame instead of keeping a frame number of the sound before.
    for (int s = 0; s < kSlotCount; ++s) {
        if (gui::Control* bars = pages_->control(s, kTagHarmonicBars)) {
            setHarmonicBarFrame(*bars, -1);
        }
    }
    for (int index = 0; index < kValueCount; ++index) {
        if (!isExcludedFromRefresh(index)) {
            setParameter(index, engine_.getParameter(index, true));
        }
    }
    voices_.refreshViews();
    if (gui::Control* path = pages_->control(kMorphPage, kTagMorphPath)) {
        setMorphPathTempo(*path, engine_.tempo());
    }
    showModifiedMark();
}

void SynthEditor::showModifiedMark()
{
    if (!pages_) {
        return;
    }
    std::string name = engine_.instrument().name.data();
    if (recorder_.modified()) {
        name += " *";
    }
    if (historyButtons_) {
        historyButtons_->button(HistoryButtons::kCompare)->setValue(recorder_.comparing() ? 1.0f : 0.0f);
    }
    pages_->forEachControl(kTagInstrumentMenu, [&name](gui::Control& c) {
        if (auto* menu = dynamic_cast<gui::OptionMenu*>(&c)) {
            menu->setTitle(name);
        }
    });
}

bool SynthEditor::requestScale(double scale)
{
    if (!std::isfinite(scale) || scale <= 0) {
        return false;
    }
    hostScale_ = gui::clampScale(scale);
    applyScale();
    return true;
}

// The person's pick wins; until there is one the host's request decides.
// Pictures follow the host's request only (see pictureSize).
void SynthEditor::applyScale()
{
    const int picked = scaleChoice_.percent();
    const double scale = gui::clampScale(picked > 0 ? picked / 100.0 : (hostScale_ > 0 ? hostScale_ : 1.0));
    pictureScale_ = gui::clampScale(hostScale_ > 0 ? hostScale_ : 1.0);
    dialogs_->setScale(scale);
    const bool changed = scale != scale_;
    scale_ = scale;
    if (scaleMenu_) {
        scaleMenu_->show(scale);
    }
    if (changed && frame_) {
        // The window follows at its next idle; the host fits its own around it now.
        frame_->setScale(scale);
        if (window_) {
            const EditorSize s = size();
            host_.editorResized(s.width, s.height);
        }
    }
}

void SynthEditor::switchPage(float value)
{
    if (!pages_) {
        return;
    }
    const int page = pageOfSelectorValue(value);
    // The page would be attached over the browser, which offers what the old page held.
    closeBrowser();
    pages_->showPage(page);
    if (gui::Control* selector = pages_->control(EditorPages::kTopBar, kTagPageSelector)) {
        selector->setValue(static_cast<float>(page) / 7.0f);
    }
    voices_.refreshViews();
    if (frame_) {
        frame_->invalidateRect(frame_->bounds());
    }
}

void SynthEditor::openBrowser()
{
    if (!frame_ || browser_ != nullptr) {
        return;
    }
    const int slot = slotOfPage(currentPage());
    std::vector<LibraryKind> kinds{LibraryKind::Instrument};
    if (slot >= 0) {
        kinds.insert(kinds.end(), {LibraryKind::Voice, LibraryKind::HarmonicPreset, LibraryKind::NoisePreset});
    }
    BrowserPanel::Actions actions;
    actions.load = [this, slot](const LibraryEntry& entry) { return actions_.loadLibraryEntry(entry, slot); };
    actions.isLoaded = [this, slot](const LibraryEntry& entry) { return isLoaded(entry, slot); };
    actions.close = [this] { browserDone_ = true; };
    browser_ = frame_->add(std::make_unique<BrowserPanel>(frame_->bounds(), library_.folders(), std::move(kinds),
                                                          browsing_, favourites_, std::move(actions)));
    browser_->focusSearch();
}

void SynthEditor::closeBrowser()
{
    browserDone_ = false;
    if (frame_ && browser_ != nullptr) {
        frame_->release(browser_);
    }
    browser_ = nullptr;
}

bool SynthEditor::isLoaded(const LibraryEntry& entry, int slot) const
{
    switch (entry.kind) {
    case LibraryKind::Instrument:
        return entry.name == engine_.instrument().name.data()
            && (entry.user || entry.category == actions_.loadedCategoryName());
    case LibraryKind::Voice:
        return slot >= 0 && slot < kSlotCount
            && entry.name == engine_.instrument().voices[static_cast<std::size_t>(slot)].nameView();
    default:
        return false;
    }
}

void SynthEditor::stepInstrument(int step)
{
    if (!browsing_.searching()) {
        actions_.stepInstrument(step);
        return;
    }
    // The search as the browser showed it for instruments; a category chosen
    // among voices or presets means nothing here.
    BrowserState search = browsing_;
    if (search.kind != LibraryKind::Instrument) {
        search.category.clear();
    }
    const auto result = browserResult(listLibrary(library_.folders(), LibraryKind::Instrument), search, favourites_);
    if (result.empty()) {
        return;
    }
    const int count = static_cast<int>(result.size());
    int at = -1;
    for (int i = 0; i < count && at < 0; ++i) {
        at = isLoaded(result[static_cast<std::size_t>(i)], -1) ? i : -1;
    }
    // From outside the result, next starts at its first entry and previous at its last.
    const int next = at < 0 ? (step > 0 ? 0 : count - 1) : ((at + step) % count + count) % count;
    actions_.loadLibraryEntry(result[static_cast<std::size_t>(next)], -1);
}

bool SynthEditor::drawPage(int page, std::uint8_t* rgba, std::size_t bytes)
{
    const EditorSize picture = pictureSize();
    const std::size_t needed = static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 4;
    if (page < 0 || page >= kPageCount || rgba == nullptr || bytes < needed) {
        return false;
    }
    // A frame of its own, so that an open window keeps its page and state.
    HeadlessEditor editor;
    editor.frame.setScale(pictureScale_);
    editor.frame.setMenuPresenter(&editor.menus);
    editor.pages = std::make_unique<EditorPages>(editor.frame, *this, customViewContext());
    editor.pages->showPage(page);
    // Drawn only: nothing clicks a picture.
    HistoryButtons extras(editor.frame, [](HistoryButtons::Action) {});
    extras.button(HistoryButtons::kAsk)->setValue(askBeforeDiscarding_.enabled() ? 1.0f : 0.0f);
    ScaleMenu scaleShown(editor.frame, [](int) {});
    scaleShown.show(pictureScale_);
    const EditorPages* pages = editor.pages.get();
    editor.frame.setBackgroundPainter([pages](cairo_t* cr) { paintEditorBackground(cr, pages->shownPage()); });
    // Every control shows the engine's value, as a full refresh would.
    for (int index = 0; index < kValueCount; ++index) {
        const float value = engine_.getParameter(index, true);
        pages->forEachControl(index, [value](gui::Control& c) { c.setValue(value); });
    }
    pages->forEachControl(kTagPageSelector, [page](gui::Control& c) { c.setValue(static_cast<float>(page) / 7.0f); });
    for (int s = 0; s < kSlotCount; ++s) {
        const Voice& voice = engine_.instrument().voices[static_cast<std::size_t>(s)];
        pages->forEachControl(kTagVoiceNameA + s, [&voice](gui::Control& c) { setControlText(c, voice.nameView()); });
        // The key a window shows once it has opened, not the value stored before it ever did.
        const float key = static_cast<float>(voices_.shownKey(s)) / static_cast<float>(kKeyCount);
        pages->forEachControl(kTagKeyA + s, [key](gui::Control& c) { c.setValue(key); });
    }
    // The pad shows what the window's handlers would make of the morph mode and envelope morph.
    if (gui::Control* pad = pages->control(kMorphPage, kTagMorphPad)) {
        setMorphPadTargetMode(*pad, static_cast<int>(3.99f * engine_.getParameter(kMorphModeSelector, true)));
        setMorphPadPathShown(*pad, static_cast<int>(1.99f * engine_.getParameter(kEnvelopeMorphOn, true)) != 0);
    }
    actions_.fillMenus(*pages);
    gui::ImageSurfaceBackend image(editor.frame);
    if (!image.isValid()) {
        editor.frame.setMenuPresenter(nullptr);
        return false;
    }
    image.paintAll();
    const bool ok = image.copyRgba(rgba, bytes);
    editor.frame.setMenuPresenter(nullptr);
    return ok;
}

} // namespace tessarine
