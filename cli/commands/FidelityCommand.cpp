#include "commands/FidelityCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "commands/FidelityFigures.h"
#include "commands/JsonWriter.h"
#include "commands/OrderedJobs.h"
#include "commands/StrictHarmonicBalance.h"
#include "commands/RenderCommand.h"
#include "host/PluginHost.h"

#include "analysis/SoundFileAnalysis.h"
#include "params/NoteFrequencyTable.h"
#include "params/ParameterTable.h"
#include "sound/files/InstrumentFile.h"
#include "sound/files/RecordStream.h"
#include "sound/model/Instrument.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace tessarine::host {

namespace {

// The targets the benchmark is held to.
constexpr double kHarmonicToleranceDb = 1.0;
constexpr double kHarmonicTargetPercent = 90.0;
constexpr double kStrictMedianTargetDb = 0.3;
constexpr double kSpectralDistanceTargetDb = 2.5;
constexpr double kPitchToleranceCents = 5.0;
constexpr double kPitchTargetPercent = 95.0;
// Longer recordings are measured over their first minute, and at most this
// many frames of it (a minute at 96 kHz; 32 MB of samples).
constexpr double kLongestRecordingSeconds = 60.0;
constexpr sf_count_t kMostRecordingFrames = 1 << 23;
constexpr std::size_t kLargestSidecarBytes = 1 << 16;
// Rendered after the note's release, so a render longer than the recording shows.
constexpr double kRenderTailSeconds = 0.5;

struct Reference {
    double f0 = 0.0;
    double measuredF0 = 0.0; // the recording's own period, beside a sidecar's f0 as a check on the material
    bool pitched = false;
    bool fromSidecar = false;
    std::string content;
};

struct Outcome {
    std::string path;
    int rate = 0;
    Reference reference;
    double analysedF0 = 0.0;
    double pitchCents = NAN; // pitched notes only; NaN when the analysis found no pitch
    FidelityFigures figures;
    StrictBalance strict;
};

std::string sidecarPath(const std::string& path)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? path.substr(0, dot) : path) + ".json";
}

// The value after "name": in a small flat JSON object, or npos.
std::size_t valueAfter(const std::string& text, const char* name)
{
    const std::size_t at = text.find("\"" + std::string(name) + "\"");
    if (at == std::string::npos) {
        return at;
    }
    const std::size_t colon = text.find(':', at);
    return colon == std::string::npos ? colon : text.find_first_not_of(" \t\r\n", colon + 1);
}

// False with error set when a sidecar exists but does not say what the material is.
bool readSidecar(const std::string& wavPath, Reference& reference, std::string& error)
{
    const std::string path = sidecarPath(wavPath);
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code)) {
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(kLargestSidecarBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    const std::size_t pitched = valueAfter(text, "pitched");
    const std::size_t f0 = valueAfter(text, "f0");
    if (pitched == std::string::npos || (text.compare(pitched, 4, "true") != 0 && text.compare(pitched, 5, "false") != 0)) {
        error = path + ": no \"pitched\": true or false";
        return false;
    }
    reference.pitched = text.compare(pitched, 4, "true") == 0;
    reference.fromSidecar = true;
    if (f0 != std::string::npos) {
        reference.f0 = std::strtod(text.c_str() + f0, nullptr);
    }
    if (reference.pitched && !(reference.f0 > 0.0 && reference.f0 < 1e5)) {
        error = path + ": a pitched note needs \"f0\" in Hz";
        return false;
    }
    if (!reference.pitched) {
        reference.f0 = 0.0;
    }
    const std::size_t content = valueAfter(text, "content");
    if (content != std::string::npos && text[content] == '"') {
        const std::size_t end = text.find('"', content + 1);
        reference.content = text.substr(content + 1, end == std::string::npos ? 0 : end - content - 1);
    }
    return true;
}

// The recording as it was made, mixed to mono, from its first sound on: the
// leading run of samples equal to the first is dropped, as the import does,
// so that time 0 is where the voice's time 0 is.
bool readRecording(const std::string& path, std::vector<float>& mono, int& rate, std::string& error)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr || info.channels < 1) {
        if (file != nullptr) {
            sf_close(file);
        }
        error = path + ": cannot read the recording";
        return false;
    }
    rate = info.samplerate;
    const sf_count_t limit =
        std::min(kMostRecordingFrames, static_cast<sf_count_t>(kLongestRecordingSeconds * info.samplerate));
    constexpr sf_count_t kBlock = 4096;
    std::vector<float> block(static_cast<std::size_t>(kBlock * info.channels));
    mono.clear();
    for (sf_count_t got = 0; static_cast<sf_count_t>(mono.size()) < limit; ) {
        got = sf_readf_float(file, block.data(), std::min(kBlock, limit - static_cast<sf_count_t>(mono.size())));
        if (got <= 0) {
            break;
        }
        for (sf_count_t i = 0; i < got; ++i) {
            float sum = 0.0f;
            for (int c = 0; c < info.channels; ++c) {
                const float v = block[static_cast<std::size_t>(i * info.channels + c)];
                sum += std::isfinite(v) ? v : 0.0f;
            }
            mono.push_back(sum / static_cast<float>(info.channels));
        }
    }
    sf_close(file);
    const auto first = std::find_if(mono.begin(), mono.end(), [&](float v) { return v != mono.front(); });
    mono.erase(mono.begin(), first);
    return true;
}

