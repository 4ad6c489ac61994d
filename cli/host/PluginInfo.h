#pragma once
// What a plug-in tells a host about itself: identity, counts and every
// parameter's name, value, display and label, as `tessarine info` prints it.

#include "commands/Command.h"
#include "host/PluginHost.h"

#include <ostream>
#include <string>
#include <vector>

namespace tessarine::host {

struct ParameterRow {
    int index;
    std::string name;
    float value;
    std::string display;
    std::string label;
};

struct PluginInfo {
    std::string effectName;
    std::string vendor;
    std::string product;
    long long vendorVersion;
    long long vstVersion;
    int uniqueId;
    long long category;
    int flags;
    int inputs;
    int outputs;
    int programs;
    std::vector<ParameterRow> parameters;
};

PluginInfo collectInfo(PluginHost& host);

// The unique id as a host shows it: its four bytes as they lie in memory,
// with '.' for bytes that are not printable.
std::string uniqueIdText(int uniqueId);

void printInfoText(const PluginInfo& info, std::ostream& out);
void printInfoJson(const PluginInfo& info, std::ostream& out);

extern const Command kInfoCommand;

} // namespace tessarine::host
