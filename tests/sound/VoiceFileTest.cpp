// Voice files on disk and in memory: round trips (single-layer voices among
// them: a layer written from the filtered one would be filtered twice when
// read), atomic saves and the file size limits. Damaged voice records are
// tried inside instrument files.

#include "support/TestVoices.h"

#include "sound/files/LayerRecord.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace {

using namespace tessarine;
using namespace tessarine::test;

TEST(VoiceFile, RandomVoicesRoundTripFieldByField)
{
    struct Case {
        std::uint32_t seed;
        int multisamples;
        int layers;
        int frames;
    };
    const Case cases[] = {{1, 1, 2, 5}, {2, 1, 1, 8}, {3, 8, 2, 12}, {4, 3, 1, 40}, {5, 5, 2, 0}, {6, 2, 2, 127}};
    auto written = std::make_unique<Voice>();
    auto read = std::make_unique<Voice>();
    RecordStream stream;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        fillRandomVoice(*written, c.seed, c.multisamples, c.layers, c.frames);
        written->loopStart = 0.123f;
        written->loopEnd = 0.2f;
        prepareVoice(*written);
        std::string path = tempPath("roundtrip.t9v");
        ASSERT_TRUE(saveVoiceFile(path, *written, stream));
        EXPECT_EQ(written->nameView(), "roundtrip");
        std::int32_t version = 0;
        ASSERT_TRUE(loadVoiceFile(path, *read, stream, &version));
        EXPECT_EQ(version, kVoiceVersion);
        expectSameVoice(*written, *read);

        // And written again, the same bytes.
        EXPECT_EQ(voiceBytes(*read), readFile(path));
    }
    // A layer record that reads, refused for a ninth multisample.
    const auto layer = recordBytes([&](RecordStream& s) { return writeLayer(s, read->layer(0, 0)); });
    stream.openMemoryRead(layer);
    EXPECT_FALSE(readLayer(stream, *read, kMaxMultisamples, 0));
    EXPECT_TRUE(readLayer(stream, *read, 0, 0));
}

TEST(VoiceFile, FileSizeLimitsAndReasons)
{
    RecordStream stream;
    auto voice = std::make_unique<Voice>();
    std::string empty = tempPath("empty.t9v");
    writeFile(empty, {});
    EXPECT_FALSE(loadVoiceFile(empty, *voice, stream));
    EXPECT_EQ(stream.status(), RecordStream::Status::Empty);

    EXPECT_FALSE(loadVoiceFile(tempPath("missing.t9v"), *voice, stream));
    EXPECT_EQ(stream.status(), RecordStream::Status::CannotOpen);
    EXPECT_FALSE(loadVoiceFile(testing::TempDir(), *voice, stream)) << "a folder";
    EXPECT_EQ(stream.status(), RecordStream::Status::CannotOpen);

    // A valid voice padded to the limit no longer opens; one byte less still does.
    fillRandomVoice(*voice, 3, 1, 2, 4);
    std::vector<std::byte> bytes = voiceBytes(*voice);
    std::string big = tempPath("big.t9v");
    for (std::size_t size : {RecordStream::kBufferSize, RecordStream::kBufferSize - 1, std::size_t{1536000}}) {
        std::filesystem::remove(big);
        writeFile(big, bytes);
        std::filesystem::resize_file(big, size);
        bool expected = size < RecordStream::kBufferSize;
        EXPECT_EQ(loadVoiceFile(big, *voice, stream), expected) << size;
        EXPECT_EQ(stream.status(), expected ? RecordStream::Status::Ok : RecordStream::Status::TooLarge);
    }
    std::filesystem::remove(big);
}

TEST(VoiceFile, FailedSaveLeavesTheOldFile)
{
    auto voice = std::make_unique<Voice>();
    fillRandomVoice(*voice, 5, 1, 2, 3);
    RecordStream stream;
    std::string path = tempPath("kept.t9v");
    ASSERT_TRUE(saveVoiceFile(path, *voice, stream));
    std::vector<std::byte> before = readFile(path);

    voice->layerCount = 3; // a writer refuses a voice it cannot describe
    EXPECT_FALSE(saveVoiceFile(path, *voice, stream));
    EXPECT_EQ(readFile(path), before);

    // A write that runs past its buffer fails before anything reaches the disk.
    voice->layerCount = 2;
    ASSERT_TRUE(stream.openFileWrite(path));
    ASSERT_TRUE(writeVoice(stream, *voice));
    for (std::size_t i = 0; i < RecordStream::kBufferSize / 4 && stream.ok(); ++i) {
        stream.writeInt32(0);
    }
    EXPECT_EQ(stream.status(), RecordStream::Status::Overflow);
    EXPECT_FALSE(stream.close());
    EXPECT_EQ(readFile(path), before);
    for (const auto& entry : std::filesystem::directory_iterator(testing::TempDir())) {
        EXPECT_EQ(entry.path().filename().string().find("kept.t9v.tmp"), std::string::npos) << "temporary left behind";
    }

    EXPECT_FALSE(saveVoiceFile(tempPath("no/such/folder/x.t9v"), *voice, stream));
    EXPECT_EQ(stream.status(), RecordStream::Status::CannotCreate);
    EXPECT_EQ(voice->nameView(), "kept") << "a save that cannot start does not rename the voice";
}

} // namespace
