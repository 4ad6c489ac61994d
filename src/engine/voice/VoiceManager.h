#pragma once
// Turns note messages into sounding NoteVoices: note on and off, repeated keys,
// the voice limit with stealing, the sustain pedal, pitch bend and glide. Runs
// on the audio thread, at each event's sample inside render.

#include "engine/ModulationMatrix.h"
#include "engine/MappedObject.h"
#include "engine/voice/NoteVoice.h"
#include "engine/voice/NoteVoiceData.h"
#include "engine/ParameterValues.h"
#include "engine/voice/RenderTables.h"

#include <array>
#include <cstdint>

namespace tessarine {

inline constexpr int kNoteVoiceCount = 13;
inline constexpr int kModWheelController = 1;
inline constexpr int kSustainController = 64;
inline constexpr int kAllSoundOffController = 120;
inline constexpr int kResetControllers = 121;
inline constexpr int kAllNotesOffController = 123; // 124 to 127 end the notes as well

class VoiceManager {
public:
    VoiceManager(const ParameterValues& values, const Instrument& instrument,
                 const std::array<VoiceRenderTables, kVoiceSlotCount>& tables, ModulationMatrix& modulation);

    // The rate new notes are blended for; set by the engine before it renders.
    void setSampleRate(float rate) { start_.sampleRate = rate; }
    // The instrument's edit count as this render sees it, for the notes it starts.
    void setEditCount(std::uint64_t count) { start_.editCount = count; }

    // A queued note off, note on, pitch bend or voice controller falling due:
    // the mod wheel (controller 1, when the engine hands it over), all sound
    // off (120: every note cut at once) and all notes off (123 to 127: every
    // note released, the pedal's too). While a sound is being replaced
    // (voicesReadable false) notes cannot start; the engine keeps them waiting
    // and only hands one over here when it has no room left.
    void handleMidi(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, bool voicesReadable = true);
    void noteOn(int key, float velocityFactor);
    // The pedal went up: voices whose keys are no longer down start their release.
    void releaseSustained();
    void stopAllVoices();
    // Every note ends at once, its running state (filter, noise, phases) at
    // rest: what follows a block that went out of bounds.
    void silenceAll();
    // Every note's filter back at rest.
    void resetFilters();

    // Evaluates the voice's end before it renders.
    bool isSounding(int index);

    NoteVoice& voice(int index) { return voices_[static_cast<std::size_t>(index)]; }
    const NoteVoice& voice(int index) const { return voices_[static_cast<std::size_t>(index)]; }
    bool portamentoOn() const { return values_.current(kPortamentoRate) != 0.0f; }

private:
    void controlChange(int controller, int value);
    NoteSettings captureSettings() const;
    void applyNoteModulation(NoteSettings& settings, int key, float velocityFactor);
    void enforceVoiceLimit();
    void release(NoteVoice& voice) { voice.release(values_.current(kSustainOn) >= 0.5f); }

    const ParameterValues& values_;
    ModulationMatrix& modulation_;
    NoteStartContext start_;
    MappedPtr<std::array<NoteVoiceData, kNoteVoiceCount>> noteData_;
    std::array<NoteVoice, kNoteVoiceCount> voices_;
    int lastNote_ = -1;
    std::array<std::uint64_t, kNoteVoiceCount> startOrder_{}; // notesStarted_ when each voice last started
    std::uint64_t notesStarted_ = 0;
};

} // namespace tessarine
