#include "engine/voice/NoteVoice.h"

#include "engine/ModulationMatrix.h"
#include "engine/voice/NoiseDataBlend.h"
#include "engine/voice/NoiseMorph.h"
#include "engine/voice/NoiseSynthesiser.h"
#include "engine/voice/NoiseVoiceState.h"
#include "engine/voice/NoteHarmonics.h"
#include "engine/voice/NoteVoiceData.h"
#include "engine/voice/PartialRenderer.h"
#include "engine/voice/RenderTables.h"
#include "engine/voice/FormantShape.h"
#include "engine/voice/VoiceFilter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessarine {

namespace {

// The release shape: a quick drop to 80 %, then an exponential-looking tail
// built from straight segments, reaching silence at the release time.
constexpr float kReleaseStep1 = 0.04999999702f;
constexpr float kReleaseStep2 = 0.2283333093f;
constexpr float kReleaseStep3 = 0.6066666245f;
constexpr float kCutFade = 0.001f;
constexpr float kHoldForever = 1000000.0f;
// Below this a partial is inaudible at both ends of a sub-block and costs nothing.
constexpr float kSilentPartial = 0.00003f;
// Partials fade out from 0.3 of the sample rate and stop at half of it, so
// nothing folds back below the Nyquist frequency.
constexpr float kFadeStart = 0.3f;
constexpr float kFadeSpan = 0.2f;

} // namespace

NoteVoice::NoteVoice(NoteVoiceData& data)
    : harmonics_(&data.harmonics),
      noiseData_(&data.noise),
      noiseState_(std::make_unique<NoiseVoiceState>()),
      filter_(std::make_unique<VoiceFilter>()),
      formant_(std::make_unique<FormantShape>())
{
}

void NoteVoice::resetFilter() { filter_->reset(); }

NoteVoice::~NoteVoice() = default;

const NoteHarmonics& NoteVoice::harmonics(int slot) const { return (*harmonics_)[static_cast<std::size_t>(slot)]; }

