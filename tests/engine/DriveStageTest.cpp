// The drive curves at their defining points, the compressor's attack and
// recovery, and the bass enhancer's response.

#include "support/SignalMeasure.h"
#include "engine/effects/DriveStage.h"

#include <gtest/gtest.h>

namespace tessarine {
namespace {

struct Amounts {
    float distortion = 0.0f;
    float tube = 0.0f;
    float compress = 0.0f;
    float bass = 0.0f;
};

DriveStage makeStage(const Amounts& a, float rate = 44100.0f)
{
    DriveStage stage;
    stage.setSampleRate(rate);
    stage.setDistortion(a.distortion);
    stage.setTube(a.tube);
    stage.setCompress(a.compress);
    stage.setBass(a.bass);
    return stage;
}

float driveOne(const Amounts& a, float x)
{
    DriveStage stage = makeStage(a);
    stage.process(&x, 1);
    return x;
}

TEST(DriveStage, CurvesAtTheirDefiningPoints)
{
    struct Case {
        const char* what;
        Amounts amounts;
        float input;
        float expect;
    };
    const float compressDrive = 1.0f / 0.7f;
    const Case cases[] = {
        {"distortion linear up to the knee", {1.0f, 0, 0, 0}, 0.75f / 11.0f, 0.75f / 11.0f},
        {"distortion linear below the knee", {1.0f, 0, 0, 0}, -0.05f, -0.05f},
        {"distortion full scale lands on 1/g", {1.0f, 0, 0, 0}, 1.0f, 1.0f / 11.0f},
        {"distortion symmetric", {1.0f, 0, 0, 0}, -1.0f, -1.0f / 11.0f},
        {"distortion half way up the bend", {1.0f, 0, 0, 0}, 0.5f, (4.75f * 0.25f / 10.25f + 0.75f) / 11.0f},
        {"tube linear below its knee", {0, 0.02f, 0, 0}, 0.55f, 0.55f},
        {"tube full scale lands on 1/g", {0, 0.02f, 0, 0}, 1.0f, 1.0f / 1.08f},
        {"tube symmetric", {0, 0.02f, 0, 0}, -1.0f, -1.0f / 1.08f},
        {"compressor drives quiet samples", {0, 0, 0.3f, 0}, 0.1f, 0.1f * compressDrive},
        {"compressor limits full scale to 1", {0, 0, 0.3f, 0}, 1.0f, 1.0f},
        {"compress 1 is held at 0.99", {0, 0, 1.0f, 0}, 0.001f, 0.1f},
        {"NaN compress is off", {0, 0, std::nanf(""), 0}, 0.3f, 0.3f},
        {"all amounts 0 pass the signal", {0, 0, 0, 0}, 0.9f, 0.9f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(driveOne(c.amounts, c.input), c.expect, 1e-6f) << c.what;
    }
}

TEST(DriveStage, LoudInputSaturatesInsteadOfFoldingBack)
{
    // A chord of several voices through the bright filter easily exceeds full
    // scale; the knees must hold at their top, never turn the sign around.
    for (Amounts a : {Amounts{0, 1.0f, 0, 0}, Amounts{0, 0.02f, 0, 0}, Amounts{0, 0, 0.99f, 0}, Amounts{0, 0, 0.3f, 0}}) {
        float previous = 0.0f;
        for (float x = 0.0f; x <= 10.0f; x += 0.01f) {
            float y = driveOne(a, x);
            EXPECT_GE(y, previous - 1e-6f) << "tube " << a.tube << " compress " << a.compress << " at " << x;
            EXPECT_LE(y, 1.0f + 1e-6f);
            previous = y;
        }
    }
}

TEST(DriveStage, CompressorAttacksAtOnceAndRecoversOverAQuarterSecond)
{
    const float rate = 44100.0f;
    DriveStage stage = makeStage({0, 0, 0.3f, 0}, rate);
    std::vector<float> x(20000, 0.01f);
    x[0] = 1.0f; // drives to exactly the top of the curve: gain 0.7
    stage.process(x.data(), static_cast<int>(x.size()));
    const float drive = 1.0f / 0.7f;
    EXPECT_NEAR(x[0], 1.0f, 1e-6f) << "instant attack";
    EXPECT_NEAR(x[1] / (0.01f * drive), 0.7f, 0.001f);
    EXPECT_NEAR(x[5513] / (0.01f * drive), 0.85f, 0.001f) << "half way after 0.125 s";
    EXPECT_NEAR(x[11100] / (0.01f * drive), 1.0f, 0.001f) << "back to full gain after 0.25 s";
}

TEST(DriveStage, BassEnhancerBoostsAroundNinetyHertz)
{
    struct Case {
        float bass;
        double probe;
        double expectDb;
        double tolerance;
    };
    const Case cases[] = {
        {1.0f, 90.0, 11.7, 0.5},  // +10 dB bell plus the 40 Hz high-pass's own resonance
        {1.0f, 2000.0, 0.0, 0.2}, // the mids are left alone
        {1.0f, 10.0, -23.0, 1.5}, // rumble below the high-pass is cut
        {0.0f, 90.0, 0.0, 1e-4},
    };
    for (float rate : {44100.0f, 192000.0f}) {
        for (const Case& c : cases) {
            DriveStage stage = makeStage({0, 0, 0, c.bass}, rate);
            double db = test::gainDb([&stage](float* x, int n) { stage.process(x, n); }, c.probe, rate);
            EXPECT_NEAR(db, c.expectDb, c.tolerance) << c.bass << " at " << c.probe << " Hz, rate " << rate;
        }
    }
}

} // namespace
} // namespace tessarine