// The render's blocks, mixed to mono as the recording is.
class MonoSink : public RenderSink {
public:
    explicit MonoSink(std::vector<float>& out) : out_(out) {}

    bool begin(int, long long frames, std::string&) override
    {
        out_.clear();
        out_.reserve(static_cast<std::size_t>(frames));
        return true;
    }

    bool write(const float* left, const float* right, int frames, std::string&) override
    {
        for (int i = 0; i < frames; ++i) {
            out_.push_back(0.5f * (left[i] + right[i]));
        }
        return true;
    }

private:
    std::vector<float>& out_;
};

// An instrument that plays slot A's voice as analysed: slot A alone in every
// morph, no filter, effect, modulation, vibrato or stretch, an envelope that
// is flat from the first sample, unity gain for harmonics and noise, every
// harmonic sounding, and detune that takes the key to the analysed pitch.
void neutralise(Instrument& instrument, double detuneCents)
{
    auto& values = instrument.parameterValues;
    const auto& table = parameterTable();
    for (int i = 0; i < kParameterCount; ++i) {
        values[static_cast<std::size_t>(i)] = table[static_cast<std::size_t>(i)].start;
    }
    const auto set = [&](int index, float value) { values[static_cast<std::size_t>(index)] = value; };
    for (int index : {kMorphHarmX, kMorphHarmY, kMorphNoiseX, kMorphNoiseY, kMorphAmpX, kMorphAmpY, kVelocitySens,
                      kAttack, kRelease, kLfoOn, kLfoVibrato, kLfoTremolo, kLfo1On, kLfo2On, kPortamentoOn,
                      kPortamentoRate, kFormantFilterOn, kDistortionOn, kFilterOn, kChorusOn, kDelayOn, kReverbOn,
                      kEnvelopeMorphOn, kGlobalLoopOn, kSustainOn, kMBass, kFilterSaturation}) {
        set(index, 0.0f);
    }
    for (int row = 0; row < kModulationRows; ++row) {
        set(kModSource1 + row, 0.0f);
        set(kModTarget1 + row, 0.0f);
    }
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        set(kSoloButtonA + slot, 0.0f);
        set(kHarmonizeAOn + slot, 0.0f);
        set(kVoiceDetuneA + slot, 0.5f);
    }
    set(kBrightness, 0.5f);
    set(kHarmAmount, 0.5f);
    set(kNoiseAmount, 0.5f);
    set(kVoiceHarmonicVolumeA, 1.0f);
    set(kVoiceNoiseVolumeA, 1.0f);
    set(kStretch, 0.5f);
    set(kVolume, 0.5f);
    set(kStereoWidth, 1.0f);
    set(kLoopSync1, 1.0f);
    set(kLoopSync2, 1.0f);
    set(kMasterDetune, static_cast<float>(0.5 + detuneCents / 400.0));
}

