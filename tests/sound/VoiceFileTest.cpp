// Voice files on disk and in memory: round trips (single-layer voices among
// them: a layer written from the filtered one would be filtered twice when
// read), atomic saves and the file size limits. Damaged voice records are
// tried inside instrument files.
// Library files also meet paths that are not plain files: FIFOs and device
// nodes are refused at once, both for reading and as save targets; a link is
// saved through; a protected file keeps its mode or is refused. Made in a
// private folder (device nodes need root: without it those cases are skipped).

#include "support/TempFolder.h"
#include "support/TestVoices.h"

#include "sound/files/LayerRecord.h"
#include "sound/files/RegularFile.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using namespace tessarine;
using namespace tessarine::test;
namespace fs = std::filesystem;

TEST(VoiceFile, RandomVoicesRoundTripFieldByField)
{
    struct Case { std::uint32_t seed; int multisamples, layers, frames; };
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

TEST(VoiceFile, FilesOfTheBufferSizeOrMoreAreRefused)
{
    RecordStream stream;
    auto voice = std::make_unique<Voice>();
    // A valid voice padded to the limit no longer opens; one byte less still does.
    fillRandomVoice(*voice, 3, 1, 2, 4);
    std::vector<std::byte> bytes = voiceBytes(*voice);
    std::string big = tempPath("big.t9v");
    for (std::size_t size : {RecordStream::kBufferSize, RecordStream::kBufferSize - 1, std::size_t{1536000}}) {
        fs::remove(big);
        writeFile(big, bytes);
        fs::resize_file(big, size);
        bool expected = size < RecordStream::kBufferSize;
        EXPECT_EQ(loadVoiceFile(big, *voice, stream), expected) << size;
        EXPECT_EQ(stream.status(), expected ? RecordStream::Status::Ok : RecordStream::Status::TooLarge);
    }
    fs::remove(big);
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
    for (const auto& entry : fs::directory_iterator(testing::TempDir())) {
        EXPECT_EQ(entry.path().filename().string().find("kept.t9v.tmp"), std::string::npos) << "temporary left behind";
    }

    EXPECT_FALSE(saveVoiceFile(tempPath("no/such/folder/x.t9v"), *voice, stream));
    EXPECT_EQ(stream.status(), RecordStream::Status::CannotCreate);
    EXPECT_EQ(voice->nameView(), "kept") << "a save that cannot start does not rename the voice";
}

mode_t typeOf(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

TEST(FileKinds, ReadersRefuseWhatIsNotARegularFileWithoutWaiting)
{
    const TempFolder folder("file-kinds");
    auto voice = std::make_unique<Voice>();
    fillRandomVoice(*voice, 7, 1, 2, 3);
    writeFile(folder / "real.t9v", voiceBytes(*voice));
    fs::create_symlink(folder / "real.t9v", folder / "link.t9v");
    writeFile(folder / "empty.t9v", {});
    ASSERT_EQ(::mkfifo((folder / "pipe.t9v").c_str(), 0666), 0);

    using Status = RecordStream::Status;
    const struct { const char* name; int error; Status status; } cases[] = {
        {"link.t9v", 0, Status::Ok},       {"pipe.t9v", kNotRegularFile, Status::CannotOpen}, {"empty.t9v", 0, Status::Empty},
        {"missing.t9v", ENOENT, Status::CannotOpen}, {".", EISDIR, Status::CannotOpen},
    };
    for (const auto& [name, error, status] : cases) {
        SCOPED_TRACE(name);
        const std::string path = folder / name;
        RecordStream stream;
        auto loading = std::async(std::launch::async, [&] { return loadVoiceFile(path, *voice, stream); });
        if (loading.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            // Let the blocked open go, so the test ends and says so.
            const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            loading.wait();
            ::close(writer);
            ADD_FAILURE() << "the reader waited on the path";
            continue;
        }
        EXPECT_EQ(loading.get(), status == Status::Ok);
        EXPECT_EQ(stream.systemError(), error);
        EXPECT_EQ(stream.status(), status);
    }
}

TEST(FileKinds, SavesReplaceOnlyRegularFilesAndKeepTheirMode)
{
    const TempFolder folder("file-kinds");
    auto voice = std::make_unique<Voice>();
    fillRandomVoice(*voice, 8, 1, 2, 3);
    const std::vector<std::byte> old = {std::byte{1}, std::byte{2}, std::byte{3}};
    for (const char* name : {"real.t9v", "private.t9v", "locked.t9v"}) {
        writeFile(folder / name, old);
    }
    ::chmod((folder / "private.t9v").c_str(), 0600);
    ::chmod((folder / "locked.t9v").c_str(), 0444);
    fs::create_symlink("real.t9v", folder / "link.t9v");
    fs::create_symlink("nowhere/x.t9v", folder / "dangling.t9v");
    ASSERT_EQ(::mkfifo((folder / "pipe.t9v").c_str(), 0644), 0);
    // A character device that reads as nothing, where this process may make one.
    const bool device = ::mknod((folder / "device.t9v").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;

    // error 0: saved; the holder holds the new bytes or keeps the old ones; type is the
    // name's afterwards, permissions the holder's (0: not checked).
    const struct { const char* name; int error; const char* holder; mode_t type, permissions; } cases[] = {
        {"link.t9v", 0, "real.t9v", S_IFLNK, 0},
        {"private.t9v", 0, "private.t9v", S_IFREG, 0600},
        {"locked.t9v", kReadOnlyFile, "locked.t9v", S_IFREG, 0444},
        {"pipe.t9v", kNotRegularFile, nullptr, S_IFIFO, 0},
        {"device.t9v", kNotRegularFile, nullptr, S_IFCHR, 0},
        {"dangling.t9v", ENOENT, nullptr, S_IFLNK, 0},
    };
    RecordStream stream;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.type == S_IFCHR && !device) {
            continue;
        }
        const std::string path = folder / c.name;
        EXPECT_EQ(saveVoiceFile(path, *voice, stream), c.error == 0);
        EXPECT_EQ(stream.systemError(), c.error) << describeFileError(stream.systemError());
        EXPECT_EQ(typeOf(path), c.type);
        if (c.holder != nullptr) {
            const std::string holder = folder / c.holder;
            EXPECT_EQ(readFile(holder) == old, c.error != 0);
            if (c.permissions != 0) {
                EXPECT_EQ(fs::status(holder).permissions(), static_cast<fs::perms>(c.permissions));
            }
        }
    }
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
    }
}

} // namespace
