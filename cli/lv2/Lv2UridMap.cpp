#include "lv2/Lv2UridMap.h"

#include <algorithm>

namespace tessarine::host {

Lv2UridMap::Lv2UridMap()
{
    map_.handle = this;
    map_.map = [](LV2_URID_Map_Handle handle, const char* uri) { return static_cast<Lv2UridMap*>(handle)->map(uri); };
}

LV2_URID Lv2UridMap::map(const char* uri)
{
    if (uri == nullptr) {
        return 0;
    }
    const auto found = std::find(uris_.begin(), uris_.end(), uri);
    if (found != uris_.end()) {
        return static_cast<LV2_URID>(found - uris_.begin() + 1);
    }
    uris_.emplace_back(uri);
    return static_cast<LV2_URID>(uris_.size());
}

} // namespace tessarine::host
