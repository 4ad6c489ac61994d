#include "commands/MakeInstrumentCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "commands/ReadFailure.h"

#include "params/ParameterTable.h"
#include "sound/files/InstrumentFile.h"
#include "sound/files/RecordStream.h"
#include "sound/files/RegularFile.h"
#include "sound/files/VoiceFile.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

namespace tessarine::host {

namespace {

// A recipe is a few dozen lines; anything far larger is not one.
constexpr std::size_t kMaxRecipeBytes = 1u << 20;

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool parseNumber(const std::string& text, float& value)
{
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(value);
}

std::vector<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string word; in >> word;) {
        out.push_back(word);
    }
    return out;
}

int parameterIndex(const std::string& name)
{
    const auto& table = parameterTable();
    for (int i = 0; i < kParameterCount; ++i) {
        if (name == table[static_cast<std::size_t>(i)].name) {
            return i;
        }
    }
    char* end = nullptr;
    const long index = std::strtol(name.c_str(), &end, 10);
    return !name.empty() && *end == '\0' && index >= 0 && index < kParameterCount ? static_cast<int>(index) : -1;
}

// The modulation source and target rows hold whole menu numbers, every other
// parameter a 0..1 fraction.
bool valueFits(int index, float value)
{
    const ParameterRange range = parameterRange(index);
    const bool inRange = value >= range.low && value <= range.high;
    if (index >= kModSource1 && index < kModTarget1 + kModulationRows) {
        return inRange && value == std::floor(value);
    }
    return inRange;
}

BreakpointCurve* curveNamed(Instrument& instrument, const std::string& name)
{
    static const std::array<const char*, kMorphPathCount> paths = {"harmonic-x", "harmonic-y", "noise-x",
                                                                   "noise-y",    "amplitude-x", "amplitude-y"};
    for (int i = 0; i < kMorphPathCount; ++i) {
        if (name == paths[static_cast<std::size_t>(i)]) {
            return &instrument.morphPathCurves[static_cast<std::size_t>(i)];
        }
    }
    if (name == "mod-envelope") {
        return &instrument.modEnvelopeCurve;
    }
    if (name == "spectral-shape") {
        return &instrument.spectralShapeCurve;
    }
    return nullptr;
}

// "t:v t:v ...", times ascending.
bool parseCurve(const std::string& text, BreakpointCurve& curve, std::string& error)
{
    std::vector<float> times;
    std::vector<float> values;
    for (const std::string& point : words(text)) {
        const auto colon = point.find(':');
        float t = 0.0f;
        float v = 0.0f;
        if (colon == std::string::npos || !parseNumber(point.substr(0, colon), t) ||
            !parseNumber(point.substr(colon + 1), v)) {
            error = "'" + point + "' is not a time:value point";
            return false;
        }
        if (!times.empty() && t < times.back()) {
            error = "curve times must ascend";
            return false;
        }
        times.push_back(t);
        values.push_back(v);
    }
    if (times.empty() || times.size() > static_cast<std::size_t>(BreakpointCurve::kCapacity)) {
        error = "a curve takes 1 to 128 points";
        return false;
    }
    curve.assignPoints(times.data(), values.data(), static_cast<int>(times.size()));
    return true;
}

class RecipeReader {
public:
    RecipeReader(const MakeInstrumentOptions& options, Instrument& instrument)
        : options_(options), instrument_(instrument)
    {
    }

    bool read(std::string& error)
    {
        RegularFile file;
        std::string text(kMaxRecipeBytes, '\0');
        std::size_t got = 0;
        if (!file.open(options_.recipePath) || !file.readAll(text.data(), text.size(), got)) {
            error = "cannot open the recipe (" + describeFileError(file.error()) + ")";
            return false;
        }
        if (got == text.size()) {
            error = "the recipe is larger than " + std::to_string(kMaxRecipeBytes) + " bytes";
            return false;
        }
        text.resize(got);
        std::istringstream in(text);
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            ++number;
            line = trim(line);
            if (line.empty() || line[0] == '#') {
                continue;
            }
            if (!readLine(line, error)) {
                error = "line " + std::to_string(number) + ": " + error;
                return false;
            }
        }
        for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
            if (!hasVoice_[static_cast<std::size_t>(slot)]) {
                error = std::string("slot ") + static_cast<char>('A' + slot) + " has no voice";
                return false;
            }
        }
        return true;
    }

