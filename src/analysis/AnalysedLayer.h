#pragma once
// The analysis result as a voice layer: harmonic keyframes become the 64
// amplitude and frequency curves (frequencies as multiples of f0), noise
// keyframes the noise frames with one spectrum point per kept band, played
// full band (all 256 bands).

#include "analysis/KeyframeReduction.h"
#include "sound/model/LayerData.h"
#include "sound/files/RecordStream.h"

namespace tessarine {

// Fills layer from the keyframes. A harmonic gets points only when it sounds
// in some keyframe before the last (harmonic 1 always gets them). Without a
// pitch (f0 not above 0) every harmonic sits at its nominal multiple.
void buildAnalysedLayer(double f0, const HarmonicKeyframes& harmonics, const NumMatrix& noise, LayerData& layer);

// The number of harmonics that sound somewhere in the layer.
int soundingHarmonics(const LayerData& layer);

} // namespace tessarine
