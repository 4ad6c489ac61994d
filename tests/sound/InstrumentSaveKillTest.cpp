// Saving survives a crash: a child process saves instruments over an existing
// file again and again and is killed at random moments. The file is always
// one complete save, and temporaries of killed saves neither pile up nor get
// in the way of the next save.

#include "sound/files/InstrumentFile.h"
#include "support/TestVoices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tessarine {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<Instrument> randomInstrument(std::uint32_t seed)
{
    auto instrument = std::make_unique<Instrument>();
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        test::fillRandomVoice(instrument->voices[static_cast<std::size_t>(slot)], seed + slot, 2, 2, 12);
    }
    instrument->parameterValues.fill(static_cast<float>(seed % 7) / 7.0f);
    return instrument;
}

long temporariesIn(const fs::path& folder)
{
    return std::count_if(fs::directory_iterator(folder), fs::directory_iterator(), [](const fs::directory_entry& entry) {
        return entry.path().filename().string().find(".tmp-") != std::string::npos;
    });
}

TEST(InstrumentSaveKill, TargetIsAlwaysOneCompleteSave)
{
    // On a memory file system when there is one: a child killed inside fsync on
    // a disk only dies once the disk answers, which makes 200 kills slow; the
    // write, rename and kill are the same either way.
    std::error_code error;
    const bool memory = fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0;
    const fs::path folder =
        memory ? fs::path("/dev/shm") / ("tessarine-save-kill-" + std::to_string(::getpid())) : fs::path(test::tempPath("save-kill"));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string target = (folder / "Song.t9i").string();
    auto first = randomInstrument(10);
    auto second = randomInstrument(20);
    RecordStream stream;
    ASSERT_TRUE(saveInstrumentFile(target, *second, stream));
    const std::vector<std::byte> secondBytes = test::readFile(target);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(saveInstrumentFile(target, *first, stream));
    const auto saveTime = std::chrono::steady_clock::now() - start;
    const std::vector<std::byte> firstBytes = test::readFile(target);
    ASSERT_NE(firstBytes, secondBytes);

    // Kills land anywhere in the first save and a half of each child.
    const auto window = std::chrono::duration_cast<std::chrono::microseconds>(3 * saveTime / 2).count() + 1;
    std::mt19937 random(2026);
    int sawFirst = 0, sawSecond = 0;
    long leftTemporary = 0;
    for (int kill = 0; kill < 200; ++kill) {
        // Every other child is killed only after a complete save, so that kills
        // land in later saves too however slow the machine is today.
        int saved[2];
        ASSERT_EQ(::pipe(saved), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(saved[0]);
            for (int save = 0;; ++save) {
                saveInstrumentFile(target, save % 2 == 0 ? *second : *first, stream);
                [[maybe_unused]] const auto told = ::write(saved[1], "s", 1);
            }
        }
        ::close(saved[1]);
        char done = 0;
        if (kill % 2 == 1) {
            ASSERT_EQ(::read(saved[0], &done, 1), 1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % static_cast<unsigned>(window)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(saved[0]);

        const std::vector<std::byte> now = test::readFile(target);
        ASSERT_TRUE(now == firstBytes || now == secondBytes) << "kill " << kill << ": " << now.size() << " bytes";
        (now == firstBytes ? sawFirst : sawSecond) += 1;
        const long temporaries = temporariesIn(folder);
        ASSERT_LE(temporaries, 1) << "kill " << kill << ": earlier leftovers were not removed";
        leftTemporary += temporaries;
    }
    EXPECT_GT(sawFirst, 0);
    EXPECT_GT(sawSecond, 0);
    std::printf("save kill: %d first, %d second, %ld killed while writing (one save %lld us)\n", sawFirst, sawSecond,
                leftTemporary, static_cast<long long>(window * 2 / 3));

    // A later save goes through whatever was left, and takes the leftover with it.
    ASSERT_TRUE(saveInstrumentFile(target, *second, stream));
    EXPECT_EQ(test::readFile(target), secondBytes);
    EXPECT_EQ(temporariesIn(folder), 0);
    fs::remove_all(folder);
}

} // namespace
} // namespace tessarine
