#include "engine/MidiIntake.h"

#include "engine/voice/VoiceManager.h"
#include "params/EditorTag.h"

#include <algorithm>

namespace tessarine {

MidiIntake::MidiIntake(ParameterValues& values, ModulationMatrix& modulation, EventQueue& queue,
                       std::array<std::uint8_t, kValueCount>& changeFlags)
    : values_(values), modulation_(modulation), queue_(queue), changeFlags_(changeFlags)
{
}

void MidiIntake::queueParameter(int frameOffset, int index, float value, bool notify)
{
    queue_.queueParameter(std::max(frameOffset, 0), index, value, notify);
}

void MidiIntake::queueMidi(int frameOffset, const std::uint8_t bytes[3])
{
    queue_.queueMidi(std::max(frameOffset, 0), bytes[0], bytes[1], bytes[2]);
}

void MidiIntake::take(const std::uint8_t bytes[3], int frameOffset)
{
    ModulationPair pairs[ModulationMatrix::kMaxPairs];
    switch (bytes[0] & 0xF0) {
    case 0x90:
        if ((bytes[2] & 0x7F) > 0) {
            // Velocity and key position move global targets from the note's sample on.
            const int count = modulation_.noteModulation(bytes[1] & 0x7F, static_cast<float>(bytes[2] & 0x7F) / 127.0f,
                                                         true, pairs);
            for (int i = 0; i < count; ++i) {
                queueParameter(frameOffset, pairs[i].index, pairs[i].value, false);
            }
        }
        queueMidi(frameOffset, bytes);
        break;
    case 0x80:
    case 0xE0:
        queueMidi(frameOffset, bytes);
        break;
    case 0xB0: {
        const int controller = bytes[1] & 0x7F;
        const int value = bytes[2] & 0x7F;
        // All sound off and all notes off: the keys shown held are let go.
        if (controller >= kAllSoundOffController) {
            releaseHeldKeys();
        }
        controllerChange(controller, value, frameOffset);
        // The pedal and the wheel play on every instrument: unless a row or a
        // learned parameter takes them, the pedal holds notes and the wheel
        // adds vibrato; resetting the controllers lets both go. The pedal is
        // the player's, not the sound's, so its value is neither stored nor
        // reported.
        const bool resetAll = controller == kResetControllers;
        if ((controller == kSustainController || resetAll) && !controllerTaken(kSustainController)) {
            queueParameter(frameOffset, kSustainOn, resetAll ? 0.0f : static_cast<float>(value) / 128.0f, false);
        }
        if ((controller == kModWheelController || resetAll) && !controllerTaken(kModWheelController)) {
            const std::uint8_t wheel[3] = {bytes[0], kModWheelController,
                                           static_cast<std::uint8_t>(resetAll ? 0 : value)};
            queueMidi(frameOffset, wheel);
        }
        // A reset centres the bend as well: hosts send it when the transport
        // stops, and the next take must not start bent.
        if (resetAll) {
            const std::uint8_t centre[3] = {static_cast<std::uint8_t>(0xE0 | (bytes[0] & 0x0F)), 0x00, 0x40};
            queueMidi(frameOffset, centre);
        }
        if (controller == kAllSoundOffController || controller >= kAllNotesOffController) {
            queueMidi(frameOffset, bytes);
        }
    }
        [[fallthrough]];
    case 0xA0:
    case 0xD0: {
        // Controllers and aftertouch move parameters only; they are stored and reported.
        const int count = modulation_.controllerModulation(bytes[0], bytes[1], bytes[2], pairs);
        for (int i = 0; i < count; ++i) {
            queueParameter(frameOffset, pairs[i].index, pairs[i].value, true);
        }
        break;
    }
    default:
        break;
    }
}

bool MidiIntake::controllerTaken(int controller) const
{
    return modulation_.usesController(controller) || learn_.learned(controller);
}

void MidiIntake::controllerChange(int controller, int value, int frameOffset)
{
    if (learn_.capture(controller)) {
        // Saved too: a refresh of the editor replays the saved value, and
        // must not arm learn again once it has bound.
        values_.store(kTagMidiLearn, 0.0f, true);
        changeFlags_[kTagMidiLearn] = 1;
    }
    const int index = learn_.valueOf(controller);
    if (index >= 0) {
        // 0 … 127 spans the whole range: the controller's top is the value's top.
        queueParameter(frameOffset, index, static_cast<float>(value) / 127.0f, true);
    }
}

void MidiIntake::deliver(const std::array<std::uint8_t, 3>& midi, VoiceManager& voices, bool voicesReadable)
{
    trackHeldKey(midi);
    if (voicesReadable) {
        voices.handleMidi(midi[0], midi[1], midi[2]);
    } else {
        holdNote(midi, voices);
    }
}

// While an edit holds the sounds a note cannot start: it waits, with every
// note message after it, for the next block that may read them. Messages with
// no note waiting ahead of them act at once, as they touch no sound.
void MidiIntake::holdNote(const std::array<std::uint8_t, 3>& midi, VoiceManager& voices)
{
    const int status = midi[0] & 0xF0;
    const bool noteOn = status == 0x90 && (midi[2] & 0x7F) > 0;
    if ((noteOn || !heldNotes_.empty()) && heldNotes_.push(midi)) {
        return;
    }
    // Nothing waits, or there is no room: a note on is lost, anything else
    // acts now and must not leave a waiting note to hang after it.
    if (status == 0x80 || status == 0x90) {
        heldNotes_.forgetNoteOns(midi[1] & 0x7F);
    } else if (status == 0xB0 && (midi[1] & 0x7F) >= kAllSoundOffController) {
        heldNotes_.clear();
    }
    voices.handleMidi(midi[0], midi[1], midi[2], false);
}

void MidiIntake::playHeldNotes(VoiceManager& voices)
{
    heldNotes_.drain([&voices](std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
        voices.handleMidi(status, data1, data2);
    });
}

void MidiIntake::reset()
{
    heldNotes_.clear();
    releaseHeldKeys();
}

void MidiIntake::trackHeldKey(const std::array<std::uint8_t, 3>& midi)
{
    const int status = midi[0] & 0xF0;
    if (status != 0x80 && status != 0x90) {
        return;
    }
    const bool down = status == 0x90 && (midi[2] & 0x7F) > 0;
    heldKeys_[midi[1] & 0x7F].store(down ? 1 : 0, std::memory_order_relaxed);
}

void MidiIntake::releaseHeldKeys()
{
    for (auto& key : heldKeys_) {
        key.store(0, std::memory_order_relaxed);
    }
}

} // namespace tessarine
