#pragma once
// The sound engine: it holds every engine value (host parameters and editor
// slots) in two arrays, current and saved, and turns writes into the derived
// settings the renderer reads.
//
// Threads: setParameter may come from the host's automation thread, the GUI
// thread or the audio thread; each value is one atomic 32-bit float written
// whole, so no lock is needed and no reader ever sees a torn value.

#include "params/ParameterTable.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace tessarine {

inline constexpr int kSlotCount = 4; // sound slots A..D

class SynthEngine {
public:
    SynthEngine();

    // Stores value as current (and saved when storeAsSaved) for 0 <= index <= 254
    // and applies host parameters to the engine; other indices are ignored.
    void setParameter(int index, float value, bool storeAsSaved);

    // The saved or current value; indices 25..28 read the slot's voice cutoff.
    // 0 for an index outside 0..254.
    float getParameter(int index, bool saved = false) const;

    void setSampleRate(float rate);
    float sampleRate() const { return sampleRate_; }

    // The folder of the plug-in's library file, from which every library path is built.
    void setLibraryFolder(const char* folder);
    const char* libraryFolder() const { return libraryFolder_.data(); }

    // Host transport as last reported; tempo in beats per minute, positions in quarter notes.
    void setTransport(double tempo, double ppqPosition, double barStart);
    double tempo() const { return tempo_; }
    double ppqPosition() const { return ppqPosition_; }
    double barStart() const { return barStart_; }

    void stopAllVoices();

    // Writes frames samples of the stereo output. Until voices sound this is silence.
    void render(float* left, float* right, int frames);

    // Derived settings the renderer and effects read.
    int filterMode() const { return filterMode_.load(std::memory_order_relaxed); }
    float compressAmount() const { return compressAmount_.load(std::memory_order_relaxed); }
    int multisampleCount(int slot) const;

private:
    void apply(int index, float value);

    std::array<std::atomic<float>, kValueCount> current_{};
    std::array<std::atomic<float>, kValueCount> saved_{};
    // Each slot's brightness cutoff lives with its voice; loading a voice replaces it.
    std::array<std::atomic<float>, kSlotCount> voiceCutoff_{};

    std::atomic<int> filterMode_{0};
    std::atomic<float> compressAmount_{0.0f};
    std::array<std::atomic<int>, kSlotCount> multisampleCount_{};

    float sampleRate_ = 44100.0f;
    double tempo_ = 120.0;
    double ppqPosition_ = 0.0;
    double barStart_ = 0.0;
    std::array<char, 257> libraryFolder_{};
};

} // namespace tessarine
