#pragma once
// What the engine makes of MIDI. Host and editor messages become queued events
// at their sample offsets: notes carry their velocity and key modulation with
// them, controllers drive their modulation rows and learned values, and the
// pedal and the wheel play on every instrument unless something takes them.
// When the queue hands a message back at its sample it reaches the voices, or
// waits while an edit holds the sounds (HeldNoteQueue). The keys shown held in
// the editor follow what was delivered.
//
// Threads: all on the audio thread, except the learn settings (MidiLearn) and
// keyHeld, which any thread may call.

#include "engine/EventQueue.h"
#include "engine/HeldNoteQueue.h"
#include "engine/MidiLearn.h"
#include "engine/ModulationMatrix.h"
#include "engine/ParameterValues.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace tessarine {

class VoiceManager;

class MidiIntake {
public:
    // changeFlags marks the values the engine changed itself, for the editor.
    MidiIntake(ParameterValues& values, ModulationMatrix& modulation, EventQueue& queue,
               std::array<std::uint8_t, kValueCount>& changeFlags);

    // Queues what one message asks for, at frameOffset of the coming block.
    void take(const std::uint8_t bytes[3], int frameOffset);

    // A queued message falls due: it plays now, or waits when the voices are
    // not readable.
    void deliver(const std::array<std::uint8_t, 3>& midi, VoiceManager& voices, bool voicesReadable);
    // Plays every message that waited; only when the voices are readable again.
    void playHeldNotes(VoiceManager& voices);
    // Forgets waiting messages and held keys.
    void reset();

    bool keyHeld(int note) const
    {
        return note >= 0 && note < 128 && heldKeys_[static_cast<std::size_t>(note)].load(std::memory_order_relaxed) != 0;
    }

    MidiLearn& learn() { return learn_; }
    const MidiLearn& learn() const { return learn_; }

private:
    void controllerChange(int controller, int value, int frameOffset);
    // Whether a modulation row or a learned parameter takes the controller.
    bool controllerTaken(int controller) const;
    void queueParameter(int frameOffset, int index, float value, bool notify);
    void queueMidi(int frameOffset, const std::uint8_t bytes[3]);
    void holdNote(const std::array<std::uint8_t, 3>& midi, VoiceManager& voices);
    void trackHeldKey(const std::array<std::uint8_t, 3>& midi);
    void releaseHeldKeys();

    ParameterValues& values_;
    ModulationMatrix& modulation_;
    EventQueue& queue_;
    std::array<std::uint8_t, kValueCount>& changeFlags_;
    HeldNoteQueue heldNotes_;
    std::array<std::atomic<std::uint8_t>, 128> heldKeys_{};
    MidiLearn learn_;
};

} // namespace tessarine
