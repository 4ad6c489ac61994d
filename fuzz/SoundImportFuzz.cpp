// Fuzz target for the sound import alone (RIFF/AIFF headers, chunks and sample
// decoding through libsndfile, the mix to mono and the clean-up), without the
// analysis behind it, so it runs thousands of inputs a second. Any bytes must
// be refused with a reason or give a finite, normalised sound no longer than
// the import keeps. Built as a libFuzzer target with clang, and replayed over
// its seed corpus by the test suite.

#include "FuzzOutcome.h"
#include "SoundFileFuzz.h"
#include "analysis/SoundImport.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tessarine::SampleBuffer buffer;
    buffer.rootNote = 1234;
    tessarine::ImportRefusal refusal = tessarine::ImportRefusal::None;
    const bool imported = tessarine::importSoundFile(tessarine::fuzz::soundFileOf(data, size), buffer, &refusal);
    tessarine::fuzz::noteLoaded(imported);
    if (!imported) {
        if (refusal == tessarine::ImportRefusal::None || !buffer.samples.empty() || buffer.rootNote != 1234) {
            std::abort(); // a refusal gives its reason and leaves the buffer alone
        }
        return 0;
    }
    if (refusal != tessarine::ImportRefusal::None || !(buffer.sampleRate >= tessarine::kMinImportRate) ||
        !(buffer.sampleRate <= tessarine::kMaxImportRate) || buffer.rootNote < -1 || buffer.rootNote > 255 ||
        buffer.rootNote == 0) {
        std::abort();
    }
    const double limit = tessarine::kMaxAnalysedSeconds * static_cast<double>(buffer.sampleRate) + 1.0;
    if (static_cast<double>(buffer.samples.size()) > limit) {
        std::abort(); // more than the import keeps
    }
    for (const float sample : buffer.samples) {
        if (!std::isfinite(sample) || std::fabs(sample) > 1.0001f) {
            std::abort(); // not cleaned up to a peak of 1
        }
    }
    return 0;
}
