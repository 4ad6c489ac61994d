// Instrument files: hand-made files of every version and the values they must
// read as, round trips through disk, and damaged files (cut at every length,
// random bit flips) that must fail cleanly and leave every voice playable. The
// voice records inside are what voice files hold, so their damage is tried here.

#include "support/RecordBytes.h"
#include "support/TestVoices.h"

#include "params/RandomGenerator.h"
#include "sound/files/InstrumentFile.h"
#include "sound/model/RenderTableHook.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

using namespace tessarine;
using namespace tessarine::test;

using Points = std::vector<std::pair<float, float>>;

Points pointsOf(const BreakpointCurve& curve)
{
    Points points;
    for (int i = 0; i < curve.pointCount(); ++i) {
        points.emplace_back(curve.timeAt(i), curve.value(i));
    }
    return points;
}

const Points kHarmonicX{{0.0f, 0.2f}, {1.5f, 0.8f}};
const Points kHarmonicY{{0.5f, 0.6f}};
const Points kNoiseX{{0.1f, 0.3f}};
const Points kNoiseY{{0.2f, 0.4f}, {0.3f, 0.5f}};
const Points kAmplitudeX{{0.7f, 0.9f}};
const Points kAmplitudeY{{0.8f, 0.1f}};
const Points kModEnvelope{{0.0f, 0.0f}, {0.1f, 1.0f}, {2.0f, 0.5f}};

struct FileShape {
    std::int32_t version = kInstrumentVersion;
    std::vector<float> values; // as many as the file's parameterCount says
    int morphPairsAtEnd = 2;   // the optional noise and amplitude pairs
};

// An instrument file as this program's earlier versions wrote it, with the
// same voice record in every slot.
std::vector<std::byte> instrumentFile(const FileShape& shape, const std::vector<std::byte>& voice)
{
    RecordBytes bytes;
    bytes.i(shape.version).s("Old Organ").i(static_cast<std::int32_t>(shape.values.size()));
    for (float value : shape.values) {
        bytes.f(value);
    }
    bytes.curve(kHarmonicX).curve(kHarmonicY);
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        bytes.append(voice);
    }
    bytes.curve({{0.5f, 0.7f}});
    if (shape.version >= kInstrumentVersion5) {
        bytes.curve(kModEnvelope);
    }
    // Longer than anything written, still skipped.
    bytes.i(0, 2).s("").s(std::string(300, 'x')).s("");
    if (shape.morphPairsAtEnd >= 1) {
        bytes.curve(kNoiseX).curve(kNoiseY);
    }
    return shape.morphPairsAtEnd >= 2 ? bytes.curve(kAmplitudeX).curve(kAmplitudeY).bytes : bytes.bytes;
}

const std::vector<std::byte>& smallVoiceRecord()
{
    static const std::vector<std::byte> record = [] {
        // Two multisamples of two layers: every field a voice record can hold.
        auto voice = std::make_unique<Voice>();
        fillRandomVoice(*voice, 7, 2, 2, 2);
        return voiceBytes(*voice);
    }();
    return record;
}

bool readBytes(const std::vector<std::byte>& bytes, Instrument& instrument, InstrumentReadReport* report = nullptr,
               RecordStream::Status* status = nullptr)
{
    RecordStream stream;
    const bool ok = readFromMemory(stream, bytes, [&](RecordStream& s) { return readInstrument(s, instrument, report); });
    if (status != nullptr) {
        *status = stream.status();
    }
    return ok;
}

float value(const Instrument& instrument, int index) { return instrument.parameterValues[static_cast<std::size_t>(index)]; }

// Leftovers of a previous instrument that a read must replace.
void dirty(Instrument& instrument)
{
    instrument.parameterValues.fill(0.9f);
    instrument.modEnvelopeCurve.insertPoint(3.0f, 3.0f);
    for (BreakpointCurve& curve : instrument.morphPathCurves) {
        curve.insertPoint(9.0f, 9.0f);
    }
}

