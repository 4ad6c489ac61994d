// The host's transport as time:Position objects carry it, read into the
// quarter-note tempo and positions the instrument syncs to.

#include "lv2/Lv2EventSequence.h"
#include "shell/lv2/Lv2Transport.h"

#include <lv2/atom/util.h>

#include <gtest/gtest.h>

namespace tessarine::test {
namespace {

using host::Lv2Position;
using host::Lv2UridMap;

using lv2::Lv2Transport;

// The position as the first event of a sequence carries it, read at frameOffset into the block.
void read(Lv2Transport& transport, Lv2UridMap& uris, const Lv2Position& position, int frameOffset)
{
    host::Lv2EventSequence sequence(uris);
    sequence.position(0, position);
    const LV2_Atom_Event* event = lv2_atom_sequence_begin(&sequence.atom()->body);
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
    transport.read(object->body, object->atom.size, frameOffset, 48000.0);
}

// Between positions the play moves on at the last tempo, into the next bar,
// and a stopped transport stands; a position that only stops the transport
// keeps the tempo and place it had.
TEST(Lv2Transport, ReadsPositionsInQuarterNotesAndMovesOnWhilePlaying)
{
    const struct {
        const char* what;
        Lv2Position position;
        int frameOffset;
        int advance;
        HostTransport expected;
        bool thenStopped; // a position of nothing but speed 0 read after the advance, and as long again
    } cases[] = {
        {"4/4 at 140", {140.0f, 8.0, 0.0f, 2, 4.0f, 4, 1.0f}, 0, 0, {140.0, 8.0, 8.0}, false},
        {"mid-bar", {120.0f, 9.5, 1.5f, 2, 4.0f, 4, 1.0f}, 0, 0, {120.0, 9.5, 8.0}, false},
        // Eighth-note beats: 180 eighths a minute are 90 quarters.
        {"6/8", {180.0f, 12.0, 0.0f, 2, 6.0f, 8, 1.0f}, 0, 0, {90.0, 6.0, 6.0}, false},
        {"bar and beat only", {100.0f, std::nullopt, 2.0f, 3, 4.0f, 4, 1.0f}, 0, 0, {100.0, 14.0, 12.0}, false},
        // Half a second into the block at 120: the block started one beat earlier.
        {"taken back to the block start", {120.0f, 8.0, 0.0f, 2, 4.0f, 4, 1.0f}, 24000, 0, {120.0, 7.0, 8.0}, false},
        {"stopped: no going back", {120.0f, 8.0, 0.0f, 2, 4.0f, 4, 0.0f}, 24000, 0, {120.0, 8.0, 8.0}, false},
        {"one second on: two beats, into the next bar", {120.0f, 3.0, 3.0f, 0, 4.0f, 4, 1.0f}, 0, 48000,
         {120.0, 5.0, 4.0}, false},
        {"stopped: stands", {120.0f, 3.0, 3.0f, 0, 4.0f, 4, 0.0f}, 0, 48000, {120.0, 3.0, 0.0}, false},
        {"stopped without a tempo", {120.0f, 3.0, 3.0f, 0, 4.0f, 4, 1.0f}, 0, 48000, {120.0, 5.0, 4.0}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Lv2UridMap uris;
        Lv2Transport transport;
        transport.mapUris(*uris.feature());
        EXPECT_FALSE(transport.known());
        read(transport, uris, c.position, c.frameOffset);
        ASSERT_TRUE(transport.known());
        transport.advance(c.advance, 48000.0);
        if (c.thenStopped) {
            read(transport, uris,
                 {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 0.0f}, 0);
            transport.advance(c.advance, 48000.0);
        }
        HostTransport got;
        transport.fill(got, true);
        EXPECT_NEAR(got.tempo, c.expected.tempo, 1e-6);
        EXPECT_NEAR(got.ppqPosition, c.expected.ppqPosition, 1e-6);
        EXPECT_NEAR(got.barStart, c.expected.barStart, 1e-6);
    }
}

} // namespace
} // namespace tessarine::test
