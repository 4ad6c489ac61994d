// The batched partial renderer must sound exactly like one partial at a time
// (within float rounding), in every lane kernel the machine can run: the
// processor picks one in production, the tests try them all by name.

#include "engine/voice/PartialRenderer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace tessarine {
namespace {

TEST(PartialRenderer, EveryKernelMatchesOneAtATime)
{
    const std::span<const LaneKernel> kernels = availableLaneKernels();
    ASSERT_FALSE(kernels.empty());
    EXPECT_EQ(kernels[0], LaneKernel::Portable) << "every machine runs the portable kernel";
#if defined(__x86_64__)
    EXPECT_EQ(kernels.size(), __builtin_cpu_supports("avx2") ? 2u : 1u);
#endif
    std::mt19937 random(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int trial = 0; trial < 50; ++trial) {
        const int n = 1 + static_cast<int>(random() % 256);
        const int partials = 1 + static_cast<int>(random() % 20);
        const float rate = trial % 2 ? 44100.0f : 96000.0f;
        std::vector<float> phases(static_cast<std::size_t>(partials));
        for (float& p : phases) {
            p = 199.9f * unit(random);
        }
        std::vector<std::array<float, 4>> ramps(static_cast<std::size_t>(partials));
        for (auto& r : ramps) {
            r = {20.0f + 0.49f * rate * unit(random), 20.0f + 0.49f * rate * unit(random), unit(random), unit(random)};
        }
        std::vector<float> reference(static_cast<std::size_t>(n), 0.25f);
        std::vector<float> referencePhases = phases;
        for (int i = 0; i < partials; ++i) {
            const auto& r = ramps[static_cast<std::size_t>(i)];
            renderPartial(referencePhases[static_cast<std::size_t>(i)], r[0], r[1], r[2], r[3], rate, reference.data(),
                          n);
        }
        for (const LaneKernel kernel : kernels) {
            std::vector<float> batched(static_cast<std::size_t>(n), 0.25f);
            std::vector<float> batchPhases = phases;
            PartialBatch batch;
            for (int i = 0; i < partials; ++i) {
                const auto& r = ramps[static_cast<std::size_t>(i)];
                batch.add(&batchPhases[static_cast<std::size_t>(i)], r[0], r[1], r[2], r[3], rate, n);
                if (batch.full()) {
                    batch.render(batched.data(), n, kernel);
                }
            }
            batch.render(batched.data(), n, kernel);
            for (int s = 0; s < n; ++s) {
                ASSERT_NEAR(batched[static_cast<std::size_t>(s)], reference[static_cast<std::size_t>(s)],
                            2e-6f * static_cast<float>(partials))
                    << "kernel " << static_cast<int>(kernel) << " trial " << trial << " sample " << s;
            }
            for (int i = 0; i < partials; ++i) {
                EXPECT_FLOAT_EQ(batchPhases[static_cast<std::size_t>(i)], referencePhases[static_cast<std::size_t>(i)]);
            }
        }
    }
}

TEST(PartialRenderer, SineOfTheRightFrequencyAndLevel)
{
    const float rate = 48000.0f;
    std::vector<float> out(4800, 0.0f);
    float phase = 0.0f;
    renderPartial(phase, 1000.0f, 1000.0f, 0.5f, 0.5f, rate, out.data(), 4800);
    double peak = 0.0;
    int crossings = 0;
    for (std::size_t i = 1; i < out.size(); ++i) {
        peak = std::max(peak, static_cast<double>(std::fabs(out[i])));
        crossings += (out[i - 1] < 0.0f) != (out[i] < 0.0f) ? 1 : 0;
    }
    EXPECT_NEAR(peak, 0.5, 0.001);
    EXPECT_NEAR(crossings, 200, 1) << "1 kHz over 0.1 s";
}

TEST(PartialRenderer, HostileValuesNeverReadPastTheTable)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float cases[][5] = {{nan, 100.0f, 1.0f, 1.0f, 0.0f}, {1e9f, 1e9f, 1.0f, 1.0f, 0.0f},
                              {-500.0f, 100.0f, 1.0f, 1.0f, 0.0f}, {100.0f, 100.0f, 1.0f, 1.0f, nan},
                              {100.0f, inf, 1.0f, 1.0f, 1e6f}};
    for (const auto& c : cases) {
        std::vector<float> out(256, 0.0f);
        float phase = c[4];
        renderPartial(phase, c[0], c[1], c[2], c[3], 44100.0f, out.data(), 256);
        for (const LaneKernel kernel : availableLaneKernels()) {
            float phaseBatch = c[4];
            PartialBatch batch;
            batch.add(&phaseBatch, c[0], c[1], c[2], c[3], 44100.0f, 256);
            batch.render(out.data(), 256, kernel);
        }
        for (float sample : out) {
            ASSERT_TRUE(std::isfinite(sample));
        }
    }
}

} // namespace
} // namespace tessarine