// Voice and instrument records follow one rule: only the versions this build
// or an older one wrote are read, as the state chunk has always required.
TEST(InstrumentFile, OnlyVersionsEverWrittenAreRead)
{
    struct Case { std::int32_t instrumentVersion; std::int32_t voiceVersion; bool readable; };
    const Case cases[] = {
        {kInstrumentVersion1, kVoiceVersion2, true}, {kInstrumentVersion, kVoiceVersion, true},
        {0, kVoiceVersion, false},                   {-1, kVoiceVersion, false},
        {0x7fffffff, kVoiceVersion, false},          {kInstrumentVersion + 1, kVoiceVersion, false},
        {kInstrumentVersion, 0, false},              {kInstrumentVersion, -1, false},
        {kInstrumentVersion, 0x7fffffff, false},     {kInstrumentVersion, kVoiceVersion + 1, false},
    };
    auto instrument = std::make_unique<Instrument>();
    for (const Case& c : cases) {
        std::vector<std::byte> voice = smallVoiceRecord();
        std::memcpy(voice.data(), &c.voiceVersion, sizeof(c.voiceVersion));
        const FileShape shape{c.instrumentVersion, std::vector<float>(kParameterCount, 0.5f)};
        RecordStream::Status status = RecordStream::Status::Ok;
        EXPECT_EQ(readBytes(instrumentFile(shape, voice), *instrument, nullptr, &status), c.readable)
            << std::hex << c.instrumentVersion << " " << c.voiceVersion;
        EXPECT_EQ(status, c.readable ? RecordStream::Status::Ok : RecordStream::Status::BadValue);
        auto alone = std::make_unique<Voice>();
        EXPECT_EQ(readVoiceBytes(voice, *alone), c.voiceVersion >= kVoiceVersion1 && c.voiceVersion <= kVoiceVersion);
    }
}

TEST(InstrumentFile, OlderVersionsAreBroughtUpToDate)
{
    struct Case {
        std::int32_t version;
        int morphPairsAtEnd;
        float stretch, ampX, ampY, velocity, loopSync, portamentoRate, formant;
    };
    const float o = 0.25f; // as stored
    const Case cases[] = {
        {0x10001, 0, 0.5f, 0.3f, 0.7f, 1.0f, 1.0f, 0.0f, 0.5f},
        {0x10002, 0, o, o, o, 1.0f, 1.0f, 0.0f, 0.5f},
        {0x10003, 0, o, o, o, o, o, o, 0.5f},
        // The formant centre these played, whatever they hold.
        {0x10004, 1, o, o, o, o, o, o, 0.5f},
        {0x10004, 2, o, o, o, o, o, o, 0.5f},
        {0x10005, 2, o, o, o, o, o, o, 0.5f},
        {0x10006, 2, o, o, o, o, o, o, o},
    };
    auto instrument = std::make_unique<Instrument>();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.version << " pairs " << c.morphPairsAtEnd);
        FileShape shape{c.version, std::vector<float>(kParameterCount, o), c.morphPairsAtEnd};
        shape.values[kMorphHarmX] = 0.3f;
        shape.values[kMorphHarmY] = 0.7f;
        shape.values[kSustainOn] = 1.0f;
        dirty(*instrument);
        InstrumentReadReport report;
        ASSERT_TRUE(readBytes(instrumentFile(shape, smallVoiceRecord()), *instrument, &report));
        EXPECT_EQ(report.version, c.version);
        EXPECT_EQ(report.valuesSet, kParameterCount);
        EXPECT_EQ(report.voicesRead, kVoiceSlotCount);
        EXPECT_STREQ(instrument->name.data(), "Old Organ");

        const std::pair<int, float> values[] = {
            {kStretch, c.stretch},        {kMorphAmpX, c.ampX},      {kMorphAmpY, c.ampY},
            {kVelocitySens, c.velocity},  {kLoopSync1, c.loopSync},  {kLoopSync2, c.loopSync},
            {kPortamentoRate, c.portamentoRate}, {kFormantFreq, c.formant}, {kSustainOn, 0.0f}, {kMasterDetune, o},
        };
        for (auto [index, expected] : values) {
            EXPECT_EQ(value(*instrument, index), expected) << parameterTable()[static_cast<std::size_t>(index)].name;
        }

        // Absent pairs follow the harmonic path.
        const auto& morph = instrument->morphPathCurves;
        const bool noise = c.morphPairsAtEnd >= 1;
        const bool amplitude = c.morphPairsAtEnd >= 2;
        const std::pair<MorphPath, const Points&> paths[] = {
            {kHarmonicMorphX, kHarmonicX},           {kHarmonicMorphY, kHarmonicY},
            {kNoiseMorphX, noise ? kNoiseX : kHarmonicX}, {kNoiseMorphY, noise ? kNoiseY : kHarmonicY},
            {kAmplitudeMorphX, amplitude ? kAmplitudeX : kHarmonicX}, {kAmplitudeMorphY, amplitude ? kAmplitudeY : kHarmonicY},
        };
        for (const auto& [path, points] : paths) {
            EXPECT_EQ(pointsOf(morph[path]), points) << "morph path " << path;
        }
        EXPECT_EQ(pointsOf(instrument->modEnvelopeCurve), c.version >= kInstrumentVersion5 ? kModEnvelope : Points{});
        // The stored shape gains silent ends at 0 and 22 kHz.
        EXPECT_EQ(pointsOf(instrument->spectralShapeCurve), (Points{{0.0f, 0.0f}, {0.5f, 0.7f}, {1.0f, 0.0f}}));
    }
}

