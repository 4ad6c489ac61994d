#include "engine/effects/EffectChain.h"

#include "engine/ParameterValues.h"
#include "engine/effects/UnitValue.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tessarine {

namespace {

constexpr float kDefaultRate = 44100.0f;

bool switchedOn(float value) { return value > 0.5f; }

// True, and last updated, when the value's bits changed: a NaN written twice
// counts as unchanged, so it cannot force a redesign every stretch.
bool takeChange(float now, float& last)
{
    if (std::bit_cast<std::uint32_t>(now) == std::bit_cast<std::uint32_t>(last)) {
        return false;
    }
    last = now;
    return true;
}

} // namespace

EffectInputs currentEffectInputs(const ParameterValues& v)
{
    EffectInputs inputs;
    inputs.volume = v.current(kVolume);
    inputs.width = v.current(kStereoWidth);
    inputs.brightness = v.current(kBrightness);
    inputs.distortionOn = v.current(kDistortionOn);
    inputs.distortion = v.current(kDistortion);
    inputs.tube = v.current(kTube);
    inputs.compress = v.current(kCompress);
    inputs.bass = v.current(kMBass);
    inputs.chorusOn = v.current(kChorusOn);
    inputs.chorusMix = v.current(kChorusMix);
    inputs.chorusDelay = v.current(kChorusDelay);
    inputs.chorusDepth = v.current(kChorusDepth);
    inputs.chorusRate = v.current(kChorusRate);
    inputs.delayOn = v.current(kDelayOn);
    inputs.delayMix = v.current(kDelayMix);
    inputs.delayFeedback = v.current(kDelayFeedback);
    inputs.delaySyncL = v.current(kDelaySyncL);
    inputs.delaySyncR = v.current(kDelaySyncR);
    inputs.reverbOn = v.current(kReverbOn);
    inputs.reverbMix = v.current(kReverbMix);
    inputs.reverbSize = v.current(kReverbSize);
    inputs.reverbDecay = v.current(kReverbDecay);
    return inputs;
}

EffectChain::EffectChain() { setSampleRate(kDefaultRate); }

void EffectChain::setSampleRate(float rate)
{
    if (!usableSampleRate(rate)) {
        return;
    }
    brightness_.setSampleRate(rate);
    drive_.setSampleRate(rate);
    chorus_.setSampleRate(rate);
    delay_.setSampleRate(rate);
    reverb_.setSampleRate(rate);
}

void EffectChain::carryOutRequests()
{
    delay_.setTempo(tempo_.load(std::memory_order_relaxed));
    unsigned units = pendingResets_.exchange(0, std::memory_order_acq_rel);
    if (units & kChorusUnit) {
        chorus_.reset();
    }
    if (units & kDelayUnit) {
        delay_.reset();
    }
    if (units & kReverbUnit) {
        reverb_.reset();
    }
    if (units & kToneUnits) {
        brightness_.reset();
        drive_.reset();
    }
}

void EffectChain::applyInputs(const EffectInputs& in)
{
    EffectInputs& last = applied_;
    const bool all = !appliedAny_;
    appliedAny_ = true;

    if (takeChange(in.brightness, last.brightness) || all) {
        brightness_.setBrightness(in.brightness);
    }
    if (takeChange(in.distortion, last.distortion) || all) {
        drive_.setDistortion(in.distortion);
    }
    if (takeChange(in.tube, last.tube) || all) {
        drive_.setTube(in.tube);
    }
    if (takeChange(in.compress, last.compress) || all) {
        drive_.setCompress(in.compress);
    }
    if (takeChange(in.bass, last.bass) || all) {
        drive_.setBass(in.bass);
    }
    if (takeChange(in.chorusMix, last.chorusMix) || all) {
        chorus_.setMix(in.chorusMix);
    }
    if (takeChange(in.chorusRate, last.chorusRate) || all) {
        chorus_.setRate(in.chorusRate);
    }
    // Both are read before either is compared, so a change of both is one reset.
    bool delayChanged = takeChange(in.chorusDelay, last.chorusDelay);
    bool depthChanged = takeChange(in.chorusDepth, last.chorusDepth);
    if (delayChanged || depthChanged || all) {
        chorus_.setTimes(in.chorusDelay, in.chorusDepth);
    }
    if (takeChange(in.delayMix, last.delayMix) || all) {
        delay_.setMix(in.delayMix);
    }
    if (takeChange(in.delayFeedback, last.delayFeedback) || all) {
        delay_.setFeedback(in.delayFeedback);
    }
    bool syncLChanged = takeChange(in.delaySyncL, last.delaySyncL);
    bool syncRChanged = takeChange(in.delaySyncR, last.delaySyncR);
    if (syncLChanged || syncRChanged || all) {
        delay_.setSync(in.delaySyncL, in.delaySyncR);
    }
    if (takeChange(in.reverbMix, last.reverbMix) || all) {
        reverb_.setMix(in.reverbMix);
    }
    if (takeChange(in.reverbSize, last.reverbSize) || all) {
        reverb_.setSize(in.reverbSize);
    }
    if (takeChange(in.reverbDecay, last.reverbDecay) || all) {
        reverb_.setDecay(in.reverbDecay);
    }
}

void EffectChain::process(const EffectInputs& inputs, float* left, float* right, int frames)
{
    if (frames <= 0) {
        return;
    }
    carryOutRequests();
    applyInputs(inputs);

    if (!brightness_.bypassed()) {
        brightness_.process(left, frames);
    }
    if (switchedOn(inputs.distortionOn)) {
        drive_.process(left, frames);
    }
    const float gain = 2.0f * unitValue(inputs.volume, 0.5f);
    for (int i = 0; i < frames; ++i) {
        left[i] *= gain;
    }
    if (switchedOn(inputs.chorusOn)) {
        chorus_.process(left, right, frames);
    } else {
        std::memcpy(right, left, sizeof(float) * static_cast<std::size_t>(frames));
    }
    if (switchedOn(inputs.delayOn)) {
        delay_.process(left, right, frames);
    }
    if (switchedOn(inputs.reverbOn)) {
        reverb_.process(left, right, frames);
    }
    const float width = unitValue(inputs.width, 1.0f);
    if (width < 0.99f) {
        for (int i = 0; i < frames; ++i) {
            float mid = (left[i] + right[i]) * 0.5f * (1.0f - width);
            left[i] = width * left[i] + mid;
            right[i] = width * right[i] + mid;
        }
    }
}

} // namespace tessarine
