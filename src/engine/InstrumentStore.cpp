#include "engine/InstrumentStore.h"

#include "engine/MappedObject.h"

#include "sound/files/InstrumentFile.h"
#include "sound/files/PresetFile.h"
#include "sound/files/VoiceFile.h"

#include <algorithm>
#include <new>

namespace tessarine {

namespace {

bool validSlot(int slot) { return slot >= 0 && slot < kVoiceSlotCount; }

} // namespace

InstrumentStore::InstrumentStore(Instrument& live, VoiceHandover& handover, ParameterValues& values, Player& player)
    : live_(live),
      handover_(handover),
      values_(values),
      player_(player),
      stream_(std::make_unique<RecordStream>())
{
    for (Voice& voice : live_.voices) {
        for (auto& multisample : voice.multisamples) {
            for (auto& layer : multisample.layers) {
                if (layer.harmonic.basePitch == 0.0f) {
                    layer.harmonic.basePitch = kDefaultBasePitch;
                }
            }
        }
    }
    live_.spectralShapeCurve.normaliseEnds();
}

InstrumentStore::~InstrumentStore() = default;

void InstrumentStore::playAt(Voice& voice, float rate)
{
    for (auto& multisample : voice.multisamples) {
        for (auto& layer : multisample.layers) {
            layer.harmonic.sampleRate = rate;
        }
    }
}

void InstrumentStore::setSampleRate(float rate)
{
    std::lock_guard lock(mutex_);
    ScopedVoiceEdit edit(handover_);
    for (Voice& voice : live_.voices) {
        playAt(voice, rate);
    }
}

bool InstrumentStore::loadVoice(int slot, const char* path)
{
    if (!validSlot(slot) || path == nullptr) {
        return false;
    }
    std::lock_guard lock(mutex_);
    // The whole file is read and prepared aside; the slot changes only on success.
    const MappedPtr<Voice> read = makeMapped<Voice>();
    if (!read || !loadVoiceFile(path, *read, *stream_)) {
        return false;
    }
    installVoice(slot, *read);
    return true;
}

bool InstrumentStore::replaceVoice(int slot, const Voice& voice)
{
    if (!validSlot(slot)) {
        return false;
    }
    std::lock_guard lock(mutex_);
    installVoice(slot, voice);
    return true;
}

void InstrumentStore::installVoice(int slot, const Voice& source)
{
    {
        ScopedVoiceEdit edit(handover_);
        Voice& voice = live_.voices[static_cast<std::size_t>(slot)];
        voice.copyFrom(source);
        playAt(voice, player_.playbackRate());
        player_.rebuildSlotTables(slot);
    }
    player_.setSlotCutoff(slot, source.cutoff);
    // The reload after resume re-applies saved values; it must find the voice's own.
    values_.store(kVoiceCutoffA + slot, source.cutoff, true);
}

bool InstrumentStore::saveVoice(int slot, const char* path)
{
    if (!validSlot(slot) || path == nullptr) {
        return false;
    }
    // Render only reads the voice, and never its cutoff field: notes play on
    // and start while the file is written.
    std::lock_guard lock(mutex_);
    Voice& voice = live_.voices[static_cast<std::size_t>(slot)];
    voice.cutoff = player_.slotCutoff(slot);
    return saveVoiceFile(path, voice, *stream_);
}

bool InstrumentStore::loadInstrument(const char* path)
{
    if (path == nullptr) {
        return false;
    }
    std::lock_guard lock(mutex_);
    const MappedPtr<Instrument> read = makeMapped<Instrument>();
    if (!read) {
        return false;
    }
    // The whole file is read aside, with the voices still playing; only a
    // complete instrument replaces the live one, so a missing, damaged or cut
    // file changes nothing at all.
    InstrumentReadReport report{};
    if (!loadInstrumentFile(path, *read, *stream_, &report)) {
        return false;
    }
    takeInstrument(*read, report.valuesSet);
    return true;
}

// Replaces the live instrument with one read completely, in one hand-over.
void InstrumentStore::takeInstrument(const Instrument& read, int valuesSet)
{
    {
        ScopedVoiceEdit edit(handover_);
        Instrument& live = live_;
        live.name = read.name;
        live.parameterValues = read.parameterValues;
        for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
            live.voices[static_cast<std::size_t>(slot)].copyFrom(read.voices[static_cast<std::size_t>(slot)]);
        }
        for (int path = 0; path < kMorphPathCount; ++path) {
            live.morphPathCurves[static_cast<std::size_t>(path)].copyFrom(
                read.morphPathCurves[static_cast<std::size_t>(path)]);
        }
        live.modEnvelopeCurve.copyFrom(read.modEnvelopeCurve);
        live.spectralShapeCurve.copyFrom(read.spectralShapeCurve);
        const float rate = player_.playbackRate();
        for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
            playAt(live.voices[static_cast<std::size_t>(slot)], rate);
        }
        for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
            player_.rebuildSlotTables(slot);
        }
    }
    takeLoadedValues(valuesSet);
}