TEST(InstrumentFile, ParameterCountDecidesWhichValuesAreRead)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case { int count; bool readable; int firstZero; }; // values from firstZero to 172 read as 0
    const Case cases[] = {{150, true, 150}, {0, true, 0}, {173, true, 173}, {200, true, 173}, {-1, false, 0}};
    auto instrument = std::make_unique<Instrument>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        FileShape shape{kInstrumentVersion, std::vector<float>(static_cast<std::size_t>(std::max(c.count, 0)), 0.5f)};
        if (c.count > kVolume) {
            shape.values[kVolume] = nan; // a damaged value falls back to the start value
            shape.values[kStretch] = std::numeric_limits<float>::infinity();
        }
        std::vector<std::byte> bytes = instrumentFile(shape, smallVoiceRecord());
        if (c.count < 0) {
            std::fill(bytes.begin() + 14, bytes.begin() + 18, std::byte{0xff}); // the count after "Old Organ"
        }
        dirty(*instrument);
        RecordStream::Status status{};
        InstrumentReadReport report;
        ASSERT_EQ(readBytes(bytes, *instrument, &report, &status), c.readable);
        if (!c.readable) {
            EXPECT_EQ(status, RecordStream::Status::BadCount);
            EXPECT_EQ(report.valuesSet, 0);
            EXPECT_EQ(value(*instrument, 0), 0.9f) << "values untouched";
            continue;
        }
        for (int i = 0; i < kParameterCount; ++i) {
            float expected = i >= c.firstZero || i == kSustainOn ? 0.0f : 0.5f;
            if (c.count > kVolume && (i == kVolume || i == kStretch)) {
                expected = parameterTable()[static_cast<std::size_t>(i)].start;
            }
            ASSERT_EQ(value(*instrument, i), expected) << i;
        }
        EXPECT_EQ(instrument->morphPathCurves[kAmplitudeMorphY].pointCount(), 1) << "read on to the end";
    }
}

