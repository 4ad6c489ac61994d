#include "engine/SynthEngine.h"

#include "engine/ScopedFlushDenormals.h"
#include "params/ParameterMapping.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tessarine {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

bool isValueIndex(int index) { return index >= 0 && index < kValueCount; }

constexpr std::array<bool, kParameterCount> makeEffectParameterSet()
{
    std::array<bool, kParameterCount> set{};
    for (int index : {kBrightness, kHarmAmount, kNoiseAmount, kLfoRate, kLfoVibrato, kLfoTremolo, kPortamentoRate,
                      kAttack, kStretch, kRelease, kVolume, kStereoWidth, kDistortion, kTube, kMBass, kCompress,
                      kChorusMix, kChorusDelay, kChorusDepth, kChorusRate, kDelayMix, kDelayFeedback, kDelaySyncL,
                      kDelaySyncR, kReverbMix, kReverbSize, kReverbDecay, kLfo1Shape, kLfo1Rate, kLfo2Shape,
                      kLfo2Rate}) {
        set[static_cast<std::size_t>(index)] = true;
    }
    return set;
}

constexpr auto kEffectParameterSet = makeEffectParameterSet();

bool seenByVoicePass(const QueuedEvent& event)
{
    return event.kind == QueuedEvent::kMidi || !isEffectParameter(event.index);
}

bool seenByEffectsPass(const QueuedEvent& event)
{
    return event.kind == QueuedEvent::kParameter && isEffectParameter(event.index);
}

bool validSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

// x * 0 is 0 for a finite x and NaN otherwise, so the sum stays 0 exactly
// when every sample is finite.
bool allFinite(const float* x, int frames)
{
    float probe = 0.0f;
    for (int i = 0; i < frames; ++i) {
        probe += x[i] * 0.0f;
    }
    return probe == 0.0f;
}

void limitToCeiling(float* x, int frames)
{
    // Only finite samples get here, so plain comparisons do what fmin and fmax
    // would, and the loop runs on vectors instead of calling the library twice
    // per sample.
    for (int i = 0; i < frames; ++i) {
        const float v = x[i] < -kOutputCeiling ? -kOutputCeiling : x[i];
        x[i] = v > kOutputCeiling ? kOutputCeiling : v;
    }
}

} // namespace

bool isEffectParameter(int index)
{
    return index >= 0 && index < kParameterCount && kEffectParameterSet[static_cast<std::size_t>(index)];
}

SynthEngine::SynthEngine()
    : instrument_(makeMappedOrThrow<Instrument>()),
      renderTables_(makeZeroed<std::array<VoiceRenderTables, kSlotCount>>()),
      voices_(std::make_unique<VoiceManager>(values_, *instrument_, *renderTables_, modulation_)),
      store_(*instrument_, handover_, values_, *this)
{
    for (int slot = 0; slot < kSlotCount; ++slot) {
        instrument_->voices[static_cast<std::size_t>(slot)].renderTableHook = this;
        rebuildSlotTables(slot);
    }
    for (auto& cutoff : voiceCutoff_) {
        cutoff.store(1.0f, kRelaxed);
    }
    for (auto& count : multisampleCount_) {
        count.store(1, kRelaxed);
    }
    gate_.setSampleRate(sampleRate());
    gate_.reset();
    const auto& table = parameterTable();
    for (int i = 0; i < kParameterCount; ++i) {
        values_.store(i, table[static_cast<std::size_t>(i)].start, false);
    }
    // Applying every start value through the one write path leaves the derived
    // state exactly as a host writing the same values would.
    for (int i = 0; i < kParameterCount; ++i) {
        setParameter(i, table[static_cast<std::size_t>(i)].start, true);
    }
    clearChangeFlags();
    noiseRandom_.seed(timeSeed());
}

SynthEngine::~SynthEngine() = default;

void SynthEngine::setParameter(int index, float value, bool storeAsSaved)
{
    if (!isValueIndex(index)) {
        return;
    }
    // Projects, files and hosts may carry anything: a value past its
    // parameter's range would become a gain no control can set, an infinite
    // one a NaN, so each host parameter is held to its own range.
    value = clampedParameter(index, value);
    values_.store(index, value, storeAsSaved);
    if (index <= kFilterSaturation) {
        apply(index, value);
    }
}

