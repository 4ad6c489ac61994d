#pragma once
// The byte streams a CLAP host hands a plug-in's state: bytes in memory,
// moving at most piece bytes a call, as some hosts' streams do, and failing
// every call when asked to, as a full disk or a broken pipe would. The state
// checks use it both ways.

#include <clap/stream.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessarine::host {

struct ClapMemoryStream {
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
    std::size_t piece = SIZE_MAX;
    bool failing = false;
    clap_ostream_t out{};
    clap_istream_t in{};

    ClapMemoryStream();
    // The streams point at this object.
    ClapMemoryStream(const ClapMemoryStream&) = delete;
    ClapMemoryStream& operator=(const ClapMemoryStream&) = delete;
};

} // namespace tessarine::host
