#include "engine/effects/Reverb.h"

#include "engine/effects/UnitValue.h"

#include <algorithm>
#include <bit>
#include <cstdint>

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
    shortestLine_ = offset;
    for (const Comb& comb : combs_) {
        shortestLine_ = std::min(shortestLine_, comb.length);
    }
    for (std::size_t i = 0; i < leftAllpasses_.size(); ++i) {
        shortestLine_ = std::min({shortestLine_, leftAllpasses_[i].length, rightAllpasses_[i].length});
    }
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
    const int most = std::min(kMaxStretch, shortestLine_);
    for (int at = 0; at < frames;) {
        const int n = std::min(most, frames - at);
        processStretch(inOut0 + at, inOut1 + at, n);
        at += n;
    }
    flushDenormals();
}

namespace {

// The stretch of n samples from index on in a ring of the given length, as at
// most two contiguous runs: n never exceeds the length, so it wraps at most once.
struct Runs {
    int first;  // samples from index on
    int second; // samples from 0 on
};

Runs runsOf(int index, int length, int n)
{
    const int first = std::min(n, length - index);
    return {first, n - first};
}

int advanced(int index, int length, int n)
{
    index += n;
    return index >= length ? index - length : index;
}

// One allpass over a stretch no longer than its line: every b it reads was
// written before the stretch, so the samples are independent of each other.
void allpassRun(float* __restrict line, float* __restrict a, int n)
{
    for (int i = 0; i < n; ++i) {
        const float b = line[i];
        line[i] = b * kAllpassFeedback + a[i];
        a[i] = b - a[i];
    }
}

} // namespace

// The same arithmetic, in the same order, as running every comb and allpass
// sample by sample; only the order of the loops differs.
void Reverb::processStretch(float* inOut0, float* inOut1, int n)
{
    float* const base = storage_.data();
    float* __restrict s = input_.data();
    float* __restrict left = leftChain_.data(); // the comb sum, then the left chain

    for (int i = 0; i < n; ++i) {
        s[i] = (inOut0[i] + inOut1[i]) * kInputGain;
    }

    // The combs side by side, in runs where none of them wraps: their eight
    // recursions are independent, so the processor overlaps them.
    const float room = room_;
    const float damp1 = damp_;
    const float damp2 = 1.0f - damp_;
    float store[kCombs];
    for (int c = 0; c < kCombs; ++c) {
        store[c] = combs_[static_cast<std::size_t>(c)].store;
    }
    for (int done = 0; done < n;) {
        int run = n - done;
        float* line[kCombs];
        for (int c = 0; c < kCombs; ++c) {
            const Comb& comb = combs_[static_cast<std::size_t>(c)];
            run = std::min(run, comb.length - comb.index);
            line[c] = base + comb.offset + comb.index;
        }
        for (int i = 0; i < run; ++i) {
            const float x = s[done + i];
            float sum = 0.0f;
            for (int c = 0; c < kCombs; ++c) {
                const float o = line[c][i];
                store[c] = o * damp2 + store[c] * damp1;
                line[c][i] = store[c] * room + x;
                sum += o;
            }
            left[done + i] = sum;
        }
        for (Comb& comb : combs_) {
            comb.index = advanced(comb.index, comb.length, run);
        }
        done += run;
    }
    for (int c = 0; c < kCombs; ++c) {
        combs_[static_cast<std::size_t>(c)].store = store[c];
    }

    float* __restrict right = rightChain_.data();
    for (int i = 0; i < n; ++i) {
        right[i] = left[i];
    }
    auto chain = [base, n](std::array<Allpass, 4>& stages, float* a) {
        for (Allpass& p : stages) {
            const Runs runs = runsOf(p.index, p.length, n);
            allpassRun(base + p.offset + p.index, a, runs.first);
            allpassRun(base + p.offset, a + runs.first, runs.second);
            p.index = advanced(p.index, p.length, n);
        }
    };
    chain(leftAllpasses_, left);
    chain(rightAllpasses_, right);

    const float dry = dry_;
    const float wet1 = wet1_;
    const float wet2 = wet2_;
    const float rightWet = rightWet_;
    for (int i = 0; i < n; ++i) {
        const float aL = left[i];
        const float aR = right[i];
        inOut0[i] = dry * inOut0[i] + aL * wet1 + aR * wet2;
        inOut1[i] = dry * inOut1[i] + (aL * wet2 + aR * wet1) * rightWet;
    }
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
