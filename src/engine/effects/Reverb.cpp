#include "engine/effects/Reverb.h"

#include "engine/effects/UnitValue.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <tuple>

namespace tessarine {

namespace {
// Delay lengths in samples at 44.1 kHz: mutually prime-ish so the echoes of the
// combs never pile up on one period. The right allpasses are 23 samples longer
// than the left ones, which is what makes the two sides differ.
constexpr std::array<int, 8> kCombTunings = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<int, 4> kLeftAllpassTunings = {556, 441, 341, 225};
constexpr std::array<int, 4> kRightAllpassTunings = {579, 464, 364, 248};
constexpr float kTuningRate = 44100.0f;
constexpr float kInputGain = 0.015f;
constexpr float kAllpassFeedback = 0.5f;
constexpr float kWidth = 1.0f;

int scaledLength(int tuning, float rate)
{
    return std::max(1, static_cast<int>(static_cast<float>(tuning) * rate / kTuningRate + 0.5f));
}

// Zero or denormal: the exponent bits are all 0. Bits, not comparisons, since
// with denormals-are-zero set a denormal compares equal to 0.
bool exponentIsZero(float v) { return (std::bit_cast<std::uint32_t>(v) & 0x7f800000u) == 0; }
bool isDenormal(float v) { return exponentIsZero(v) && (std::bit_cast<std::uint32_t>(v) & 0x007fffffu) != 0; }
} // namespace

void Reverb::setSampleRate(float rate)
{
    if (!usableSampleRate(rate)) {
        return;
    }
    int offset = 0;
    for (std::size_t i = 0; i < combs_.size(); ++i) {
        combs_[i].offset = offset;
        combs_[i].length = scaledLength(kCombTunings[i], rate);
        offset += combs_[i].length;
    }
    for (std::size_t i = 0; i < leftAllpasses_.size(); ++i) {
        leftAllpasses_[i].offset = offset;
        leftAllpasses_[i].length = scaledLength(kLeftAllpassTunings[i], rate);
        offset += leftAllpasses_[i].length;
        rightAllpasses_[i].offset = offset;
        rightAllpasses_[i].length = scaledLength(kRightAllpassTunings[i], rate);
        offset += rightAllpasses_[i].length;
    }
    storage_.assign(static_cast<std::size_t>(offset), 0.0f);
    prepared_ = true;
    reset();
}

void Reverb::setMix(float reverbMix)
{
    float mix = unitValue(reverbMix, 0.0f);
    wet_ = 3.0f * 0.25f * mix;
    dry_ = 2.0f * (0.5f - 0.25f * mix);
    updateGains();
}

void Reverb::setSize(float reverbSize)
{
    float size = unitValue(reverbSize, 0.5f);
    room_ = 0.7f + 0.28f * size;
    rightWet_ = size <= 0.5f ? 1.0f : 1.0f - 0.15f * 2.0f * (size - 0.5f);
}

void Reverb::setDecay(float reverbDecay) { damp_ = 0.4f * (1.0f - unitValue(reverbDecay, 0.5f)); }

void Reverb::updateGains()
{
    wet1_ = wet_ * (kWidth + 1.0f) / 2.0f;
    wet2_ = wet_ * (1.0f - kWidth) / 2.0f;
}

void Reverb::reset()
{
    std::fill(storage_.begin(), storage_.end(), 0.0f);
    for (Comb& comb : combs_) {
        comb.index = 0;
        comb.store = 0.0f;
    }
    for (Allpass& allpass : leftAllpasses_) {
        allpass.index = 0;
    }
    for (Allpass& allpass : rightAllpasses_) {
        allpass.index = 0;
    }
}

void Reverb::process(float* inOut0, float* inOut1, int frames)
{
    if (!prepared_ || frames <= 0) {
        return;
    }
    // The loop works on local copies of every index and store: the audio
    // buffers are floats, and stores to them would otherwise force the members
    // to be reloaded on every sample.
    float* const base = storage_.data();
    const float room = room_;
    const float damp1 = damp_;
    const float damp2 = 1.0f - damp_;
    const float dry = dry_;
    const float wet1 = wet1_;
    const float wet2 = wet2_;
    const float rightWet = rightWet_;

    constexpr int kCombs = static_cast<int>(std::tuple_size_v<decltype(combs_)>);
    constexpr int kStages = static_cast<int>(std::tuple_size_v<decltype(leftAllpasses_)>);
    float* combLine[kCombs];
    int combLength[kCombs], combIndex[kCombs];
    float store[kCombs];
    for (int c = 0; c < kCombs; ++c) {
        combLine[c] = base + combs_[static_cast<std::size_t>(c)].offset;
        combLength[c] = combs_[static_cast<std::size_t>(c)].length;
        combIndex[c] = combs_[static_cast<std::size_t>(c)].index;
        store[c] = combs_[static_cast<std::size_t>(c)].store;
    }
    // Allpasses 0..3 are the left chain, 4..7 the right.
    float* passLine[2 * kStages];
    int passLength[2 * kStages], passIndex[2 * kStages];
    for (int a = 0; a < kStages; ++a) {
        for (int side = 0; side < 2; ++side) {
            const Allpass& p = (side == 0 ? leftAllpasses_ : rightAllpasses_)[static_cast<std::size_t>(a)];
            passLine[side * kStages + a] = base + p.offset;
            passLength[side * kStages + a] = p.length;
            passIndex[side * kStages + a] = p.index;
        }
    }

    for (int i = 0; i < frames; ++i) {
        const float xL = inOut0[i];
        const float xR = inOut1[i];
        const float s = (xL + xR) * kInputGain;
        float sum = 0.0f;
        for (int c = 0; c < kCombs; ++c) {
            float* line = combLine[c];
            int at = combIndex[c];
            float o = line[at];
            store[c] = o * damp2 + store[c] * damp1;
            line[at] = store[c] * room + s;
            combIndex[c] = at + 1 == combLength[c] ? 0 : at + 1;
            sum += o;
        }
        float chain[2] = {sum, sum};
        for (int side = 0; side < 2; ++side) {
            float a = chain[side];
            for (int k = side * kStages; k < (side + 1) * kStages; ++k) {
                float* line = passLine[k];
                int at = passIndex[k];
                float b = line[at];
                line[at] = b * kAllpassFeedback + a;
                a = b - a;
                passIndex[k] = at + 1 == passLength[k] ? 0 : at + 1;
            }
            chain[side] = a;
        }
        const float aL = chain[0];
        const float aR = chain[1];
        inOut0[i] = dry * xL + aL * wet1 + aR * wet2;
        inOut1[i] = dry * xR + (aL * wet2 + aR * wet1) * rightWet;
    }

    for (int c = 0; c < kCombs; ++c) {
        combs_[static_cast<std::size_t>(c)].index = combIndex[c];
        combs_[static_cast<std::size_t>(c)].store = store[c];
    }
    for (int a = 0; a < kStages; ++a) {
        leftAllpasses_[static_cast<std::size_t>(a)].index = passIndex[a];
        rightAllpasses_[static_cast<std::size_t>(a)].index = passIndex[kStages + a];
    }
    flushDenormals();
}

// A decaying tail would otherwise spend its last seconds in denormal numbers,
// which cost a hundred times more to compute on many processors.
void Reverb::flushDenormals()
{
    for (Comb& comb : combs_) {
        if (exponentIsZero(comb.store)) {
            comb.store = 0.0f;
        }
    }
    auto clearIfDenormal = [this](Allpass& allpass) {
        float* buf = storage_.data() + allpass.offset;
        float v = buf[allpass.index];
        if (isDenormal(v)) {
            std::fill(buf, buf + allpass.length, 0.0f);
        }
    };
    for (Allpass& allpass : leftAllpasses_) {
        clearIfDenormal(allpass);
    }
    for (Allpass& allpass : rightAllpasses_) {
        clearIfDenormal(allpass);
    }
}

} // namespace tessarine
