#include "sound/model/Voice.h"

#include "sound/model/RenderTableHook.h"
#include "sound/model/SharedTables.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessarine {

Voice::Voice()
{
    (void)sineTable();
    prepare();
}

void Voice::setName(std::string_view text)
{
    std::size_t length = std::min(text.size(), name.size() - 1);
    // A NUL inside the text ends the name there, as it would in a file.
    length = std::min(length, text.find('\0'));
    std::memcpy(name.data(), text.data(), length);
    std::fill(name.begin() + static_cast<std::ptrdiff_t>(length), name.end(), '\0');
}

void Voice::prepare() { prepareVoice(*this); }

void Voice::copyFrom(const Voice& other)
{
    name = other.name;
    for (int m = 0; m < kMaxMultisamples; ++m) {
        for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
            this->layer(m, layer).copyFrom(other.layer(m, layer));
        }
    }
    loopOn = other.loopOn;
    loopStart = other.loopStart;
    loopEnd = other.loopEnd;
    multisampleCount = other.multisampleCount;
    layerCount = other.layerCount;
    cutoff = other.cutoff;
    harmonicGain = other.harmonicGain;
    noiseGain = other.noiseGain;
    outlineCurve.copyFrom(other.outlineCurve);
}

namespace {

// The reference curve read from the end towards the peak, one millisecond at a
// time; a cursor walks the segments downward so the scan costs O(steps + points).
class DownwardReader {
public:
    explicit DownwardReader(const BreakpointCurve& curve) : curve_(curve), segment_(curve.pointCount() - 1) {}

    // The same answer valueAt gives, for non-increasing times.
    float at(float time)
    {
        const int count = curve_.pointCount();
        if (count == 0 || !(curve_.timeAt(0) < time)) {
            return count > 0 && curve_.timeAt(0) == time ? curve_.value(0) : 0.0f;
        }
        if (time > curve_.timeAt(count - 1)) {
            return curve_.value(count - 1);
        }
        // The first index whose time is not less than time, searched from below
        // the cursor; ascending times make the cursor only move down.
        while (segment_ > 1 && !(curve_.timeAt(segment_ - 1) < time)) {
            --segment_;
        }
        int i = segment_;
        float t0 = curve_.timeAt(i - 1);
        float t1 = curve_.timeAt(i);
        if (!(t1 > t0)) {
            return curve_.value(i);
        }
        return curve_.value(i - 1) + (time - t0) / (t1 - t0) * (curve_.value(i) - curve_.value(i - 1));
    }

private:
    const BreakpointCurve& curve_;
    int segment_;
};

// The loop scan walks at most this many steps; past 1,000 s of sound the step
// grows instead, so damaged times cannot stall the loader.
constexpr double kMaxLoopScanSteps = 1000000.0;

} // namespace

void prepareVoice(Voice& voice)
{
    const int multisampleCount = std::clamp(voice.multisampleCount, 1, kMaxMultisamples);
    const bool singleLayer = voice.layerCount <= 1;
    for (int m = 0; m < multisampleCount; ++m) {
        LayerData& soft = voice.layer(m, 0);
        LayerData& loud = voice.layer(m, 1);
        if (singleLayer) {
            loud.harmonic.prepare();
            loud.noise.prepare();
            soft.copyFrom(loud);
            if (voice.cutoff < kNoCutoff) {
                float frequency = cutoffFrequency(voice.cutoff);
                soft.harmonic.applyCutoff(frequency);
                soft.noise.applyCutoff(frequency);
            }
        } else {
            soft.harmonic.prepare();
            soft.noise.prepare();
            loud.harmonic.prepare();
            loud.noise.prepare();
        }
        soft.noise.resampleBands();
        loud.noise.resampleBands();
        if (voice.renderTableHook != nullptr) {
            voice.renderTableHook->rebuildRenderTables(voice, m);
        }
        soft.harmonic.updateDuration();
        loud.harmonic.updateDuration();
    }

    BreakpointCurve& reference = voice.layer(multisampleCount / 2, 1).harmonic.totalCurve();
    const int referenceCount = reference.pointCount();
    const float end = referenceCount > 0 ? reference.timeAt(referenceCount - 1) : 0.0f;
    float minDuration = 10000000000.0f;
    for (int m = 0; m < multisampleCount; ++m) {
        for (int l = 0; l < kLayersPerMultisample; ++l) {
            float duration = voice.layer(m, l).harmonic.duration;
            if (duration != 0.0f && duration < minDuration) {
                minDuration = duration;
            }
        }
    }

    float peakTime = 0.0f;
    float peakValue = 0.0f;
    for (int i = 0; i < referenceCount; ++i) {
        if (i == 0 || reference.value(i) > peakValue) {
            peakTime = reference.timeAt(i);
            peakValue = reference.value(i);
        }
    }
    // The attack is taken to be over within the first quarter of the shortest layer.
    if (peakTime > minDuration * 0.25f) {
        peakTime = minDuration * 0.25f;
        peakValue = reference.valueAt(peakTime);
    }

    BreakpointCurve& outline = voice.outlineCurve;
    outline.clear();
    outline.insertPoint(0.0f, 0.0f);
    outline.insertPoint(peakTime, peakValue);
    outline.insertPoint(end, 0.0f);

    // Usable loop points lie after the peak and before the end. Otherwise loop
    // at the latest point still above half the peak, or midway.
    if (!(voice.loopStart > peakTime && voice.loopEnd < end)) {
        voice.loopStart = voice.loopEnd = (peakTime + end) * 0.5f;
        const double span = static_cast<double>(end) - static_cast<double>(peakTime);
        if (span > 0.0) {
            double step = std::max(0.001, span / kMaxLoopScanSteps);
            auto steps = static_cast<long long>(span / step);
            DownwardReader scan(reference);
            for (long long i = 0; i <= steps; ++i) {
                auto t = static_cast<float>(static_cast<double>(end) - static_cast<double>(i) * step);
                if (scan.at(t) > peakValue * 0.5f) {
                    voice.loopStart = voice.loopEnd = t;
                    break;
                }
            }
        }
    }
    if (voice.loopEnd > minDuration) {
        float t = minDuration - 0.2f;
        if (t < peakTime) {
            t = (peakTime + minDuration) * 0.5f;
        }
        voice.loopStart = voice.loopEnd = t;
    }
    outline.insertPoint(voice.loopStart, reference.valueAt(voice.loopStart));
    outline.insertPoint(voice.loopEnd + 0.0001f, reference.valueAt(voice.loopEnd));
}

} // namespace tessarine
