#include "commands/MakePresetCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "commands/ReadFailure.h"

#include "sound/files/PresetFile.h"
#include "sound/files/RecordStream.h"
#include "sound/files/VoiceFile.h"

#include <array>
#include <cmath>
#include <memory>

namespace tessarine::host {

namespace {

// The level of a drawn sound's strongest harmonic: about what the analysis
// gives the fundamental of a full-scale note, so a drawn preset sits beside
// analysed ones without a jump in loudness.
constexpr float kDrawnLevel = 0.5f;
// A drawn noise spectrum at its peak, matched the same way to the breath noise
// the analysis finds in a flute (spectrum values near 0.8).
constexpr float kDrawnNoiseLevel = 0.5f;
// Formant peaks the drawn spectrum (40 Hz to 20 kHz) can show.
constexpr double kLowestFormant = 20.0;
constexpr double kHighestFormant = 20000.0;

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Relative amplitude of harmonic h (1-based) of a drawn shape; negative for an unknown shape.
float shapeAmplitude(const std::string& shape, int h)
{
    const bool odd = h % 2 == 1;
    const auto x = static_cast<float>(h);
    if (shape == "saw") {
        return 1.0f / x;
    }
    if (shape == "square") {
        return odd ? 1.0f / x : 0.0f;
    }
    if (shape == "triangle") {
        return odd ? 1.0f / (x * x) : 0.0f;
    }
    if (shape == "odd") {
        return odd ? 1.0f / std::sqrt(x) : 0.0f;
    }
    if (shape == "pulse") {
        return std::fabs(std::sin(3.14159265f * x * 0.25f)) / x;
    }
    if (shape == "organ") {
        switch (h) {
        case 1: return 1.0f;
        case 2: return 0.7f;
        case 3: return 0.5f;
        case 4: return 0.45f;
        case 6: return 0.25f;
        case 8: return 0.3f;
        default: return 0.0f;
        }
    }
    return -1.0f;
}

// The envelope every drawn preset shares: 20 ms attack, a slight settle, a held
// body and a 0.3 s release.
struct DrawnFrames {
    std::array<float, 5> times{};
    std::array<float, 5> levels{0.0f, 1.0f, 0.9f, 0.85f, 0.0f};
    explicit DrawnFrames(float length) : times{0.0f, 0.02f, 0.3f, length - 0.3f, length} {}
};

bool drawHarmonics(const MakePresetOptions& options, HarmonicData& data)
{
    if (shapeAmplitude(options.shape, 1) < 0.0f) {
        return false;
    }
    const DrawnFrames frames(static_cast<float>(options.length));
    data.clear();
    data.basePitch = kDefaultBasePitch;
    std::array<float, 5> values{};
    for (int h = 0; h < kHarmonicCount; ++h) {
        const float a = kDrawnLevel * shapeAmplitude(options.shape, h + 1);
        for (std::size_t i = 0; i < values.size(); ++i) {
            values[i] = a * frames.levels[i];
        }
        data.amplitude(h).assignPoints(frames.times.data(), values.data(), static_cast<int>(values.size()));
        values.fill(static_cast<float>(h + 1));
        data.frequency(h).assignPoints(frames.times.data(), values.data(), static_cast<int>(values.size()));
    }
    data.updateDuration();
    return true;
}

// Spectrum value at frequency f (Hz) of a drawn noise shape; negative for an unknown shape.
float noiseShape(const MakePresetOptions& options, float f)
{
    auto bump = [&](float centre, float width) {
        const float d = (f - centre) / width;
        return std::exp(-d * d);
    };
    if (options.shape == "white") {
        return f < 16000.0f ? 1.0f : 0.0f;
    }
    if (options.shape == "breath") {
        return bump(1500.0f, 1200.0f) + 0.3f * bump(4000.0f, 2500.0f);
    }
    if (options.shape == "hiss") {
        return f < 6000.0f ? std::pow(f / 6000.0f, 3.0f) : (f < 16000.0f ? 1.0f : bump(16000.0f, 2000.0f));
    }
    if (options.shape == "formant" && !options.formants.empty()) {
        float sum = 0.0f;
        for (double centre : options.formants) {
            sum += bump(static_cast<float>(centre), 60.0f + 0.08f * static_cast<float>(centre));
        }
        return std::min(sum, 1.0f);
    }
    return -1.0f;
}

bool drawNoise(const MakePresetOptions& options, NoiseData& data)
{
    if (noiseShape(options, 1000.0f) < 0.0f) {
        return false;
    }
    // Points spaced evenly in pitch from 40 Hz to 20 kHz, plus both ends.
    constexpr int kPoints = 96;
    std::array<float, kPoints + 2> positions{};
    std::array<float, kPoints + 2> values{};
    for (int i = 0; i < kPoints; ++i) {
        const float f = 40.0f * std::pow(500.0f, static_cast<float>(i) / (kPoints - 1));
        positions[static_cast<std::size_t>(i + 1)] = f / kNoiseSpectrumSpan;
        values[static_cast<std::size_t>(i + 1)] = kDrawnNoiseLevel * noiseShape(options, f);
    }
    positions[kPoints + 1] = 1.0f;
    const DrawnFrames frames(static_cast<float>(options.length));
    data.clear();
    data.setFrameCount(static_cast<int>(frames.times.size()));
    for (int k = 0; k < data.frameCount(); ++k) {
        std::array<float, kPoints + 2> scaled{};
        for (std::size_t i = 0; i < scaled.size(); ++i) {
            scaled[i] = values[i] * frames.levels[static_cast<std::size_t>(k)];
        }
        data.setFrameTime(k, frames.times[static_cast<std::size_t>(k)]);
        data.frame(k).spectrum.assignPoints(positions.data(), scaled.data(), static_cast<int>(scaled.size()));
        data.frame(k).resampleBands();
    }
    return true;
}

} // namespace

int runMakePreset(const MakePresetOptions& options, std::ostream& err)
{
    const auto fail = [&](const std::string& message) {
        err << "tessarine: " << message << '\n';
        return 1;
    };
    const bool harmonic = endsWith(options.outputPath, ".t9h");
    if (!harmonic && !endsWith(options.outputPath, ".t9n")) {
        return fail("the output must end in .t9h (harmonic preset) or .t9n (noise preset)");
    }
    if (options.voicePath.empty() == options.shape.empty()) {
        return fail("give either --from VOICE.t9v or --shape NAME");
    }
    // About 4 MB: kept off the stack.
    auto voice = std::make_unique<Voice>();
    RecordStream stream;
    int multisample = 0;
    int layer = 1;
    if (!options.voicePath.empty()) {
        if (!loadVoiceFile(options.voicePath, *voice, stream)) {
            return fail(options.voicePath + ": " + readFailureReason(stream));
        }
        if (options.multisample < 0 || options.multisample >= voice->multisampleCount || options.layer < 0 ||
            options.layer >= kLayersPerMultisample) {
            return fail(options.voicePath + ": the voice has no multisample " + std::to_string(options.multisample) +
                        " layer " + std::to_string(options.layer));
        }
        multisample = options.multisample;
        layer = options.layer;
    } else {
        if (!(options.length >= 0.7 && options.length <= 30.0)) {
            return fail("--length must be 0.7 to 30 seconds");
        }
        for (double formant : options.formants) {
            if (!(formant >= kLowestFormant && formant <= kHighestFormant)) {
                return fail("--formants must be 20 to 20000 Hz each");
            }
        }
        LayerData& target = voice->layer(0, 1);
        if (harmonic ? !drawHarmonics(options, target.harmonic) : !drawNoise(options, target.noise)) {
            return fail("no " + std::string(harmonic ? "harmonic" : "noise") + " shape '" + options.shape +
                        "'" + (options.shape == "formant" ? " without --formants" : ""));
        }
    }
    const bool saved = harmonic ? saveHarmonicPreset(options.outputPath, *voice, multisample, layer, stream)
                                : saveNoisePreset(options.outputPath, *voice, multisample, layer, stream);
    if (!saved) {
        return fail(options.outputPath + ": cannot write the preset (" + readFailureReason(stream) + ")");
    }
    return 0;
}

namespace {

Command::Run setUpMakePreset(CLI::App& command, const std::string&)
{
    auto options = std::make_shared<MakePresetOptions>();
    command.add_option("-o,--output", options->outputPath, "Preset file to write (.t9h or .t9n)")->required();
    command.add_option("--from", options->voicePath, "Voice file whose layer becomes the preset");
    command.add_option("--multisample", options->multisample, "Multisample of --from, 0..7")->capture_default_str();
    command.add_option("--layer", options->layer, "Layer of --from, 0 soft or 1 loud")->capture_default_str();
    command.add_option("--shape", options->shape,
                       "Drawn shape: saw, square, triangle, odd, pulse, organ (harmonic); "
                       "white, breath, hiss, formant (noise)");
    command.add_option("--formants", options->formants, "Formant peaks in Hz, for --shape formant")->delimiter(',');
    command.add_option("--length", options->length, "Length of a drawn preset in seconds")->capture_default_str();
    return [options] { return runMakePreset(*options, std::cerr); };
}

} // namespace

const Command kMakePresetCommand{
    "make-preset", "Write a harmonic (.t9h) or noise (.t9n) preset from a voice's layer or a drawn shape",
    &setUpMakePreset};

} // namespace tessarine::host
