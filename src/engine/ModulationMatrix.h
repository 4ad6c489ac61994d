#pragma once
// The modulation matrix: eight rows, each routing a source (velocity,
// aftertouch, key position, LFO 1 or 2, the envelope curve or a MIDI
// controller) to a target parameter over ModMin..ModMax. It does not add
// signals: it turns sources into parameter values, which the engine queues as
// events or, for a note's own targets, writes into the note's settings.
// Also the per-note vibrato/tremolo LFO and the LFO shape tables. Audio thread.

#include "engine/ParameterValues.h"

#include <array>
#include <cstdint>

namespace tessarine {

class EventQueue;

inline constexpr int kEvaluatedRows = 8; // rows 9 and 10 are stored, never played

struct ModulationPair {
    int index;   // target parameter
    float value;
};

// A target the envelope curve drives for every note: value = e x scale + offset.
struct EnvelopeSource {
    bool on = false;
    float offset = 0.0f;
    float scale = 1.0f;
};

enum EnvelopeTarget : int { kEnvelopeCutoff, kEnvelopeResonance, kEnvelopeFormant, kEnvelopeTargetCount };

// Targets that belong to a note when velocity or key position drives them.
bool isPerNoteTarget(int index);

class ModulationMatrix {
public:
    static constexpr int kMaxPairs = kEvaluatedRows + 1; // the rows, plus a learned controller

    explicit ModulationMatrix(const ParameterValues& values);

    // Velocity (amount) and key-position pairs of a note on, for the global or
    // the per-note targets. Also sets up the envelope sources.
    int noteModulation(int key, float amount, bool global, ModulationPair* out);
    // The pairs of a control change or aftertouch message.
    int controllerModulation(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, ModulationPair* out) const;
    // Whether a played row takes MIDI controller n as its source.
    bool usesController(int controller) const;
    // Queues LFO 1 and LFO 2 steps for a block of frames starting at songTime.
    void queueLfoEvents(EventQueue& queue, int frames, double songTime, float sampleRate, double tempo) const;
    // After a reload: which morph positions follow their modulated value.
    void recomputeMorphTargetFlags();

    bool morphTargeted(int index) const;
    const EnvelopeSource& envelopeSource(EnvelopeTarget target) const
    {
        return envelope_[static_cast<std::size_t>(target)];
    }

    // The per-note LFO at note time u (seconds): vibrato in units of 100 cents
    // or tremolo as a gain offset; 0 while the LFO is off.
    float vibrato(float u, double tempo) const { return noteLfo(u, tempo, kLfoVibrato); }
    float tremolo(float u, double tempo) const { return noteLfo(u, tempo, kLfoTremolo); }

private:
    static constexpr int kShapePoints = 1024;
    struct ShapeTable {
        std::array<float, kShapePoints> phase{};
        std::array<float, kShapePoints> value{};
    };

    int source(int row) const;
    int target(int row) const;
    float mapped(int row, float amount) const;
    float noteLfo(float u, double tempo, int depthParameter) const;

    const ParameterValues& values_;
    std::array<ShapeTable, 3> shapes_{};
    std::array<EnvelopeSource, kEnvelopeTargetCount> envelope_{};
    std::array<bool, 4> morphTargeted_{};
};

// The period in seconds of a tempo-synced rate value.
double tempoSyncedPeriod(float rate, double tempo);

} // namespace tessarine
