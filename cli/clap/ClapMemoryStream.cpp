#include "clap/ClapMemoryStream.h"

#include <algorithm>
#include <cstring>

namespace tessarine::host {

ClapMemoryStream::ClapMemoryStream()
{
    out.ctx = this;
    out.write = [](const clap_ostream_t* s, const void* data, std::uint64_t size) -> std::int64_t {
        auto* self = static_cast<ClapMemoryStream*>(s->ctx);
        if (self->failing) {
            return -1;
        }
        const std::size_t n = std::min<std::uint64_t>(size, self->piece);
        const auto* from = static_cast<const std::uint8_t*>(data);
        self->bytes.insert(self->bytes.end(), from, from + n);
        return static_cast<std::int64_t>(n);
    };
    in.ctx = this;
    in.read = [](const clap_istream_t* s, void* data, std::uint64_t size) -> std::int64_t {
        auto* self = static_cast<ClapMemoryStream*>(s->ctx);
        if (self->failing) {
            return -1;
        }
        const std::size_t n = std::min<std::uint64_t>({size, self->piece, self->bytes.size() - self->position});
        if (n > 0) {
            std::memcpy(data, self->bytes.data() + self->position, n);
        }
        self->position += n;
        return static_cast<std::int64_t>(n);
    };
}

} // namespace tessarine::host
