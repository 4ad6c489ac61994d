// Hostile sound files: voices and instruments with values no analysis or
// editor makes (amplitudes of 1e30, alternating +-3.4e38, NaN, noise bands and
// pitches beyond reason, parameters far outside 0..1), fed to Tessarine
// through its file request. Whether it loads or refuses them, what it plays
// afterwards must stay finite and below the output bound. Other plug-ins have
// no such request: the group is skipped for them.

#include "validate/ValidatorChecks.h"
#include "validate/ValidatorScenario.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <unistd.h>

namespace tessarine::host {

namespace {

constexpr vst::int32 kFileRequest = vst::fourCC('T', 's', 'n', 'F');
constexpr vst::intptr kLoadInstrument = 1;
constexpr vst::intptr kLoadVoice = 3;
constexpr int kHarmonics = 64;
constexpr int kParameters = 173;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kHuge = 3.4e38f;

// The little-endian record fields of Tessarine's files.
class RecordBytes {
public:
    void int32(std::int32_t v) { put(&v, sizeof v); }
    void float32(float v) { put(&v, sizeof v); }
    void text(const char* s) { put(s, std::strlen(s) + 1); }
    void curve(const std::vector<float>& times, const std::vector<float>& values)
    {
        int32(static_cast<std::int32_t>(times.size()));
        for (float t : times) {
            float32(t);
        }
        for (float v : values) {
            float32(v);
        }
    }
    const std::vector<char>& bytes() const { return bytes_; }

private:
    void put(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const char*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    std::vector<char> bytes_;
};

struct ExtremeVoice {
    const char* what;
    float amplitude;   // of every harmonic at the middle frame; alternate flips the sign per harmonic
    bool alternate;
    float frequencyOf; // a harmonic's frequency as a multiple of the pitch; 0 for its nominal one
    float noise;
    float basePitch;
    float lastTime;
};

const ExtremeVoice kVoices[] = {
    {"amplitudes of 1e4", 1e4f, false, 0.0f, 10.0f, 261.63f, 1.0f},
    {"amplitudes of 1e30", 1e30f, false, 0.0f, 10.0f, 261.63f, 1.0f},
    {"amplitudes alternating +-3.4e38", kHuge, true, 0.0f, 10.0f, 261.63f, 1.0f},
    {"amplitudes not a number", kNaN, false, 0.0f, kNaN, kNaN, 1.0f},
    {"noise bands of 1e30", 0.5f, false, 0.0f, 1e30f, 261.63f, 1.0f},
    {"frequencies and pitch of 1e30", 0.5f, false, 1e30f, 10.0f, 1e30f, 1.0f},
    {"a negative pitch", 0.5f, false, 0.0f, 10.0f, -440.0f, 1.0f},
    {"times of 1e30", 0.5f, false, 0.0f, 10.0f, 261.63f, 1e30f},
};

void writeVoice(RecordBytes& out, const ExtremeVoice& v)
{
    out.int32(0x10003);
    out.text(v.what);
    out.int32(1); // loop on
    out.float32(0.0f);
    out.float32(v.lastTime);
    out.int32(1); // one multisample
    out.int32(1); // of one layer
    out.float32(1.0f);
    out.float32(v.basePitch);
    const std::vector<float> times = {0.0f, 0.5f * v.lastTime, v.lastTime};
    for (int h = 0; h < kHarmonics; ++h) {
        const float a = v.alternate && h % 2 == 1 ? -v.amplitude : v.amplitude;
        out.curve(times, {0.0f, a, 0.0f});
    }
    for (int h = 0; h < kHarmonics; ++h) {
        const float f = v.frequencyOf != 0.0f ? v.frequencyOf : static_cast<float>(h + 1);
        out.curve(times, {f, f, f});
    }
    out.int32(2); // noise frames
    for (float time : {0.0f, 0.5f * v.lastTime}) {
        out.float32(time);
        out.curve({0.0f, 0.25f, 0.5f, 1.0f}, {0.0f, v.noise, v.noise, 0.0f});
    }
}

// Every parameter at value, a few switches on so the instrument curves are read.
void writeInstrument(RecordBytes& out, float value, float curveValue, const ExtremeVoice& voice)
{
    out.int32(0x10005);
    out.text("extreme");
    out.int32(kParameters);
    for (int i = 0; i < kParameters; ++i) {
        const bool reads = i == 49 || i == 123; // the formant filter, the drawn morph paths
        out.float32(reads ? 1.0f : (i % 3 == 0 ? value : (i % 3 == 1 ? -value : kNaN)));
    }
    const std::vector<float> times = {0.0f, 0.5f, 2.0f};
    const std::vector<float> values = {curveValue, -curveValue, curveValue};
    out.curve(times, values);
    out.curve(times, values);
    for (int slot = 0; slot < 4; ++slot) {
        writeVoice(out, voice);
    }
    out.curve({0.0f, 0.5f, 1.0f}, values); // spectral shape
    out.curve(times, values);               // modulation envelope
    out.int32(0);
    out.int32(0);
    for (int i = 0; i < 3; ++i) {
        out.text("");
    }
    for (int path = 0; path < 4; ++path) {
        out.curve(times, values);
    }
}

bool writeFile(const std::string& path, const RecordBytes& record)
{
    std::ofstream file(path, std::ios::binary);
    file.write(record.bytes().data(), static_cast<std::streamsize>(record.bytes().size()));
    return static_cast<bool>(file);
}

bool request(PluginHost& instance, vst::intptr action, const std::string& path, float slot = 0.0f)
{
    std::string copy = path;
    return instance.dispatch(vst::effVendorSpecific, kFileRequest, action, copy.data(), slot) == 1;
}

// A loud chord on whatever is loaded, with the gains a host may set at their
// largest, checked block by block; the first fault, or empty.
std::string playLoud(PluginHost& instance)
{
    for (int index : {17, 35, 36, 47}) { // velocity sensitivity, harmonic and noise amount, volume
        instance.setParameter(index, 1.0f);
    }
    for (int slot = 0; slot < 4; ++slot) {
        instance.setParameter(128 + slot, 1.0f); // the slots' harmonic and noise volumes
        instance.setParameter(132 + slot, 1.0f);
    }
    OutputCheck check(instance.sampleRate());
    const int block = instance.maxBlock();
    long long position = 0;
    for (unsigned char key : {36, 48, 60, 72, 84}) {
        instance.addMidi(0, 0x90, key, 127);
    }
    for (int b = 0; b < 40 && check.fault().empty(); ++b) {
        if (b == 30) {
            for (unsigned char key : {36, 48, 60, 72, 84}) {
                instance.addMidi(0, 0x80, key, 0);
            }
        }
        instance.process(block);
        check.scan(instance, block, position);
        position += block;
    }
    return check.fault();
}

} // namespace

void runExtremeFileChecks(const std::string& path, const ValidationPlan&, int, ValidatorReport& report)
{
    LoadedPlugin loaded;
    std::string error;
    if (!loadPlugin(path, playingHost(), loaded, error)) {
        report.fail("files.extreme-voices", error);
        report.fail("files.extreme-instruments", error);
        return;
    }
    PluginHost& instance = *loaded.instance;
    if (!isOwnPlugin(instance.effect()->uniqueID)) {
        report.skip("files.extreme-voices", "no file request: not Tessarine");
        report.skip("files.extreme-instruments", "no file request: not Tessarine");
        return;
    }
    std::error_code ignored;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tessarine-validate-files-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder, ignored);
    startAudio(instance, 44100.0f, 512);

