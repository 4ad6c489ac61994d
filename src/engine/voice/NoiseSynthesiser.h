#pragma once
// Turns the four slots' noise spectra into sound for one note voice: each
// frame is a blended spectrum with random phases, inverse transformed, and
// consecutive frames overlap by half with triangular crossfades that always
// sum to 1. One synthesiser serves all voices; it is built (and its transform
// plans made) at engine construction and used on the audio thread only.
//
// Sizes by sample rate R:
//   frame length N: the power of two nearest R × 512 / 44,100, held to 512..1024
//     (512 up to 66 kHz, 1024 above, so a frame never exceeds the transform or
//     a voice's 1024-float buffers at any rate);
//   transform: 512 points at exactly 44,100 Hz, 1024 at every other rate;
//   output scale: 1/512 at 44,100 Hz; at other rates sqrt(R / (44,100 × 512 × M))
//     for an M-point transform, which keeps the noise level independent of R.
// Band k of a spectrum stands for (k + 1) × 44,100 / 512 Hz at every rate, as
// the analysis measured it; each transform bin takes the bands interpolated at
// its own frequency. A frame whose slots all hold noise stored before
// full-band noise fills only the bins up to band 63 (about 5.5 kHz), drawing
// exactly the random phases it always drew, so such voices play bit for bit
// as they were saved; a frame with a full-band slot fills every bin up to
// band 255 or Nyquist, whichever is lower. Either way the work is per frame:
// the per-sample crossfade is the same.

#include "engine/voice/InverseRealFft.h"
#include "engine/voice/NoiseVoiceState.h"
#include "params/RandomGenerator.h"
#include "sound/model/Instrument.h"
#include "sound/model/NoiseData.h"

#include <array>

namespace tessarine {

// What the voice render hands the noise for one sub-block.
struct NoiseBlock {
    std::array<const NoiseData*, kVoiceSlotCount> slots{}; // the note's blended data; nullptr = silent
    std::array<float, kVoiceSlotCount> slotStartTimes{};    // seconds into each slot's sound (time map)
    float gainStart = 0.0f; // linear, at the first and after the last sample, with
    float gainEnd = 0.0f;   // the blended slot noise gain already multiplied in
    float noiseX = 0.0f;    // noise morph position of the sub-block, 0..1
    float noiseY = 0.0f;
    const float* formantTable = nullptr; // 256 band gains; nullptr = flat
};

class NoiseSynthesiser {
public:
    NoiseSynthesiser();

    // False when a transform plan could not be made; render then adds nothing.
    bool valid() const { return fft512_.valid() && fft1024_.valid(); }

    // Not on the audio thread while a voice renders. Rates that are not
    // positive numbers are ignored; the start rate is 44,100 Hz.
    void setSampleRate(float rate);
    float sampleRate() const { return rate_; }
    int frameLength() const { return frameLength_; }
    // How far past a sub-block's start its frames read the noise data: each
    // frame is built for the moment its window peaks, half a frame ahead.
    float lookahead() const { return rate_ > 0.0f ? static_cast<float>(frameLength_ / 2) / rate_ : 0.0f; }
    int transformSize() const { return transform_->size(); }
    float outputScale() const { return outputScale_; }

    // Adds n samples of the voice's noise to out. Call once per sub-block of
    // a note whose noise is on, after the harmonics.
    void renderNoise(NoiseVoiceState& state, float* out, int n, const NoiseBlock& block, RandomGenerator& random);

    // Fills frameLength() samples of buffer with one frame of the slots'
    // noise read at times (unscaled; renderNoise applies gain and scale).
    void buildFrame(float* buffer, const NoiseBlock& block, const std::array<float, kVoiceSlotCount>& times,
                    RandomGenerator& random);

private:
    static constexpr int kMaxBins = kMaxNoiseFrameLength / 2;

    InverseRealFft fft512_;
    InverseRealFft fft1024_;
    InverseRealFft* transform_ = &fft512_;
    float rate_ = 0.0f;
    int frameLength_ = 512;
    float outputScale_ = 1.0f / 512.0f;

    // Per bin 1..activeBins: the band position below it (−1 = DC) and the
    // fraction towards the next; bins above the last band played stay empty.
    int legacyBins_ = 0;
    int fullBins_ = 0;
    std::array<int, kMaxBins> binBand_{};
    std::array<float, kMaxBins> binFraction_{};
    // The blended spectrum with an empty band on either side: index 0 is DC,
    // 1..256 are bands 0..255, 257 is the silence above band 255. Bands a
    // frame does not play stay 0, so the bin above band 63 of a 64-band frame
    // fades towards silence as it always did.
    std::array<float, kNoiseBandCount + 2> spectrum_{};
};

} // namespace tessarine
