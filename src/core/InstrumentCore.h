#pragma once
// The instrument whatever plug-in format carries it: the engine, the sound
// library, the random generator, the editor and the state record, behind one
// small interface that each format's adapter maps its host's calls onto. The
// core knows its host only through CoreHost, and is the editor's EditorHost.
//
// Threads. Three kinds of caller, as plug-in hosts of every format use them:
// - audio thread: event delivery, render and process. Real-time safe: no
//   allocation, lock, wait or logging, and CoreHost::automateFromAudio is the
//   only call out.
// - any thread, audio included: setParameter and parameter. Values are
//   atomics in the engine; the editor takes a value from another thread at
//   its next idle. Real-time safe.
// - main thread: everything else (set-up, activation, parameter texts, state,
//   the editor, the file and library requests). These may run while the
//   audio thread renders: loads read aside and hand the data over without
//   render ever waiting (the engine's instrument store and voice hand-over),
//   saves read the live instrument while it plays. saveState's buffer is
//   guarded by its own lock, never taken on the audio thread.
//
// What the host sees. The host's values are the saved ones: what the host, the
// editor, a load or a learned controller set; modulation moves only what plays.
// The core keeps the values the host last heard of, and after every main-thread
// action that may change values (a file or library request, an editor event,
// activation) reports each one that differs through CoreHost::reportValue.
// The host's own writes and state loads change that view without a report.
// prepare and activate, and the destructor, come while no audio is processed.

#include "core/CoreHost.h"
#include "core/TempoTracker.h"
#include "editor/EditorHost.h"
#include "editor/EditorShell.h"
#include "engine/SynthEngine.h"
#include "params/RandomGenerator.h"
#include "sound/library/LibraryTarget.h"
#include "sound/library/SoundLibrary.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>

namespace tessarine {

class SynthEditor;

// One MIDI message of a delivery, at its sample offset in the coming block.
struct MidiMessage {
    std::uint8_t bytes[3];
    int frameOffset;
};

class InstrumentCore final : public EditorHost, public LibraryTarget {
public:
    // The state buffer starts at this size and grows, on the thread that saves,
    // up to the largest record a library file may hold.
    static constexpr std::size_t kStateBytes = 1'536'000;
    static constexpr std::size_t kMaxStateBytes = RecordStream::kBufferSize;
    static constexpr int kVoiceSlots = kSlotCount;
    static constexpr int kEditorPages = 8;

    // The library is the one beside this module; libraryRoot names another
    // folder instead ("" for none, so the instrument starts at the start values).
    explicit InstrumentCore(CoreHost& host, const char* libraryRoot = nullptr);
    ~InstrumentCore();

    InstrumentCore(const InstrumentCore&) = delete;
    InstrumentCore& operator=(const InstrumentCore&) = delete;

    // Set-up: the rate and the largest block the host will ask for, which
    // bounds what the engine prepares for (longer blocks still render).
    void prepare(float sampleRate, int maxBlock);
    int maxBlock() const { return maxBlock_; }
    // Activation reads the host's transport, forgets every running state and
    // re-applies the saved values; deactivation releases every sounding note.
    void activate();
    void deactivate();

    // One block: a delivery of events, then render into two channels. Adapters
    // whose host delivers events apart from the block (or walks its own event
    // list) call beginDelivery, then deliver per message, and render on their own.
    void process(std::span<const MidiMessage> events, float* const* outputs, int frames)
    {
        deliverEvents(events);
        render(outputs, frames);
    }
    void deliverEvents(std::span<const MidiMessage> events);
    void beginDelivery();
    void deliver(const MidiMessage& message);
    // Overwrites both outputs; nothing happens without two channels or frames.
    void render(float* const* outputs, int frames);

    // Parameters: the host's share of the parameter table.
    static constexpr int parameterCount() { return kParameterCount; }
    float parameter(int index) const { return engine_->getParameter(index, true); }
    // The host's own write: applied, and known to the host without a report.
    void setParameter(int index, float value);
    void parameterName(int index, char* text, std::size_t capacity) const;
    // The unit the value display shows, in the editor's terms.
    const char* parameterLabel(int index) const;
    void parameterDisplay(int index, char* text, std::size_t capacity) const;

