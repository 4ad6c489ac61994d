// The batched partial renderer must sound exactly like one partial at a time
// (within float rounding), in every lane kernel the machine can run: the
// processor picks one in production, the tests try them all by name. And no
// kernel may stray further from a true sine than the former table oscillator.

#include "engine/voice/PartialRenderer.h"
#include "engine/voice/SubBlockInputs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
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
        for (float& p : phases) p = 199.9f * unit(random);
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
                if (batch.full()) batch.render(batched.data(), n, kernel);
            }
            batch.render(batched.data(), n, kernel);
            // The vector kernel fuses the polynomial's multiply-adds and sums
            // the lanes in another order: a few float roundings per partial.
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

// Partials over the whole range the engine plays, several blocks in a row with
// the phase carried, against a sine computed in double precision with the same
// ramps: the worst error of each kernel, measured alongside the Table kernel's.
// Steady and gliding partials are held apart: the table's float frequency ramp
// drifts far more than its interpolation errs, and that must not hide a coarse
// sine.
TEST(PartialRenderer, NoKernelStraysFromTheSineFurtherThanTheTable)
{
    std::vector<LaneKernel> kernels(availableLaneKernels().begin(), availableLaneKernels().end());
    kernels.push_back(LaneKernel::Table);
    std::vector<std::array<double, 2>> worst(kernels.size()); // steady, gliding
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    constexpr int kBlocks = 6;
    for (const float rate : {22050.0f, 44100.0f, 48000.0f, 96000.0f}) {
        for (const int n : {1, 7, 64, kMaxSubBlock - 1, kMaxSubBlock}) {
            for (int trial = 0; trial < 24; ++trial) {
                const float nyquist = 0.5f * rate;
                // The first trials hold the ends of the range; of the rest a
                // third glide anywhere in it, the others are steady.
                const auto anywhere = [&] { return static_cast<float>(nyquist * unit(random)); };
                const float f0 = trial == 0 ? 0.0f : trial < 3 ? nyquist : anywhere();
                float f1 = trial % 3 == 0 ? anywhere() : f0;
                f1 = trial == 0 ? nyquist : trial == 1 ? 0.0f : f1;
                const float startPhase = static_cast<float>(199.99 * unit(random));
                std::vector<float> amplitudes(kBlocks + 1);
                for (float& a : amplitudes) a = static_cast<float>(unit(random));
                for (std::size_t k = 0; k < kernels.size(); ++k) {
                    float phase = startPhase;
                    double exactPhase = startPhase / kPhasePeriod; // in periods
                    for (int b = 0; b < kBlocks; ++b) {
                        const float ff0 = b % 2 ? f1 : f0;
                        const float ff1 = b % 2 ? f0 : f1;
                        const float a0 = amplitudes[static_cast<std::size_t>(b)];
                        const float a1 = amplitudes[static_cast<std::size_t>(b + 1)];
                        std::vector<float> out(static_cast<std::size_t>(n), 0.0f);
                        PartialBatch batch;
                        batch.add(&phase, ff0, ff1, a0, a1, rate, n);
                        batch.render(out.data(), n, kernels[k]);
                        for (int s = 0; s < n; ++s) {
                            exactPhase += (ff0 + (ff1 - ff0) * static_cast<double>(s) / n) / rate;
                            const double amplitude = a0 + (a1 - static_cast<double>(a0)) * (s + 1) / n;
                            const double exact = amplitude * std::sin(2.0 * std::numbers::pi * exactPhase);
                            double& w = worst[k][f0 == f1 ? 0 : 1];
                            w = std::max(w, std::fabs(out[static_cast<std::size_t>(s)] - exact));
                        }
                    }
                }
            }
        }
    }
    const std::array<double, 2> table = worst.back();
    EXPECT_GT(table[0], 1e-4) << "the table's own interpolation error, (π/100)²/8 of full scale, must show";
    for (std::size_t k = 0; k + 1 < kernels.size(); ++k) {
        for (int glide = 0; glide < 2; ++glide) {
            EXPECT_LE(worst[k][glide], table[glide]) << "kernel " << static_cast<int>(kernels[k]) << " gliding "
                                                     << glide << " strays " << worst[k][glide];
        }
    }

    // The process-wide choice for whole-engine comparisons plays Automatic as the named kernel.
    std::array<float, 64> byName{}, automatic{};
    float phaseByName = 17.0f;
    float phaseAutomatic = 17.0f;
    PartialBatch batch;
    batch.add(&phaseByName, 440.0f, 450.0f, 0.5f, 0.25f, 44100.0f, 64);
    batch.render(byName.data(), 64, LaneKernel::Table);
    setAutomaticLaneKernelForTesting(LaneKernel::Table);
    batch.add(&phaseAutomatic, 440.0f, 450.0f, 0.5f, 0.25f, 44100.0f, 64);
    batch.render(automatic.data(), 64);
    setAutomaticLaneKernelForTesting(LaneKernel::Automatic);
    EXPECT_EQ(byName, automatic);
    EXPECT_EQ(phaseByName, phaseAutomatic);
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
        std::vector<LaneKernel> kernels(availableLaneKernels().begin(), availableLaneKernels().end());
        kernels.push_back(LaneKernel::Table);
        for (const LaneKernel kernel : kernels) {
            float phaseBatch = c[4];
            PartialBatch batch;
            batch.add(&phaseBatch, c[0], c[1], c[2], c[3], 44100.0f, 256);
            batch.render(out.data(), 256, kernel);
        }
        for (float sample : out) ASSERT_TRUE(std::isfinite(sample));
    }
}

} // namespace
} // namespace tessarine
