// Fuzz target for the noise preset reader (".t9n", one noise record): any
// bytes must either fail to read or give noise data within the frame limit
// that writes out and reads back to the same bytes. Built as a libFuzzer
// target with clang, and replayed over its seed corpus by the test suite.

#include "FuzzOutcome.h"
#include "sound/files/LayerRecord.h"
#include "sound/files/RecordStream.h"
#include "sound/model/Voice.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto voice = std::make_unique<tessarine::Voice>();
    static std::vector<std::byte> first(1u << 20);
    static std::vector<std::byte> second(1u << 20);
    tessarine::NoiseData& noise = voice->layer(0, 1).noise;

    tessarine::RecordStream stream;
    stream.openMemoryRead(std::span(reinterpret_cast<const std::byte*>(data), size));
    const bool read = tessarine::readNoise(stream, noise);
    tessarine::fuzz::noteLoaded(read);
    if (noise.frameCount() < 0 || noise.frameCount() > tessarine::kMaxNoiseFrames) {
        std::abort();
    }
    if (!read) {
        return 0;
    }
    stream.openMemoryWrite(first);
    if (!tessarine::writeNoise(stream, noise)) {
        std::abort();
    }
    const std::size_t written = stream.position();
    stream.openMemoryRead(std::span(first).first(written));
    if (!tessarine::readNoise(stream, noise) || !stream.atEnd()) {
        std::abort();
    }
    stream.openMemoryWrite(second);
    if (!tessarine::writeNoise(stream, noise) || stream.position() != written ||
        !std::equal(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(written), second.begin())) {
        std::abort();
    }
    return 0;
}
