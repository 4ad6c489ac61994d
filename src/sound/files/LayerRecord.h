#pragma once
// The harmonic, noise and layer records: the analysed content of one layer.
//
// Harmonic record: float32 basePitch, 64 amplitude curve records, 64 frequency
// curve records. Noise record: int32 frameCount (0..64), then per frame its
// float32 time and its spectrum curve record. A layer record is a harmonic
// record followed by a noise record. The analysis hands its result over as one
// layer record in memory, and every file format is built from these.
//
// Noise that plays all 256 bands is written with the int32 tag 0x10100 before
// its frameCount; noise without the tag plays the lowest 64 bands, as every
// file written before full-band noise does. A reader that predates the tag
// refuses it as a frame count, so such noise is never played cut short.

#include "sound/model/LayerData.h"
#include "sound/files/RecordStream.h"

namespace tessarine {

// Reading makes the data playable as it goes: a basePitch of 0 or NaN becomes
// middle C, each harmonic ends silent, and frequencies outside their harmonic's
// range return to the nominal value with the amplitude there silenced.
bool readHarmonic(RecordStream& stream, HarmonicData& data);
bool writeHarmonic(RecordStream& stream, const HarmonicData& data);

inline constexpr std::int32_t kFullBandNoiseTag = 0x10100;

// Bands are resampled for every frame read. Where the record's container is
// of a version without full-band noise, fullBandAllowed is false and the tag
// is refused as a bad value.
bool readNoise(RecordStream& stream, NoiseData& data, bool fullBandAllowed = true);
bool writeNoise(RecordStream& stream, const NoiseData& data);

bool readLayer(RecordStream& stream, LayerData& layer, bool fullBandAllowed = true);
bool writeLayer(RecordStream& stream, const LayerData& layer);

} // namespace tessarine