// After an instrument load: the slots' cutoffs and the values read become the
// engine's, and the next render re-applies every saved value.
void InstrumentStore::takeLoadedValues(int valuesSet)
{
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        player_.setSlotCutoff(slot, live_.voices[static_cast<std::size_t>(slot)].cutoff);
    }
    const int count = std::clamp(valuesSet, 0, kParameterCount);
    for (int index = 0; index < count; ++index) {
        player_.writeValue(index, live_.parameterValues[static_cast<std::size_t>(index)]);
    }
    player_.reloadValues();
}

// The values a record stores, taken from where the engine keeps them live. The
// audio thread reads neither field, so this needs no pause of the voices.
void InstrumentStore::captureSavedState()
{
    for (int index = 0; index < kParameterCount; ++index) {
        live_.parameterValues[static_cast<std::size_t>(index)] = values_.saved(index);
    }
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        live_.voices[static_cast<std::size_t>(slot)].cutoff = player_.slotCutoff(slot);
    }
}

bool InstrumentStore::saveInstrument(const char* path)
{
    if (path == nullptr) {
        return false;
    }
    std::lock_guard lock(mutex_);
    captureSavedState(); // render reads neither what this writes nor what the file takes
    return saveInstrumentFile(path, live_, *stream_);
}

bool InstrumentStore::writeInstrumentRecord(RecordStream& stream)
{
    std::lock_guard lock(mutex_);
    captureSavedState();
    // Render only reads the voices and curves written here, so it keeps playing.
    return writeInstrument(stream, live_);
}

bool InstrumentStore::loadInstrumentRecord(std::span<const std::byte> data)
{
    std::lock_guard lock(mutex_);
    const MappedPtr<Instrument> read = makeMapped<Instrument>();
    if (!read) {
        return false;
    }
    RecordStream stream;
    stream.openMemoryRead(data);
    InstrumentReadReport report{};
    if (!readInstrument(stream, *read, &report)) {
        return false;
    }
    takeInstrument(*read, report.valuesSet);
    return true;
}

bool InstrumentStore::loadPresetIntoSlot(PresetKind kind, int slot, const char* path)
{
    if (!validSlot(slot) || path == nullptr) {
        return false;
    }
    std::lock_guard lock(mutex_);
    bool ok = false;
    {
        ScopedVoiceEdit edit(handover_);
        Voice& voice = live_.voices[static_cast<std::size_t>(slot)];
        ok = kind == PresetKind::Harmonic ? loadHarmonicPresetInto(path, voice, *stream_)
                                          : loadNoisePresetInto(path, voice, *stream_);
        prepareVoice(voice);
    }
    if (ok) {
        player_.writeValue(kNumMultisamplesA + slot, 0.0f); // the slot now holds one multisample
    }
    return ok;
}

bool InstrumentStore::loadPreset(PresetKind kind, int slot, int multisample, int layer, const char* path)
{
    if (!validSlot(slot) || path == nullptr) {
        return false;
    }
    std::lock_guard lock(mutex_);
    ScopedVoiceEdit edit(handover_);
    Voice& voice = live_.voices[static_cast<std::size_t>(slot)];
    const bool ok = kind == PresetKind::Harmonic ? loadHarmonicPreset(path, voice, multisample, layer, *stream_)
                                                 : loadNoisePreset(path, voice, multisample, layer, *stream_);
    prepareVoice(voice);
    return ok;
}

bool InstrumentStore::savePreset(PresetKind kind, int slot, int multisample, int layer, const char* path)
{
    if (!validSlot(slot) || path == nullptr) {
        return false;
    }
    std::lock_guard lock(mutex_);
    const Voice& voice = live_.voices[static_cast<std::size_t>(slot)];
    return kind == PresetKind::Harmonic ? saveHarmonicPreset(path, voice, multisample, layer, *stream_)
                                        : saveNoisePreset(path, voice, multisample, layer, *stream_);
}

} // namespace tessarine
