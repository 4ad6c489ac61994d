#pragma once
// The sound engine. It holds the instrument (four slot voices and the
// instrument curves), every engine value in two arrays, the thirteen note
// voices and the effect chain, queues MIDI and parameter events at their sample
// offsets, and renders one stereo pair per host block: a voice pass in
// sub-blocks of at most 256 samples, then the effect chain.
//
// Threads: render, midiIn and the queue run on the host's audio thread.
// setParameter may also come from the automation or GUI thread: values are
// atomics, and anything that touches note voices is flagged and carried out by
// the audio thread at its next chance. Voice files are loaded on the caller's
// thread and handed over without render ever waiting (VoiceHandover); notes
// that sound meanwhile play on from their own copies, and notes that would
// start wait for the hand-over's end (HeldNoteQueue).

#include "engine/EditorMidiIntake.h"
#include "engine/effects/EffectChain.h"
#include "engine/EventQueue.h"
#include "engine/InstrumentStore.h"
#include "engine/MidiIntake.h"
#include "engine/ModulationMatrix.h"
#include "engine/voice/NoiseSynthesiser.h"
#include "engine/voice/VoiceFilter.h"
#include "engine/ParameterValues.h"
#include "engine/SilenceGate.h"
#include "engine/Transport.h"
#include "engine/VoiceHandover.h"
#include "engine/MappedObject.h"
#include "engine/ZeroedStorage.h"
#include "engine/voice/VoiceManager.h"
#include "sound/model/Instrument.h"
#include "sound/files/RecordStream.h"
#include "sound/model/RenderTableHook.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

namespace tessarine {

inline constexpr int kSlotCount = kVoiceSlotCount; // sound slots A..D
// No output sample goes beyond +-16 (+24 dBFS), whatever the sound or the
// settings; far above any playable patch, far below what hurts.
inline constexpr float kOutputCeiling = 16.0f;

// The parameters whose queued changes the effects pass applies; all others
// are applied by the voice pass.
bool isEffectParameter(int index);

class SynthEngine : private RenderTableHook, private InstrumentStore::Player {
public:
    SynthEngine();
    ~SynthEngine() override;
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    // Stores value as current (and saved when storeAsSaved) for 0 <= index <= 254
    // and applies host parameters to the engine; other indices are ignored.
    void setParameter(int index, float value, bool storeAsSaved);

    // The saved or current value; indices 25..28 read the slot's voice cutoff.
    // 0 for an index outside 0..254.
    float getParameter(int index, bool saved = false) const;

    void setSampleRate(float rate);
    float sampleRate() const { return sampleRate_.load(std::memory_order_relaxed); }

    // The folder of the plug-in's library file, from which every library path is built.
    void setLibraryFolder(const char* folder);
    const char* libraryFolder() const { return libraryFolder_.data(); }

    // Host transport (Transport). The tempo also times the delay's synced echoes.
    void setTempo(double tempo)
    {
        transport_.setTempo(tempo);
        effects_.setTempo(tempo);
    }
    void setPpqPosition(double ppq) { transport_.setPpqPosition(ppq); }
    void setBarStart(double barStart) { transport_.setBarStart(barStart); }
    void setSongTime(double seconds) { transport_.setSongTime(seconds); }
    double tempo() const { return transport_.tempo(); }
    double ppqPosition() const { return transport_.ppqPosition(); }
    double barStart() const { return transport_.barStart(); }
    double songTime() const { return transport_.songTime(); }

    // MIDI from the host's event delivery, at a sample offset of the coming block.
    void midiIn(const std::uint8_t bytes[3], int frameOffset);
    bool queueParameter(int frameOffset, int index, float value, bool notify);
    bool queueMidi(int frameOffset, const std::uint8_t bytes[3]);
    // MIDI from the editor's keyboard, on the GUI thread; it reaches the intake
    // above at frame 0 of the next block. False when too many are waiting.
    bool midiFromEditor(const std::uint8_t bytes[3]) { return editorMidi_.push(bytes); }

    // Whether a note is held, by the host or the editor's keyboard, as of the
    // last rendered block. Set by the audio thread, read by the editor at idle.
    bool keyHeld(int note) const { return midi_.keyHeld(note); }

    // Forgets events, sustain and effect states before the next block; the next
    // render re-applies every saved value.
    void resetRunningState();
    void requestReload() { reloadPending_.store(true, std::memory_order_release); }
    // Releases every sounding note at the next block.
    void stopAllVoices() { stopAllPending_.store(true, std::memory_order_release); }

    // MIDI learn, armed from the editor: the next controller drives target.
    void armLearn(bool armed) { midi_.learn().arm(armed); }
    void setLearnTarget(int index) { midi_.learn().setTarget(index); }
    int controllerOf(int index) const { return midi_.learn().controllerOf(index); }
    bool learnArmed() const { return midi_.learn().armed(); }
    int learnTarget() const { return midi_.learn().target(); }
    void forgetLearn(int index) { midi_.learn().forget(index); }

    // Writes frames samples to left and right; nothing else is read or written.
    // Every sample is finite and within +-kOutputCeiling: a block that is not
    // finite goes out silent and silences the notes and effects that made it.
    void render(float* left, float* right, int frames);

