#include "engine/voice/NoiseSynthesiser.h"

#include "engine/voice/NoiseBandLookup.h"
#include "engine/voice/NoiseMorph.h"
#include "sound/model/SharedTables.h"

#include <algorithm>
#include <cmath>

namespace tessarine {

namespace {

constexpr double kReferenceRate = 44100.0;
constexpr double kBandSpacing = kReferenceRate / 512.0; // Hz between bands
constexpr int kShortFrame = 512;

// Far beyond any level the analysis or an editor produces; a corrupt file or
// a runaway modulation is held here so that the transform cannot overflow.
constexpr float kMaxLevel = 10000.0f;

float usableLevel(float value)
{
    if (!(std::fabs(value) <= kMaxLevel)) {
        return std::isnan(value) ? 0.0f : std::copysign(kMaxLevel, value);
    }
    return value;
}

} // namespace

NoiseSynthesiser::NoiseSynthesiser() : fft512_(512), fft1024_(1024)
{
    setSampleRate(static_cast<float>(kReferenceRate));
}

void NoiseSynthesiser::setSampleRate(float rate)
{
    if (!(rate > 0.0f) || !std::isfinite(rate)) {
        return;
    }
    rate_ = rate;
    const double r = rate;
    transform_ = r == kReferenceRate ? &fft512_ : &fft1024_;
    const int m = transform_->size() > 0 ? transform_->size() : kMaxNoiseFrameLength;

    // Between 512 and 1024 the nearer power of two wins at 768.
    frameLength_ = r * 512.0 / kReferenceRate < 768.0 ? kShortFrame : kMaxNoiseFrameLength;
    outputScale_ = static_cast<float>(std::sqrt(r / (kReferenceRate * 512.0 * m)));

    legacyBins_ = 0;
    fullBins_ = 0;
    for (int j = 1; j < m / 2 && j < kMaxBins; ++j) {
        const double position = j * (r / m) / kBandSpacing - 1.0; // in bands, −1 at DC
        if (position >= kNoiseBandCount) {
            break;
        }
        const double lower = std::floor(position);
        binBand_[static_cast<std::size_t>(j)] = static_cast<int>(lower);
        binFraction_[static_cast<std::size_t>(j)] = static_cast<float>(position - lower);
        fullBins_ = j;
        if (position < kLegacyNoiseBands) {
            legacyBins_ = j;
        }
    }
}

void NoiseSynthesiser::buildFrame(float* buffer, const NoiseBlock& block,
                                  const std::array<float, kVoiceSlotCount>& times, RandomGenerator& random)
{
    float* bands = spectrum_.data() + 1;
    std::fill(spectrum_.begin(), spectrum_.end(), 0.0f);
    const std::array<float, kVoiceSlotCount> weights = noiseMorphWeights(block.noiseX, block.noiseY);
    int bandCount = kLegacyNoiseBands;
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        const NoiseData* data = block.slots[static_cast<std::size_t>(s)];
        const float w = weights[static_cast<std::size_t>(s)];
        if (data != nullptr && w > 0.0f) {
            addNoiseBandsAt(*data, times[static_cast<std::size_t>(s)], w, bands);
            bandCount = std::max(bandCount, data->bandCount());
        }
    }
    const int activeBins = bandCount > kLegacyNoiseBands ? fullBins_ : legacyBins_;
    for (int k = 0; k < bandCount; ++k) {
        const float shape = block.formantTable != nullptr ? block.formantTable[k] : 1.0f;
        bands[k] = usableLevel(bands[k] * shape);
    }

    // Random phases: 6-bit indices into the 64 rotations, one per bin.
    const std::array<SinCos, 64>& rotation = noiseRotationTable();
    const int m = transform_->size();
    float* bins = transform_->bins();
    std::fill(bins, bins + m + 2, 0.0f);
    for (int j = 1; j <= activeBins; ++j) {
        const int b = binBand_[static_cast<std::size_t>(j)] + 1;
        const float f = binFraction_[static_cast<std::size_t>(j)];
        const float level = (1.0f - f) * spectrum_[static_cast<std::size_t>(b)] +
                            f * spectrum_[static_cast<std::size_t>(b + 1)];
        const SinCos& phase = rotation[static_cast<std::size_t>(random.next() >> 9)];
        bins[2 * j] = level * phase.sin;
        bins[2 * j + 1] = level * phase.cos;
    }
    const float* samples = transform_->transform();
    std::copy(samples, samples + frameLength_, buffer);
}

void NoiseSynthesiser::renderNoise(NoiseVoiceState& state, float* out, int n, const NoiseBlock& block,
                                   RandomGenerator& random)
{
    if (n <= 0 || out == nullptr || !valid()) {
        return;
    }
    const int length = frameLength_;
    const int half = length / 2;
    const float ahead = lookahead();
    std::array<float, kVoiceSlotCount> times{};
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        times[static_cast<std::size_t>(s)] = block.slotStartTimes[static_cast<std::size_t>(s)] + ahead;
    }

    // A changed sample rate can leave positions beyond the new frame length:
    // start over as a new note would.
    if (!state.started || state.pA > length || state.pB > length) {
        state.started = true;
        state.pA = 0;
        state.pB = half;
        buildFrame(state.frameA.data(), block, times, random);
        std::fill(state.frameB.begin(), state.frameB.end(), 0.0f);
    }
    if (state.pA > half) {
        state.crossfade = static_cast<float>(state.pA - half) / static_cast<float>(half);
        state.crossfadeStep = 2.0f / static_cast<float>(length);
    } else {
        state.crossfade = 1.0f - static_cast<float>(state.pA) / static_cast<float>(half);
        state.crossfadeStep = -2.0f / static_cast<float>(length);
    }

    const float a0 = usableLevel(block.gainStart) * outputScale_;
    const float a1 = usableLevel(block.gainEnd) * outputScale_;
    float a = a0;
    const float da = (a1 - a0) / static_cast<float>(n);
    float w = state.crossfade;
    float s = state.crossfadeStep;
    int pA = state.pA;
    int pB = state.pB;
    int i = 0;
    while (i < n) {
        if (pA >= length) {
            buildFrame(state.frameA.data(), block, times, random);
            pA = 0;
            s = -s;
            w = 1.0f;
        }
        if (pB >= length) {
            buildFrame(state.frameB.data(), block, times, random);
            pB = 0;
            s = -s;
            w = 0.0f;
        }
        // Up to the next refill the crossfade is a plain ramp over both frames.
        const int run = std::min({n - i, length - pA, length - pB});
        const float* frameA = state.frameA.data() + pA;
        const float* frameB = state.frameB.data() + pB;
        float* dest = out + i;
        const float wStart = w;
        const float aStart = a;
        for (int j = 0; j < run; ++j) {
            const float wj = wStart + s * static_cast<float>(j);
            const float aj = aStart + da * static_cast<float>(j);
            dest[j] += (wj * frameB[j] + (1.0f - wj) * frameA[j]) * aj;
        }
        w = wStart + s * static_cast<float>(run);
        a = aStart + da * static_cast<float>(run);
        pA += run;
        pB += run;
        i += run;
    }
    state.pA = pA;
    state.pB = pB;
    state.crossfade = w;
    state.crossfadeStep = s;
}

} // namespace tessarine