float SynthEngine::getParameter(int index, bool saved) const
{
    if (index >= kVoiceCutoffA && index <= kVoiceCutoffD) {
        return voiceCutoff_[static_cast<std::size_t>(index - kVoiceCutoffA)].load(kRelaxed);
    }
    return saved ? values_.saved(index) : values_.current(index);
}

void SynthEngine::apply(int index, float value)
{
    switch (index) {
    case kVoiceCutoffA:
    case kVoiceCutoffB:
    case kVoiceCutoffC:
    case kVoiceCutoffD:
        voiceCutoff_[static_cast<std::size_t>(index - kVoiceCutoffA)].store(value, kRelaxed);
        break;
    case kFilterMode:
        filterMode_.store(tessarine::filterMode(value), kRelaxed);
        break;

    case kCompress:
        compressAmount_.store(tessarine::compressAmount(value), kRelaxed);
        break;
    case kNumMultisamplesA:
    case kNumMultisamplesB:
    case kNumMultisamplesC:
    case kNumMultisamplesD:
        // The slot's voice takes the new count when the editor prepares it again.
        multisampleCount_[static_cast<std::size_t>(index - kNumMultisamplesA)].store(
            tessarine::multisampleCount(value), kRelaxed);
        break;
    case kSustainOn:
        if (value < 0.5f) {
            sustainReleasePending_.store(true, std::memory_order_release);
        }
        break;
    // A switched or re-timed effect starts from silence rather than replaying an old tail.
    case kChorusOn:
    case kChorusDelay:
    case kChorusDepth:
        effects_.resetChorus();
        break;
    case kDelayOn:
    case kDelaySyncL:
    case kDelaySyncR:
        effects_.resetDelay();
        break;
    case kReverbOn:
        effects_.resetReverb();
        break;
    case kFilterOn:
        filterResetPending_.store(true, std::memory_order_release);
        break;
    default:
        break;
    }
}

int SynthEngine::multisampleCount(int slot) const
{
    return validSlot(slot) ? multisampleCount_[static_cast<std::size_t>(slot)].load(kRelaxed) : 1;
}

bool SynthEngine::changeFlag(int index) const
{
    return isValueIndex(index) && changeFlags_[static_cast<std::size_t>(index)] != 0;
}

void SynthEngine::setSampleRate(float rate)
{
    // A scanning host may report 0; keep the last usable rate rather than divide by it.
    if (!(rate > 0.0f) || !std::isfinite(rate)) {
        return;
    }
    sampleRate_.store(rate, kRelaxed);
    gate_.setSampleRate(rate);
    effects_.setSampleRate(rate);
    filter_.setSampleRate(rate);
    store_.setSampleRate(rate);
}

void SynthEngine::setLibraryFolder(const char* folder)
{
    std::snprintf(libraryFolder_.data(), libraryFolder_.size(), "%s", folder != nullptr ? folder : "");
}

bool SynthEngine::queueParameter(int frameOffset, int index, float value, bool notify)
{
    return queue_.queueParameter(std::max(frameOffset, 0), index, value, notify);
}

bool SynthEngine::queueMidi(int frameOffset, const std::uint8_t bytes[3])
{
    return queue_.queueMidi(std::max(frameOffset, 0), bytes[0], bytes[1], bytes[2]);
}

void SynthEngine::midiIn(const std::uint8_t bytes[3], int frameOffset)
{
    takePendingResets();
    midi_.take(bytes, frameOffset);
}

void SynthEngine::applyEvent(const QueuedEvent& event, bool voicesReadable)
{
    if (event.kind == QueuedEvent::kMidi) {
        if ((event.midi[0] & 0xF0) == 0xB0 && event.midi[1] == kAllSoundOffController) {
            // All sound off: the echoes go with the notes, and once more after
            // the notes' last millisecond has reached the effects.
            effects_.reset();
            clearTailsNextBlock_ = true;
        }
        midi_.deliver(event.midi, *voices_, voicesReadable);
        return;
    }
    setParameter(event.index, event.value, event.notify);
    if (event.notify) {
        changeFlags_[static_cast<std::size_t>(event.index)] = 1;
    }
}

void SynthEngine::resetRunningState()
{
    setParameter(kSustainOn, 0.0f, true);
    resetPending_.store(true, std::memory_order_release);
    requestReload();
}

