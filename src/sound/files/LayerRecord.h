#pragma once
// The harmonic, noise and layer records: the analysed content of one layer.
//
// Harmonic record: float32 basePitch, 64 amplitude curve records, 64 frequency
// curve records. Noise record: int32 frameCount (0..64), then per frame its
// float32 time and its spectrum curve record. A layer record is a harmonic
// record followed by a noise record. The analysis hands its result over as one
// layer record in memory, and every file format is built from these.

#include "sound/model/LayerData.h"
#include "sound/files/RecordStream.h"

namespace tessarine {

// Reading makes the data playable as it goes: a basePitch of 0 or NaN becomes
// middle C, each harmonic ends silent, and frequencies outside their harmonic's
// range return to the nominal value with the amplitude there silenced.
bool readHarmonic(RecordStream& stream, HarmonicData& data);
bool writeHarmonic(RecordStream& stream, const HarmonicData& data);

// Bands are resampled for every frame read.
bool readNoise(RecordStream& stream, NoiseData& data);
bool writeNoise(RecordStream& stream, const NoiseData& data);

bool readLayer(RecordStream& stream, LayerData& layer);
bool writeLayer(RecordStream& stream, const LayerData& layer);

} // namespace tessarine
