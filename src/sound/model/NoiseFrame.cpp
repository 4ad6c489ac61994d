#include "sound/model/NoiseFrame.h"

#include "sound/model/HarmonicData.h"
#include "sound/model/SharedTables.h"

namespace tessarine {

NoiseFrame::NoiseFrame()
{
    (void)noiseRotationTable(); // built before the audio thread first needs it
}

void NoiseFrame::copyFrom(const NoiseFrame& other)
{
    if (&other == this) {
        return;
    }
    spectrum.copyFrom(other.spectrum);
    bands = other.bands;
    renderValue = other.renderValue;
    silent = other.silent;
}

void NoiseFrame::resampleBands()
{
    for (int k = 0; k < kNoiseBandCount; ++k) {
        float band = spectrum.valueAt(static_cast<float>(k + 1) * 0.00390625f);
        bands[static_cast<std::size_t>(k)] = band;
        if (band > 0.0f) {
            silent = false;
        }
    }
}

void NoiseFrame::applyCutoff(float frequencyHz)
{
    for (int i = 0; i < spectrum.pointCount(); ++i) {
        float gain = cutoffGain(spectrum.timeAt(i) * kNoiseSpectrumSpan, frequencyHz);
        if (gain != 1.0f) {
            spectrum.setValue(i, spectrum.value(i) * gain);
        }
    }
    resampleBands();
}

} // namespace tessarine
