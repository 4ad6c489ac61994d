// Fuzz target for the harmonic preset reader (".t9h", one harmonic record):
// any bytes must either fail to read or give harmonic data whose frequencies
// lie in their harmonic's range, and which writes out and reads back to the
// same bytes. Built as a libFuzzer target with clang, and replayed over its
// seed corpus by the test suite.

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
    tessarine::HarmonicData& harmonic = voice->layer(0, 1).harmonic;

    tessarine::RecordStream stream;
    stream.openMemoryRead(std::span(reinterpret_cast<const std::byte*>(data), size));
    const bool read = tessarine::readHarmonic(stream, harmonic);
    tessarine::fuzz::noteLoaded(read);
    if (!read) {
        return 0;
    }
    for (int h = 0; h < tessarine::kHarmonicCount; ++h) {
        const tessarine::BreakpointCurve& frequency = harmonic.frequency(h);
        for (int i = 0; i < frequency.pointCount(); ++i) {
            if (!(frequency.value(i) >= static_cast<float>(h) && frequency.value(i) <= static_cast<float>(h + 2))) {
                std::abort();
            }
        }
    }
    stream.openMemoryWrite(first);
    if (!tessarine::writeHarmonic(stream, harmonic)) {
        std::abort();
    }
    const std::size_t written = stream.position();
    stream.openMemoryRead(std::span(first).first(written));
    if (!tessarine::readHarmonic(stream, harmonic) || !stream.atEnd()) {
        std::abort();
    }
    stream.openMemoryWrite(second);
    if (!tessarine::writeHarmonic(stream, harmonic) || stream.position() != written ||
        !std::equal(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(written), second.begin())) {
        std::abort();
    }
    return 0;
}
