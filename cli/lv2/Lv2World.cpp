#include "lv2/Lv2World.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/presets/presets.h>

#include <algorithm>
#include <filesystem>

namespace tessarine::host {

Lv2World::Lv2World() : world_(lilv_world_new())
{
    options_[0] = LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, uris_.map(LV2_BUF_SIZE__minBlockLength),
                                     sizeof minBlock_, uris_.map(LV2_ATOM__Int), &minBlock_};
    options_[1] = LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, uris_.map(LV2_BUF_SIZE__maxBlockLength),
                                     sizeof maxBlock_, uris_.map(LV2_ATOM__Int), &maxBlock_};
    options_[2] = LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mapFeature_ = {LV2_URID__map, uris_.feature()};
    optionsFeature_ = {LV2_OPTIONS__options, options_.data()};
    boundedFeature_ = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
    features_ = {&mapFeature_, &optionsFeature_, &boundedFeature_, nullptr};
}

Lv2World::~Lv2World() { lilv_world_free(world_); }

bool Lv2World::load(const std::string& bundlePath, const std::string& uri, std::string& error)
{
    std::error_code failed;
    const std::filesystem::path folder = std::filesystem::absolute(bundlePath, failed);
    if (failed || !std::filesystem::is_directory(folder, failed)) {
        error = "no bundle folder at " + bundlePath;
        return false;
    }
    if (!std::filesystem::is_regular_file(folder / "manifest.ttl", failed)) {
        error = "the bundle has no manifest.ttl";
        return false;
    }
    // lilv takes a bundle's address only with its closing slash.
    std::string address = folder.string();
    if (address.back() != '/') {
        address += '/';
    }
    LilvNode* bundle = lilv_new_file_uri(world_, nullptr, address.c_str());
    lilv_world_load_bundle(world_, bundle);
    lilv_node_free(bundle);

    const LilvPlugins* plugins = lilv_world_get_all_plugins(world_);
    if (!uri.empty()) {
        LilvNode* wanted = lilv_new_uri(world_, uri.c_str());
        plugin_ = lilv_plugins_get_by_uri(plugins, wanted);
        lilv_node_free(wanted);
        if (plugin_ == nullptr) {
            error = "the bundle lists no plug-in " + uri;
        }
    } else if (lilv_plugins_size(plugins) == 1) {
        plugin_ = lilv_plugins_get(plugins, lilv_plugins_begin(plugins));
    } else if (lilv_plugins_size(plugins) == 0) {
        error = "the bundle lists no plug-in";
    } else {
        error = "the bundle lists " + std::to_string(lilv_plugins_size(plugins)) + " plug-ins; name one by its URI:";
        LILV_FOREACH (plugins, i, plugins) {
            error += std::string(" ") + lilv_node_as_uri(lilv_plugin_get_uri(lilv_plugins_get(plugins, i)));
        }
    }
    return plugin_ != nullptr;
}

std::string Lv2World::uri() const { return plugin_ != nullptr ? lilv_node_as_uri(lilv_plugin_get_uri(plugin_)) : ""; }

std::vector<std::string> Lv2World::missingFeatures() const
{
    std::vector<std::string> missing;
    LilvNodes* required = lilv_plugin_get_required_features(plugin_);
    LILV_FOREACH (nodes, i, required) {
        const char* feature = lilv_node_as_uri(lilv_nodes_get(required, i));
        const bool offered = std::any_of(features_.begin(), features_.end() - 1,
                                         [&](const LV2_Feature* f) { return std::string(f->URI) == feature; });
        if (!offered) {
            missing.emplace_back(feature);
        }
    }
    lilv_nodes_free(required);
    return missing;
}

std::vector<Lv2Preset> Lv2World::presets()
{
    std::vector<Lv2Preset> list;
    LilvNode* presetClass = lilv_new_uri(world_, LV2_PRESETS__Preset);
    LilvNodes* presets = lilv_plugin_get_related(plugin_, presetClass);
    LILV_FOREACH (nodes, i, presets) {
        const LilvNode* preset = lilv_nodes_get(presets, i);
        lilv_world_load_resource(world_, preset);
        std::shared_ptr<LilvState> state(lilv_state_new_from_world(world_, uris_.feature(), preset), lilv_state_free);
        const char* label = state != nullptr ? lilv_state_get_label(state.get()) : nullptr;
        list.push_back({lilv_node_as_uri(preset), label != nullptr ? label : "", state});
    }
    lilv_nodes_free(presets);
    lilv_node_free(presetClass);
    std::sort(list.begin(), list.end(), [](const Lv2Preset& a, const Lv2Preset& b) { return a.label < b.label; });
    return list;
}

int Lv2World::portIndex(const char* symbol) const
{
    LilvNode* node = lilv_new_string(world_, symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin_, node);
    lilv_node_free(node);
    return port != nullptr ? static_cast<int>(lilv_port_get_index(plugin_, port)) : -1;
}

} // namespace tessarine::host