bool measure(const FidelityOptions& options, int index, Outcome& outcome, std::string& error)
{
    const std::string& path = outcome.path;
    PreparedSound sound;
    ImportRefusal refusal = ImportRefusal::None;
    if (!importSoundFile(path, sound.buffer, &refusal)) {
        error = path + ": " + describe(refusal);
        return false;
    }
    std::vector<float> recording;
    if (!readRecording(path, recording, outcome.rate, error) || !readSidecar(path, outcome.reference, error)) {
        return false;
    }
    Reference& reference = outcome.reference;
    reference.measuredF0 = referencePitch(recording, outcome.rate, soundingSeconds(recording, outcome.rate));
    if (!reference.fromSidecar) {
        reference.f0 = reference.measuredF0;
        reference.pitched = reference.f0 > 0.0;
    }

    // The root withheld: neither the header nor the name may tell the pitch.
    if (options.trustRoot) {
        outcome.analysedF0 = reference.f0;
    } else {
        sound.buffer.rootNote = -1;
        outcome.analysedF0 = chooseFundamental(sound.buffer, "").f0;
    }
    if (reference.pitched && outcome.analysedF0 > 0.0) {
        outcome.pitchCents = 1200.0 * std::log2(outcome.analysedF0 / reference.f0);
    }

    // About 17 MB: kept off the stack.
    auto instrument = std::make_unique<Instrument>();
    Voice& voice = instrument->voices[0];
    AnalysisSummary summary;
    if (!analyseIntoVoice(sound.buffer, outcome.analysedF0, voice, 0, 1, nullptr, summary)) {
        error = path + ": the analysis failed";
        return false;
    }
    voice.multisampleCount = 1;
    voice.layerCount = 1;

    int key = 60;
    double cents = 0.0;
    if (outcome.analysedF0 > 0.0) {
        key = std::clamp(static_cast<int>(std::lround(69.0 + 12.0 * std::log2(outcome.analysedF0 / 440.0))), 0, 127);
        cents = 1200.0 * std::log2(outcome.analysedF0 / noteFrequencyTable().frequency(key));
        if (std::fabs(cents) > 200.0) {
            error = path + ": the analysed pitch lies outside the keyboard";
            return false;
        }
    }
    neutralise(*instrument, cents);

    const std::string instrumentPath = (std::filesystem::temp_directory_path() /
                                        ("tessarine-fidelity-" + std::to_string(getpid()) + "-" +
                                         std::to_string(index) + ".t9i"))
                                           .string();
    RecordStream stream;
    if (!saveInstrumentFile(instrumentPath, *instrument, stream)) {
        error = instrumentPath + ": cannot write the instrument";
        return false;
    }
    RenderOptions render;
    render.pluginPath = options.pluginPath;
    render.notes = {key};
    render.velocities = {127};
    render.lengths = {static_cast<double>(recording.size()) / outcome.rate};
    render.sampleRate = outcome.rate;
    render.tail = kRenderTailSeconds;
    render.instrumentPath = instrumentPath;
    render.seed = 1;
    render.showProgress = false;
    std::vector<float> played;
    MonoSink sink(played);
    const bool rendered = renderInto(render, sink, error);
    std::error_code ignored;
    std::filesystem::remove(instrumentPath, ignored);
    if (!rendered) {
        error = path + ": " + error;
        return false;
    }

    // A curve holds the partial nearest its own harmonic number, within a
    // harmonic either way, so harmonic k is whichever curve plays near k f0.
    HarmonicData& harmonic = voice.layer(0, 1).harmonic;
    const double f0 = reference.pitched ? reference.f0 : 0.0;
    const double perHarmonic = harmonic.basePitch > 0.0f ? f0 / harmonic.basePitch : 0.0;
    outcome.figures = compareSounds(recording, played, outcome.rate, f0, harmonic.duration, [&](int k, double seconds) {
        const double ratio = k * perHarmonic;
        const auto t = static_cast<float>(seconds);
        float amplitude = 0.0f;
        for (int h = std::max(0, static_cast<int>(ratio) - 3); h < std::min(kHarmonicCount, static_cast<int>(ratio) + 2);
             ++h) {
            if (std::fabs(harmonic.frequency(h).valueAt(t) - ratio) < 0.5 * perHarmonic) {
                amplitude = std::max(amplitude, harmonic.amplitude(h).valueAt(t));
            }
        }
        return amplitude;
    });
    outcome.strict = strictBalance(recording, played, outcome.rate, f0, outcome.figures.recordingSeconds);
    return true;
}