    // The state record: the instrument record a library file would hold. The
    // bytes saved stay valid until the next saveState; an empty span means
    // nothing could be written. A load that is refused changes nothing.
    std::span<const std::byte> saveState();
    bool loadState(std::span<const std::byte> data);
    // An instrument file the host asked for (an LV2 preset): loaded as
    // loadInstrumentFile does, but the host knows its values, as after loadState.
    bool restoreInstrumentFile(const char* path);

    // The editor, as the host opens it in a window of its own; every call is
    // refused (false, -1, nothing) while there is none.
    bool hasEditor() const { return editor_ != nullptr; }
    EditorSize editorSize() const;
    // The host's scale request (its display scaling, 1 … 3): false for
    // anything not a positive number. The size the person picked in the
    // editor wins over it; until then it sets editorSize and the pictures'.
    bool setEditorScale(double scale);
    EditorSize editorPictureSize() const;
    bool openEditor(void* parentWindow);
    void closeEditor();
    void idleEditor();
    int editorKeyDown(int character, int virtualKey, int modifier);
    int editorKeyUp(int character, int virtualKey, int modifier);
    void setEditorKnobMode(int mode);
    bool editorWheel(float distance);
    // A page (0 … kEditorPages - 1) drawn without a window into the caller's
    // straight RGBA buffer; a refused request leaves the buffer untouched.
    bool drawEditorPage(int page, std::uint8_t* rgba, std::size_t bytes);

    // File and library requests, for the editor's buttons and for callers with
    // no window (the command line, scripts, tests). Paths are terminated texts
    // shorter than PATH_MAX. A request that fails leaves things as they were.
    bool loadInstrumentFile(const char* path);
    bool saveInstrumentFile(const char* path);
    bool loadVoiceFile(int slot, const char* path);
    bool saveVoiceFile(int slot, const char* path);
    // A sound file analysed into slot: wholeVoice makes the slot a new voice
    // that plays it on every key (as the Analyse button does); otherwise only
    // the multisample and layer the slot's page shows take it. No window opens.
    bool analyseSoundFile(int slot, const char* path, bool wholeVoice);
    // Repeatable renders: every random source of the instance starts from one seed.
    void seedRandom(std::uint32_t seed);
    // Loads Reset.t9i of the library.
    bool resetInstrument();
    // From the named instrument category, or the selected one for null or "".
    bool randomInstrument(const char* category);
    // Lists the instrument categories again.
    void rescanLibrary();
    bool loadLibraryInstrument(std::string_view category, std::string_view name);
    // The next (step 1) or previous (-1) instrument of the loaded one's category, wrapping.
    bool stepInstrument(int step);
    // A folder to use as the library's root instead; false for none.
    bool setLibraryRoot(const char* folder);

    SynthEngine& engine() { return *engine_; }
    RandomGenerator& random() { return random_; }
    SoundLibrary& library() { return library_; }
    EditorShell* editor() const { return editor_; }

    // The editor's host.
    void automate(int index, float value) override;
    void hostIdle() override { host_.serveIdle(); }
    void attachEditor(EditorShell* editor) override;
    void editorResized(int width, int height) override { host_.editorResized(width, height); }
    void detachEditor(EditorShell* editor) override;

    // The library's actions reach the engine through these (main thread).
    void writeParameter(int index, float value) override { applyValue(index, value); }
    bool loadInstrumentFrom(const char* path) override;
    bool loadVoiceFrom(int slot, const char* path) override { return engine_->loadVoice(slot, path); }

private:
    void pushChangedValues();
    // The value reaches the engine and the editor, not yet the host's view.
    void applyValue(int index, float value);
    // Main thread: the host hears of every value that differs from its view.
    void reportChangedValues();
    // The host's view becomes what the instrument holds, without a report.
    void adoptHostView();

    CoreHost& host_;
    std::unique_ptr<SynthEngine> engine_;
    RandomGenerator random_;
    SoundLibrary library_;
    TempoTracker tempoTracker_;
    int maxBlock_ = 1024;
    // Written on any thread as the host's or a learned controller's value
    // lands; compared and updated on the main thread.
    std::array<std::atomic<float>, kParameterCount> hostView_{};
    std::mutex stateMutex_;
    std::unique_ptr<std::byte[]> state_;
    std::size_t stateCapacity_ = 0;
    EditorShell* editor_ = nullptr;
    // Last, so that it goes first: it refers to the engine and the library.
    std::unique_ptr<SynthEditor> ownedEditor_;
};

} // namespace tessarine
