// `tessarine render` end to end: the WAV it writes, and an instrument it saves
// playing back the same. Against hostile files, settings and lengths: every
// refusal says what is wrong and leaves the paths as they were, and no render that is
// killed, hits a full disk or is refused leaves a temporary file behind.

#include "support/BarePlugin.h"
#include "support/ChildProcess.h"
#include "support/EngineTestVoice.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"
#include "commands/WavWriter.h"
#include "support/WavFile.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <vector>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using tessarine::test::CommandResult;
using tessarine::test::readWav;
using tessarine::test::runCli;
using tessarine::test::Wav;

struct Folder : tessarine::test::TempFolder {
    Folder() : TempFolder("render-files") {}
    long temporaries() const
    {
        return std::count_if(fs::directory_iterator(path()), {}, [](const fs::directory_entry& entry) {
            return entry.path().filename().string().find(".tmp-") != std::string::npos;
        });
    }
};

// A shell line before the tool, within a time limit: a command waiting on a FIFO fails instead of hanging.
CommandResult runShell(const std::string& before, const std::string& arguments)
{
    return tessarine::test::runShell(before + " timeout 60 " + TESSARINE_CLI_PATH + " " + arguments + " 2>&1");
}

std::string content(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

float peakOf(const std::vector<float>& samples)
{
    const auto louder = [](float peak, float x) { return std::max(peak, std::fabs(x)); };
    return std::accumulate(samples.begin(), samples.end(), 0.0f, louder);
}

TEST(RenderCommand, WritesAStereoFileOfTheNotesLength)
{
    Folder folder;
    // A format-0 file: a note at beat 0 held for two beats at 120 bpm (1 s).
    const unsigned char smf[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                                 'M', 'T', 'r', 'k', 0, 0, 0, 13,
                                 0x00, 0x90, 60, 100, 0x87, 0x40, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    const std::string midi = folder / "phrase.mid";
    std::ofstream(midi, std::ios::binary).write(reinterpret_cast<const char*>(smf), sizeof(smf));
    struct Case { std::string arguments; int rate; long long frames; int subtype; bool sounds; };
    const Case cases[] = {
        {"--note 60 --length 1", 44100, 3 * 44100, SF_FORMAT_FLOAT, false},
        {"--note 60 --at 0 --length 0.5 --note 64 --at 1 --tail 0.25 --rate 48000 --block 17 --bits 16", 48000,
         static_cast<long long>(2.25 * 48000), SF_FORMAT_PCM_16, false},
        // The last values of their ranges are taken.
        {"--note 60 --length 1 --tail 0 --bits 24 --set Volume=0.7 --set 47=0.6 --set ModSource1=126"
         " --set ModTarget2=53",
         44100, 44100, SF_FORMAT_PCM_24, false},
        {"--note 60 --length 1 --tail 0 --voice A=" + tessarine::test::steadyVoiceFile() + " --voice d=" +
             tessarine::test::steadyVoiceFile(),
         44100, 44100, SF_FORMAT_FLOAT, true},
        {"--midi " + midi + " --tail 0.5", 44100, static_cast<long long>(1.5 * 44100), SF_FORMAT_FLOAT, false},
    };
    const std::string out = folder / "render.wav";
    for (const Case& c : cases) {
        const auto result =
            runCli("render --plugin " + tessarine::test::barePluginPath() + " " + c.arguments + " -o " + out);
        ASSERT_EQ(result.status, 0) << result.output;
        Wav wav;
        ASSERT_TRUE(readWav(out, wav));
        // Stereo, at the rate, length and sample format asked for.
        const SF_INFO& info = wav.info;
        EXPECT_EQ(std::tuple(info.channels, info.samplerate, info.frames, info.format & SF_FORMAT_SUBMASK),
                  std::tuple(2, c.rate, c.frames, c.subtype)) << c.arguments;
        EXPECT_TRUE(std::all_of(wav.samples.begin(), wav.samples.end(), [](float x) { return std::isfinite(x); }));
        const float peak = peakOf(wav.samples);
        // Empty slots play nothing; a loaded voice sounds.
        EXPECT_EQ(peak > 0.01f, c.sounds) << c.arguments << ": peak " << peak;
    }
}

// An instrument built on the command line plays back exactly as it was set up.
TEST(RenderCommand, SavedInstrumentRendersTheSameAudio)
{
    const std::string voice = tessarine::test::steadyVoiceFile();
    Folder folder;
    const std::string instrument = folder / "built.t9i", first = folder / "built-first.wav";
    const std::string second = folder / "built-second.wav";
    const std::string notes = " --note 57 --length 0.5 --note 64 --at 0.2 --tail 0.3 --seed 42 -o ";
    auto result = runCli("render --voice A=" + voice + " --voice B=" + voice +
                         " --set MorphHarmX=0.5 --set Stretch=0.5 --set LoopSync1=1 --save-instrument " + instrument +
                         notes + first);
    ASSERT_EQ(result.status, 0) << result.output;
    result = runCli("render --instrument " + instrument + notes + second);
    ASSERT_EQ(result.status, 0) << result.output;
    Wav a, b;
    ASSERT_TRUE(readWav(first, a));
    ASSERT_TRUE(readWav(second, b));
    EXPECT_TRUE(a.samples == b.samples) << "the saved instrument plays other samples";
    EXPECT_GT(peakOf(a.samples), 0.01f);
}

TEST(RenderFiles, RefusalsSayWhatIsWrong)
{
    Folder folder;
    const std::string fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    const std::string locked = folder / "locked.wav";
    std::ofstream(locked) << "precious";
    ::chmod(locked.c_str(), 0444);
    // One note 2^28 - 1 ticks of half a second in: about four years.
    const unsigned char far[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 1,
                                 'M', 'T', 'r', 'k', 0, 0, 0, 7, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 100};
    const std::string farMidi = folder / "far.mid";
    std::ofstream(farMidi, std::ios::binary).write(reinterpret_cast<const char*>(far), sizeof(far));
    const std::string device = folder / "device";
    const bool haveDevice = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;

    const std::string badMidi = folder / "bad.mid";
    std::ofstream(badMidi, std::ios::binary).write("MThd\0\0", 6);
    const std::string kept = folder / "kept.wav";
    std::ofstream(kept) << "precious";

    const std::string out = " -o " + (folder / "out.wav");
    const std::pair<std::string, const char*> cases[] = {
        {"--midi /no/such/file.mid -o " + kept, "(no such file)"},
        {"--midi " + badMidi + " -o " + kept, "truncated MIDI file header"},
        {"--instrument /no/such.t9i --note 60 -o " + kept, "cannot load instrument file"},
        {"--note 60 --set NoSuchParameter=1 -o " + kept, "no parameter named 'NoSuchParameter'"},
        {"--note 60 --set Volume=loud -o " + kept, "'loud' is not a number"},
        // Every parameter has its own range; a value past it is refused, not played.
        {"--note 60 --set VelocitySens=127" + out, "VelocitySens holds at most 1"},
        {"--note 60 --set 17=-0.5" + out, "17 holds at least 0"},
        {"--note 60 --set ModSource1=127" + out, "ModSource1 holds at most 126"},
        {"--note 60 --set ModTarget2=54" + out, "ModTarget2 holds at most 53"},
        {"--note 200 -o " + kept, "key 0..127"},
        {"--note 60 --voice E=x.t9v -o " + kept, "the slot is A, B, C or D"},
        {"--note 60 --rate 0 -o " + kept, "sample rate must be 8000"},
        {"--note 60 --length 1e300" + out, "longer than six hours"},
        {"--note 60 --at 1e300" + out, "longer than six hours"},
        {"--midi " + farMidi + out, "longer than six hours"},
        {"--midi " + folder.str() + out, "(a folder)"},
        {"--midi " + fifo + out, "(not a regular file)"},
        {"--note 60 --seed -5" + out, "--seed"},
        {"--note 60 -o " + locked, "(read-only)"},
        {"--note 60 -o " + fifo, "(not a regular file)"},
        {"--note 60 --save-instrument " + fifo + out, "(not a regular file)"},
        {"--note 60 -o " + device, "(not a regular file)"},
    };
    for (const auto& [arguments, message] : cases) {
        if (arguments.find(device) != std::string::npos && !haveDevice) {
            continue;
        }
        CommandResult result = runShell("", "render " + arguments);
        EXPECT_NE(result.status, 0) << arguments;
        EXPECT_NE(result.output.find(message), std::string::npos) << arguments << ": " << result.output;
        EXPECT_EQ(result.output.find('\n'), result.output.size() - 1) << "one line: " << result.output;
    }
    EXPECT_FALSE(fs::exists(folder / "out.wav"));
    EXPECT_EQ(content(locked), "precious");
    EXPECT_EQ(content(kept), "precious");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(!haveDevice || fs::is_character_file(device));
    EXPECT_EQ(folder.temporaries(), 0);
}

TEST(RenderFiles, KilledOrFullRendersLeaveNoTemporary)
{
    Folder folder;
    const std::string out = folder / "out.wav";
    std::ofstream(out) << "precious";

    // Leftovers of processes that are gone, in the current and the earlier naming.
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ::waitpid(gone, nullptr, 0);
    for (const std::string& suffix : {".tmp-" + std::to_string(gone), ".tmp-" + std::to_string(gone) + "-4"}) {
        std::ofstream(out + suffix) << "left by a kill";
    }

    // A disk that takes 32 KiB: the render fails with a reason, the old file stays.
    CommandResult full = runShell("ulimit -f 64;", "render --note 60 --length 2 -o " + out);
    EXPECT_NE(full.status, 0);
    EXPECT_NE(full.output.find("cannot write"), std::string::npos) << full.output;
    EXPECT_EQ(content(out), "precious");
    EXPECT_EQ(folder.temporaries(), 0) << "the leftovers and the failed render's own";

    // A disk of 1 MiB is too small for ten seconds: refused before the render starts.
    const std::string small = folder / "small";
    fs::create_directories(small);
    if (std::system(("mount -t tmpfs -o size=1m tmpfs " + small + " 2>/dev/null").c_str()) == 0) {
        CommandResult refused = runShell("", "render --note 60 --length 10 -o " + small + "/out.wav");
        EXPECT_NE(refused.output.find("MB free"), std::string::npos) << refused.output;
        EXPECT_TRUE(fs::is_empty(small));
        EXPECT_EQ(std::system(("umount " + small).c_str()), 0);
    } else {
        std::printf("render files: no small disk without the right to mount one\n");
    }

    // Stopped part-way by each signal a user or system sends.
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        tessarine::test::ChildProcess render({TESSARINE_CLI_PATH, "render", "--note", "60", "--length", "3000",
                                              "--rate", "8000", "-o", out}, "/dev/null");
        ASSERT_TRUE(render.started());
        for (int wait = 0; wait < 600 && folder.temporaries() == 0; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_EQ(folder.temporaries(), 1) << "the render began writing";
        render.signal(signal);
        const int status = render.waitForExit(std::chrono::seconds(60));
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(folder.temporaries(), 0);
        EXPECT_EQ(content(out), "precious");
    }
}

TEST(RenderFiles, DataPastFourGibibytesIsWrittenAsRf64)
{
    using tessarine::host::WavWriter;
    // What a RIFF header counts, less the header, in frames of stereo float.
    const long long limit = (0xFFFFFFFFll - 4096) / 8;
    EXPECT_FALSE(WavWriter::needsRf64(limit, 32));
    EXPECT_TRUE(WavWriter::needsRf64(limit + 1, 32));
    EXPECT_TRUE(WavWriter::needsRf64(2 * limit + 2, 16));

    // The format follows the frames announced; a player reads the file either way.
    Folder folder;
    const std::string path = folder / "big.wav";
    const std::vector<float> block(2 * 100, 0.25f);
    for (long long announced : {100LL, 1LL << 30}) {
        WavWriter wav;
        std::string error;
        ASSERT_TRUE(wav.open(path, 48000, 32, announced, error) && wav.write(block.data(), 100, error) &&
                    wav.finish(error))
            << error;
        EXPECT_EQ(content(path).substr(0, 4), announced > 100 ? "RF64" : "RIFF");
        tessarine::test::Wav read;
        ASSERT_TRUE(tessarine::test::readWav(path, read));
        EXPECT_EQ(read.info.frames, 100);
    }
}

} // namespace
