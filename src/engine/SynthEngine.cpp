#include "engine/SynthEngine.h"

#include "params/ParameterMapping.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace tessarine {

namespace {
constexpr auto kRelaxed = std::memory_order_relaxed;

bool isValueIndex(int index) { return index >= 0 && index < kValueCount; }
} // namespace

SynthEngine::SynthEngine()
{
    for (auto& cutoff : voiceCutoff_) {
        cutoff.store(1.0f, kRelaxed);
    }
    for (auto& count : multisampleCount_) {
        count.store(1, kRelaxed);
    }
    const auto& table = parameterTable();
    for (int i = 0; i < kParameterCount; ++i) {
        current_[static_cast<std::size_t>(i)].store(table[static_cast<std::size_t>(i)].start, kRelaxed);
    }
    // Applying every start value through the one write path leaves the derived
    // state exactly as a host writing the same values would.
    for (int i = 0; i < kParameterCount; ++i) {
        setParameter(i, table[static_cast<std::size_t>(i)].start, true);
    }
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

void SynthEngine::setSampleRate(float rate)
{
    // A scanning host may report 0; keep the last usable rate rather than divide by it.
    if (rate > 0.0f && std::isfinite(rate)) {
        sampleRate_ = rate;
    }
}

void SynthEngine::setLibraryFolder(const char* folder)
{
    std::snprintf(libraryFolder_.data(), libraryFolder_.size(), "%s", folder != nullptr ? folder : "");
}

void SynthEngine::setTransport(double tempo, double ppqPosition, double barStart)
{
    tempo_ = tempo;
    ppqPosition_ = ppqPosition;
    barStart_ = barStart;
}

void SynthEngine::stopAllVoices() {}

void SynthEngine::render(float* left, float* right, int frames)
{
    if (frames <= 0) {
        return;
    }
    if (left != nullptr) {
        std::memset(left, 0, sizeof(float) * static_cast<std::size_t>(frames));
    }
    if (right != nullptr) {
        std::memset(right, 0, sizeof(float) * static_cast<std::size_t>(frames));
    }
}

} // namespace tessarine
