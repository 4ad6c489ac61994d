#pragma once
// Repeatable renders through CLAP: the plug-in extension a test or the
// command-line host asks for to start every random source of an instance from
// one seed, so that the formats can be compared sample for sample.

#include <clap/plugin.h>

#include <cstdint>

namespace tessarine {

inline constexpr char kClapSeedExtension[] = "com.brightmoor-labs.tessarine.seed";

struct ClapSeedExtension {
    void (*seed)(const clap_plugin_t* plugin, std::uint32_t seed);
};

} // namespace tessarine
