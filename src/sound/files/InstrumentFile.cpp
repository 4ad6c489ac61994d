#include "sound/files/InstrumentFile.h"

#include "sound/files/CurveRecord.h"
#include "sound/files/VoiceFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessarine {

namespace {

constexpr int kReservedIntegers = 2;
constexpr int kReservedStrings = 3;
constexpr std::size_t kReservedStringCapacity = 256;

BreakpointCurve& morphCurve(Instrument& instrument, MorphPath path)
{
    return instrument.morphPathCurves[static_cast<std::size_t>(path)];
}

const BreakpointCurve& morphCurve(const Instrument& instrument, MorphPath path)
{
    return instrument.morphPathCurves[static_cast<std::size_t>(path)];
}

float& valueOf(Instrument& instrument, int index) { return instrument.parameterValues[static_cast<std::size_t>(index)]; }

// The value block, stored as it is read so that a file cut short inside it
// still hands over the values before the cut.
bool readParameterValues(RecordStream& stream, Instrument& instrument, InstrumentReadReport& report)
{
    std::int32_t count = 0;
    if (!stream.readInt32(count)) {
        return false;
    }
    if (count < 0) {
        return stream.refuse(RecordStream::Status::BadCount, "parameter count", count);
    }
    const auto& table = parameterTable();
    for (std::int32_t i = 0; i < count; ++i) {
        float value = 0.0f;
        if (!stream.readFloat(value)) {
            return false;
        }
        if (i >= kParameterCount) {
            continue; // values of parameters this build does not have
        }
        // A damaged value would play at a gain no control can set.
        value = std::isfinite(value) ? clampedParameter(i, value) : table[static_cast<std::size_t>(i)].start;
        // A patch must never start with the sustain pedal held.
        valueOf(instrument, i) = i == kSustainOn ? 0.0f : value;
        report.valuesSet = i + 1;
    }
    for (std::int32_t i = count; i < kParameterCount; ++i) {
        valueOf(instrument, i) = 0.0f;
    }
    report.valuesSet = kParameterCount;
    return true;
}

// Older files predate controls whose neutral setting is not 0; these values
// make them sound as they did when saved.
void bringValuesUpToDate(Instrument& instrument, std::int32_t version)
{
    if (version <= kInstrumentVersion1) {
        valueOf(instrument, kStretch) = 0.5f;
        valueOf(instrument, kMorphAmpX) = valueOf(instrument, kMorphHarmX);
        valueOf(instrument, kMorphAmpY) = valueOf(instrument, kMorphHarmY);
    }
    if (version <= kInstrumentVersion2) {
        valueOf(instrument, kVelocitySens) = 1.0f;
        valueOf(instrument, kLoopSync2) = 1.0f;
        valueOf(instrument, kLoopSync1) = 1.0f;
        if (valueOf(instrument, kPortamentoOn) < 0.5f) {
            valueOf(instrument, kPortamentoRate) = 0.0f;
        }
    }
    // These played their formant centre at 0.5 whatever they held: the engine
    // put it there on each load and resume. Now that the value stays as the
    // host set it, they keep that sound.
    if (version <= kInstrumentVersion5) {
        valueOf(instrument, kFormantFreq) = 0.5f;
    }
}

// An optional pair of morph curves; absent, the pair follows the harmonic path.
bool readOptionalMorphPair(RecordStream& stream, Instrument& instrument, MorphPath x, MorphPath y)
{
    if (stream.atEnd()) {
        morphCurve(instrument, x).copyFrom(morphCurve(instrument, kHarmonicMorphX));
        morphCurve(instrument, y).copyFrom(morphCurve(instrument, kHarmonicMorphY));
        return true;
    }
    return readCurve(stream, morphCurve(instrument, x), kUnitBounds) &&
           readCurve(stream, morphCurve(instrument, y), kUnitBounds);
}

} // namespace

