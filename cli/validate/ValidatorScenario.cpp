#include "validate/ValidatorScenario.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace tessarine::host {

namespace {

struct PhraseEvent {
    double seconds;
    unsigned char status, data1, data2;
    bool transposed; // a note number that moves with the phrase's key
};

// One phrase of a second: everything a keyboard player and a host send.
const PhraseEvent kPhrase[] = {
    {0.00, 0x90, 60, 100, true},  {0.05, 0xB0, 1, 0, false},    {0.10, 0x90, 64, 80, true},
    {0.10, 0x90, 67, 110, true},  {0.20, 0xE0, 0x7F, 0x7F, false}, {0.25, 0xB0, 1, 100, false},
    {0.30, 0xB0, 64, 127, false}, {0.35, 0x80, 60, 0, true},    {0.35, 0x80, 64, 64, true},
    {0.35, 0x80, 67, 0, true},    {0.40, 0x90, 72, 64, true},   {0.45, 0xE0, 0x00, 0x00, false},
    {0.50, 0xE0, 0x00, 0x40, false}, {0.55, 0x80, 72, 0, true}, {0.60, 0xB0, 64, 0, false},
    {0.62, 0x91, 48, 127, true},  {0.64, 0x99, 38, 90, false},  {0.66, 0x90, 55, 1, true},
    {0.70, 0x90, 55, 0, true},    {0.72, 0xA1, 48, 90, true},   {0.74, 0xD1, 70, 0, false},
    {0.76, 0xB1, 7, 90, false},   {0.78, 0x90, 36, 127, true},  {0.78, 0x90, 96, 127, true},
    {0.80, 0xB1, 123, 0, false},  {0.82, 0x89, 38, 0, false},   {0.84, 0xB0, 121, 0, false},
    {0.88, 0x80, 36, 0, true},    {0.88, 0x80, 96, 0, true},    {0.90, 0x81, 48, 0, true},
};

constexpr double kPhraseSeconds = 1.0;

} // namespace

MidiScenario makeScenario(double sampleRate, std::uint32_t seed, int repeats)
{
    MidiScenario scenario;
    std::mt19937 random(seed);
    for (int r = 0; r < std::max(1, repeats); ++r) {
        const int shift = r == 0 ? 0 : static_cast<int>(random() % 25) - 12;
        for (const PhraseEvent& e : kPhrase) {
            int data1 = e.data1;
            if (e.transposed) {
                data1 = std::clamp(data1 + shift, 0, 127);
            }
            const auto frame = static_cast<long long>(std::llround((r * kPhraseSeconds + e.seconds) * sampleRate));
            scenario.events.push_back({frame, {e.status, static_cast<unsigned char>(data1), e.data2}});
            scenario.releaseFrame = std::max(scenario.releaseFrame, frame);
        }
    }
    scenario.releaseFrame += 1;
    return scenario;
}

std::vector<TimedMidi> stopMessages(long long frame)
{
    std::vector<TimedMidi> events;
    for (unsigned char channel = 0; channel < 16; ++channel) {
        const auto status = static_cast<unsigned char>(0xB0 | channel);
        events.push_back({frame, {status, 64, 0}});
        events.push_back({frame, {status, 123, 0}});
        events.push_back({frame, {status, 121, 0}});
    }
    return events;
}

std::string play(PluginHost& instance, const MidiScenario& scenario, const PlayOptions& options,
                 OutputCheck& check, BlockTiming& timing)
{
    const int maxBlock = instance.maxBlock();
    if (maxBlock <= 0) {
        return "no usable block size (channel counts out of range)";
    }
    std::mt19937 random(options.seed);
    const int params = instance.effect() != nullptr ? instance.effect()->numParams : 0;
    const double rate = instance.sampleRate();
    const long long end = scenario.releaseFrame + static_cast<long long>(options.tailSeconds * rate);
    std::size_t next = 0;
    bool released = false;
    long long position = 0;
    while (position < end) {
        int frames = options.blockSize > 0 ? options.blockSize : 0;
        if (frames == 0) {
            // Hosts cut blocks anywhere: tiny ones, full ones, and at the next event.
            switch (random() % 4) {
            case 0:
                frames = 1 + static_cast<int>(random() % 16);
                break;
            case 1:
                frames = maxBlock;
                break;
            default:
                frames = 1 + static_cast<int>(random() % static_cast<unsigned>(maxBlock));
                break;
            }
            if (next < scenario.events.size() && random() % 2 == 0 && scenario.events[next].frame > position) {
                frames = static_cast<int>(std::min<long long>(frames, scenario.events[next].frame - position));
            }
        }
        frames = static_cast<int>(std::min<long long>({frames, maxBlock, end - position}));
        if (!released && position >= scenario.releaseFrame) {
            released = true;
            check.restartSilence();
        }
        while (next < scenario.events.size() && scenario.events[next].frame < position + frames &&
               instance.pendingEvents() < instance.eventCapacity()) {
            const TimedMidi& e = scenario.events[next++];
            instance.addMidi(static_cast<int>(std::max(0LL, e.frame - position)), e.bytes[0], e.bytes[1],
                             e.bytes[2]);
        }
        if (options.automate && params > 0) {
            for (int i = 0; i < 2; ++i) {
                const int index = static_cast<int>(random() % static_cast<unsigned>(params));
                const float value = static_cast<float>(random() % 1001) / 1000.0f;
                instance.setParameterOnAudioThread(index, value);
            }
        }
        timing.add(frames, instance.process(frames));
        check.scan(instance, frames, position);
        position += frames;
        if (!check.fault().empty()) {
            return check.fault();
        }
        if (released && options.untilSilent && check.silent()) {
            return {};
        }
    }
    if (options.untilSilent && !check.silent()) {
        char text[128];
        std::snprintf(text, sizeof text, "still sounding %.1f s after the last release", options.tailSeconds);
        return text;
    }
    return {};
}

} // namespace tessarine::host
