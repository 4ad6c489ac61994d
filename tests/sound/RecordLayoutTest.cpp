// The byte layouts of the records and how readers treat what they find in
// them: versions, out-of-range counts, names and values that would not play.

#include "support/RecordBytes.h"
#include "support/TestVoices.h"

#include "sound/files/CurveRecord.h"
#include "sound/files/LayerRecord.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace tessarine;
using namespace tessarine::test;

// A voice record header, as the given version wrote it.
RecordBytes voiceHeader(std::int32_t version, int multisamples, int layers, float cutoff, const std::string& name = "v")
{
    RecordBytes bytes;
    bytes.i(version).s(name).i(1).f(0.25f).f(0.5f).i(multisamples).i(layers);
    return version >= kVoiceVersion2 ? bytes.f(cutoff) : bytes;
}

// A layer with no frames; fullBand puts the full-band noise tag before the noise frame count.
RecordBytes& emptyLayer(RecordBytes& bytes, bool fullBand = false)
{
    bytes.f(0.0f).i(0, 2 * kHarmonicCount);
    return (fullBand ? bytes.i(kFullBandNoiseTag) : bytes).i(0);
}

TEST(RecordLayout, CurveAndLayerRecordsByteForByte)
{
    const auto hex = [](std::initializer_list<int> values) {
        std::vector<std::byte> bytes;
        for (int v : values) {
            bytes.push_back(static_cast<std::byte>(v));
        }
        return bytes;
    };
    BreakpointCurve curve;
    EXPECT_EQ(recordBytes([&](RecordStream& s) { return writeCurve(s, curve); }), hex({0, 0, 0, 0}));
    curve.insertPoint(0.5f, 1.0f);
    curve.insertPoint(2.0f, -2.0f);
    EXPECT_EQ(recordBytes([&](RecordStream& s) { return writeCurve(s, curve); }),
              hex({0x02, 0, 0, 0, 0, 0, 0, 0x3f, 0, 0, 0, 0x40, 0, 0, 0x80, 0x3f, 0, 0, 0, 0xc0}));

    auto layer = std::make_unique<LayerData>();
    const auto harmonic = [&] { return recordBytes([&](RecordStream& s) { return writeHarmonic(s, layer->harmonic); }); };
    const auto noise = [&] { return recordBytes([&](RecordStream& s) { return writeNoise(s, layer->noise); }); };
    EXPECT_EQ(harmonic().size(), 516u);
    EXPECT_EQ(noise(), hex({0, 0, 0, 0}));
    layer->noise.setFullBand(true);
    EXPECT_EQ(noise(), hex({0x00, 0x01, 0x01, 0x00, 0, 0, 0, 0}));

    // A sharing curve writes its owner's times.
    test::addHarmonicFrame(layer->harmonic, 0.25f, 1.0f);
    const std::vector<std::byte> written = harmonic();
    ASSERT_EQ(written.size(), 4u + 128u * 12u);
    EXPECT_EQ(std::vector<std::byte>(written.begin() + 16, written.begin() + 28), RecordBytes().curve({{0.25f, 0.5f}}).bytes);
}

TEST(RecordLayout, HarmonicReadMakesTheDataPlayable)
{
    RecordBytes bytes;
    bytes.f(NAN); // no pitch: middle C
    for (int h = 0; h < kHarmonicCount; ++h) {
        bytes.curve({{0.0f, 0.5f}, {1.0f, 0.5f}});
    }
    for (int h = 0; h < kHarmonicCount; ++h) {
        // Harmonic 3 (index 2) strays to 4.5 at its first frame, harmonic 5 to NaN.
        bytes.curve({{0.0f, h == 2 ? 4.5f : (h == 4 ? NAN : static_cast<float>(h + 1))}, {1.0f, static_cast<float>(h) + 1.5f}});
    }
    HarmonicData data;
    RecordStream stream;
    ASSERT_TRUE(readFromMemory(stream, bytes, [&](RecordStream& s) { return readHarmonic(s, data); }));
    EXPECT_EQ(stream.position(), bytes.bytes.size());
    EXPECT_FLOAT_EQ(data.basePitch, kDefaultBasePitch);
    EXPECT_EQ(data.duration, 1.0f);
    for (int h = 0; h < kHarmonicCount; ++h) {
        EXPECT_EQ(data.amplitude(h).value(0), h == 2 || h == 4 ? 0.0f : 0.5f) << h;
        EXPECT_EQ(data.amplitude(h).value(1), 0.0f) << "each harmonic ends silent";
        EXPECT_EQ(data.frequency(h).value(0), static_cast<float>(h + 1)) << h;
    }
}

