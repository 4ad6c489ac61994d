#include "engine/ModulationMatrix.h"

#include "engine/EventQueue.h"
#include "params/ModulationLists.h"
#include "params/ParameterMapping.h"
#include "sound/model/SharedTables.h"

#include <algorithm>
#include <cmath>

namespace tessarine {

namespace {

constexpr float kPi = 3.141592f;
constexpr float kTwoPi = 6.283184f;

int rowParameter(int first, int row) { return first + row; }

} // namespace

bool isPerNoteTarget(int index)
{
    switch (index) {
    case kMorphHarmX:
    case kMorphHarmY:
    case kMorphNoiseX:
    case kMorphNoiseY:
    case kMorphAmpX:
    case kMorphAmpY:
    case kAttack:
    case kStretch:
    case kRelease:
    case kFormantFreq:
    case kFilterCutoff:
    case kFilterRes:
        return true;
    default:
        return false;
    }
}

double tempoSyncedPeriod(float rate, double tempo)
{
    return tempoStep(rate) * 0.0625 * 60.0 / usableTempo(tempo);
}

ModulationMatrix::ModulationMatrix(const ParameterValues& values) : values_(values)
{
    auto& sine = shapes_[0];
    for (int k = 0; k < 256; ++k) {
        const float phase = static_cast<float>(k) / 256.0f;
        sine.phase[static_cast<std::size_t>(k)] = phase;
        sine.value[static_cast<std::size_t>(k)] = (std::sin(2.0f * kPi * phase) + 1.0f) / 2.0f;
    }
    // A rise over four fifths of the period, a fall over the last fifth.
    auto& ramp = shapes_[1];
    for (int k = 0; k < 128; ++k) {
        const float up = static_cast<float>(k) * 0.00625f;
        ramp.phase[static_cast<std::size_t>(k)] = up;
        ramp.value[static_cast<std::size_t>(k)] = 1.2f * up;
        ramp.phase[static_cast<std::size_t>(128 + k)] = 0.8f + 0.2f * static_cast<float>(k) / 128.0f;
        ramp.value[static_cast<std::size_t>(128 + k)] = 1.0f - static_cast<float>(k) / 128.0f;
    }
    // A rise over a fifth, held to half the period, a fall over a fifth, then nothing.
    auto& pulse = shapes_[2];
    for (int k = 0; k < 128; ++k) {
        pulse.phase[static_cast<std::size_t>(k)] = 0.2f * static_cast<float>(k) / 128.0f;
        pulse.value[static_cast<std::size_t>(k)] = static_cast<float>(k) / 128.0f;
        pulse.phase[static_cast<std::size_t>(128 + k)] = 0.5f + 0.2f * static_cast<float>(k) / 128.0f;
        pulse.value[static_cast<std::size_t>(128 + k)] = 1.0f - static_cast<float>(k) / 128.0f;
    }
    for (ShapeTable& table : shapes_) {
        for (int copy = 1; copy < 4; ++copy) {
            for (int k = 0; k < 256; ++k) {
                table.phase[static_cast<std::size_t>(copy * 256 + k)] =
                    table.phase[static_cast<std::size_t>(k)] + static_cast<float>(copy);
                table.value[static_cast<std::size_t>(copy * 256 + k)] = table.value[static_cast<std::size_t>(k)];
            }
        }
    }
}

int ModulationMatrix::source(int row) const
{
    return truncClamped(values_.current(rowParameter(kModSource1, row)), -1, kSourceCount);
}

int ModulationMatrix::target(int row) const
{
    return modulationTargetParameter(truncClamped(values_.current(rowParameter(kModTarget1, row)), -1, kTargetCount));
}

float ModulationMatrix::mapped(int row, float amount) const
{
    const float low = values_.current(rowParameter(kModMin1, row));
    const float high = values_.current(rowParameter(kModMax1, row));
    return low + (high - low) * amount;
}

int ModulationMatrix::noteModulation(int key, float amount, bool global, ModulationPair* out)
{
    for (EnvelopeSource& e : envelope_) {
        e.on = false;
    }
    const float keyAmount = static_cast<float>(std::clamp(key - 36, 0, 48)) / 48.0f;
    int count = 0;
    for (int row = 0; row < kEvaluatedRows; ++row) {
        const int from = source(row);
        const int to = target(row);
        if ((from == kSourceVelocity || from == kSourceKeyPosition) && to >= 0 && isPerNoteTarget(to) != global) {
            out[count++] = {to, mapped(row, from == kSourceVelocity ? amount : keyAmount)};
        }
        if (from == kSourceEnvelope) {
            const int slot = to == kFilterCutoff ? kEnvelopeCutoff
                             : to == kFilterRes  ? kEnvelopeResonance
                             : to == kFormantFreq ? kEnvelopeFormant
                                                  : -1;
            if (slot >= 0) {
                const float low = values_.current(rowParameter(kModMin1, row));
                envelope_[static_cast<std::size_t>(slot)] = {true, low,
                                                             values_.current(rowParameter(kModMax1, row)) - low};
            }
        }
    }
    return count;
}

int ModulationMatrix::controllerModulation(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                                           ModulationPair* out) const
{
    int wanted = -1;
    float amount = 0.0f;
    switch (status & 0xF0) {
    case 0xB0:
        wanted = kFirstControllerSource + (data1 & 0x7F);
        amount = static_cast<float>(data2 & 0x7F) / 128.0f;
        break;
    case 0xA0:
        wanted = kSourceAftertouch;
        amount = static_cast<float>(data2 & 0x7F) / 128.0f;
        break;
    case 0xD0:
        wanted = kSourceAftertouch;
        amount = static_cast<float>(data1 & 0x7F) / 128.0f;
        break;
    default:
        return 0;
    }
    int count = 0;
    for (int row = 0; row < kEvaluatedRows; ++row) {
        const int to = target(row);
        if (source(row) == wanted && to >= 0) {
            out[count++] = {to, mapped(row, amount)};
        }
    }
    return count;
}

bool ModulationMatrix::usesController(int controller) const
{
    for (int row = 0; row < kEvaluatedRows; ++row) {
        if (source(row) == kFirstControllerSource + controller) {
            return true;
        }
    }
    return false;
}

void ModulationMatrix::queueLfoEvents(EventQueue& queue, int frames, double songTime, float sampleRate,
                                      double tempo) const
{
    if (frames <= 0 || !(sampleRate > 0.0f)) {
        return;
    }
    for (int lfo = 0; lfo < 2; ++lfo) {
        const int wanted = lfo == 0 ? kSourceLfo1 : kSourceLfo2;
        bool running = false;
        for (int row = 0; row < kEvaluatedRows && !running; ++row) {
            running = source(row) == wanted;
        }
        if (!running) {
            continue;
        }
        const double period = tempoSyncedPeriod(values_.current(lfo == 0 ? kLfo1Rate : kLfo2Rate), tempo);
        const ShapeTable& table =
            shapes_[static_cast<std::size_t>(lfoShape(values_.current(lfo == 0 ? kLfo1Shape : kLfo2Shape)))];
        const double phase0 = std::fmod(songTime, period) / period;
        double phase1 = std::fmod(songTime + frames / static_cast<double>(sampleRate), period) / period;
        if (phase1 < phase0) {
            phase1 += 1.0;
        }
        if (!(phase1 > phase0)) {
            continue;
        }
        int point = 0;
        while (point < kShapePoints - 1 && table.phase[static_cast<std::size_t>(point)] < phase0) {
            ++point;
        }
        int previousOffset = -1;
        for (; point < kShapePoints; ++point) {
            const double phase = table.phase[static_cast<std::size_t>(point)];
            if (!(phase < phase1)) {
                break;
            }
            // Steps land on 16-sample boundaries: at most one parameter update per 16 samples.
            int offset = static_cast<int>((phase - phase0) * frames / (phase1 - phase0));
            offset = std::clamp(offset, 0, frames - 1) & ~15;
            if (offset == previousOffset) {
                continue;
            }
            previousOffset = offset;
            for (int row = 0; row < kEvaluatedRows; ++row) {
                const int to = target(row);
                if (source(row) == wanted && to >= 0) {
                    queue.queueParameter(offset, to, mapped(row, table.value[static_cast<std::size_t>(point)]), false);
                }
            }
        }
    }
}

void ModulationMatrix::recomputeMorphTargetFlags()
{
    const int morphs[4] = {kMorphHarmX, kMorphHarmY, kMorphNoiseX, kMorphNoiseY};
    for (int m = 0; m < 4; ++m) {
        bool targeted = false;
        for (int row = 0; row < kEvaluatedRows; ++row) {
            targeted = targeted || target(row) == morphs[m];
        }
        morphTargeted_[static_cast<std::size_t>(m)] = targeted;
    }
}

bool ModulationMatrix::morphTargeted(int index) const
{
    switch (index) {
    case kMorphHarmX: return morphTargeted_[0];
    case kMorphHarmY: return morphTargeted_[1];
    case kMorphNoiseX: return morphTargeted_[2];
    case kMorphNoiseY: return morphTargeted_[3];
    default: return false;
    }
}

float ModulationMatrix::noteLfo(float u, double tempo, int depthParameter) const
{
    if (!values_.on(kLfoOn)) {
        return 0.0f;
    }
    const double period = tempoSyncedPeriod(values_.current(kLfoRate), tempo);
    const float depth = values_.current(depthParameter);
    const float theta = static_cast<float>(std::fmod(static_cast<double>(u), period) / period) * kTwoPi;
    switch (lfoShape(values_.current(kLfoShape))) {
    case 0: {
        const std::array<float, 201>& table = sineTable();
        const float position = std::clamp(theta * 31.830996f, 0.0f, 199.999f);
        const int j = static_cast<int>(position);
        const float t0 = table[static_cast<std::size_t>(j)];
        return depth * (t0 + (table[static_cast<std::size_t>(j + 1)] - t0) * (position - static_cast<float>(j)));
    }
    case 1:
        return depth * (1.0f - 2.0f * theta / kTwoPi);
    default:
        return depth * (theta <= kPi ? -1.0f : 1.0f);
    }
}

} // namespace tessarine
