#pragma once
// The instrument file (".t9i"): a whole patch in one record.
//
// int32 version, string name, int32 parameterCount, parameterCount float32
// values (parameters 0..172 in index order; 25..28 carry the slots' cutoff),
// harmonic morph X and Y curve records, four voice records (slots A..D), the
// spectral shape curve, the modulation envelope curve (from 0x10005 on), two
// reserved int32 and three reserved strings, then optionally the noise morph
// X/Y and the amplitude morph X/Y curve pairs. Version 0x10006 is written;
// 0x10001 to 0x10005 are read and brought up to date with fixed values.
//
// The reader fills the Instrument in place: voices, curves, name, and
// parameterValues, which the engine then applies as saved values (the file
// code never touches the engine). Runs on the user-interface thread.

#include "sound/model/Instrument.h"
#include "sound/files/RecordStream.h"

#include <cstdint>
#include <string>

namespace tessarine {

inline constexpr std::int32_t kInstrumentVersion1 = 0x10001; // before the amplitude morph pad
inline constexpr std::int32_t kInstrumentVersion2 = 0x10002; // before velocity, voice limit and portamento rules
inline constexpr std::int32_t kInstrumentVersion3 = 0x10003; // before the formant frequency control
inline constexpr std::int32_t kInstrumentVersion4 = 0x10004; // before the modulation envelope
inline constexpr std::int32_t kInstrumentVersion5 = 0x10005; // before the formant centre played as stored
inline constexpr std::int32_t kInstrumentVersion = 0x10006;  // the version written

// What a read got through, so the caller knows what to apply even when the
// read failed part-way.
struct InstrumentReadReport {
    std::int32_t version = 0;
    // Entries 0..valuesSet - 1 of parameterValues hold this file's values
    // (fix-ups included); 173 once the value block is complete, fewer when the
    // file ends inside it. The engine applies exactly these.
    int valuesSet = 0;
    // Voice records read completely (slots 0..voicesRead - 1).
    int voicesRead = 0;
    std::array<std::int32_t, kVoiceSlotCount> voiceVersions{};
};

// Reads an instrument record into instrument.
//
// A version other than 0x10001 to 0x10006 fails at once. A read that fails
// part-way keeps what was read so far (name, values, curves, voices) and
// reports the reason in the stream's status; every voice is left playable
// (the voice whose record failed is prepared here with what it holds). The
// engine reads into a spare instrument and takes only a complete one; tools
// may show what a damaged file still holds.
//
// Sustain On always reads as 0, so that a loaded patch never starts with the
// pedal held. A value that is not a number or infinite reads as the
// parameter's start value; others are held to the parameter's range.
bool readInstrument(RecordStream& stream, Instrument& instrument, InstrumentReadReport* report = nullptr);

// Writes version 0x10006 with Sustain On as 0 and parameters 25..28 taken from
// the voices' cutoff (the voice data, not the array, holds the live value).
bool writeInstrument(RecordStream& stream, const Instrument& instrument);

// Whole-file operations; the stream is closed whatever the result. A file that
// cannot be opened leaves the instrument unchanged.
bool loadInstrumentFile(const std::string& path, Instrument& instrument, RecordStream& stream,
                        InstrumentReadReport* report = nullptr);
// Names the instrument after the file (as voiceNameFromPath does) and sets its Sustain On value to 0 (the
// engine should do the same), then saves atomically.
bool saveInstrumentFile(const std::string& path, Instrument& instrument, RecordStream& stream);

} // namespace tessarine
