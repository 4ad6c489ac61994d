#pragma once
// `tessarine render`: plays MIDI through the plug-in, block by block as a host
// would, and writes the stereo output to a WAV file.

#include "commands/Command.h"
#include <string>
#include <vector>

namespace tessarine::host {

struct RenderOptions {
    std::string pluginPath;
    std::string midiPath;             // a Standard MIDI File, or empty
    std::vector<int> notes;           // single notes when there is no file
    std::vector<int> velocities;      // per note; 100 when missing
    std::vector<double> lengths;      // per note, seconds; 1 when missing
    std::vector<double> starts;       // per note, seconds; 0 when missing
    int sampleRate = 44100;
    int blockSize = 512;
    double tempo = 120.0;             // when there is no MIDI file
    double tail = 2.0;                // seconds after the last event
    std::vector<std::string> settings; // NAME=VALUE or INDEX=VALUE
    std::vector<std::string> voices;   // SLOT=FILE.t9v
    std::string instrumentPath;       // loaded before voices and settings
    std::string saveInstrumentPath;   // the state after all settings, saved before rendering
    long long seed = -1;              // below 0: the plug-in's own seeding
    std::string outputPath;
    int bits = 32;
    bool showProgress = true;         // a bar on stderr while rendering
};

// Returns the process exit status; every failure is one line on stderr.
int runRender(const RenderOptions& options);

// Where a render's blocks go: the WAV file of `render`, or memory for a
// command that measures what the plug-in played.
class RenderSink {
public:
    virtual ~RenderSink() = default;
    // Once, after the plug-in is set up and before the first block.
    virtual bool begin(int sampleRate, long long frames, std::string& error) = 0;
    virtual bool write(const float* left, const float* right, int frames, std::string& error) = 0;
};

// What runRender does short of the file: loads the plug-in, sets it up as the
// options ask and plays the notes or MIDI file block by block into sink. The
// output path and bits are not read. False with one line in error.
bool renderInto(const RenderOptions& options, RenderSink& sink, std::string& error);

// The vendor-specific request through which a host-less caller loads and saves files.
inline constexpr int kFileRequestInstrumentLoad = 1;
inline constexpr int kFileRequestInstrumentSave = 2;
inline constexpr int kFileRequestVoiceLoad = 3;
inline constexpr int kFileRequestVoiceSave = 4;
inline constexpr int kFileRequestSeed = 5;
inline constexpr int kFileRequestReset = 6;
inline constexpr int kFileRequestRandomInstrument = 7;
inline constexpr int kFileRequestRescanLibrary = 8;
inline constexpr int kFileRequestLoadLibraryInstrument = 9;
inline constexpr int kFileRequestLibraryRoot = 10;
inline constexpr int kFileRequestAnalyseVoice = 11;
inline constexpr int kFileRequestAnalyseLayer = 12;

extern const Command kRenderCommand;

} // namespace tessarine::host
