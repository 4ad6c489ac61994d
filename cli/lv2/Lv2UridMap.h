#pragma once
// The urid:map a host hands its LV2 plug-ins: one number per URI for the life
// of the host, the same for every instance. Plug-ins map while they are made
// and their state restored, on the main thread, so the table may grow.

#include <lv2/urid/urid.h>

#include <string>
#include <vector>

namespace tessarine::host {

class Lv2UridMap {
public:
    Lv2UridMap();
    Lv2UridMap(const Lv2UridMap&) = delete;
    Lv2UridMap& operator=(const Lv2UridMap&) = delete;

    LV2_URID map(const char* uri);
    LV2_URID_Map* feature() { return &map_; }

private:
    std::vector<std::string> uris_;
    LV2_URID_Map map_{};
};

} // namespace tessarine::host