// Requests from other threads that change audio-thread state, carried out on
// the audio thread before it next touches that state.
void SynthEngine::takePendingResets()
{
    if (resetPending_.exchange(false, std::memory_order_acq_rel)) {
        queue_.clear();
        midi_.reset();
        effects_.reset();
        gate_.reset();
        filterResetPending_.store(true, std::memory_order_release);
    }
}

// The engine's own filter shows the design the knobs ask for; it is kept on the
// audio thread, from the current values, so writes from any thread never race it.
void SynthEngine::followFilterSettings()
{
    const int mode = filterMode();
    const float envelope = values_.current(kFilterEnv);
    if (mode != filter_.mode()) {
        filter_.setMode(mode);
    }
    if (envelope != filterEnvelope_) {
        filterEnvelope_ = envelope;
        filter_.setEnvelopeAmount(envelope);
    }
    filter_.setCutoff(values_.current(kFilterCutoff));
    filter_.setResonance(values_.current(kFilterRes));
    filter_.setSaturation(values_.on(kFilterSaturation));
}

void SynthEngine::reloadSavedValues()
{
    for (int index = 0; index < kValueCount; ++index) {
        setParameter(index, values_.saved(index), false);
    }
    modulation_.recomputeMorphTargetFlags();
}

// Called by voice preparation, on the preparing thread, for slot voices only.
void SynthEngine::rebuildRenderTables(Voice& voice, int multisample)
{
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (&instrument_->voices[static_cast<std::size_t>(slot)] == &voice) {
            (*renderTables_)[static_cast<std::size_t>(slot)].build(voice, multisample);
        }
    }
}

float SynthEngine::slotCutoff(int slot) const { return voiceCutoff_[static_cast<std::size_t>(slot)].load(kRelaxed); }

void SynthEngine::setSlotCutoff(int slot, float cutoff)
{
    voiceCutoff_[static_cast<std::size_t>(slot)].store(cutoff, kRelaxed);
}

void SynthEngine::rebuildSlotTables(int slot)
{
    const Voice& voice = instrument_->voices[static_cast<std::size_t>(slot)];
    for (int m = 0; m < std::clamp(voice.multisampleCount, 1, kMaxMultisamples); ++m) {
        (*renderTables_)[static_cast<std::size_t>(slot)].build(voice, m);
    }
}

void SynthEngine::renderVoices(int pos, int len, float* out, bool voicesReadable)
{
    VoiceRenderContext context;
    for (int s = 0; s < kSlotCount; ++s) {
        context.slots[static_cast<std::size_t>(s)] = &instrument_->voices[static_cast<std::size_t>(s)];
        context.harmonicGains[static_cast<std::size_t>(s)] =
            2.0f * values_.current(kHarmAmount) * values_.current(kVoiceHarmonicVolumeA + s);
        context.noiseGains[static_cast<std::size_t>(s)] =
            2.0f * values_.current(kNoiseAmount) * values_.current(kVoiceNoiseVolumeA + s);
    }
    context.sampleRate = sampleRate();
    context.portamentoOn = values_.current(kPortamentoRate) != 0.0f;
    context.sustainOn = values_.current(kSustainOn) > 0.5f;
    context.detuneCents = (values_.current(kVoiceDetuneA) - 0.5f + values_.current(kMasterDetune) - 0.5f) * 400.0f;
    context.modulation = &modulation_;
    context.noise = &noise_;
    context.random = &noiseRandom_;
    context.tempo = tempo();
    context.instrumentReadable = voicesReadable;
    context.editCount = editCount_;

    for (int i = 0; i < kNoteVoiceCount; ++i) {
        if (!voices_->isSounding(i)) {
            continue;
        }
        std::fill_n(scratch_.begin(), len, 0.0f);
        SubBlockInputs& inputs = lastInputs_[static_cast<std::size_t>(i)];
        inputs = inputReader_.read(voices_->voice(i).noteTime(), context.sampleRate, context.tempo,
                                   voicesReadable ? nullptr : &inputs);
        voices_->voice(i).render(context, inputs, scratch_.data(), len);
        for (int s = 0; s < len; ++s) {
            out[pos + s] += scratch_[static_cast<std::size_t>(s)];
        }
    }
}

