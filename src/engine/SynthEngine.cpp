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

} // namespace

bool isEffectParameter(int index)
{
    return index >= 0 && index < kParameterCount && kEffectParameterSet[static_cast<std::size_t>(index)];
}

SynthEngine::SynthEngine()
{
    for (auto& cutoff : voiceCutoff_) {
        cutoff.store(1.0f, kRelaxed);
    }
    for (auto& count : multisampleCount_) {
        count.store(1, kRelaxed);
    }
    for (auto& controller : controllerMap_) {
        controller.store(-1, kRelaxed);
    }
    gate_.setSampleRate(sampleRate_);
    gate_.reset();
    const auto& table = parameterTable();
    for (int i = 0; i < kParameterCount; ++i) {
        current_[static_cast<std::size_t>(i)].store(table[static_cast<std::size_t>(i)].start, kRelaxed);
    }
    // Applying every start value through the one write path leaves the derived
    // state exactly as a host writing the same values would.
    for (int i = 0; i < kParameterCount; ++i) {
        setParameter(i, table[static_cast<std::size_t>(i)].start, true);
    }
    clearChangeFlags();
}

void SynthEngine::setParameter(int index, float value, bool storeAsSaved)
{
    if (!isValueIndex(index)) {
        return;
    }
    current_[static_cast<std::size_t>(index)].store(value, kRelaxed);
    if (storeAsSaved) {
        saved_[static_cast<std::size_t>(index)].store(value, kRelaxed);
    }
    if (index <= kFilterSaturation) {
        apply(index, value);
    }
}

float SynthEngine::getParameter(int index, bool saved) const
{
    if (!isValueIndex(index)) {
        return 0.0f;
    }
    if (index >= kVoiceCutoffA && index <= kVoiceCutoffD) {
        return voiceCutoff_[static_cast<std::size_t>(index - kVoiceCutoffA)].load(kRelaxed);
    }
    const auto& values = saved ? saved_ : current_;
    return values[static_cast<std::size_t>(index)].load(kRelaxed);
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
        multisampleCount_[static_cast<std::size_t>(index - kNumMultisamplesA)].store(
            tessarine::multisampleCount(value), kRelaxed);
        break;
    default:
        break;
    }
}

int SynthEngine::multisampleCount(int slot) const
{
    if (slot < 0 || slot >= kSlotCount) {
        return 1;
    }
    return multisampleCount_[static_cast<std::size_t>(slot)].load(kRelaxed);
}

int SynthEngine::controllerOf(int index) const
{
    return isValueIndex(index) ? controllerMap_[static_cast<std::size_t>(index)].load(kRelaxed) : -1;
}

bool SynthEngine::changeFlag(int index) const
{
    return isValueIndex(index) && changeFlags_[static_cast<std::size_t>(index)] != 0;
}

void SynthEngine::setSampleRate(float rate)
{
    // A scanning host may report 0; keep the last usable rate rather than divide by it.
    if (rate > 0.0f && std::isfinite(rate)) {
        sampleRate_ = rate;
        gate_.setSampleRate(rate);
    }
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
    switch (bytes[0] & 0xF0) {
    case 0x80:
    case 0x90:
    case 0xE0:
        queueMidi(frameOffset, bytes);
        break;
    case 0xB0:
        controllerChange(bytes[1] & 0x7F, bytes[2] & 0x7F, frameOffset);
        break;
    case 0xA0:
    case 0xD0:
        // Aftertouch moves parameters only through the modulation matrix.
        break;
    default:
        break;
    }
}