void NoteVoice::start(int key, float frequency, float velocityFactor, const NoteSettings& settings,
                      const NoteStartContext& context)
{
    settings_ = settings;
    velocityFactor_ = velocityFactor;
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        const auto slot = static_cast<std::size_t>(s);
        blends_[slot] = chooseMultisamples(*context.slots[slot], settings.slots[slot], frequency, velocityFactor);
        NoteHarmonics& note = (*harmonics_)[slot];
        note.start(*context.slots[slot], *context.tables[slot], blends_[slot], frequency, settings.harmonicCount,
                   context.sampleRate, context.editCount);
        if (settings.slots[slot].harmonize) {
            note.harmonize();
        }
        noiseBlends_[slot].start((*noiseData_)[slot], *context.slots[slot], blends_[slot], context.editCount);
        const Voice& voice = *context.slots[slot];
        const BreakpointCurve& outline = voice.outlineCurve;
        outline_[slot].fill(0.0f);
        for (int i = 0; i < std::min(outline.pointCount(), BreakpointCurve::kCapacity); ++i) {
            outline_[slot][static_cast<std::size_t>(i)] = outline.timeAt(i);
        }
        // A slot has ended once the note is past every used layer's duration.
        float end = -1.0f;
        const int used = std::clamp(voice.multisampleCount, 1, kMaxMultisamples);
        for (int m = 0; m < used; ++m) {
            for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
                const float duration = voice.layer(m, layer).harmonic.duration;
                end = std::isnan(duration) ? std::numeric_limits<float>::infinity() : std::max(end, duration);
            }
        }
        slotEnds_[slot] = end;
    }
    outlineCount_ = std::min(context.slots[0]->outlineCurve.pointCount(), BreakpointCurve::kCapacity);
    noiseState_->reset();
    phases_.fill(0.0f);
    // The first segments come from the tables' start blocks: the block that
    // starts a chord reads a few kilobytes per slot, not every curve.
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        const NoteHarmonics& note = (*harmonics_)[static_cast<std::size_t>(s)];
        SlotSpans& spans = spans_[static_cast<std::size_t>(s)];
        note.firstSpans(spans.t0.data(), spans.v0.data(), spans.t1.data(), spans.slope.data());
    }
    endSubBlock_.fill(0);
    subBlock_ = 1;
    previousEnd_.fill(-1.0f);
    for (int h = 0; h < kHarmonicCount; ++h) {
        bool present = false;
        for (const NoteHarmonics& note : *harmonics_) {
            present = present || note.present(h);
        }
        harmonicPresent_[static_cast<std::size_t>(h)] = present;
    }
    harmonicMorphX_ = {settings.harmonicMorphX, settings.holdHarmonicX};
    harmonicMorphY_ = {settings.harmonicMorphY, settings.holdHarmonicY};
    formantFrequency_ = {settings.holdFormant ? settings.formantFrequency : 0.5f, settings.holdFormant};
    stretch_ = {settings.stretchFactor, settings.holdStretch};
    cutoff_ = {settings.cutoff, settings.holdCutoff};
    resonance_ = {settings.resonance, settings.holdResonance};
    filter_->setSampleRate(context.sampleRate);
    filter_->setup(settings.filterMode, settings.filterEnvelope, settings.filterSaturation, settings.cutoff,
                   settings.resonance);
    static const BreakpointCurve kNoShape;
    formant_->setup(context.spectralShape != nullptr ? *context.spectralShape : kNoShape, settings.formantOn,
                    formantFrequency_.value);
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
    // A cut voice is already fading out faster than any release; a key's
    // note-off reaching it must not bring it back for the release time.
    if (sustainHeld || cut_) {
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

void NoteVoice::silence()
{
    sounding_ = false;
    keyHeld_ = false;
    cut_ = false;
    gliding_ = false;
    key_ = -1;
    filter_->reset();
    noiseState_->reset();
    phases_.fill(0.0f);
}

float NoteVoice::glideFrequencyAt(float t, bool portamentoOn) const
{
    if (!portamentoOn || !gliding_) {
        return baseFrequency_;
    }
    if (t >= glideEnd_ || glideEnd_ <= glideStart_ || glideFrom_ <= 0.0f) {
        return glideTo_;
    }
    // Linear in cents: equal musical steps per unit of time.
    const float progress = (t - glideStart_) / (glideEnd_ - glideStart_);
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

bool NoteVoice::isSounding()
{
    if (!sounding_) {
        return false;
    }
    bool alive = envelope_.pointCount() > 0 &&
                 playbackPosition_ <= envelope_.timeAt(envelope_.pointCount() - 1);
    if (alive) {
        const float position = playbackPosition_ / settings_.stretchFactor;
        alive = std::any_of(slotEnds_.begin(), slotEnds_.end(), [&](float end) { return !(position > end); });
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

void NoteVoice::Smoothed::follow(float input, float dt)
{
    if (held || value == input || !std::isfinite(input)) {
        return;
    }
    // A hundredth of the distance per sub-block, but never faster than two units
    // per second: a jump of the whole range takes at least half a second.
    const float distance = std::fabs(input - value);
    const float step = std::min(std::max(distance * 0.01f, 0.0001f), 2.0f * dt);
    if (distance <= step) {
        value = input;
    } else {
        value += input > value ? step : -step;
    }
}

float NoteVoice::fundamentalAt(float t, const VoiceRenderContext& context) const
{
    const float g = glideFrequencyAt(t, context.portamentoOn);
    const float vibrato = context.modulation != nullptr ? context.modulation->vibrato(t, context.tempo) : 0.0f;
    float cents = context.detuneCents + pitchBend_;
    if (modWheel_ > 0.0f) {
        constexpr float kTwoPi = 6.2831853f;
        cents += modWheel_ * kWheelVibratoCents * std::sin(kTwoPi * kWheelVibratoRate * t);
    }
    return g * std::exp2(vibrato * 100.0f / 1200.0f) * std::exp2(cents / 1200.0f);
}

namespace {

// The segment of the landmarks that holds t: the last landmark at or before it (0 before the first).
int segmentOf(const float* landmarks, int count, float t)
{
    int segment = 0;
    while (segment + 1 < count && landmarks[segment + 1] <= t) {
        ++segment;
    }
    return segment;
}

float fractionIn(const float* landmarks, int segment, float t)
{
    const float span = landmarks[segment + 1] - landmarks[segment];
    if (t == landmarks[segment] || !(span > 0.0f)) {
        return 0.0f;
    }
    return (t - landmarks[segment]) / span;
}

// Morphs two values where 0 means "absent": an absent value takes no part.
// A side whose weight is 0 is only read when the other side is absent, which
// gives exactly what weighting it by 0 would.
template <typename GetA, typename GetB>
float zeroAwarePair(GetA a, GetB b, float x)
{
    if (x == 0.0f) {
        const float va = a();
        return va != 0.0f ? va : b();
    }
    if (x == 1.0f) {
        const float vb = b();
        return vb != 0.0f ? vb : a();
    }
    const float va = a();
    const float vb = b();
    return va == 0.0f ? vb : (vb == 0.0f ? va : (1.0f - x) * va + x * vb);
}

// A frequency of 0 marks a harmonic a slot does not have; it takes no part.
// value(s) reads slot s's frequency; slots the morph does not need are not read.
template <typename Value>
float zeroAwareMorph(Value value, float x, float y)
{
    auto ab = [&] { return zeroAwarePair([&] { return value(0); }, [&] { return value(1); }, x); };
    auto cd = [&] { return zeroAwarePair([&] { return value(2); }, [&] { return value(3); }, x); };
    return zeroAwarePair(ab, cd, y);
}

// zeroAwarePair for 0 < x < 1, where both sides are always read: plain
// selects, so a loop of them runs on vectors.
inline float zeroAwareInside(float va, float vb, float x)
{
    return va == 0.0f ? vb : (vb == 0.0f ? va : (1.0f - x) * va + x * vb);
}

} // namespace

// Maps the note's position onto each slot's own time through the landmarks
// (start, attack peak, loop start, loop end, end) of the four sounds, so the
// sounds stay aligned however different their timing. False past the end.
bool NoteVoice::updatePosition(const VoiceRenderContext& context, float dt)
{
    const int count = outlineCount_;
    const float x = settings_.amplitudeMorphX;
    const float y = settings_.amplitudeMorphY;
    const float weights[kVoiceSlotCount] = {(1 - x) * (1 - y), x * (1 - y), (1 - x) * y, x * y};
    std::array<float, BreakpointCurve::kCapacity> landmarks{};
    for (int i = 0; i < count; ++i) {
        float t = 0.0f;
        for (int s = 0; s < kVoiceSlotCount; ++s) {
            t += weights[s] * outline_[static_cast<std::size_t>(s)][static_cast<std::size_t>(i)];
        }
        landmarks[static_cast<std::size_t>(i)] = t * stretch_.value;
    }
    const float* T = landmarks.data();

    const float p = playbackPosition_;
    float p1 = p + dt;
    if (settings_.loop && (keyHeld_ || context.sustainOn)) {
        const float loopEnd = count >= 4 ? T[3] : 0.0f;
        if (p1 >= loopEnd) {
            p1 = count >= 3 ? T[2] : 0.0f;
        }
    }
    int i0 = segmentOf(T, count, p);
    if (count < 2 || i0 >= count - 1) {
        noteTime_ += dt;
        playbackPosition_ = p1;
        return false;
    }
    const float f0 = fractionIn(T, i0, p);
    int i1 = segmentOf(T, count, p1);
    float f1 = 1.0f;
    if (i1 < count - 1) {
        f1 = fractionIn(T, i1, p1);
    } else {
        i1 = count - 2;
    }
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        const auto& outline = outline_[static_cast<std::size_t>(s)];
        auto at = [&](int i) { return outline[static_cast<std::size_t>(i)]; };
        slotStart_[static_cast<std::size_t>(s)] = (1 - f0) * at(i0) + f0 * at(i0 + 1);
        slotEnd_[static_cast<std::size_t>(s)] = (1 - f1) * at(i1) + f1 * at(i1 + 1);
    }
    nextPosition_ = p1;
    return true;
}

void NoteVoice::render(const VoiceRenderContext& context, const SubBlockInputs& inputs, float* out, int n)
{
    const float rate = context.sampleRate;
    const float dt = static_cast<float>(n) / rate;
    harmonicMorphX_.follow(inputs.harmonicMorphX, dt);
    harmonicMorphY_.follow(inputs.harmonicMorphY, dt);
    formantFrequency_.follow(inputs.formantFrequency, dt);
    stretch_.follow(inputs.stretchFactor, dt);
    cutoff_.follow(inputs.cutoff, dt);
    resonance_.follow(inputs.resonance, dt);

    if (!updatePosition(context, dt)) {
        return; // past the end: silent until the voice is freed
    }
    const float u = noteTime_;
    auto tremolo = [&](float t) {
        return context.modulation != nullptr ? context.modulation->tremolo(t, context.tempo) : 0.0f;
    };
    const float gain0 = (1.0f + tremolo(u)) * envelope_.valueAt(u);
    const float gain1 = (1.0f + tremolo(u + dt)) * envelope_.valueAt(u + dt);
    const float pitch0 = fundamentalAt(u, context);
    const float pitch1 = fundamentalAt(u + dt, context);
    formantOn_ = inputs.formantOn;
    if (formantOn_) {
        formant_->update(formantFrequency_.value);
    }
    if (settings_.harmonicsOn) {
        renderHarmonics(context, gain0, gain1, pitch0, pitch1, out, n);
    }
    if (settings_.noiseOn && context.noise != nullptr && context.random != nullptr) {
        renderNoise(context, inputs, gain0, gain1, out, n);
    }
    if (settings_.filterOn) {
        if (!settings_.holdCutoff) {
            filter_->setCutoff(cutoff_.value);
        }
        if (!settings_.holdResonance) {
            filter_->setResonance(resonance_.value);
        }
        filter_->process(out, n);
    }
    playbackPosition_ = nextPosition_;
    noteTime_ += dt;
}

// Curve c of a slot at time, found in the curve itself, and the span of the
// curve that answer lies in kept for the lookups after it.
float NoteVoice::curveValue(const VoiceRenderContext& context, int slot, int c, float time)
{
    SlotSpans& spans = spans_[static_cast<std::size_t>(slot)];
    const auto i = static_cast<std::size_t>(c);
    auto keep = [&](float t0, float v0, float t1, float slope) {
        spans.t0[i] = t0;
        spans.v0[i] = v0;
        spans.t1[i] = t1;
        spans.slope[i] = slope;
    };
    NoteHarmonics& note = (*harmonics_)[static_cast<std::size_t>(slot)];
    const float value = note.valueAt(c, time, context.instrumentReadable, context.editCount);
    const BreakpointCurve& curve = note.curve(c);
    const int segment = curve.segmentIndex();
    const int count = curve.pointCount();
    constexpr float kForever = std::numeric_limits<float>::infinity();
    constexpr float kAlways = -1e30f; // far enough back, and finite so that a zero slope stays zero
    if (segment > 0 && segment < count) {
        const float t0 = curve.timeAt(segment - 1);
        const float v0 = curve.value(segment - 1);
        const float t1 = curve.timeAt(segment);
        keep(t0, v0, t1, (curve.value(segment) - v0) / (t1 - t0));
    } else if (count > 0 && time < curve.timeAt(0)) {
        // Points are only ever added after the last one: before the first, a
        // curve stays silent.
        keep(kAlways, 0.0f, curve.timeAt(0), 0.0f);
    } else if (note.complete(c) && (count == 0 || time >= curve.timeAt(count - 1))) {
        // Past the end of a curve that gets no more points (a harmonic that
        // has died away, a frequency that holds) the answer stays put; without
        // this every sub-block would search the curve again.
        keep(count == 0 ? kAlways : curve.timeAt(count - 1), count == 0 ? 0.0f : curve.value(count - 1), kForever,
             0.0f);
    } else {
        keep(1.0f, 0.0f, 0.0f, 0.0f); // an empty span: ask the curve next time
    }
    return value;
}

// Inside the span the last lookup found, a curve's value comes from the
// span's slope, with no division and without touching the curve: one pass
// over the spans answers most curves, and the few outside theirs ask them.
void NoteVoice::slotCurves(const VoiceRenderContext& context, int slot, int count, float time, CurveValues& values)
{
    const SlotSpans& spans = spans_[static_cast<std::size_t>(slot)];
    std::array<std::int32_t, NoteHarmonics::kCurveCount> outside;
    std::int32_t anyOutside = 0;
    for (int base : {0, kHarmonicCount}) {
        for (int c = base; c < base + count; ++c) {
            const auto i = static_cast<std::size_t>(c);
            const std::int32_t out = spans.holds(i, time) ? 0 : 1;
            outside[i] = out;
            anyOutside |= out;
            values[i] = spans.line(i, time);
        }
    }
    if (anyOutside == 0) {
        return;
    }
    for (int base : {0, kHarmonicCount}) {
        for (int c = base; c < base + count; ++c) {
            if (outside[static_cast<std::size_t>(c)] != 0) {
                values[static_cast<std::size_t>(c)] = curveValue(context, slot, c, time);
            }
        }
    }
}

void NoteVoice::renderNoise(const VoiceRenderContext& context, const SubBlockInputs& inputs, float gain0,
                            float gain1, float* out, int n)
{
    // The frames this sub-block reads are there before it reads them.
    const float ahead = context.noise->lookahead();
    for (std::size_t slot = 0; slot < noiseBlends_.size(); ++slot) {
        noiseBlends_[slot].blendUntil(slotStart_[slot] + ahead, context.instrumentReadable, context.editCount);
    }
    const float g = blendedNoiseGain(context.noiseGains, inputs.noiseMorphX, inputs.noiseMorphY);
    NoiseBlock block;
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        block.slots[static_cast<std::size_t>(s)] = &(*noiseData_)[static_cast<std::size_t>(s)];
    }
    block.slotStartTimes = slotStart_;
    block.gainStart = g * gain0;
    block.gainEnd = g * gain1;
    block.noiseX = inputs.noiseMorphX;
    block.noiseY = inputs.noiseMorphY;
    block.formantTable = formantOn_ ? formant_->table().data() : nullptr;
    context.noise->renderNoise(*noiseState_, out, n, block, *context.random);
}

void NoteVoice::renderHarmonics(const VoiceRenderContext& context, float gain0, float gain1, float pitch0,
                                float pitch1, float* out, int n)
{
    const float x = harmonicMorphX_.value;
    const float y = harmonicMorphY_.value;
    const auto& g = context.harmonicGains;
    const float w[kVoiceSlotCount] = {(1 - x) * (1 - y) * g[0], x * (1 - y) * g[1], (1 - x) * y * g[2], x * y * g[3]};
    auto& notes = *harmonics_;
    const float rate = notes[0].sampleRate > 0.0f ? notes[0].sampleRate : context.sampleRate;
    const float nyquist = 0.5f * rate;
    const float fadeStart = kFadeStart * rate;
    const float fadeSpan = kFadeSpan * rate;
    const int harmonicCount = std::clamp(notes[0].harmonicCount, 1, kHarmonicCount);

    // A sub-block starts where the one before ended unless the note jumped
    // (a loop) or its time map moved; then the values read at that end are
    // this start's. Every slot the morph weighs is read whole; a slot it does
    // not weigh is read only for a frequency the weighed ones lack.
    ++subBlock_;
    const float morph[kVoiceSlotCount] = {(1 - x) * (1 - y), x * (1 - y), (1 - x) * y, x * y};
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        const auto si = static_cast<std::size_t>(s);
        if (morph[s] == 0.0f) {
            continue;
        }
        const bool continues = slotStart_[si] == previousEnd_[si] && endSubBlock_[si] + 1 == subBlock_;
        endBuffer_[si] ^= 1; // the last end, if it is this start, is now the start buffer
        if (!continues) {
            slotCurves(context, s, harmonicCount, slotStart_[si], startValues(s));
        }
        slotCurves(context, s, harmonicCount, slotEnd_[si], endValues(s));
        endSubBlock_[si] = subBlock_;
    }
    previousEnd_ = slotEnd_;
    const bool everySlotWeighed = morph[0] != 0.0f && morph[1] != 0.0f && morph[2] != 0.0f && morph[3] != 0.0f;
    auto lookUp = [&](int s, int c, float time) {
        const SlotSpans& spans = spans_[static_cast<std::size_t>(s)];
        const auto i = static_cast<std::size_t>(c);
        return spans.holds(i, time) ? spans.line(i, time) : curveValue(context, s, c, time);
    };
    auto startFrequency = [&](int s, int h) {
        const int c = kHarmonicCount + h;
        const auto si = static_cast<std::size_t>(s);
        return morph[s] != 0.0f ? startValues(s)[static_cast<std::size_t>(c)] : lookUp(s, c, slotStart_[si]);
    };
    auto endFrequency = [&](int s, int h) {
        const int c = kHarmonicCount + h;
        const auto si = static_cast<std::size_t>(s);
        return morph[s] != 0.0f ? endValues(s)[static_cast<std::size_t>(c)] : lookUp(s, c, slotEnd_[si]);
    };

    // Every harmonic's amplitude at both ends in one pass per slot, the slots
    // added in order. Slots whose weight is 0 cost nothing: at a corner only
    // one slot is read.
    const auto count = static_cast<std::size_t>(harmonicCount);
    std::array<float, kHarmonicCount> amplitudes0{};
    std::array<float, kHarmonicCount> amplitudes1{};
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        if (w[s] == 0.0f) {
            continue;
        }
        const CurveValues& start = startValues(s);
        const CurveValues& end = endValues(s);
        for (std::size_t h = 0; h < count; ++h) {
            amplitudes0[h] += w[s] * start[h];
            amplitudes1[h] += w[s] * end[h];
        }
    }
    // Inside the pad every slot is weighed and read whole: the frequencies are
    // morphed in one pass too. At an edge or a corner the partial loop morphs
    // them one by one, reading a slot the morph does not weigh only for a
    // frequency the weighed ones lack.
    std::array<float, kHarmonicCount> frequencies0{};
    std::array<float, kHarmonicCount> frequencies1{};
    if (everySlotWeighed) {
        auto morphAll = [&](auto values, std::array<float, kHarmonicCount>& morphed) {
            const float* a = values(0).data() + kHarmonicCount;
            const float* b = values(1).data() + kHarmonicCount;
            const float* c = values(2).data() + kHarmonicCount;
            const float* d = values(3).data() + kHarmonicCount;
            for (std::size_t h = 0; h < count; ++h) {
                morphed[h] = zeroAwareInside(zeroAwareInside(a[h], b[h], x), zeroAwareInside(c[h], d[h], x), y);
            }
        };
        morphAll([&](int s) -> const CurveValues& { return startValues(s); }, frequencies0);
        morphAll([&](int s) -> const CurveValues& { return endValues(s); }, frequencies1);
    }

    PartialBatch batch;
    for (int h = 0; h < harmonicCount; ++h) {
        const auto hi = static_cast<std::size_t>(h);
        if (!harmonicPresent_[hi]) {
            continue;
        }
        float a0 = amplitudes0[hi] * gain0;
        float a1 = amplitudes1[hi] * gain1;
        if (a0 < kSilentPartial && a1 < kSilentPartial) {
            continue;
        }
        const float f0 =
            (everySlotWeighed ? frequencies0[hi] : zeroAwareMorph([&](int s) { return startFrequency(s, h); }, x, y)) *
            pitch0;
        if (!(f0 > 0.0f) || !(f0 < nyquist)) {
            continue;
        }
        if (f0 > fadeStart) {
            const float fade = 1.0f - (f0 - fadeStart) / fadeSpan;
            a0 *= fade;
            a1 *= fade;
        }
        float f1 =
            (everySlotWeighed ? frequencies1[hi] : zeroAwareMorph([&](int s) { return endFrequency(s, h); }, x, y)) *
            pitch1;
        if (f1 == 0.0f) {
            f1 = f0;
        }
        if (formantOn_) {
            a0 *= formant_->gain(f0);
            a1 *= formant_->gain(f1);
        }
        batch.add(&phases_[hi], f0, f1, a0, a1, context.sampleRate, n);
        if (batch.full()) {
            batch.render(out, n);
        }
    }
    batch.render(out, n);
}

} // namespace tessarine