void SynthEngine::runEffects(float* left, float* right, int pos, int len)
{
    effects_.process(currentEffectInputs(values_), left + pos, right + pos, len);
}

// The last stage before the host. A NaN or infinity left in a voice's or an
// effect's state would come back in every later block, so the states go
// with the block: the notes fall silent and the effects start from rest.
void SynthEngine::guardOutput(float* left, float* right, int frames)
{
    if (!allFinite(left, frames) || !allFinite(right, frames)) {
        std::memset(left, 0, sizeof(float) * static_cast<std::size_t>(frames));
        std::memset(right, 0, sizeof(float) * static_cast<std::size_t>(frames));
        voices_->silenceAll();
        effects_.reset();
        filter_.reset();
        return;
    }
    limitToCeiling(left, frames);
    limitToCeiling(right, frames);
}

void SynthEngine::render(float* left, float* right, int frames)
{
    if (frames <= 0 || left == nullptr || right == nullptr) {
        return;
    }
    ScopedFlushDenormals noDenormals;
    const bool voicesReadable = handover_.enterRender();
    if (voicesReadable) {
        editCount_ = handover_.editCount();
        voices_->setEditCount(editCount_);
    }
    takePendingResets();
    std::memset(left, 0, sizeof(float) * static_cast<std::size_t>(frames));
    if (clearTailsNextBlock_) {
        clearTailsNextBlock_ = false;
        effects_.reset();
    }

    if (reloadPending_.exchange(false, std::memory_order_acq_rel)) {
        reloadSavedValues();
    }
    editorMidi_.drain([this](const std::uint8_t bytes[3]) { midiIn(bytes, 0); });
    modulation_.queueLfoEvents(queue_, frames, songTime(), sampleRate(), tempo());
    if (stopAllPending_.exchange(false, std::memory_order_acq_rel)) {
        voices_->stopAllVoices();
    }
    if (voicesReadable) {
        midi_.playHeldNotes(*voices_);
    }
    if (filterResetPending_.exchange(false, std::memory_order_acq_rel)) {
        filter_.reset();
        voices_->resetFilters();
    }
    followFilterSettings();
    voices_->setSampleRate(sampleRate());
    // The noise transform follows the rate here, where nothing renders with it meanwhile.
    if (noise_.sampleRate() != sampleRate()) {
        noise_.setSampleRate(sampleRate());
    }

    // Voice pass: events take effect exactly at their sample.
    queue_.rewind();
    int remaining = frames;
    while (remaining > 0) {
        const int pos = frames - remaining;
        const int next = queue_.nextOffset(seenByVoicePass);
        if (next >= 0 && next <= pos) {
            applyEvent(*queue_.take(seenByVoicePass), voicesReadable);
            continue;
        }
        int len = std::min(remaining, kMaxSubBlock);
        if (next >= 0 && next < pos + len) {
            len = next - pos;
        }
        if (sustainReleasePending_.exchange(false, std::memory_order_acq_rel)) {
            voices_->releaseSustained();
        }
        renderVoices(pos, len, left, voicesReadable);
        remaining -= len;
    }
    while (const QueuedEvent* event = queue_.take(seenByVoicePass)) {
        applyEvent(*event, voicesReadable);
    }

    const bool gateOpen = gate_.check(left, frames);
    if (!gateOpen) {
        std::memset(right, 0, sizeof(float) * static_cast<std::size_t>(frames));
    }

    // Effects pass: only the effect parameters, at their own offsets.
    queue_.rewind();
    remaining = frames;
    while (remaining > 0) {
        const int pos = frames - remaining;
        const int next = queue_.nextOffset(seenByEffectsPass);
        if (next >= 0 && next <= pos) {
            applyEvent(*queue_.take(seenByEffectsPass), voicesReadable);
            continue;
        }
        int len = remaining;
        if (next >= 0 && next < pos + len) {
            len = next - pos;
        }
        if (gateOpen) {
            runEffects(left, right, pos, len);
        }
        remaining -= len;
    }
    while (const QueuedEvent* event = queue_.take(seenByEffectsPass)) {
        applyEvent(*event, voicesReadable);
    }

    guardOutput(left, right, frames);
    gate_.update(left, frames);
    transport_.advance(frames, sampleRate());
    queue_.clear();
    handover_.leaveRender();
}

} // namespace tessarine
