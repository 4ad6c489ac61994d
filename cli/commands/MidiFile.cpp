#include "commands/MidiFile.h"

#include "sound/files/RegularFile.h"

#include <algorithm>

namespace tessarine::host {

namespace {

constexpr std::size_t kMaxFileBytes = 64u << 20;
constexpr std::size_t kMaxEvents = 10'000'000;
constexpr double kDefaultMicrosPerQuarter = 500000.0; // 120 bpm until the file says otherwise

// A bounded cursor over the file; every read checks the end first.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool byte(std::uint8_t& out)
    {
        if (pos_ >= size_) {
            return false;
        }
        out = data_[pos_++];
        return true;
    }
    bool bigEndian(int bytes, std::uint32_t& out)
    {
        out = 0;
        for (int i = 0; i < bytes; ++i) {
            std::uint8_t b = 0;
            if (!byte(b)) {
                return false;
            }
            out = (out << 8) | b;
        }
        return true;
    }
    // A variable-length quantity: at most four bytes, as the format allows.
    bool variableLength(std::uint32_t& out)
    {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b = 0;
            if (!byte(b)) {
                return false;
            }
            out = (out << 7) | (b & 0x7F);
            if ((b & 0x80) == 0) {
                return true;
            }
        }
        return false;
    }
    bool skip(std::size_t bytes)
    {
        if (bytes > size_ - pos_) {
            return false;
        }
        pos_ += bytes;
        return true;
    }
    bool tag(const char (&expected)[5])
    {
        if (size_ - pos_ < 4) {
            return false;
        }
        bool same = std::equal(expected, expected + 4, data_ + pos_);
        return same;
    }
    std::size_t pos() const { return pos_; }
    std::size_t remaining() const { return size_ - pos_; }
    const std::uint8_t* here() const { return data_ + pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

struct TickEvent {
    std::uint64_t tick;
    std::uint32_t order; // keeps the file's order at equal ticks
    bool tempo;
    std::uint32_t microsPerQuarter;
    std::uint8_t bytes[3];
};

std::string at(std::size_t pos) { return " at byte " + std::to_string(pos); }

bool readTrack(Reader& file, std::size_t length, std::vector<TickEvent>& events, std::string& error)
{
    Reader track(file.here(), length);
    const std::size_t base = file.pos();
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    while (track.remaining() > 0) {
        std::uint32_t delta = 0;
        if (!track.variableLength(delta)) {
            error = "bad delta time" + at(base + track.pos());
            return false;
        }
        tick += delta;
        std::uint8_t status = 0;
        if (!track.byte(status)) {
            error = "truncated event" + at(base + track.pos());
            return false;
        }
        if (status == 0xFF) {
            std::uint8_t type = 0;
            std::uint32_t size = 0;
            if (!track.byte(type) || !track.variableLength(size) || size > track.remaining()) {
                error = "truncated meta event" + at(base + track.pos());
                return false;
            }
            if (type == 0x51 && size == 3) {
                const std::uint8_t* p = track.here();
                std::uint32_t micros = (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
                if (micros > 0) {
                    events.push_back({tick, static_cast<std::uint32_t>(events.size()), true, micros, {}});
                }
            }
            track.skip(size);
            if (type == 0x2F) {
                break; // end of track
            }
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t size = 0;
            if (!track.variableLength(size) || !track.skip(size)) {
                error = "truncated system exclusive message" + at(base + track.pos());
                return false;
            }
            running = 0; // system messages cancel running status
            continue;
        }
        std::uint8_t first = 0;
        if (status < 0x80) {
            if (running == 0) {
                error = "data byte without a status" + at(base + track.pos() - 1);
                return false;
            }
            first = status;
            status = running;
        } else if (status >= 0xF0) {
            error = "unexpected system message" + at(base + track.pos() - 1);
            return false;
        } else {
            running = status;
            if (!track.byte(first)) {
                error = "truncated channel message" + at(base + track.pos());
                return false;
            }
        }
        std::uint8_t second = 0;
        const std::uint8_t kind = status & 0xF0;
        if (kind != 0xC0 && kind != 0xD0 && !track.byte(second)) {
            error = "truncated channel message" + at(base + track.pos());
            return false;
        }
        if (events.size() >= kMaxEvents) {
            error = "more than " + std::to_string(kMaxEvents) + " events";
            return false;
        }
        events.push_back({tick, static_cast<std::uint32_t>(events.size()), false, 0,
                          {status, static_cast<std::uint8_t>(first & 0x7F), static_cast<std::uint8_t>(second & 0x7F)}});
    }
    return file.skip(length);
}

} // namespace

bool parseMidiFile(const std::uint8_t* data, std::size_t size, MidiSequence& sequence, std::string& error)
{
    sequence = {};
    Reader file(data, size);
    std::uint32_t headerLength = 0, format = 0, trackCount = 0, division = 0;
    if (!file.tag("MThd")) {
        error = "not a Standard MIDI File (no MThd header)";
        return false;
    }
    file.skip(4);
    if (!file.bigEndian(4, headerLength) || headerLength < 6 || !file.bigEndian(2, format) ||
        !file.bigEndian(2, trackCount) || !file.bigEndian(2, division) || !file.skip(headerLength - 6)) {
        error = "truncated MIDI file header";
        return false;
    }
    if (format > 1) {
        error = "MIDI file format " + std::to_string(format) + " is not supported (only 0 and 1)";
        return false;
    }
    if (division == 0) {
        error = "MIDI file header has a time division of 0";
        return false;
    }

    std::vector<TickEvent> events;
    std::uint32_t tracksRead = 0;
    while (tracksRead < trackCount && file.remaining() > 0) {
        bool isTrack = file.tag("MTrk");
        std::size_t chunkStart = file.pos();
        std::uint32_t length = 0;
        if (!file.skip(4) || !file.bigEndian(4, length) || length > file.remaining()) {
            error = "truncated track chunk" + at(chunkStart);
            return false;
        }
        if (!isTrack) {
            file.skip(length); // chunks of other kinds are to be ignored
            continue;
        }
        if (!readTrack(file, length, events, error)) {
            return false;
        }
        ++tracksRead;
    }
    if (tracksRead < trackCount) {
        error = "MIDI file ends after " + std::to_string(tracksRead) + " of " + std::to_string(trackCount) +
                " tracks";
        return false;
    }

    std::stable_sort(events.begin(), events.end(), [](const TickEvent& a, const TickEvent& b) {
        return a.tick < b.tick;
    });

    // Ticks to seconds through the tempo map; SMPTE divisions count real time directly.
    const bool smpte = (division & 0x8000) != 0;
    double secondsPerTickSmpte = 0.0;
    if (smpte) {
        int framesPerSecond = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
        int ticksPerFrame = static_cast<int>(division & 0xFF);
        if (framesPerSecond <= 0 || ticksPerFrame == 0) {
            error = "MIDI file header has an invalid SMPTE time division";
            return false;
        }
        secondsPerTickSmpte = 1.0 / (static_cast<double>(framesPerSecond) * ticksPerFrame);
    }
    const double ticksPerQuarter = smpte ? 0.0 : static_cast<double>(division);
    double micros = kDefaultMicrosPerQuarter;
    std::uint64_t lastTick = 0;
    double seconds = 0.0;
    double quarters = 0.0;
    sequence.tempos.push_back({0.0, 60e6 / micros});
    for (const TickEvent& e : events) {
        const double ticks = static_cast<double>(e.tick - lastTick);
        if (smpte) {
            seconds += ticks * secondsPerTickSmpte;
            quarters += ticks * secondsPerTickSmpte * 1e6 / micros;
        } else {
            seconds += ticks / ticksPerQuarter * micros * 1e-6;
            quarters += ticks / ticksPerQuarter;
        }
        lastTick = e.tick;
        if (e.tempo) {
            micros = e.microsPerQuarter;
            if (sequence.tempos.back().seconds == seconds) {
                sequence.tempos.back().bpm = 60e6 / micros;
            } else {
                sequence.tempos.push_back({seconds, 60e6 / micros});
            }
            continue;
        }
        sequence.events.push_back({seconds, quarters, {e.bytes[0], e.bytes[1], e.bytes[2]}});
    }
    return true;
}

bool readMidiFile(const std::string& path, MidiSequence& sequence, std::string& error)
{
    RegularFile file;
    if (!file.open(path)) {
        error = "cannot open MIDI file '" + path + "' (" + describeFileError(file.error()) + ")";
        return false;
    }
    if (static_cast<unsigned long long>(file.size()) > kMaxFileBytes) {
        error = "MIDI file '" + path + "' is too large (" + std::to_string(file.size()) + " bytes; at most " +
                std::to_string(kMaxFileBytes) + ")";
        return false;
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(file.size()));
    std::size_t got = 0;
    if (!file.readAll(data.data(), data.size(), got)) {
        error = "cannot read MIDI file '" + path + "' (" + describeFileError(file.error()) + ")";
        return false;
    }
    data.resize(got);
    if (!parseMidiFile(data.data(), data.size(), sequence, error)) {
        error = "MIDI file '" + path + "': " + error;
        return false;
    }
    return true;
}

double tempoAt(const MidiSequence& sequence, double seconds)
{
    double bpm = 120.0;
    for (const TempoChange& change : sequence.tempos) {
        if (change.seconds > seconds) {
            break;
        }
        bpm = change.bpm;
    }
    return bpm;
}

} // namespace tessarine::host