// Each version's cutoff field, the name, and the full-band noise tag before the
// noise frame count: versions that never wrote the tag refuse it, and noise
// without it plays the 64 bands it always played.
TEST(RecordLayout, VoiceVersionsCutoffNameAndFullBandTag)
{
    struct Case {
        std::int32_t version;
        float stored;
        bool fullBand;
        bool reads;
        float cutoff;
        std::string name = "v";
    };
    const std::string longName(200, 'x'); // cut, and the fields after it are still where they belong
    const Case cases[] = {
        {kVoiceVersion1, 0.2f, false, true, 1.0f}, // no cutoff field at all
        {kVoiceVersion2, 0.0f, false, true, 1.0f}, // that version's 0 meant "no cutoff"
        {kVoiceVersion2, 0.4f, false, true, 0.4f},
        {kVoiceVersion3, 1.0f, false, true, 1.0f},
        {kVoiceVersion3, 1.0f, true, false, 0.0f},
        {kVoiceVersion, 1.0f, true, true, 1.0f},
        {kVoiceVersion, 0.0f, false, true, 0.0f},
        {kVoiceVersion, -3.0f, false, true, 0.0f},
        {kVoiceVersion, 7.0f, false, true, 1.0f},
        {kVoiceVersion, NAN, false, true, 1.0f},
        {kVoiceVersion, 0.5f, false, true, 0.5f, longName},
    };
    auto voice = std::make_unique<Voice>();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.version << " " << c.stored << " full band " << c.fullBand);
        RecordBytes bytes = voiceHeader(c.version, 1, 1, c.stored, c.name);
        emptyLayer(bytes, c.fullBand);
        std::int32_t version = 0;
        RecordStream stream;
        ASSERT_EQ(readFromMemory(stream, bytes, [&](RecordStream& s) { return readVoice(s, *voice, &version); }), c.reads);
        if (!c.reads) {
            EXPECT_EQ(stream.status(), RecordStream::Status::BadValue);
            continue;
        }
        EXPECT_EQ(stream.position(), bytes.bytes.size());
        EXPECT_EQ(version, c.version);
        EXPECT_EQ(voice->cutoff, c.cutoff);
        EXPECT_TRUE(voice->loopOn);
        EXPECT_EQ(voice->nameView(), c.name.substr(0, kNameCapacity - 1));
        EXPECT_EQ(voice->layer(0, 0).noise.bandCount(), c.fullBand ? kNoiseBandCount : kLegacyNoiseBands);
        EXPECT_EQ(voice->layer(0, 1).noise.fullBand(), c.fullBand) << "a single layer is copied whole";
    }
}

TEST(RecordLayout, ReadersRefuseCountsOutsideTheModel)
{
    struct Case {
        const char* what;
        RecordBytes bytes;
        std::size_t fromEnd; // where the refused field starts, counted from the end
    };
    std::vector<Case> cases;
    for (int multisamples : {0, 9, -1}) {
        cases.push_back({"multisample count", voiceHeader(kVoiceVersion, multisamples, 1, 1.0f), 12});
    }
    for (int layers : {0, 3}) {
        cases.push_back({"layer count", voiceHeader(kVoiceVersion, 1, layers, 1.0f), 8});
    }
    for (int points : {129, -1, 0x7fffffff}) {
        cases.push_back({"point count", voiceHeader(kVoiceVersion, 1, 1, 1.0f).f(440.0f).i(points), 4});
    }
    for (int frames : {65, -2}) {
        RecordBytes bytes = voiceHeader(kVoiceVersion, 1, 1, 1.0f);
        emptyLayer(bytes).bytes.resize(bytes.bytes.size() - 4);
        cases.push_back({"noise frame count", bytes.i(frames), 4});
    }
    auto voice = std::make_unique<Voice>();
    for (const Case& c : cases) {
        RecordStream stream;
        EXPECT_FALSE(readFromMemory(stream, c.bytes, [&](RecordStream& s) { return readVoice(s, *voice); })) << c.what;
        EXPECT_EQ(stream.status(), RecordStream::Status::BadCount) << c.what;
        EXPECT_STREQ(stream.errorField(), c.what);
        EXPECT_EQ(stream.errorOffset(), c.bytes.bytes.size() - c.fromEnd) << c.what;
    }
}

// Saving names the voice after the file.
TEST(RecordLayout, VoicesAreNamedAfterTheirFile)
{
    const std::pair<std::string, std::string> names[] = {
        {"/lib/Voices/Warm Pad.t9v", "Warm Pad"}, {"plain", "plain"}, {"/a.b/c.d.t9v", "c.d"}, {"/x/", ""},
        {"/v/" + std::string(100, 'n') + ".t9v", std::string(63, 'n')},
    };
    for (const auto& [path, expected] : names) {
        EXPECT_EQ(voiceNameFromPath(path), expected) << path;
    }
}

