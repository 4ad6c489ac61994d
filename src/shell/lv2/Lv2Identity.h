#pragma once
// What names the instrument to LV2 hosts: the URIs that sessions and presets
// store, the keys of its state and the layout of its ports. The plug-in, its
// UI and the bundle's generators read them from here, so a host's saved
// project always meets the same names.

namespace tessarine::lv2 {

inline constexpr const char* kPluginUri = "urn:brightmoor-labs:tessarine";
inline constexpr const char* kUiUri = "urn:brightmoor-labs:tessarine#ui";
// The whole instrument record, as the VST 2 chunk holds it.
inline constexpr const char* kInstrumentKey = "urn:brightmoor-labs:tessarine#instrument";
// A factory instrument named by its file inside the bundle (the presets).
inline constexpr const char* kInstrumentFileKey = "urn:brightmoor-labs:tessarine#instrumentFile";
inline constexpr const char* kProductName = "Tessarine";
inline constexpr const char* kVendorName = "Brightmoor Labs";
inline constexpr const char* kModuleName = "Tessarine_lv2.so";

// Port indices: one control input per host parameter first, so that a
// parameter's index is its port's index; then the events and the two outputs.
inline constexpr int kEventsPort = 173;
inline constexpr int kLeftPort = 174;
inline constexpr int kRightPort = 175;
inline constexpr int kPortCount = 176;

} // namespace tessarine::lv2
