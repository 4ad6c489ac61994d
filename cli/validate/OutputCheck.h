#pragma once
// Watches a plug-in's output block by block: every sample finite, within a
// bound no sane instrument reaches, never a denormal number; and, after the
// last note is released, whether the output has fallen silent.

#include "host/PluginHost.h"

#include <string>

namespace tessarine::host {

class OutputCheck {
public:
    static constexpr float kBound = 16.0f;         // +24 dBFS
    // Random values of every parameter may legitimately set extreme gains; a
    // blow-up still ends far above this.
    static constexpr float kAutomationBound = 1000.0f; // +60 dBFS
    static constexpr float kSilenceLevel = 1e-4f;  // -80 dBFS
    static constexpr double kSilenceSeconds = 0.05;

    explicit OutputCheck(double sampleRate, float bound = kBound);

    // Looks at the first frames of every output channel; position is the
    // block's first sample since the run started.
    void scan(const PluginHost& instance, int frames, long long position);
    void scan(const float* const* channels, int channelCount, int frames, long long position);

    // The first fault seen, or empty.
    const std::string& fault() const { return fault_; }
    float peak() const { return peak_; }
    // True once the output has stayed below the silence level for kSilenceSeconds.
    bool silent() const { return quietFrames_ >= silenceFrames_; }
    void restartSilence() { quietFrames_ = 0; }

private:
    std::string fault_;
    float bound_;
    float peak_ = 0.0f;
    long long quietFrames_ = 0;
    long long silenceFrames_;
};

} // namespace tessarine::host
