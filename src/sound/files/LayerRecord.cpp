#include "sound/files/LayerRecord.h"

#include "sound/files/CurveRecord.h"

#include <algorithm>
#include <cmath>

namespace tessarine {

bool readHarmonic(RecordStream& stream, HarmonicData& data)
{
    float basePitch = 0.0f;
    if (!stream.readFloat(basePitch)) {
        return false;
    }
    // No analysis finds a fundamental outside the audible range; a damaged
    // pitch plays as middle C, like a sound analysed without one.
    data.basePitch = basePitch > 0.0f && basePitch <= kHighestBasePitch ? basePitch : kDefaultBasePitch;
    for (int h = 0; h < kHarmonicCount; ++h) {
        BreakpointCurve& amplitude = data.amplitude(h);
        if (!readCurve(stream, amplitude, kAmplitudeBounds)) {
            return false;
        }
        if (amplitude.pointCount() > 0) {
            amplitude.setValue(amplitude.pointCount() - 1, 0.0f);
        }
    }
    for (int h = 0; h < kHarmonicCount; ++h) {
        BreakpointCurve& frequency = data.frequency(h);
        // A damaged value lands outside every harmonic's range and is repaired below.
        if (!readCurve(stream, frequency, kFrequencyBounds, -1.0f)) {
            return false;
        }
        // A partial wandering into a neighbour's range would double that
        // harmonic; a value that is not a number would poison the oscillator.
        const auto low = static_cast<float>(h);
        const auto high = static_cast<float>(h + 2);
        BreakpointCurve& amplitude = data.amplitude(h);
        for (int i = 0; i < frequency.pointCount(); ++i) {
            float v = frequency.value(i);
            if (!(v >= low && v <= high)) {
                frequency.setValue(i, static_cast<float>(h + 1));
                amplitude.setValue(i, 0.0f);
            }
        }
    }
    data.updateDuration();
    return true;
}

bool writeHarmonic(RecordStream& stream, const HarmonicData& data)
{
    bool ok = stream.writeFloat(data.basePitch);
    for (int h = 0; h < kHarmonicCount && ok; ++h) {
        ok = writeCurve(stream, data.amplitude(h));
    }
    for (int h = 0; h < kHarmonicCount && ok; ++h) {
        ok = writeCurve(stream, data.frequency(h));
    }
    return ok;
}

bool readNoise(RecordStream& stream, NoiseData& data, bool fullBandAllowed)
{
    std::int32_t count = 0;
    if (!stream.readInt32(count)) {
        return false;
    }
    const bool fullBand = count == kFullBandNoiseTag;
    if (fullBand) {
        if (!fullBandAllowed) {
            return stream.refuse(RecordStream::Status::BadValue, "noise band tag", count);
        }
        if (!stream.readInt32(count)) {
            return false;
        }
    }
    if (count < 0 || count > kMaxNoiseFrames) {
        return stream.refuse(RecordStream::Status::BadCount, "noise frame count", count);
    }
    data.clear();
    data.setFullBand(fullBand);
    for (int i = 0; i < count; ++i) {
        float time = 0.0f;
        if (!stream.readFloat(time)) {
            return false;
        }
        if (!std::isfinite(time)) {
            return stream.refuse(RecordStream::Status::BadValue, "noise frame time", i);
        }
        data.setFrameTime(i, std::clamp(time, 0.0f, kLongestTime));
        // The count grows only once a frame's spectrum is in, so a failure
        // never leaves a half-read frame counted.
        NoiseFrame& frame = data.frame(i);
        if (!readCurve(stream, frame.spectrum, kSpectrumBounds)) {
            return false;
        }
        data.setFrameCount(i + 1);
        frame.resampleBands();
    }
    return true;
}

bool writeNoise(RecordStream& stream, const NoiseData& data)
{
    bool ok = (!data.fullBand() || stream.writeInt32(kFullBandNoiseTag)) && stream.writeInt32(data.frameCount());
    for (int i = 0; i < data.frameCount() && ok; ++i) {
        ok = stream.writeFloat(data.frameTime(i)) && writeCurve(stream, data.frame(i).spectrum);
    }
    return ok;
}

bool readLayer(RecordStream& stream, LayerData& layer, bool fullBandAllowed)
{
    return readHarmonic(stream, layer.harmonic) && readNoise(stream, layer.noise, fullBandAllowed);
}

bool writeLayer(RecordStream& stream, const LayerData& layer)
{
    return writeHarmonic(stream, layer.harmonic) && writeNoise(stream, layer.noise);
}

} // namespace tessarine
