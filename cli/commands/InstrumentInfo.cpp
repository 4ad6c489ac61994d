#include "commands/InstrumentInfo.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "commands/JsonWriter.h"
#include "commands/ReadFailure.h"
#include "commands/VoiceSummary.h"

#include "params/ParameterText.h"
#include "sound/files/InstrumentFile.h"
#include "sound/files/RecordStream.h"

#include <array>
#include <cstdio>
#include <memory>
#include <string_view>

namespace tessarine::host {

namespace {

constexpr std::array<char, kVoiceSlotCount> kSlotLetters{'A', 'B', 'C', 'D'};

struct CurveRow {
    const char* label; // text report
    const char* key;   // JSON
    const BreakpointCurve& curve;
};

std::array<CurveRow, 8> curveRows(const Instrument& instrument)
{
    const auto& morph = instrument.morphPathCurves;
    return {{
        {"Harmonic morph X", "harmonicMorphX", morph[kHarmonicMorphX]},
        {"Harmonic morph Y", "harmonicMorphY", morph[kHarmonicMorphY]},
        {"Noise morph X", "noiseMorphX", morph[kNoiseMorphX]},
        {"Noise morph Y", "noiseMorphY", morph[kNoiseMorphY]},
        {"Amplitude morph X", "amplitudeMorphX", morph[kAmplitudeMorphX]},
        {"Amplitude morph Y", "amplitudeMorphY", morph[kAmplitudeMorphY]},
        {"Spectral shape", "spectralShape", instrument.spectralShapeCurve},
        {"Modulation envelope", "modEnvelope", instrument.modEnvelopeCurve},
    }};
}

// Calls visit(index, info, value, display) for every parameter whose value is
// not its start value.
template <typename Visit>
void forEachChangedParameter(const Instrument& instrument, Visit visit)
{
    const auto& table = parameterTable();
    for (int i = 0; i < kParameterCount; ++i) {
        const ParameterInfo& info = table[static_cast<std::size_t>(i)];
        float value = instrument.parameterValues[static_cast<std::size_t>(i)];
        if (value == info.start) {
            continue;
        }
        char display[32] = "";
        if (info.display != DisplayFormat::None) {
            parameterDisplay(i, value, display, sizeof(display));
        }
        visit(i, info, value, std::string_view(display));
    }
}

void printText(const Instrument& instrument, const InstrumentReadReport& report, std::ostream& out)
{
    char line[200];
    out << "Name:          " << escapedText(std::string_view(instrument.name.data())) << '\n'
        << "Version:       " << hexVersion(report.version) << '\n' << "Changed parameters:\n";
    forEachChangedParameter(instrument, [&](int index, const ParameterInfo& info, float value,
                                            std::string_view display) {
        std::snprintf(line, sizeof(line), "  %3d %-22s %.4f", index, info.name, static_cast<double>(value));
        out << line;
        if (!display.empty()) {
            out << "  \"" << display << '"';
        }
        out << '\n';
    });
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        out << "Slot " << kSlotLetters[static_cast<std::size_t>(slot)] << ":\n";
        printVoiceSummary(instrument.voices[static_cast<std::size_t>(slot)],
                          report.voiceVersions[static_cast<std::size_t>(slot)], out, "  ");
    }
    out << "Curves:\n";
    for (const CurveRow& row : curveRows(instrument)) {
        std::snprintf(line, sizeof(line), "  %-20s %d points\n", row.label, row.curve.pointCount());
        out << line;
    }
}

void printJson(const Instrument& instrument, const InstrumentReadReport& report, std::ostream& out)
{
    JsonWriter json(out);
    json.beginObject()
        .key("name").value(std::string_view(instrument.name.data()))
        .key("version").value(static_cast<long long>(report.version))
        .key("changedParameters").beginArray();
    forEachChangedParameter(instrument, [&](int index, const ParameterInfo& info, float value,
                                            std::string_view display) {
        json.beginObject()
            .key("index").value(index)
            .key("name").value(info.name)
            .key("value").value(static_cast<double>(value))
            .key("display").value(display)
            .endObject();
    });
    json.endArray().key("voices").beginArray();
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        json.beginObject().key("slot").value(std::string_view(&kSlotLetters[static_cast<std::size_t>(slot)], 1));
        writeVoiceSummary(json, instrument.voices[static_cast<std::size_t>(slot)],
                          report.voiceVersions[static_cast<std::size_t>(slot)]);
        json.endObject();
    }
    json.endArray().key("curvePoints").beginObject();
    for (const CurveRow& row : curveRows(instrument)) {
        json.key(row.key).value(row.curve.pointCount());
    }
    json.endObject().endObject();
    out << '\n';
}

} // namespace

int runInstrumentInfo(const std::string& path, bool json, std::ostream& out, std::ostream& err)
{
    auto instrument = std::make_unique<Instrument>();
    RecordStream stream;
    InstrumentReadReport report;
    if (!loadInstrumentFile(path, *instrument, stream, &report)) {
        err << "tessarine: " << path << ": " << readFailureReason(stream) << '\n';
        return 1;
    }
    if (json) {
        printJson(*instrument, report, out);
    } else {
        printText(*instrument, report, out);
    }
    if (!out.good()) {
        err << "tessarine: cannot write the report\n";
        return 1;
    }
    return 0;
}

namespace {

Command::Run setUpInstrumentInfo(CLI::App& command, const std::string&)
{
    struct Options {
        std::string path;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    command.add_option("FILE", options->path, "Instrument file to read")->required();
    command.add_flag("--json", options->json, "Print the summary as JSON");
    return [options] { return runInstrumentInfo(options->path, options->json, std::cout, std::cerr); };
}

} // namespace

const Command kInstrumentInfoCommand{"instrument-info", "Summarise an instrument file (.t9i)", &setUpInstrumentInfo};

} // namespace tessarine::host
