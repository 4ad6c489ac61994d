// The engine's two value arrays: what is stored, what is read back, and the
// derived settings a write leaves behind.

#include "support/EngineTestVoice.h"
#include "engine/SynthEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace tessarine {
namespace {

TEST(SynthEngineValues, CurrentSavedAndDerived)
{
    SynthEngine engine;
    for (int i = 0; i < kParameterCount; ++i) {
        float start = parameterTable()[static_cast<std::size_t>(i)].start;
        EXPECT_EQ(engine.getParameter(i, false), start) << i;
        EXPECT_EQ(engine.getParameter(i, true), start) << i;
    }
    EXPECT_EQ(engine.getParameter(200), 0.0f);
    EXPECT_EQ(engine.filterMode(), 2);
    EXPECT_FLOAT_EQ(engine.compressAmount(), 0.3f);
    EXPECT_EQ(engine.multisampleCount(0), 1);

    engine.setParameter(kVolume, 0.8f, false); // a change the engine makes itself
    EXPECT_FLOAT_EQ(engine.getParameter(kVolume, false), 0.8f);
    EXPECT_FLOAT_EQ(engine.getParameter(kVolume, true), 0.5f);
    engine.setParameter(kVolume, 0.7f, true);
    EXPECT_FLOAT_EQ(engine.getParameter(kVolume, true), 0.7f);

    // Editor slots are stored and nothing else.
    engine.setParameter(254, 0.25f, true);
    EXPECT_FLOAT_EQ(engine.getParameter(254, true), 0.25f);
    // Outside the arrays nothing is stored and reads are 0.
    for (int index : {-1, 255, 1 << 20}) {
        engine.setParameter(index, 0.9f, true);
        EXPECT_EQ(engine.getParameter(index, false), 0.0f);
        EXPECT_EQ(engine.getParameter(index, true), 0.0f);
    }

    // Writes reach the derived settings.
    engine.setParameter(kCompress, 1.0f, true);
    EXPECT_FLOAT_EQ(engine.compressAmount(), 0.99f);
    engine.setParameter(kFilterMode, 0.16f, true);
    EXPECT_EQ(engine.filterMode(), 0);
    engine.setParameter(kNumMultisamplesD, 1.0f, true);
    EXPECT_EQ(engine.multisampleCount(3), 8);
    EXPECT_EQ(engine.multisampleCount(0), 1);
    // The slot cutoffs live with the voices; the array keeps what was written too.
    engine.setParameter(kVoiceCutoffC, 0.4f, true);
    EXPECT_FLOAT_EQ(engine.getParameter(kVoiceCutoffC, true), 0.4f);
}

} // namespace
} // namespace tessarine

namespace tessarine {

// Projects and files may carry any float for any parameter. Each one written
// alone at a non-finite or huge value is held to its parameter's range, what
// the host reads back is the value the engine uses, and a playing note stays
// below +24 dBFS.
TEST(SynthEngineValues, ExtremeValuesOfEveryParameterKeepTheOutputFinite)
{
    std::vector<float> left(512), right(512);
    for (float written : {std::nanf(""), INFINITY, 127.0f, -3e38f}) {
        for (int index = 0; index < kParameterCount; ++index) {
            const auto engine = test::steadySynth(48000.0f);
            engine->setParameter(index, written, true);
            const float held = engine->getParameter(index, true);
            const ParameterRange range = parameterRange(index);
            ASSERT_TRUE(held >= range.low && held <= range.high) << "parameter " << index << " holds " << held;
            test::sendMidi(*engine, 0x90, 60, 100);
            for (int block = 0; block < 6; ++block) {
                engine->render(left.data(), right.data(), 512);
                for (int i = 0; i < 512; ++i) {
                    ASSERT_TRUE(std::isfinite(left[i]) && std::fabs(left[i]) <= 16.0f && std::isfinite(right[i]) &&
                                std::fabs(right[i]) <= 16.0f)
                        << "parameter " << index << " written as " << written;
                }
            }
        }
    }
}

} // namespace tessarine