void SynthEngine::controllerChange(int controller, int value, int frameOffset)
{
    int target = learnTarget_.load(kRelaxed);
    if (learnArmed_.load(kRelaxed) && isValueIndex(target)) {
        for (auto& entry : controllerMap_) {
            if (entry.load(kRelaxed) == controller) {
                entry.store(-1, kRelaxed);
            }
        }
        controllerMap_[static_cast<std::size_t>(target)].store(controller, kRelaxed);
        learnArmed_.store(false, kRelaxed);
        current_[kLearnIndicator].store(0.0f, kRelaxed);
        changeFlags_[kLearnIndicator] = 1;
    }
    for (int index = 0; index < kValueCount; ++index) {
        if (controllerMap_[static_cast<std::size_t>(index)].load(kRelaxed) == controller) {
            queueParameter(frameOffset, index, static_cast<float>(value) / 128.0f, true);
            break;
        }
    }
}

void SynthEngine::applyEvent(const QueuedEvent& event)
{
    if (event.kind == QueuedEvent::kMidi) {
        handleMidi(event.midi);
        return;
    }
    setParameter(event.index, event.value, event.notify);
    if (event.notify) {
        changeFlags_[static_cast<std::size_t>(event.index)] = 1;
    }
}

void SynthEngine::handleMidi(const std::array<std::uint8_t, 3>&) {}

void SynthEngine::stopAllVoices() {}

void SynthEngine::resetRunningState()
{
    queue_.clear();
    setParameter(kSustainOn, 0.0f, true);
    effects_.reset();
    requestReload();
}

void SynthEngine::reloadSavedValues()
{
    for (int index = 0; index < kValueCount; ++index) {
        setParameter(index, saved_[static_cast<std::size_t>(index)].load(kRelaxed), false);
    }
    setParameter(kFormantFreq, 0.5f, true);
}

void SynthEngine::renderVoices(int, int, float*) {}

void SynthEngine::runEffects(float* left, float* right, int pos, int len)
{
    EffectInputs inputs;
    inputs.volume = current_[kVolume].load(kRelaxed);
    inputs.width = current_[kStereoWidth].load(kRelaxed);
    effects_.process(inputs, left + pos, right + pos, len);
}

void SynthEngine::render(float* left, float* right, int frames)
{
    if (frames <= 0 || left == nullptr || right == nullptr) {
        queue_.clear();
        return;
    }
    ScopedFlushDenormals noDenormals;
    std::memset(left, 0, sizeof(float) * static_cast<std::size_t>(frames));

    if (reloadPending_.exchange(false, std::memory_order_acq_rel)) {
        reloadSavedValues();
    }

    // Voice pass: events take effect exactly at their sample.
    queue_.rewind();
    int remaining = frames;
    while (remaining > 0) {
        int pos = frames - remaining;
        int len = std::min(remaining, kMaxSubBlock);
        int next = queue_.nextOffset(seenByVoicePass);
        if (next >= 0 && next <= pos) {
            applyEvent(*queue_.take(seenByVoicePass));
            continue;
        }
        if (next >= 0 && next < pos + len) {
            len = next - pos;
        }
        renderVoices(pos, len, left);
        remaining -= len;
    }
    while (const QueuedEvent* event = queue_.take(seenByVoicePass)) {
        applyEvent(*event);
    }

    const bool gateOpen = gate_.check(left, frames);
    if (!gateOpen) {
        std::memset(right, 0, sizeof(float) * static_cast<std::size_t>(frames));
    }

    // Effects pass: only the effect parameters, at their own offsets.
    queue_.rewind();
    remaining = frames;
    while (remaining > 0) {
        int pos = frames - remaining;
        int len = remaining;
        int next = queue_.nextOffset(seenByEffectsPass);
        if (next >= 0 && next <= pos) {
            applyEvent(*queue_.take(seenByEffectsPass));
            continue;
        }
        if (next >= 0 && next < pos + len) {
            len = next - pos;
        }
        if (gateOpen) {
            runEffects(left, right, pos, len);
        }
        remaining -= len;
    }
    while (const QueuedEvent* event = queue_.take(seenByEffectsPass)) {
        applyEvent(*event);
    }

    gate_.update(left, frames);
    songTime_ += static_cast<double>(frames) / static_cast<double>(sampleRate_);
    queue_.clear();
}

} // namespace tessarine
