#pragma once
// The sound engine. It holds every engine value (host parameters and editor
// slots) in two arrays, current and saved, queues MIDI and parameter events at
// their sample offsets, and renders one stereo pair per host block: a voice pass
// in sub-blocks of at most 256 samples, then the effect chain.
//
// Threads: render, midiIn and the queue run on the host's audio thread.
// setParameter may also come from the automation or GUI thread; each value is
// one atomic 32-bit float written whole, so no lock is needed and no reader
// ever sees a torn value.

#include "engine/EffectChain.h"
#include "engine/EventQueue.h"
#include "engine/SilenceGate.h"
#include "params/ParameterTable.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace tessarine {

inline constexpr int kSlotCount = 4;       // sound slots A..D
inline constexpr int kMaxSubBlock = 256;   // longest stretch a voice renders between events
inline constexpr int kLearnIndicator = 236; // editor slot that shows MIDI learn is armed

// The parameters whose queued changes the effects pass applies; all others
// are applied by the voice pass.
bool isEffectParameter(int index);

class SynthEngine {
public:
    SynthEngine();

    // Stores value as current (and saved when storeAsSaved) for 0 <= index <= 254
    // and applies host parameters to the engine; other indices are ignored.
    void setParameter(int index, float value, bool storeAsSaved);

    // The saved or current value; indices 25..28 read the slot's voice cutoff.
    // 0 for an index outside 0..254.
    float getParameter(int index, bool saved = false) const;

    void setSampleRate(float rate);
    float sampleRate() const { return sampleRate_; }

    // The folder of the plug-in's library file, from which every library path is built.
    void setLibraryFolder(const char* folder);
    const char* libraryFolder() const { return libraryFolder_.data(); }

    // Host transport; tempo in beats per minute, positions in quarter notes.
    void setTempo(double tempo) { tempo_ = tempo; }
    void setPpqPosition(double ppq) { ppqPosition_ = ppq; }
    void setBarStart(double barStart) { barStart_ = barStart; }
    double tempo() const { return tempo_; }
    double ppqPosition() const { return ppqPosition_; }
    double barStart() const { return barStart_; }
    // Song time in seconds; the tempo-synced LFOs run on it.
    void setSongTime(double seconds) { songTime_ = seconds; }
    double songTime() const { return songTime_; }
    // Tempo-synced periods follow a tempo change.
    void recomputeTempoRates() {}

    // MIDI from the host's event delivery, at a sample offset of the coming block.
    void midiIn(const std::uint8_t bytes[3], int frameOffset);
    bool queueParameter(int frameOffset, int index, float value, bool notify);
    bool queueMidi(int frameOffset, const std::uint8_t bytes[3]);

    // Forgets events, sustain and effect states; the next render re-applies every saved value.
    void resetRunningState();
    void requestReload() { reloadPending_.store(true, std::memory_order_release); }
    void stopAllVoices();

    // MIDI learn, armed from the editor: the next controller drives target.
    void armLearn(bool armed) { learnArmed_.store(armed, std::memory_order_relaxed); }
    void setLearnTarget(int index) { learnTarget_.store(index, std::memory_order_relaxed); }
    int controllerOf(int index) const;

    // Writes frames samples to left and right; nothing else is read or written.
    void render(float* left, float* right, int frames);

    // Values the engine changed itself during the last block; the plug-in
    // passes them on to the editor and clears them. Audio thread only.
    bool changeFlag(int index) const;
    void clearChangeFlags() { changeFlags_.fill(0); }

    // While set, the plug-in is between event delivery and render.
    void setEventsDelivered(bool delivered) { eventsDelivered_ = delivered; }

    // Derived settings the renderer and effects read.
    int filterMode() const { return filterMode_.load(std::memory_order_relaxed); }
    float compressAmount() const { return compressAmount_.load(std::memory_order_relaxed); }
    int multisampleCount(int slot) const;

private:
    void apply(int index, float value);
    void applyEvent(const QueuedEvent& event);
    void handleMidi(const std::array<std::uint8_t, 3>& midi);
    void controllerChange(int controller, int value, int frameOffset);
    void reloadSavedValues();
    void renderVoices(int pos, int len, float* out);
    void runEffects(float* left, float* right, int pos, int len);

    std::array<std::atomic<float>, kValueCount> current_{};
    std::array<std::atomic<float>, kValueCount> saved_{};
    // Each slot's brightness cutoff lives with its voice; loading a voice replaces it.
    std::array<std::atomic<float>, kSlotCount> voiceCutoff_{};

    std::atomic<int> filterMode_{0};
    std::atomic<float> compressAmount_{0.0f};
    std::array<std::atomic<int>, kSlotCount> multisampleCount_{};

    EventQueue queue_;
    std::array<std::uint8_t, kValueCount> changeFlags_{};
    std::atomic<bool> reloadPending_{false};
    bool eventsDelivered_ = true;
    SilenceGate gate_;
    EffectChain effects_;

    std::atomic<bool> learnArmed_{false};
    std::atomic<int> learnTarget_{-1};
    std::array<std::atomic<int>, kValueCount> controllerMap_{};

    float sampleRate_ = 44100.0f;
    double tempo_ = 0.0;
    double ppqPosition_ = 0.0;
    double barStart_ = 0.0;
    double songTime_ = 0.0;
    std::array<char, 4096> libraryFolder_{};
};

} // namespace tessarine
