#pragma once
// The music the validator plays: notes, a chord, sustain, pitch bend,
// controllers, aftertouch, other channels and all-notes-off, each at an exact
// sample; and the player that feeds it to an instance block by block as a host
// does, with fixed or changing block sizes, optionally writing random
// parameter values between sub-blocks.

#include "validate/BlockTiming.h"
#include "validate/OutputCheck.h"
#include "host/PluginHost.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessarine::host {

struct TimedMidi {
    long long frame;
    unsigned char bytes[3];
};

struct MidiScenario {
    std::vector<TimedMidi> events; // in frame order
    long long releaseFrame = 0;    // every note is released by then
};

// repeats > 1 plays the phrase again, transposed by the seed, one after another.
MidiScenario makeScenario(double sampleRate, std::uint32_t seed, int repeats);

// The stop messages of hosts' transports: sustain off, all sound off and
// reset all controllers on every channel, in one list.
std::vector<TimedMidi> stopMessages(long long frame);

struct PlayOptions {
    int blockSize = 512;        // 0: changing sizes up to the instance's maximum, cut at events too
    std::uint32_t seed = 1;
    double tailSeconds = 10.0;  // rendered after the release at most
    bool untilSilent = true;    // stop once silent; a fault if the tail ends sounding
    bool automate = false;      // random parameter values before every block
};

// Plays the scenario; returns the first fault (the output check's or a tail
// that never falls silent), or empty.
std::string play(PluginHost& instance, const MidiScenario& scenario, const PlayOptions& options,
                 OutputCheck& check, BlockTiming& timing);

} // namespace tessarine::host
