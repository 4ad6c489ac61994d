#pragma once
// The engine's file side: voice, instrument and preset files, and the
// instrument as a record in memory for the host's project. Every load reads
// aside first (a whole voice or a whole instrument) and replaces the live data
// in one hand-over (VoiceHandover), so render never waits and never reads a
// half-written voice; a load that fails changes nothing. Saves write the live
// instrument with the values the engine holds for it.
//
// Threads: any thread but the audio thread. The store's operations take one
// lock, so two of them on different threads never read data the other is
// replacing. The editor's own edits through SynthEngine::editInstrument() do
// not take it: they run on the editor's thread and pause render with a
// ScopedVoiceEdit.

#include "engine/ParameterValues.h"
#include "engine/VoiceHandover.h"
#include "sound/model/Instrument.h"
#include "sound/files/RecordStream.h"

#include <memory>
#include <mutex>
#include <span>

namespace tessarine {

class InstrumentStore {
public:
    // What the store asks of the engine that plays the instrument; called on
    // the store's thread, under the store's lock.
    class Player {
    public:
        virtual float playbackRate() const = 0;
        // After a slot's voice was replaced, inside the edit that replaced it.
        virtual void rebuildSlotTables(int slot) = 0;
        // Each slot's brightness cutoff lives with its voice.
        virtual float slotCutoff(int slot) const = 0;
        virtual void setSlotCutoff(int slot, float cutoff) = 0;
        // A value written as the host writes it, stored as saved.
        virtual void writeValue(int index, float value) = 0;
        // The next render re-applies every saved value.
        virtual void reloadValues() = 0;

    protected:
        ~Player() = default;
    };

    // Brings the live instrument into the form a load leaves (a pitch on every
    // stored layer, the shape's ends at 0), so that a project saved before
    // anything was loaded reopens exactly as it was.
    InstrumentStore(Instrument& live, VoiceHandover& handover, ParameterValues& values, Player& player);
    ~InstrumentStore();
    InstrumentStore(const InstrumentStore&) = delete;
    InstrumentStore& operator=(const InstrumentStore&) = delete;

    // The voices play at the engine's rate, whatever rate they were stored with.
    void setSampleRate(float rate);

    // A load that fails leaves the slot as it was; a save that fails leaves the old file.
    bool loadVoice(int slot, const char* path);
    // A voice made aside (an analysis) takes the slot whole, exactly as if it
    // had been loaded from its file; false only for a slot out of range.
    bool replaceVoice(int slot, const Voice& voice);
    bool saveVoice(int slot, const char* path);
    // The file is read whole into a spare instrument before anything changes;
    // a load that fails (missing, not a file, empty, cut short, damaged)
    // leaves everything as it was.
    bool loadInstrument(const char* path);
    bool saveInstrument(const char* path);

    // The state chunk. Writing takes the saved values, the slots' cutoffs, the
    // curves and the four voices as they stand, while render keeps playing.
    // Loading takes only a complete record of a known version, read aside
    // first, as loadInstrument does. Anything else changes nothing.
    bool writeInstrumentRecord(RecordStream& stream);
    bool loadInstrumentRecord(std::span<const std::byte> data);

    // Harmonic (t9h) and noise (t9n) presets. The slot-menu load makes the
    // slot's voice one multisample of one layer holding the preset; the dialog
    // operations act on one (multisample, layer). Every load prepares the voice
    // again, whatever the outcome, so the slot stays playable.
    enum class PresetKind { Harmonic, Noise };
    bool loadPresetIntoSlot(PresetKind kind, int slot, const char* path);
    bool loadPreset(PresetKind kind, int slot, int multisample, int layer, const char* path);
    bool savePreset(PresetKind kind, int slot, int multisample, int layer, const char* path);

private:
    static void playAt(Voice& voice, float rate);
    // Under mutex_: the slot takes a prepared voice and its cutoff.
    void installVoice(int slot, const Voice& voice);
    void takeInstrument(const Instrument& read, int valuesSet);
    void takeLoadedValues(int valuesSet);
    void captureSavedState();

    Instrument& live_;
    VoiceHandover& handover_;
    ParameterValues& values_;
    Player& player_;
    std::mutex mutex_;
    std::unique_ptr<RecordStream> stream_;
};

} // namespace tessarine
