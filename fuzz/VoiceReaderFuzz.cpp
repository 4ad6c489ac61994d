// Fuzz target for the voice reader: any bytes must either fail to read or
// give a voice that writes out and reads back again. Built as a libFuzzer
// target with clang, and replayed over its seed corpus by the test suite.

#include "FuzzOutcome.h"
#include "sound/files/RecordStream.h"
#include "sound/files/VoiceFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Allocated once per process: a voice is about 4 MB.
    static const auto voice = std::make_unique<tessarine::Voice>();
    static const auto again = std::make_unique<tessarine::Voice>();
    static std::vector<std::byte> buffer(tessarine::RecordStream::kBufferSize);

    tessarine::RecordStream stream;
    stream.openMemoryRead(std::span(reinterpret_cast<const std::byte*>(data), size));
    const bool read = tessarine::readVoice(stream, *voice);
    tessarine::fuzz::noteLoaded(read);
    if (!read) {
        return 0;
    }
    stream.openMemoryWrite(buffer);
    if (!tessarine::writeVoice(stream, *voice)) {
        std::abort();
    }
    const std::size_t written = stream.position();
    stream.openMemoryRead(std::span(buffer).first(written));
    if (!tessarine::readVoice(stream, *again) || again->multisampleCount != voice->multisampleCount) {
        std::abort();
    }
    return 0;
}
