#pragma once
// The built bundle as the tests load it: through the command-line host's LV2
// classes (cli/lv2), the validator's own, with the instrument's URI.

#include "lv2/Lv2Instance.h"
#include "lv2/Lv2World.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tessarine::test {

// Ports 0 to 172 are the parameters, 173 the events, 174 and 175 the output.
inline constexpr std::uint32_t kLv2Parameters = 173;

struct Lv2Bundle : host::Lv2World {
    Lv2Bundle()
    {
        std::string error;
        EXPECT_TRUE(load(TESSARINE_LV2_BUNDLE, "urn:brightmoor-labs:tessarine", error)) << error;
    }
    std::unique_ptr<host::Lv2Instance> instance(double rate = 48000.0)
    {
        std::string error;
        std::unique_ptr<host::Lv2Instance> made = host::Lv2Instance::create(*this, rate, error);
        EXPECT_NE(made, nullptr) << error;
        return made;
    }
};

// The instrument's one state property, as the state interface stores it.
inline std::vector<std::uint8_t> savedRecord(host::Lv2Instance& instance)
{
    host::Lv2State state;
    EXPECT_EQ(instance.saveState(state), 0);
    EXPECT_EQ(state.size(), 1u);
    return state.empty() ? std::vector<std::uint8_t>() : state.front().bytes;
}

// That record given back to the state interface under the instrument's key
// and as a chunk, unless another key or type is given; the interface's status.
inline int restoreRecord(Lv2Bundle& world, host::Lv2Instance& instance, const std::vector<std::uint8_t>& record,
                         const char* key = "urn:brightmoor-labs:tessarine#instrument",
                         const char* type = "http://lv2plug.in/ns/ext/atom#Chunk")
{
    return instance.restoreState(
        {{world.uris().map(key), world.uris().map(type), LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, record}});
}

} // namespace tessarine::test