TEST(InstrumentFile, SavedInstrumentsReadBackFieldByField)
{
    auto written = std::make_unique<Instrument>();
    const int shapes[kVoiceSlotCount][3] = {{2, 1, 4}, {1, 2, 3}, {1, 2, 0}, {3, 2, 2}};
    for (std::size_t slot = 0; slot < kVoiceSlotCount; ++slot) {
        fillRandomVoice(written->voices[slot], 31 + slot, shapes[slot][0], shapes[slot][1], shapes[slot][2]);
    }
    written->voices[0].cutoff = 0.4f;
    prepareVoice(written->voices[0]);
    RandomGenerator random(99);
    for (float& v : written->parameterValues) {
        v = static_cast<float>(random.next()) / RandomGenerator::kMax;
    }
    written->parameterValues[kVoiceCutoffA] = 0.9f; // stale: slot A's voice holds the live cutoff
    written->parameterValues[kSustainOn] = 1.0f;
    for (std::size_t p = 0; p < kMorphPathCount; ++p) {
        for (std::size_t i = 0; i <= p; ++i) {
            written->morphPathCurves[p].insertPoint(0.1f * static_cast<float>(i + p), 0.5f);
        }
    }
    written->modEnvelopeCurve.insertPoint(0.25f, 1.0f);
    written->spectralShapeCurve.insertPoint(0.4f, 0.6f);
    written->spectralShapeCurve.normaliseEnds();

    RecordStream stream;
    std::string path = tempPath("Warm Pad.t9i");
    ASSERT_TRUE(saveInstrumentFile(path, *written, stream));
    EXPECT_STREQ(written->name.data(), "Warm Pad");
    std::vector<std::byte> bytes = readFile(path);
    float stored = 0.0f;
    std::memcpy(&stored, bytes.data() + 4 + sizeof("Warm Pad") + 4 + 4 * kVoiceCutoffA, 4);
    EXPECT_EQ(stored, 0.4f) << "parameter 25 is slot A's cutoff";

    auto read = std::make_unique<Instrument>();
    InstrumentReadReport report;
    ASSERT_TRUE(loadInstrumentFile(path, *read, stream, &report));
    EXPECT_EQ(report.version, kInstrumentVersion);
    EXPECT_STREQ(read->name.data(), "Warm Pad");
    for (int i = 0; i < kParameterCount; ++i) {
        float expected = written->parameterValues[static_cast<std::size_t>(i)];
        if (i >= kVoiceCutoffA && i <= kVoiceCutoffD) {
            expected = written->voices[static_cast<std::size_t>(i - kVoiceCutoffA)].cutoff;
        }
        EXPECT_EQ(value(*read, i), i == kSustainOn ? 0.0f : expected) << i;
    }
    for (std::size_t p = 0; p < kMorphPathCount; ++p) {
        EXPECT_EQ(pointsOf(read->morphPathCurves[p]), pointsOf(written->morphPathCurves[p])) << "morph path " << p;
    }
    EXPECT_EQ(pointsOf(read->modEnvelopeCurve), pointsOf(written->modEnvelopeCurve));
    EXPECT_EQ(pointsOf(read->spectralShapeCurve), pointsOf(written->spectralShapeCurve));
    for (std::size_t slot = 0; slot < kVoiceSlotCount; ++slot) {
        SCOPED_TRACE(slot);
        expectSameVoice(written->voices[slot], read->voices[slot]);
    }

    // Written again, the same bytes.
    ASSERT_TRUE(saveInstrumentFile(path, *read, stream));
    EXPECT_EQ(readFile(path), bytes);
}

// Counts the preparations of each slot's voice, as the engine's hook would see them.
class PreparationCounter : public RenderTableHook {
public:
    explicit PreparationCounter(Instrument& instrument) : instrument_(instrument)
    {
        for (Voice& voice : instrument.voices) {
            voice.renderTableHook = this;
        }
    }
    void rebuildRenderTables(Voice& voice, int) override
    {
        ++counts[static_cast<std::size_t>(&voice - instrument_.voices.data())];
    }
    std::array<int, kVoiceSlotCount> counts{};

private:
    Instrument& instrument_;
};

// The slots a failed read reached: each must have been prepared after its
// data changed, so the engine never plays a voice half old and half new.
void expectReachedVoicesPrepared(const Instrument& instrument, const InstrumentReadReport& report,
                                 const PreparationCounter& counter, bool reachedVoices)
{
    const int reached = reachedVoices ? std::min(report.voicesRead + 1, kVoiceSlotCount) : 0;
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        const Voice& voice = instrument.voices[static_cast<std::size_t>(slot)];
        ASSERT_GE(voice.multisampleCount, 1);
        ASSERT_LE(voice.multisampleCount, kMaxMultisamples);
        if (slot < reached) {
            ASSERT_GT(counter.counts[static_cast<std::size_t>(slot)], 0) << "slot " << slot << " left unprepared";
        }
    }
}

