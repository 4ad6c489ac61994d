#pragma once
// An LV2 bundle as a host loads it: its descriptions read by lilv into a world
// of its own (no other installed bundle is looked at), one plug-in of it
// chosen, and the features the host offers every instance of it: urid:map,
// bounded block lengths and the options saying the bounds.

#include "lv2/Lv2UridMap.h"

#include <lilv/lilv.h>
#include <lv2/options/options.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessarine::host {

// A preset as lilv loads it, with its label; state is null when it does not load.
struct Lv2Preset {
    std::string uri;
    std::string label;
    std::shared_ptr<LilvState> state;
};

class Lv2World {
public:
    // The longest block any instance is run with.
    static constexpr std::int32_t kMaxBlock = 4096;

    Lv2World();
    ~Lv2World();
    Lv2World(const Lv2World&) = delete;
    Lv2World& operator=(const Lv2World&) = delete;

    // Reads the bundle (a folder with a manifest.ttl) and picks the plug-in
    // named uri, or with uri empty the bundle's only one; false with the reason.
    bool load(const std::string& bundlePath, const std::string& uri, std::string& error);

    const LilvPlugin* plugin() const { return plugin_; }
    std::string uri() const;
    LilvWorld* lilv() { return world_; }
    Lv2UridMap& uris() { return uris_; }
    const LV2_Feature* const* features() const { return features_.data(); }
    // The features the plug-in requires that this host does not offer.
    std::vector<std::string> missingFeatures() const;
    // Every preset the plug-in lists, by label.
    std::vector<Lv2Preset> presets();
    // -1 when the plug-in has no port of that symbol.
    int portIndex(const char* symbol) const;

private:
    LilvWorld* world_ = nullptr;
    const LilvPlugin* plugin_ = nullptr;
    Lv2UridMap uris_;
    std::int32_t minBlock_ = 1;
    std::int32_t maxBlock_ = kMaxBlock;
    std::array<LV2_Options_Option, 3> options_{};
    LV2_Feature mapFeature_{}, optionsFeature_{}, boundedFeature_{};
    std::vector<const LV2_Feature*> features_;
};

} // namespace tessarine::host