    // Values the engine changed itself during the last block; the plug-in
    // passes them on to the editor and clears them. Audio thread only.
    bool changeFlag(int index) const;
    void clearChangeFlags() { changeFlags_.fill(0); }

    // While clear, the plug-in is handing a delivery's events to the engine.

    // Voice, instrument and preset files and the state chunk (InstrumentStore),
    // on the caller's thread, never the audio thread.
    using PresetKind = InstrumentStore::PresetKind;
    bool loadVoice(int slot, const char* path) { return store_.loadVoice(slot, path); }
    bool replaceVoice(int slot, const Voice& voice) { return store_.replaceVoice(slot, voice); }
    bool saveVoice(int slot, const char* path) { return store_.saveVoice(slot, path); }
    bool loadInstrument(const char* path) { return store_.loadInstrument(path); }
    bool saveInstrument(const char* path) { return store_.saveInstrument(path); }
    bool writeInstrumentRecord(RecordStream& stream) { return store_.writeInstrumentRecord(stream); }
    bool loadInstrumentRecord(std::span<const std::byte> data) { return store_.loadInstrumentRecord(data); }
    bool loadPresetIntoSlot(PresetKind kind, int slot, const char* path)
    {
        return store_.loadPresetIntoSlot(kind, slot, path);
    }
    bool loadPreset(PresetKind kind, int slot, int multisample, int layer, const char* path)
    {
        return store_.loadPreset(kind, slot, multisample, layer, path);
    }
    bool savePreset(PresetKind kind, int slot, int multisample, int layer, const char* path)
    {
        return store_.savePreset(kind, slot, multisample, layer, path);
    }

    // The noise phases' generator; seeded from the clock, or by a caller that
    // wants a render repeated sample for sample.
    void seedNoise(std::uint32_t seed) { noiseRandom_.seed(seed); }

    // Read access for the editor, tests and the renderers.
    const Instrument& instrument() const { return *instrument_; }
    // For edits of the instrument's curves; hold a ScopedVoiceEdit on handover() meanwhile.
    Instrument& editInstrument() { return *instrument_; }
    const VoiceManager& voices() const { return *voices_; }
    const ModulationMatrix& modulation() const { return modulation_; }
    const VoiceFilter& filter() const { return filter_; }
    VoiceHandover& handover() { return handover_; }

    // Derived settings the renderer and effects read.
    int filterMode() const { return filterMode_.load(std::memory_order_relaxed); }
    float compressAmount() const { return compressAmount_.load(std::memory_order_relaxed); }
    int multisampleCount(int slot) const;

private:
    void apply(int index, float value);
    void applyEvent(const QueuedEvent& event, bool voicesReadable);
    void reloadSavedValues();
    void followFilterSettings();
    void takePendingResets();
    void renderVoices(int pos, int len, float* out, bool voicesReadable);
    void rebuildRenderTables(Voice& voice, int multisample) override;
    // What the store asks of the engine.
    float playbackRate() const override { return sampleRate(); }
    void rebuildSlotTables(int slot) override;
    float slotCutoff(int slot) const override;
    void setSlotCutoff(int slot, float cutoff) override;
    void writeValue(int index, float value) override { setParameter(index, value, true); }
    void reloadValues() override { requestReload(); }
    void runEffects(float* left, float* right, int pos, int len);
    void guardOutput(float* left, float* right, int frames);

    ParameterValues values_;
    ModulationMatrix modulation_{values_};
    MappedPtr<Instrument> instrument_;
    ZeroedPtr<std::array<VoiceRenderTables, kSlotCount>> renderTables_; // most of it unused: 8 multisamples each
    SubBlockInputReader inputReader_{values_, modulation_, *instrument_};
    std::unique_ptr<VoiceManager> voices_;
    VoiceHandover handover_;
    // Each slot's brightness cutoff lives with its voice; loading a voice replaces it.
    std::array<std::atomic<float>, kSlotCount> voiceCutoff_{};
    InstrumentStore store_;

    std::atomic<int> filterMode_{0};
    std::atomic<float> compressAmount_{0.0f};
    std::array<std::atomic<int>, kSlotCount> multisampleCount_{};

    EventQueue queue_;
    EditorMidiIntake editorMidi_;
    std::array<std::uint8_t, kValueCount> changeFlags_{};
    MidiIntake midi_{values_, modulation_, queue_, changeFlags_};
    std::array<SubBlockInputs, kNoteVoiceCount> lastInputs_{};
    std::array<float, kMaxSubBlock> scratch_{};
    std::atomic<bool> reloadPending_{false};
    std::atomic<bool> resetPending_{false};
    std::atomic<bool> stopAllPending_{false};
    std::atomic<bool> sustainReleasePending_{false};
    bool clearTailsNextBlock_ = false;
    std::uint64_t editCount_ = 0; // audio thread: the edits the last readable render saw
    SilenceGate gate_;
    EffectChain effects_;
    NoiseSynthesiser noise_;
    // Takes every filter write, so its design follows the knobs; not in the signal path.
    VoiceFilter filter_;
    std::atomic<bool> filterResetPending_{false};
    float filterEnvelope_ = -1.0f;
    RandomGenerator noiseRandom_;

    Transport transport_;
    std::atomic<float> sampleRate_{44100.0f};
    std::array<char, 4096> libraryFolder_{};
};

} // namespace tessarine