    std::string fault;
    for (const ExtremeVoice& voice : kVoices) {
        RecordBytes record;
        writeVoice(record, voice);
        const std::string file = (folder / "extreme.t9v").string();
        if (!writeFile(file, record)) {
            fault = "cannot write " + file;
            break;
        }
        for (int slot = 0; slot < 4; ++slot) {
            request(instance, kLoadVoice, file, static_cast<float>(slot));
        }
        fault = playLoud(instance);
        if (!fault.empty()) {
            fault = std::string("a voice with ") + voice.what + ": " + fault;
            break;
        }
    }
    report.result("files.extreme-voices", fault);

    fault.clear();
    struct Case {
        const char* what;
        float value;
        float curveValue;
        const ExtremeVoice& voice;
    };
    const Case cases[] = {
        {"parameters of +-1e30 and NaN", 1e30f, 0.5f, kVoices[0]},
        {"parameters of +-127", 127.0f, 0.5f, kVoices[6]},
        {"curves of +-1e30", 0.5f, 1e30f, kVoices[4]},
        {"everything of +-3.4e38", kHuge, kHuge, kVoices[2]},
    };
    for (const Case& c : cases) {
        RecordBytes record;
        writeInstrument(record, c.value, c.curveValue, c.voice);
        const std::string file = (folder / "extreme.t9i").string();
        if (!writeFile(file, record)) {
            fault = "cannot write " + file;
            break;
        }
        request(instance, kLoadInstrument, file);
        fault = playLoud(instance);
        if (!fault.empty()) {
            fault = std::string("an instrument with ") + c.what + ": " + fault;
            break;
        }
    }
    report.result("files.extreme-instruments", fault);
    std::filesystem::remove_all(folder, ignored);
}

} // namespace tessarine::host