bool readInstrument(RecordStream& stream, Instrument& instrument, InstrumentReadReport* report)
{
    InstrumentReadReport scratch;
    InstrumentReadReport& got = report != nullptr ? *report : scratch;
    got = InstrumentReadReport{};

    if (!stream.readInt32(got.version)) {
        return false;
    }
    // Only the versions this build or an older one wrote, as for voices.
    if (got.version < kInstrumentVersion1 || got.version > kInstrumentVersion) {
        return stream.refuse(RecordStream::Status::BadValue, "version", got.version);
    }
    if (!stream.readString(instrument.name.data(), instrument.name.size())) {
        return false;
    }
    if (!readParameterValues(stream, instrument, got)) {
        return false;
    }
    bringValuesUpToDate(instrument, got.version);

    if (!readCurve(stream, morphCurve(instrument, kHarmonicMorphX), kUnitBounds) ||
        !readCurve(stream, morphCurve(instrument, kHarmonicMorphY), kUnitBounds)) {
        return false;
    }
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        Voice& voice = instrument.voices[static_cast<std::size_t>(slot)];
        if (!readVoice(stream, voice, &got.voiceVersions[static_cast<std::size_t>(slot)])) {
            // The voice may hold a mix of old and new layers; preparing it keeps
            // what the engine plays consistent with what the voice holds.
            prepareVoice(voice);
            return false;
        }
        got.voicesRead = slot + 1;
    }
    if (!readCurve(stream, instrument.spectralShapeCurve, kShapeBounds)) {
        return false;
    }
    instrument.spectralShapeCurve.normaliseEnds();
    if (got.version >= kInstrumentVersion5) {
        if (!readCurve(stream, instrument.modEnvelopeCurve, kUnitBounds)) {
            return false;
        }
    } else {
        instrument.modEnvelopeCurve.clear();
    }

    for (int i = 0; i < kReservedIntegers; ++i) {
        std::int32_t ignored = 0;
        if (!stream.readInt32(ignored)) {
            return false;
        }
    }
    for (int i = 0; i < kReservedStrings; ++i) {
        char ignored[kReservedStringCapacity];
        if (!stream.readString(ignored, sizeof(ignored))) {
            return false;
        }
    }
    return readOptionalMorphPair(stream, instrument, kNoiseMorphX, kNoiseMorphY) &&
           readOptionalMorphPair(stream, instrument, kAmplitudeMorphX, kAmplitudeMorphY);
}

bool writeInstrument(RecordStream& stream, const Instrument& instrument)
{
    bool ok = stream.writeInt32(kInstrumentVersion) && stream.writeString(instrument.name.data()) &&
              stream.writeInt32(kParameterCount);
    for (int i = 0; i < kParameterCount && ok; ++i) {
        float value = instrument.parameterValues[static_cast<std::size_t>(i)];
        if (i >= kVoiceCutoffA && i <= kVoiceCutoffD) {
            value = instrument.voices[static_cast<std::size_t>(i - kVoiceCutoffA)].cutoff;
        } else if (i == kSustainOn) {
            value = 0.0f;
        }
        ok = stream.writeFloat(value);
    }
    ok = ok && writeCurve(stream, morphCurve(instrument, kHarmonicMorphX)) &&
         writeCurve(stream, morphCurve(instrument, kHarmonicMorphY));
    for (const Voice& voice : instrument.voices) {
        ok = ok && writeVoice(stream, voice);
    }
    ok = ok && writeCurve(stream, instrument.spectralShapeCurve) && writeCurve(stream, instrument.modEnvelopeCurve);
    for (int i = 0; i < kReservedIntegers; ++i) {
        ok = ok && stream.writeInt32(0);
    }
    for (int i = 0; i < kReservedStrings; ++i) {
        ok = ok && stream.writeString("");
    }
    for (MorphPath path : {kNoiseMorphX, kNoiseMorphY, kAmplitudeMorphX, kAmplitudeMorphY}) {
        ok = ok && writeCurve(stream, morphCurve(instrument, path));
    }
    return ok;
}

bool loadInstrumentFile(const std::string& path, Instrument& instrument, RecordStream& stream,
                        InstrumentReadReport* report)
{
    if (report != nullptr) {
        *report = InstrumentReadReport{};
    }
    if (!stream.openFileRead(path)) {
        return false;
    }
    bool ok = readInstrument(stream, instrument, report);
    return stream.close() && ok;
}

bool saveInstrumentFile(const std::string& path, Instrument& instrument, RecordStream& stream)
{
    if (!stream.openFileWrite(path)) {
        return false;
    }
    std::string name = voiceNameFromPath(path);
    instrument.name.fill('\0');
    std::memcpy(instrument.name.data(), name.data(), std::min(name.size(), instrument.name.size() - 1));
    valueOf(instrument, kSustainOn) = 0.0f;
    writeInstrument(stream, instrument);
    return stream.close();
}

} // namespace tessarine
