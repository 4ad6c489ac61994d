#include "engine/NoteVoice.h"

#include <algorithm>
#include <cmath>

namespace tessarine {

namespace {

// The release shape: a quick drop to 80 %, then an exponential-looking tail
// built from straight segments, reaching silence at the release time.
constexpr float kReleaseStep1 = 0.04999999702f;
constexpr float kReleaseStep2 = 0.2283333093f;
constexpr float kReleaseStep3 = 0.6066666245f;
constexpr float kCutFade = 0.001f;
// A soft note (velocity factor up to about 32/127) plays the soft layer alone.
constexpr float kSoftLayerLimit = 0.2519685f;
constexpr float kHoldForever = 1000000.0f;

float clamp01(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; } // NaN gives 0

} // namespace

SlotBlend chooseMultisamples(const Voice& voice, const NoteSettings::Slot& settings, float frequency,
                             float velocityFactor)
{
    SlotBlend blend;
    if (settings.solo) {
        blend.solo = true;
        blend.low = blend.high = std::clamp(settings.multisample, 0, kMaxMultisamples - 1);
        blend.soloLayer = settings.loudLayer ? 1 : 0;
        blend.velocityWeight = static_cast<float>(blend.soloLayer);
        return blend;
    }
    const int n = std::clamp(voice.multisampleCount, 1, kMaxMultisamples);
    auto pitch = [&](int m) { return voice.layer(m, 0).harmonic.basePitch; };
    int i = n;
    for (int m = 0; m < n; ++m) {
        if (pitch(m) > frequency) {
            i = m;
            break;
        }
    }
    blend.low = std::max(i - 1, 0);
    blend.high = std::min(n - 1, i);
    const float pLow = pitch(blend.low);
    const float pHigh = pitch(blend.high);
    if (pHigh != pLow && pLow > 0.0f && pHigh > 0.0f && frequency > 0.0f) {
        blend.pitchWeight =
            clamp01((std::log2(frequency) - std::log2(pLow)) / (std::log2(pHigh) - std::log2(pLow)));
    }
    blend.velocityWeight = clamp01((velocityFactor - kSoftLayerLimit) / (1.0f - kSoftLayerLimit));
    return blend;
}

void NoteVoice::start(int key, float frequency, float velocityFactor, const NoteSettings& settings,
                      const std::array<const Voice*, kVoiceSlotCount>& slots)
{
    settings_ = settings;
    velocityFactor_ = velocityFactor;
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        blends_[static_cast<std::size_t>(s)] =
            chooseMultisamples(*slots[static_cast<std::size_t>(s)], settings.slots[static_cast<std::size_t>(s)],
                               frequency, velocityFactor);
    }
    envelope_.clear();
    envelope_.insertPoint(0.0f, 0.0f);
    envelope_.insertPoint(settings.attackTime, 1.0f);
    envelope_.insertPoint(kHoldForever, 1.0f);
    // The peak is velocity factor squared: an equal-loudness feel for velocity.
    envelope_.scaleValues(velocityFactor * velocityFactor);
    key_ = key;
    baseFrequency_ = frequency;
    keyHeld_ = true;
    sounding_ = true;
    cut_ = false;
    noteTime_ = 0.0f;
    playbackPosition_ = 0.0f;
    gliding_ = false;
}

void NoteVoice::release(bool sustainHeld)
{
    keyHeld_ = false;
    if (sustainHeld) {
        return;
    }
    const float t = noteTime_;
    const float e = envelope_.valueAt(t);
    const float r = settings_.releaseTime;
    envelope_.truncateAfter(t);
    envelope_.insertPoint(t, e);
    envelope_.insertPoint(t + kReleaseStep1 * r, 0.8f * e);
    envelope_.insertPoint(t + kReleaseStep2 * r, 0.4f * e);
    envelope_.insertPoint(t + kReleaseStep3 * r, 0.07f * e);
    envelope_.insertPoint(t + r, 0.0f);
}

void NoteVoice::cut()
{
    cut_ = true;
    keyHeld_ = false;
    const float t = noteTime_;
    const float e = envelope_.valueAt(t);
    envelope_.truncateAfter(t);
    envelope_.insertPoint(t, e);
    envelope_.insertPoint(t + kCutFade, 0.0f);
}

float NoteVoice::glideFrequency(bool portamentoOn) const
{
    if (!portamentoOn || !gliding_) {
        return baseFrequency_;
    }
    if (noteTime_ >= glideEnd_ || glideEnd_ <= glideStart_ || glideFrom_ <= 0.0f) {
        return glideTo_;
    }
    // Linear in cents: equal musical steps per unit of time.
    const float progress = (noteTime_ - glideStart_) / (glideEnd_ - glideStart_);
    return glideFrom_ * std::exp2(std::log2(glideTo_ / glideFrom_) * progress);
}

void NoteVoice::glideTo(float frequency, float glideTime)
{
    const bool portamentoOn = glideTime != 0.0f;
    glideFrom_ = (portamentoOn && gliding_) ? glideFrequency(true) : baseFrequency_;
    gliding_ = true;
    glideStart_ = noteTime_;
    glideTo_ = frequency;
    glideEnd_ = glideStart_ + glideTime;
}

bool NoteVoice::isSounding(const std::array<const Voice*, kVoiceSlotCount>& slots)
{
    if (!sounding_) {
        return false;
    }
    bool alive = envelope_.pointCount() > 0 &&
                 playbackPosition_ <= envelope_.timeAt(envelope_.pointCount() - 1);
    if (alive) {
        alive = false;
        const float position = playbackPosition_ / settings_.stretchFactor;
        for (const Voice* voice : slots) {
            const int used = std::clamp(voice->multisampleCount, 1, kMaxMultisamples);
            for (int m = 0; m < used && !alive; ++m) {
                for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
                    if (!(position > voice->layer(m, layer).harmonic.duration)) {
                        alive = true;
                        break;
                    }
                }
            }
            if (alive) {
                break;
            }
        }
    }
    if (!alive) {
        sounding_ = false;
        key_ = -1;
    }
    return alive;
}

void NoteVoice::advance(float seconds)
{
    noteTime_ += seconds;
    playbackPosition_ += seconds;
}

} // namespace tessarine