TEST(InstrumentFile, EveryTruncationFailsCleanly)
{
    FileShape shape{kInstrumentVersion, std::vector<float>(kParameterCount, 0.5f)};
    const std::vector<std::byte> bytes = instrumentFile(shape, smallVoiceRecord());
    const std::size_t firstValue = 4 + sizeof("Old Organ") + 4;
    const std::size_t firstVoice = firstValue + 4 * kParameterCount + (4 + 2 * 8) + (4 + 8);
    auto instrument = std::make_unique<Instrument>();
    PreparationCounter counter(*instrument);
    // The file may also end before either optional pair of morph curves.
    const std::size_t amplitudePair = (4 + 8) + (4 + 8);
    const std::size_t noisePair = (4 + 8) + (4 + 16);
    const std::size_t complete[] = {bytes.size() - amplitudePair - noisePair, bytes.size() - amplitudePair};
    // Slots B to D hold the same record as slot A, so every cut inside A and a
    // sample of those inside the others keep the test quick under sanitizers.
    const std::size_t laterVoices = firstVoice + smallVoiceRecord().size();
    const std::size_t lastVoiceEnd = firstVoice + kVoiceSlotCount * smallVoiceRecord().size();
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        if (length > laterVoices && length < lastVoiceEnd && length % 11 != 0) {
            continue;
        }
        std::vector<std::byte> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        counter.counts.fill(0);
        RecordStream::Status status{};
        InstrumentReadReport report;
        if (length == complete[0] || length == complete[1]) {
            ASSERT_TRUE(readBytes(cut, *instrument, &report, &status)) << length;
            continue;
        }
        ASSERT_FALSE(readBytes(cut, *instrument, &report, &status)) << length;
        ASSERT_EQ(status, RecordStream::Status::Truncated) << length;
        const int valuesIn = length < firstValue ? 0 : static_cast<int>((length - firstValue) / 4);
        ASSERT_EQ(report.valuesSet, std::min(valuesIn, kParameterCount)) << length;
        expectReachedVoicesPrepared(*instrument, report, counter, length > firstVoice);
    }
    ASSERT_TRUE(readBytes(bytes, *instrument));
}

TEST(InstrumentFile, RandomBitFlipsReadOrFailCleanly)
{
    FileShape shape{0x10004, std::vector<float>(kParameterCount, 0.5f), 1};
    const std::vector<std::byte> original = instrumentFile(shape, smallVoiceRecord());
    auto instrument = std::make_unique<Instrument>();
    auto again = std::make_unique<Instrument>();
    PreparationCounter counter(*instrument);
    RandomGenerator random(4321);
    int succeeded = 0;
    for (int trial = 0; trial < 600; ++trial) {
        std::vector<std::byte> bytes = original;
        int flips = 1 + random.next() % 8;
        for (int f = 0; f < flips; ++f) {
            std::size_t bit = static_cast<std::size_t>(random.next() * 32768 + random.next()) % (bytes.size() * 8);
            bytes[bit / 8] ^= static_cast<std::byte>(1u << (bit % 8));
        }
        counter.counts.fill(0);
        InstrumentReadReport report;
        if (!readBytes(bytes, *instrument, &report)) {
            expectReachedVoicesPrepared(*instrument, report, counter, false);
            continue;
        }
        ++succeeded;
        ASSERT_EQ(value(*instrument, kSustainOn), 0.0f);
        for (const Voice& voice : instrument->voices) {
            ASSERT_GE(voice.multisampleCount, 1);
            ASSERT_LE(voice.multisampleCount, kMaxMultisamples);
            ASSERT_LE(voice.outlineCurve.pointCount(), 5);
        }
        for (float v : instrument->parameterValues) {
            ASSERT_TRUE(std::isfinite(v));
        }
        // What was read writes again and reads back.
        const auto rewritten = recordBytes([&](RecordStream& stream) { return writeInstrument(stream, *instrument); });
        ASSERT_TRUE(readBytes(rewritten, *again)) << trial;
    }
    EXPECT_GT(succeeded, 0) << "flips in values should leave readable files";
}

} // namespace
