// The host's transport as time:Position objects carry it, read into the
// quarter-note tempo and positions the instrument syncs to.

#include "Lv2TestHost.h"
#include "shell/lv2/Lv2Transport.h"

#include <lv2/time/time.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace lv2test {
namespace {

using tessarine::HostTransport;
using tessarine::lv2::Lv2Transport;

// A Position object body with the given properties (each one optional).
struct Position {
    std::optional<float> bpm;
    std::optional<double> beat;
    std::optional<float> barBeat;
    std::optional<std::int64_t> bar;
    std::optional<float> beatsPerBar;
    std::optional<std::int32_t> beatUnit;
    std::optional<float> speed;
};

std::vector<std::uint64_t> objectBody(UridMap& uris, const Position& p, std::uint32_t& size)
{
    std::vector<std::uint8_t> body(sizeof(LV2_Atom_Object_Body));
    const LV2_Atom_Object_Body head{0, uris.map(LV2_TIME__Position)};
    std::memcpy(body.data(), &head, sizeof head);
    auto add = [&](const char* key, const char* type, const void* value, std::uint32_t bytes) {
        const LV2_Atom_Property_Body property{uris.map(key), 0, {bytes, uris.map(type)}};
        const std::size_t at = body.size();
        body.resize(at + ((sizeof property + bytes + 7) & ~std::size_t{7}));
        std::memcpy(body.data() + at, &property, sizeof property);
        std::memcpy(body.data() + at + sizeof property, value, bytes);
    };
    if (p.bpm) add(LV2_TIME__beatsPerMinute, LV2_ATOM__Float, &*p.bpm, 4);
    if (p.beat) add(LV2_TIME__beat, LV2_ATOM__Double, &*p.beat, 8);
    if (p.barBeat) add(LV2_TIME__barBeat, LV2_ATOM__Float, &*p.barBeat, 4);
    if (p.bar) add(LV2_TIME__bar, LV2_ATOM__Long, &*p.bar, 8);
    if (p.beatsPerBar) add(LV2_TIME__beatsPerBar, LV2_ATOM__Float, &*p.beatsPerBar, 4);
    if (p.beatUnit) add(LV2_TIME__beatUnit, LV2_ATOM__Int, &*p.beatUnit, 4);
    if (p.speed) add(LV2_TIME__speed, LV2_ATOM__Float, &*p.speed, 4);
    size = static_cast<std::uint32_t>(body.size());
    std::vector<std::uint64_t> aligned((body.size() + 7) / 8);
    std::memcpy(aligned.data(), body.data(), body.size());
    return aligned;
}

TEST(Lv2Transport, ReadsPositionsInQuarterNotes)
{
    const struct {
        const char* what;
        Position position;
        int frameOffset;
        HostTransport expected;
    } cases[] = {
        {"4/4 at 140", {140.0f, 8.0, 0.0f, 2, 4.0f, 4, 1.0f}, 0, {140.0, 8.0, 8.0}},
        {"mid-bar", {120.0f, 9.5, 1.5f, 2, 4.0f, 4, 1.0f}, 0, {120.0, 9.5, 8.0}},
        // Eighth-note beats: 180 eighths a minute are 90 quarters.
        {"6/8", {180.0f, 12.0, 0.0f, 2, 6.0f, 8, 1.0f}, 0, {90.0, 6.0, 6.0}},
        {"bar and beat only", {100.0f, std::nullopt, 2.0f, 3, 4.0f, 4, 1.0f}, 0, {100.0, 14.0, 12.0}},
        // Half a second into the block at 120: the block started one beat earlier.
        {"taken back to the block start", {120.0f, 8.0, 0.0f, 2, 4.0f, 4, 1.0f}, 24000, {120.0, 7.0, 8.0}},
        {"stopped: no going back", {120.0f, 8.0, 0.0f, 2, 4.0f, 4, 0.0f}, 24000, {120.0, 8.0, 8.0}},
    };
    for (const auto& c : cases) {
        UridMap uris;
        Lv2Transport transport;
        transport.mapUris(*uris.mapFeature());
        EXPECT_FALSE(transport.known());
        std::uint32_t size = 0;
        const auto body = objectBody(uris, c.position, size);
        transport.read(*reinterpret_cast<const LV2_Atom_Object_Body*>(body.data()), size, c.frameOffset, 48000.0);
        ASSERT_TRUE(transport.known()) << c.what;
        HostTransport got;
        transport.fill(got, true);
        EXPECT_NEAR(got.tempo, c.expected.tempo, 1e-6) << c.what;
        EXPECT_NEAR(got.ppqPosition, c.expected.ppqPosition, 1e-6) << c.what;
        EXPECT_NEAR(got.barStart, c.expected.barStart, 1e-6) << c.what;
    }
}

// Between positions the play moves on at the last tempo, into the next bar.
TEST(Lv2Transport, MovesOnWhilePlayingAndStandsWhileStopped)
{
    UridMap uris;
    Lv2Transport transport;
    transport.mapUris(*uris.mapFeature());
    std::uint32_t size = 0;
    auto body = objectBody(uris, {120.0f, 3.0, 3.0f, 0, 4.0f, 4, 1.0f}, size);
    transport.read(*reinterpret_cast<const LV2_Atom_Object_Body*>(body.data()), size, 0, 48000.0);
    transport.advance(48000, 48000.0); // one second: two beats
    HostTransport got;
    transport.fill(got, true);
    EXPECT_NEAR(got.ppqPosition, 5.0, 1e-9);
    EXPECT_NEAR(got.barStart, 4.0, 1e-9);

    body = objectBody(uris, {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 0.0f},
                      size);
    transport.read(*reinterpret_cast<const LV2_Atom_Object_Body*>(body.data()), size, 0, 48000.0);
    transport.advance(48000, 48000.0);
    transport.fill(got, false);
    EXPECT_NEAR(got.ppqPosition, 5.0, 1e-9) << "a stopped transport stands";
    EXPECT_NEAR(got.tempo, 120.0, 1e-9) << "the tempo is kept when a position leaves it out";
}

// An object of another type, or one cut inside a property, changes nothing
// it cannot read whole; nonsense numbers are ignored.
TEST(Lv2Transport, ReadsNoMoreThanTheObjectHolds)
{
    UridMap uris;
    Lv2Transport transport;
    transport.mapUris(*uris.mapFeature());
    std::uint32_t size = 0;
    auto body = objectBody(uris, {140.0f, 8.0, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 1.0f}, size);
    auto* object = reinterpret_cast<LV2_Atom_Object_Body*>(body.data());

    object->otype = uris.map(LV2_TIME__Rate);
    transport.read(*object, size, 0, 48000.0);
    EXPECT_FALSE(transport.known()) << "not a position";

    object->otype = uris.map(LV2_TIME__Position);
    transport.read(*object, sizeof(LV2_Atom_Object_Body) + sizeof(LV2_Atom_Property_Body) + 2, 0, 48000.0);
    HostTransport got;
    transport.fill(got, false);
    EXPECT_DOUBLE_EQ(got.tempo, 120.0) << "a tempo cut short is not read";

    body = objectBody(uris, {-5.0f, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 0, std::nullopt}, size);
    transport.read(*reinterpret_cast<const LV2_Atom_Object_Body*>(body.data()), size, 0, 48000.0);
    transport.fill(got, false);
    EXPECT_DOUBLE_EQ(got.tempo, 120.0) << "a negative tempo and a zero beat unit are ignored";
}

} // namespace
} // namespace lv2test
