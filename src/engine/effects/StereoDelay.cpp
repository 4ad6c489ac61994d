#include "engine/effects/StereoDelay.h"

#include "engine/effects/UnitValue.h"
#include "params/ParameterMapping.h"

#include <algorithm>
#include <cmath>

namespace tessarine {

namespace {
constexpr float kLineSeconds = 24.0f;
} // namespace

void StereoDelay::setSampleRate(float rate)
{
    if (!usableSampleRate(rate)) {
        return;
    }
    sampleRate_ = rate;
    const int capacity = static_cast<int>(kLineSeconds * rate);
    for (Line& line : lines_) {
        if (line.capacity != capacity) {
            line.buffer = std::make_unique_for_overwrite<float[]>(static_cast<std::size_t>(capacity));
            line.capacity = capacity;
        }
    }
    updateLengths();
    reset();
}

void StereoDelay::setMix(float delayMix) { mix_ = 0.5f * unitValue(delayMix, 0.0f); }

void StereoDelay::setFeedback(float delayFeedback) { feedback_ = 0.8f * unitValue(delayFeedback, 0.0f); }

void StereoDelay::setSync(float delaySyncL, float delaySyncR)
{
    int before[2] = {lines_[0].length, lines_[1].length};
    lines_[0].steps = tempoStep(delaySyncL);
    lines_[1].steps = tempoStep(delaySyncR);
    updateLengths();
    if (lines_[0].length != before[0] || lines_[1].length != before[1]) {
        reset();
    }
}

void StereoDelay::setTempo(double bpm)
{
    double tempo = usableTempo(bpm);
    if (tempo == tempo_) {
        return;
    }
    tempo_ = tempo;
    updateLengths();
    reset();
}

void StereoDelay::updateLengths()
{
    for (Line& line : lines_) {
        if (line.capacity == 0) {
            line.length = 1;
            continue;
        }
        // A sixteenth note is a quarter of a beat.
        double samples = 60.0 / tempo_ * line.steps * sampleRate_ * 0.25 + 0.5;
        line.length = static_cast<int>(std::clamp(samples, 1.0, static_cast<double>(line.capacity)));
    }
}

// Clearing 24 s of line on the audio thread would take milliseconds at high
// rates; instead the part of the line not yet written since the reset reads as
// silence, which sounds exactly like a cleared line.
void StereoDelay::reset()
{
    for (Line& line : lines_) {
        line.index = 0;
        line.wrapped = false;
    }
}

void StereoDelay::process(float* inOut0, float* inOut1, int frames)
{
    if (frames <= 0 || sampleRate_ == 0.0f) {
        return;
    }
    processLine(lines_[0], inOut0, frames);
    processLine(lines_[1], inOut1, frames);
}

void StereoDelay::processLine(Line& line, float* io, int frames) const
{
    const float mix = mix_;
    const float dryGain = 1.0f - mix_;
    const float feedback = feedback_;
    int pos = 0;
    while (pos < frames) {
        // Contiguous runs up to the wrap point keep the loop free of index
        // arithmetic, so it vectorises.
        int run = std::min(frames - pos, line.length - line.index);
        float* __restrict buf = line.buffer.get() + line.index;
        float* __restrict x = io + pos;
        if (line.wrapped) {
            for (int k = 0; k < run; ++k) {
                float d = buf[k];
                float in = x[k];
                x[k] = in * dryGain + mix * d;
                buf[k] = feedback * d + in;
            }
        } else {
            for (int k = 0; k < run; ++k) {
                float in = x[k];
                x[k] = in * dryGain;
                buf[k] = in;
            }
        }
        line.index += run;
        pos += run;
        if (line.index >= line.length) {
            line.index = 0;
            line.wrapped = true;
        }
    }
}

} // namespace tessarine