private:
    bool readLine(const std::string& line, std::string& error)
    {
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            error = "expected NAME = VALUE";
            return false;
        }
        const std::string key = trim(line.substr(0, equals));
        const std::string value = trim(line.substr(equals + 1));
        const std::vector<std::string> keyWords = words(key);
        if (keyWords.size() == 2 && keyWords[0] == "curve") {
            BreakpointCurve* curve = curveNamed(instrument_, keyWords[1]);
            if (curve == nullptr) {
                error = "no curve named '" + keyWords[1] + "'";
                return false;
            }
            return parseCurve(value, *curve, error);
        }
        if (!keyWords.empty() && keyWords[0].size() == 1 && keyWords[0][0] >= 'A' && keyWords[0][0] <= 'D' &&
            keyWords.size() <= 2) {
            const int slot = keyWords[0][0] - 'A';
            return keyWords.size() == 1 ? loadSlotVoice(slot, value, error)
                                        : setSlotValue(slot, keyWords[1], value, error);
        }
        const int index = parameterIndex(key);
        float number = 0.0f;
        if (index < 0) {
            error = "no parameter named '" + key + "'";
            return false;
        }
        if (!parseNumber(value, number) || !valueFits(index, number)) {
            error = key + ": '" + value + "' is out of range";
            return false;
        }
        instrument_.parameterValues[static_cast<std::size_t>(index)] = number;
        return true;
    }

    bool loadSlotVoice(int slot, const std::string& name, std::string& error)
    {
        const std::string path = options_.voicesFolder + "/" + name + ".t9v";
        Voice& voice = instrument_.voices[static_cast<std::size_t>(slot)];
        if (!loadVoiceFile(path, voice, stream_)) {
            error = path + ": " + readFailureReason(stream_);
            return false;
        }
        hasVoice_[static_cast<std::size_t>(slot)] = true;
        // The editor's multisample selector shows the count the voice has.
        instrument_.parameterValues[static_cast<std::size_t>(kNumMultisamplesA + slot)] =
            static_cast<float>(voice.multisampleCount - 1) / 8.0f;
        return true;
    }

    bool setSlotValue(int slot, const std::string& what, const std::string& value, std::string& error)
    {
        Voice& voice = instrument_.voices[static_cast<std::size_t>(slot)];
        if (!hasVoice_[static_cast<std::size_t>(slot)]) {
            error = "name the slot's voice before its settings";
            return false;
        }
        const std::vector<std::string> numbers = words(value);
        float a = 0.0f;
        float b = 0.0f;
        if (what == "loop" && numbers.size() == 2 && parseNumber(numbers[0], a) && parseNumber(numbers[1], b) &&
            a >= 0.0f && b >= a) {
            voice.loopOn = true;
            voice.loopStart = a;
            voice.loopEnd = b;
            prepareVoice(voice);
            return true;
        }
        if (what == "cutoff" && numbers.size() == 1 && parseNumber(numbers[0], a) && a >= 0.0f && a <= 1.0f) {
            voice.cutoff = a;
            prepareVoice(voice);
            return true;
        }
        error = "expected 'loop = START END' (seconds) or 'cutoff = 0..1'";
        return false;
    }

    const MakeInstrumentOptions& options_;
    Instrument& instrument_;
    RecordStream stream_;
    std::array<bool, kVoiceSlotCount> hasVoice_{};
};

} // namespace

int runMakeInstrument(const MakeInstrumentOptions& options, std::ostream& err)
{
    // About 17 MB: kept off the stack.
    auto instrument = std::make_unique<Instrument>();
    const auto& table = parameterTable();
    for (int i = 0; i < kParameterCount; ++i) {
        instrument->parameterValues[static_cast<std::size_t>(i)] = table[static_cast<std::size_t>(i)].start;
    }
    std::string error;
    RecipeReader reader(options, *instrument);
    if (!reader.read(error)) {
        err << "tessarine: " << options.recipePath << ": " << error << '\n';
        return 1;
    }
    RecordStream stream;
    if (!saveInstrumentFile(options.outputPath, *instrument, stream)) {
        err << "tessarine: " << options.outputPath << ": cannot write the instrument (" << readFailureReason(stream)
            << ")\n";
        return 1;
    }
    return 0;
}

namespace {

Command::Run setUpMakeInstrument(CLI::App& command, const std::string&)
{
    auto options = std::make_shared<MakeInstrumentOptions>();
    command.add_option("RECIPE", options->recipePath, "Instrument recipe (text)")->required();
    command.add_option("--voices", options->voicesFolder, "Folder the recipe's voice names are relative to")
        ->required();
    command.add_option("-o,--output", options->outputPath, "Instrument file to write")->required();
    return [options] { return runMakeInstrument(*options, std::cerr); };
}

} // namespace

const Command kMakeInstrumentCommand{"make-instrument",
                                     "Build an instrument file (.t9i) from a recipe of voices and settings",
                                     &setUpMakeInstrument};

} // namespace tessarine::host
