// Library files meet paths that are not plain files: FIFOs and device nodes
// are refused at once, both for reading and as save targets; a link is saved
// through; a protected file keeps its mode or is refused. Made in a private
// folder (device nodes need root: without it those cases are skipped).

#include "support/TempFolder.h"
#include "support/TestVoices.h"

#include "sound/files/RegularFile.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cerrno>
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
    ASSERT_EQ(::mkfifo((folder / "pipe.t9v").c_str(), 0666), 0);

    const std::pair<const char*, int> cases[] = {
        {"link.t9v", 0}, {"pipe.t9v", kNotRegularFile}, {"missing.t9v", ENOENT}, {".", EISDIR}};
    for (const auto& [name, error] : cases) {
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
        EXPECT_EQ(loading.get(), error == 0);
        EXPECT_EQ(stream.systemError(), error);
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

    const struct {
        const char* name;
        int error;          // 0: saved
        const char* holder; // the file that holds the new bytes, or keeps the old ones
        mode_t type;        // of the name afterwards
        mode_t permissions; // of the holder afterwards (0: not checked)
    } cases[] = {
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