// Numbers that are not finite or beyond what any sound holds never reach the
// oscillators: values read as a harmless stand-in or held to their kind's
// bounds, times (which order a curve) are held too, or refuse the record when
// not finite.
TEST(RecordLayout, DamagedNumbersAreRepairedOrRefused)
{
    const float nan = NAN;
    const float inf = INFINITY;
    struct Case { float time, value; const CurveBounds& bounds; bool readable; float timeRead, valueRead; };
    const Case cases[] = {
        {0.5f, nan, kAmplitudeBounds, true, 0.5f, 0.0f},
        {0.5f, -inf, kAmplitudeBounds, true, 0.5f, 0.0f},
        {0.5f, 1e30f, kAmplitudeBounds, true, 0.5f, kLoudestHarmonic},
        {0.5f, -3.4e38f, kAmplitudeBounds, true, 0.5f, 0.0f},
        {1e9f, 0.5f, kAmplitudeBounds, true, kLongestTime, 0.5f},
        {-2.0f, 0.5f, kUnitBounds, true, 0.0f, 0.5f},
        {0.5f, 7.0f, kUnitBounds, true, 0.5f, 1.0f},
        {3.0f, 1e6f, kSpectrumBounds, true, 1.0f, kLoudestNoiseBand},
        {nan, 0.5f, kAmplitudeBounds, false, 0.0f, 0.0f},
        {inf, 0.5f, kAmplitudeBounds, false, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        BreakpointCurve curve;
        RecordStream stream;
        const RecordBytes bytes = RecordBytes().curve({{c.time, c.value}});
        EXPECT_EQ(readFromMemory(stream, bytes, [&](RecordStream& s) { return readCurve(s, curve, c.bounds); }),
                  c.readable) << c.time << " " << c.value;
        if (c.readable) {
            EXPECT_EQ(curve.timeAt(0), c.timeRead) << c.time;
            EXPECT_EQ(curve.value(0), c.valueRead) << c.value;
        } else {
            EXPECT_EQ(stream.status(), RecordStream::Status::BadValue);
            EXPECT_EQ(curve.pointCount(), 0);
        }
    }

    // Lookups search times in order: one before its predecessor is held at it.
    BreakpointCurve ordered;
    RecordStream stream;
    const RecordBytes backwards = RecordBytes().curve({{0.5f, 1.0f}, {0.2f, 2.0f}, {0.8f, 3.0f}});
    ASSERT_TRUE(readFromMemory(stream, backwards, [&](RecordStream& s) { return readCurve(s, ordered, kAmplitudeBounds); }));
    EXPECT_EQ(ordered.timeAt(1), 0.5f);
    EXPECT_EQ(ordered.timeAt(2), 0.8f);
    EXPECT_EQ(ordered.value(1), 2.0f);

    for (float written : {inf, -440.0f, 0.0f, 1e9f}) {
        HarmonicData data;
        const RecordBytes pitch = RecordBytes().f(written).i(0, 2 * kHarmonicCount);
        ASSERT_TRUE(readFromMemory(stream, pitch, [&](RecordStream& s) { return readHarmonic(s, data); }));
        EXPECT_EQ(data.basePitch, kDefaultBasePitch) << written;
    }
}

// The noise synthesis reads bands, not the spectrum curve, so a frame read
// from a file must arrive with its bands already made from the curve; a frame
// at no finite time is refused.
TEST(RecordLayout, NoiseFramesArriveWithTheirBands)
{
    NoiseData frames;
    RecordStream stream;
    const auto read = [&](RecordStream& s) { return readNoise(s, frames); };
    ASSERT_TRUE(readFromMemory(stream, RecordBytes().i(1).f(0.25f).curve({{0.0f, 80.0f}, {1.0f, 80.0f}}), read));
    ASSERT_EQ(frames.frameCount(), 1);
    EXPECT_FALSE(frames.frame(0).silent);
    for (float band : frames.frame(0).bands) {
        EXPECT_FLOAT_EQ(band, 80.0f);
    }
    NoiseData damaged;
    EXPECT_FALSE(readFromMemory(stream, RecordBytes().i(1).f(NAN), [&](RecordStream& s) { return readNoise(s, damaged); }));
    EXPECT_EQ(stream.status(), RecordStream::Status::BadValue);
    EXPECT_EQ(damaged.frameCount(), 0);
}

// A save into a host's buffer must refuse the field that does not fit whole
// and leave every byte past the buffer as it was.
TEST(RecordLayout, MemoryWritesStopAtTheBuffersEnd)
{
    std::vector<std::byte> backing(12, std::byte{0xAA});
    RecordStream stream;
    stream.openMemoryWrite(std::span<std::byte>(backing.data(), 7));
    EXPECT_TRUE(stream.writeInt32(1));
    EXPECT_FALSE(stream.writeInt32(2));
    EXPECT_EQ(stream.status(), RecordStream::Status::Overflow);
    EXPECT_EQ(stream.position(), 4u);
    EXPECT_EQ(std::vector<std::byte>(backing.begin() + 4, backing.end()), std::vector<std::byte>(8, std::byte{0xAA}));
}

} // namespace
