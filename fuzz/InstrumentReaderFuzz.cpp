// Fuzz target for the instrument reader: any bytes must either read into an
// instrument that writes out and reads back again, or fail leaving every voice
// within the data model's limits and playable. Built as a libFuzzer target
// with clang, and replayed over its seed corpus by the test suite.

#include "FuzzOutcome.h"
#include "sound/files/InstrumentFile.h"
#include "sound/files/RecordStream.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Allocated once per process: an instrument is about 17 MB.
    static const auto instrument = std::make_unique<tessarine::Instrument>();
    static const auto again = std::make_unique<tessarine::Instrument>();
    static std::vector<std::byte> buffer(tessarine::RecordStream::kBufferSize);

    tessarine::RecordStream stream;
    stream.openMemoryRead(std::span(reinterpret_cast<const std::byte*>(data), size));
    tessarine::InstrumentReadReport report;
    const bool read = tessarine::readInstrument(stream, *instrument, &report);
    tessarine::fuzz::noteLoaded(read);
    for (const tessarine::Voice& voice : instrument->voices) {
        if (voice.multisampleCount < 1 || voice.multisampleCount > tessarine::kMaxMultisamples ||
            voice.layerCount < 1 || voice.layerCount > tessarine::kLayersPerMultisample) {
            std::abort();
        }
    }
    for (int i = 0; i < report.valuesSet; ++i) {
        if (!std::isfinite(instrument->parameterValues[static_cast<std::size_t>(i)])) {
            std::abort();
        }
    }
    if (!read) {
        return 0;
    }
    stream.openMemoryWrite(buffer);
    if (!tessarine::writeInstrument(stream, *instrument)) {
        std::abort();
    }
    const std::size_t written = stream.position();
    stream.openMemoryRead(std::span(buffer).first(written));
    if (!tessarine::readInstrument(stream, *again) || !stream.atEnd()) {
        std::abort();
    }
    return 0;
}
