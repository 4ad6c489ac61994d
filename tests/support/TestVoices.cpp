#include "support/TestVoices.h"

#include "params/RandomGenerator.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

namespace tessarine::test {

namespace {

float unit(RandomGenerator& random) { return static_cast<float>(random.next()) / RandomGenerator::kMax; }

bool sameCurve(const BreakpointCurve& a, const BreakpointCurve& b)
{
    if (a.pointCount() != b.pointCount()) {
        return false;
    }
    auto n = static_cast<std::size_t>(a.pointCount()) * sizeof(float);
    return std::memcmp(a.timeData(), b.timeData(), n) == 0 && std::memcmp(a.valueData(), b.valueData(), n) == 0;
}

} // namespace

void addHarmonicFrame(HarmonicData& data, float time, float amplitude)
{
    // Owners first: the sharing curves look the time up in them.
    data.amplitude(0).insertPoint(time, amplitude);
    data.frequency(0).insertPoint(time, 1.0f);
    for (int h = 1; h < kHarmonicCount; ++h) {
        data.amplitude(h).insertPoint(time, amplitude / static_cast<float>(h + 1));
        data.frequency(h).insertPoint(time, static_cast<float>(h + 1));
    }
}

void fillRandomVoice(Voice& voice, std::uint32_t seed, int multisampleCount, int layerCount, int frames)
{
    RandomGenerator random(seed);
    voice.multisampleCount = multisampleCount;
    voice.layerCount = layerCount;
    voice.loopOn = (seed & 1u) != 0;
    voice.cutoff = layerCount == 1 ? 0.3f + 0.6f * unit(random) : 1.0f;
    voice.setName("random " + std::to_string(seed));
    for (int m = 0; m < multisampleCount; ++m) {
        for (int l = 0; l < 2; ++l) {
            LayerData& layer = voice.layer(m, l);
            layer.clear();
            layer.harmonic.basePitch = 55.0f + 1000.0f * unit(random);
            float time = 0.05f * unit(random);
            for (int f = 0; f < frames; ++f) {
                time += 0.01f + 0.2f * unit(random);
                addHarmonicFrame(layer.harmonic, time, 0.1f + unit(random));
                for (int h = 0; h < kHarmonicCount; ++h) {
                    int last = layer.harmonic.frequency(h).pointCount() - 1;
                    layer.harmonic.frequency(h).setValue(last, static_cast<float>(h) + 0.5f + unit(random));
                }
            }
            int noiseFrames = frames / 2;
            for (int f = 0; f < noiseFrames; ++f) {
                layer.noise.insertFrame(0.3f * static_cast<float>(f) + 0.05f * unit(random));
                BreakpointCurve& spectrum = layer.noise.frame(f).spectrum;
                spectrum.clear();
                for (int p = 0; p < 6; ++p) {
                    spectrum.insertPoint(0.2f * static_cast<float>(p) * unit(random), unit(random));
                }
                layer.noise.frame(f).resampleBands();
            }
        }
    }
    prepareVoice(voice);
}

void expectSameVoice(const Voice& a, const Voice& b)
{
    ASSERT_EQ(a.nameView(), b.nameView());
    ASSERT_EQ(a.loopOn, b.loopOn);
    ASSERT_EQ(a.loopStart, b.loopStart);
    ASSERT_EQ(a.loopEnd, b.loopEnd);
    ASSERT_EQ(a.multisampleCount, b.multisampleCount);
    ASSERT_EQ(a.layerCount, b.layerCount);
    ASSERT_EQ(a.cutoff, b.cutoff);
    ASSERT_TRUE(sameCurve(a.outlineCurve, b.outlineCurve)) << "outline";
    for (int m = 0; m < a.multisampleCount; ++m) {
        for (int l = 0; l < 2; ++l) {
            const HarmonicData& ha = a.layer(m, l).harmonic;
            const HarmonicData& hb = b.layer(m, l).harmonic;
            ASSERT_EQ(ha.basePitch, hb.basePitch) << "multisample " << m << " layer " << l;
            ASSERT_EQ(ha.duration, hb.duration) << "multisample " << m << " layer " << l;
            ASSERT_TRUE(sameCurve(ha.totalCurve(), hb.totalCurve())) << "total " << m << "/" << l;
            for (int h = 0; h < kHarmonicCount; ++h) {
                ASSERT_TRUE(sameCurve(ha.amplitude(h), hb.amplitude(h))) << "amplitude " << h << " " << m << "/" << l;
                ASSERT_TRUE(sameCurve(ha.frequency(h), hb.frequency(h))) << "frequency " << h << " " << m << "/" << l;
            }
            const NoiseData& na = a.layer(m, l).noise;
            const NoiseData& nb = b.layer(m, l).noise;
            ASSERT_EQ(na.frameCount(), nb.frameCount()) << "noise " << m << "/" << l;
            for (int f = 0; f < na.frameCount(); ++f) {
                ASSERT_EQ(na.frameTime(f), nb.frameTime(f)) << "noise time " << f;
                ASSERT_TRUE(sameCurve(na.frame(f).spectrum, nb.frame(f).spectrum)) << "spectrum " << f;
                ASSERT_EQ(na.frame(f).bands, nb.frame(f).bands) << "bands " << f;
            }
        }
    }
}

std::vector<std::byte> recordBytes(const std::function<bool(RecordStream&)>& write)
{
    // One scratch buffer for all calls: clearing 16 MiB per call would dominate
    // the damaged-file tests under the sanitizers.
    static std::vector<std::byte> scratch(RecordStream::kBufferSize);
    RecordStream stream;
    stream.openMemoryWrite(scratch);
    EXPECT_TRUE(write(stream));
    return {scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(stream.position())};
}

std::vector<std::byte> voiceBytes(const Voice& voice)
{
    return recordBytes([&voice](RecordStream& stream) { return writeVoice(stream, voice); });
}

bool readVoiceBytes(const std::vector<std::byte>& bytes, Voice& voice, RecordStream::Status* status)
{
    RecordStream stream;
    stream.openMemoryRead(bytes);
    bool ok = readVoice(stream, voice);
    if (status != nullptr) {
        *status = stream.status();
    }
    return ok;
}

void putInt(std::vector<std::byte>& bytes, std::int32_t value)
{
    std::byte raw[4];
    std::memcpy(raw, &value, 4);
    bytes.insert(bytes.end(), raw, raw + 4);
}

void putFloat(std::vector<std::byte>& bytes, float value)
{
    std::byte raw[4];
    std::memcpy(raw, &value, 4);
    bytes.insert(bytes.end(), raw, raw + 4);
}

void putString(std::vector<std::byte>& bytes, const std::string& text)
{
    for (char c : text) {
        bytes.push_back(static_cast<std::byte>(c));
    }
    bytes.push_back(std::byte{0});
}

std::string tempPath(const std::string& name) { return testing::TempDir() + "/" + name; }

void writeFile(const std::string& path, const std::vector<std::byte>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::byte> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::byte> bytes(chars.size());
    std::memcpy(bytes.data(), chars.data(), chars.size());
    return bytes;
}

} // namespace tessarine::test