// NaN values are left out; an infinite one counts as the largest.
double median(std::vector<double> values)
{
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }), values.end());
    if (values.empty()) {
        return NAN;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

struct Summary {
    int strictNotes = 0; // notes with harmonics to compare on the strict yardstick
    int strictWithin = 0;
    double medianStrictWorstDb = NAN;
    int spanNotes = 0;   // ... and on its 10..70 % average
    int spanWithin = 0;
    double medianSpanWorstDb = NAN;
    int harmonicNotes = 0; // notes with harmonics to compare
    int harmonicsWithin = 0;
    int pitchedNotes = 0;
    int pitchWithin = 0;
    int holes = 0;
    double medianMaxHarmonicDb = NAN;
    double medianSpectralDistanceDb = NAN;
    double medianPlayedSpectralDistanceDb = NAN;
    double medianPitchCents = NAN; // of |error|
    double medianRecordingSeconds = NAN;
    double medianRenderSeconds = NAN;

    double strictPercent() const { return strictNotes > 0 ? 100.0 * strictWithin / strictNotes : NAN; }
    double spanPercent() const { return spanNotes > 0 ? 100.0 * spanWithin / spanNotes : NAN; }
    double harmonicPercent() const { return harmonicNotes > 0 ? 100.0 * harmonicsWithin / harmonicNotes : NAN; }
    double pitchPercent() const { return pitchedNotes > 0 ? 100.0 * pitchWithin / pitchedNotes : NAN; }
};

Summary summarise(const std::vector<Outcome>& outcomes)
{
    Summary s;
    std::vector<double> harmonics, distances, played, pitches, recordings, renders, strict, span;
    for (const Outcome& o : outcomes) {
        const FidelityFigures& f = o.figures;
        if (o.strict.compared > 0) {
            ++s.strictNotes;
            s.strictWithin += o.strict.worstDb <= kHarmonicToleranceDb ? 1 : 0;
            strict.push_back(o.strict.worstDb);
        }
        if (o.strict.comparedSpan > 0) {
            ++s.spanNotes;
            s.spanWithin += o.strict.worstSpanDb <= kHarmonicToleranceDb ? 1 : 0;
            span.push_back(o.strict.worstSpanDb);
        }
        if (f.harmonicsCompared > 0) {
            ++s.harmonicNotes;
            s.harmonicsWithin += f.harmonicsWithin(kHarmonicToleranceDb) ? 1 : 0;
            harmonics.push_back(f.maxHarmonicDiffDb);
        }
        if (o.reference.pitched) {
            ++s.pitchedNotes;
            const double error = std::isnan(o.pitchCents) ? INFINITY : std::fabs(o.pitchCents);
            s.pitchWithin += error <= kPitchToleranceCents ? 1 : 0;
            pitches.push_back(error);
        }
        distances.push_back(f.spectralDistanceDb);
        played.push_back(f.playedSpectralDistanceDb);
        recordings.push_back(f.recordingSeconds);
        renders.push_back(f.renderSeconds);
        s.holes += f.holes;
    }
    s.medianStrictWorstDb = median(strict);
    s.medianSpanWorstDb = median(span);
    s.medianMaxHarmonicDb = median(harmonics);
    s.medianSpectralDistanceDb = median(distances);
    s.medianPlayedSpectralDistanceDb = median(played);
    s.medianPitchCents = median(pitches);
    s.medianRecordingSeconds = median(recordings);
    s.medianRenderSeconds = median(renders);
    return s;
}

std::string fileName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string number(double value, const char* format)
{
    if (std::isnan(value) || std::isinf(value)) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void printTable(const std::vector<Outcome>& outcomes, const Summary& s, std::ostream& out)
{
    std::size_t width = 4;
    for (const Outcome& o : outcomes) {
        width = std::max(width, escapedText(fileName(o.path)).size());
    }
    char line[512];
    std::snprintf(line, sizeof line, "%-*s %6s %9s %9s %7s %6s %6s %6s %4s %6s %6s %6s %6s %5s\n",
                  static_cast<int>(width), "file", "rate", "ref Hz", "f0 Hz", "cents", "strict", "10-70%", "max dB", "1 dB", "LSD", "<5.5k", "rec s", "play s", "holes");
    out << line;
    for (const Outcome& o : outcomes) {
        const FidelityFigures& f = o.figures;
        std::snprintf(line, sizeof line, "%-*s %6d %9s %9s %7s %6s %6s %6s %4s %6.2f %6.2f %6.2f %6.2f %5d\n",
                      static_cast<int>(width), escapedText(fileName(o.path)).c_str(), o.rate,
                      o.reference.pitched ? number(o.reference.f0, "%.2f").c_str() : "noise",
                      number(o.analysedF0 > 0.0 ? o.analysedF0 : NAN, "%.2f").c_str(),
                      number(o.pitchCents, "%+.1f").c_str(),
                      o.strict.compared > 0 ? number(o.strict.worstDb, "%.2f").c_str() : "-",
                      o.strict.comparedSpan > 0 ? number(o.strict.worstSpanDb, "%.2f").c_str() : "-",
                      f.harmonicsCompared > 0 ? number(f.maxHarmonicDiffDb, "%.2f").c_str() : "-",
                      f.harmonicsCompared > 0 ? (f.harmonicsWithin(kHarmonicToleranceDb) ? "yes" : "no") : "-",
                      f.spectralDistanceDb, f.playedSpectralDistanceDb, f.recordingSeconds, f.renderSeconds,
                      f.holes);
        out << line;
    }
    const auto verdict = [](bool pass) { return pass ? "pass" : "FAIL"; };
    out << '\n';
    // The strict yardstick heads the summary; the lenient figures follow as before.
    std::snprintf(line, sizeof line, "%-28s %12s   target >= %.0f %%   %s\n", "strict h1-10 within 1 dB",
                  (std::to_string(s.strictWithin) + "/" + std::to_string(s.strictNotes) + " " +
                   number(s.strictPercent(), "%.0f") + " %")
                      .c_str(),
                  kHarmonicTargetPercent, verdict(s.strictPercent() >= kHarmonicTargetPercent));
    out << line;
    std::snprintf(line, sizeof line, "%-28s %12s   target <= %.1f dB  %s\n", "strict median worst h1-10",
                  (number(s.medianStrictWorstDb, "%.2f") + " dB").c_str(), kStrictMedianTargetDb,
                  verdict(s.medianStrictWorstDb <= kStrictMedianTargetDb));
    out << line;
    std::snprintf(line, sizeof line, "%-28s %12s   median worst %s dB\n", "strict over 10-70 %",
                  (std::to_string(s.spanWithin) + "/" + std::to_string(s.spanNotes) + " " +
                   number(s.spanPercent(), "%.0f") + " %")
                      .c_str(),
                  number(s.medianSpanWorstDb, "%.2f").c_str());
    out << line;
    std::snprintf(line, sizeof line, "%-28s %12s   target >= %.0f %%   %s\n", "h1-10 within 1 dB",
                  (number(s.harmonicPercent(), "%.0f") + " %").c_str(), kHarmonicTargetPercent,
                  verdict(s.harmonicPercent() >= kHarmonicTargetPercent));
    out << line;
    std::snprintf(line, sizeof line, "%-28s %12s   target <= %.1f dB  %s\n", "median LSD",
                  (number(s.medianSpectralDistanceDb, "%.2f") + " dB").c_str(), kSpectralDistanceTargetDb,
                  verdict(s.medianSpectralDistanceDb <= kSpectralDistanceTargetDb));
    out << line;
    std::snprintf(line, sizeof line, "%-28s %12s   (where the noise of voices stored before full-band noise ends)\n",
                  "median LSD below 5.5 kHz", (number(s.medianPlayedSpectralDistanceDb, "%.2f") + " dB").c_str());
    out << line;
    std::snprintf(line, sizeof line, "%-28s %12s\n", "median |pitch|",
                  (number(s.medianPitchCents, "%.2f") + " cents").c_str());
    out << line;
    std::snprintf(line, sizeof line, "%-28s %12s   target >= %.0f %%   %s\n", "pitched within 5 cents",
                  (number(s.pitchPercent(), "%.0f") + " %").c_str(), kPitchTargetPercent,
                  verdict(s.pitchPercent() >= kPitchTargetPercent));
    out << line;
    std::snprintf(line, sizeof line, "%-28s %12d   target 0        %s\n", "holes", s.holes, verdict(s.holes == 0));
    out << line;
    std::snprintf(line, sizeof line, "%-28s %12s\n", "median max |h1-10 diff|",
                  (number(s.medianMaxHarmonicDb, "%.2f") + " dB").c_str());
    out << line;
    std::snprintf(line, sizeof line, "%-28s %12s\n", "median length rec / play",
                  (number(s.medianRecordingSeconds, "%.2f") + " / " + number(s.medianRenderSeconds, "%.2f") + " s")
                      .c_str());
    out << line;
    std::snprintf(line, sizeof line, "%-28s %12d (%d pitched, %d with harmonics compared)\n", "notes",
                  static_cast<int>(outcomes.size()), s.pitchedNotes, s.harmonicNotes);
    out << line;
}

void writeJson(const std::vector<Outcome>& outcomes, const Summary& s, std::ostream& out)
{
    JsonWriter json(out);
    json.beginObject().key("files").beginArray();
    for (const Outcome& o : outcomes) {
        const FidelityFigures& f = o.figures;
        json.beginObject();
        json.key("file").value(o.path).key("rate").value(o.rate);
        json.key("content").value(o.reference.content);
        json.key("pitched").value(o.reference.pitched);
        json.key("reference_f0").value(o.reference.pitched ? o.reference.f0 : NAN);
        json.key("reference").value(o.reference.fromSidecar ? "sidecar" : "measured");
        json.key("measured_f0").value(o.reference.measuredF0 > 0.0 ? o.reference.measuredF0 : NAN);
        json.key("analysed_f0").value(o.analysedF0);
        json.key("pitch_cents").value(o.pitchCents);
        json.key("harmonic_diff_db").beginArray();
        for (int h = 0; h < kComparedHarmonics; ++h) {
            json.value(f.harmonicCompared[h] ? f.harmonicDiffDb[h] : NAN);
        }
        json.endArray();
        json.key("max_harmonic_diff_db").value(f.harmonicsCompared > 0 ? f.maxHarmonicDiffDb : NAN);
        json.key("strict_worst_db").value(o.strict.compared > 0 ? o.strict.worstDb : NAN);
        json.key("strict_10_70_worst_db").value(o.strict.comparedSpan > 0 ? o.strict.worstSpanDb : NAN);
        json.key("strict_segment_start_seconds").value(o.strict.segmentStart);
        json.key("harmonics_within_1db").value(f.harmonicsWithin(kHarmonicToleranceDb));
        json.key("level_offset_db").value(f.levelOffsetDb);
        json.key("lsd_db").value(f.spectralDistanceDb);
        json.key("lsd_below_5k5_db").value(f.playedSpectralDistanceDb);
        json.key("recording_seconds").value(f.recordingSeconds);
        json.key("render_seconds").value(f.renderSeconds);
        json.key("holes").value(f.holes);
        json.endObject();
    }
    json.endArray();
    json.key("medians").beginObject();
    json.key("max_harmonic_diff_db").value(s.medianMaxHarmonicDb);
    json.key("strict_worst_db").value(s.medianStrictWorstDb);
    json.key("strict_10_70_worst_db").value(s.medianSpanWorstDb);
    json.key("lsd_db").value(s.medianSpectralDistanceDb);
    json.key("lsd_below_5k5_db").value(s.medianPlayedSpectralDistanceDb);
    json.key("abs_pitch_cents").value(s.medianPitchCents);
    json.key("recording_seconds").value(s.medianRecordingSeconds);
    json.key("render_seconds").value(s.medianRenderSeconds);
    json.endObject();
    json.key("summary").beginObject();
    json.key("notes").value(static_cast<int>(outcomes.size()));
    json.key("harmonics_within_1db_percent").value(s.harmonicPercent());
    json.key("strict_within_1db_percent").value(s.strictPercent());
    json.key("strict_10_70_within_1db_percent").value(s.spanPercent());
    json.key("pitched_within_5_cents_percent").value(s.pitchPercent());
    json.key("holes").value(s.holes);
    json.endObject();
    json.endObject();
    out << '\n';
}

} // namespace

int runFidelity(const FidelityOptions& options, std::ostream& out, std::ostream& err)
{
    const auto fail = [&](const std::string& message) {
        err << "tessarine fidelity: " << message << '\n';
        return 1;
    };
    const int count = static_cast<int>(options.inputs.size());
    if (count == 0) {
        return fail("no recordings given");
    }
    // A missing plug-in is told before minutes of analysis, not after.
    {
        std::string error;
        if (!PluginHost::load(options.pluginPath, error)) {
            return fail(error);
        }
    }
    std::vector<Outcome> outcomes(static_cast<std::size_t>(count));
    std::vector<std::string> errors(static_cast<std::size_t>(count));
    const int failed = runInOrder(count, jobCount(options.jobs, count), [&](int i) {
        Outcome& outcome = outcomes[static_cast<std::size_t>(i)];
        outcome.path = options.inputs[static_cast<std::size_t>(i)];
        return measure(options, i, outcome, errors[static_cast<std::size_t>(i)]);
    });
    if (failed >= 0) {
        return fail(errors[static_cast<std::size_t>(failed)]);
    }
    const Summary summary = summarise(outcomes);
    if (!options.jsonPath.empty()) {
        std::ofstream json(options.jsonPath);
        writeJson(outcomes, summary, json);
        json.close();
        if (!json) {
            return fail(options.jsonPath + ": cannot write the report");
        }
    }
    printTable(outcomes, summary, out);
    return 0;
}

namespace {

Command::Run setUpFidelity(CLI::App& command, const std::string& defaultPlugin)
{
    auto options = std::make_shared<FidelityOptions>();
    options->pluginPath = defaultPlugin;
    command.add_option("FILE", options->inputs, "Recorded notes (WAV, AIFF), each with an optional FILE.json")
        ->required();
    command.add_option("--json", options->jsonPath, "Also write the figures as JSON to this file");
    command.add_flag("--trust-root", options->trustRoot,
                     "Analyse at the reference pitch instead of estimating it");
    command.add_option("-j,--jobs", options->jobs, "Recordings measured at once (default: one per processor core)")
        ->check(CLI::Range(1, 256));
    command.add_option("--plugin", options->pluginPath, "Plug-in to play the voices with");
    return [options] { return runFidelity(*options, std::cout, std::cerr); };
}

} // namespace

const Command kFidelityCommand{"fidelity",
                               "Analyse notes, play the voices back and measure how closely they match",
                               &setUpFidelity};

} // namespace tessarine::host
