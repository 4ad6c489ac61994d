#include "host/PluginInfo.h"

#include "host/PluginHost.h"
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "commands/JsonWriter.h"

#include <cstdio>
#include <cstring>

namespace tessarine::host {

PluginInfo collectInfo(PluginHost& host)
{
    const vst::EffectRecord& effect = *host.effect();
    PluginInfo info{};
    info.effectName = host.effectName();
    info.vendor = host.vendorString();
    info.product = host.productString();
    info.vendorVersion = host.dispatch(vst::effGetVendorVersion);
    info.vstVersion = host.dispatch(vst::effGetVstVersion);
    info.uniqueId = effect.uniqueID;
    info.category = host.dispatch(vst::effGetPlugCategory);
    info.flags = effect.flags;
    info.inputs = effect.numInputs;
    info.outputs = effect.numOutputs;
    info.programs = effect.numPrograms;
    // A record claiming millions of parameters would make this listing useless
    // and slow; hosts cap what they show, and so do we.
    int count = effect.numParams < 0 ? 0 : (effect.numParams > 100000 ? 100000 : effect.numParams);
    info.parameters.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        info.parameters.push_back(
            {i, host.parameterName(i), host.getParameter(i), host.parameterDisplay(i), host.parameterLabel(i)});
    }
    return info;
}

std::string uniqueIdText(int uniqueId)
{
    char bytes[4];
    std::memcpy(bytes, &uniqueId, 4);
    std::string text;
    for (char c : bytes) {
        text += (c >= 0x20 && c < 0x7f) ? c : '.';
    }
    return text;
}

namespace {

std::string hex(long long value)
{
    char text[24];
    std::snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(value) & 0xffffffffULL);
    return text;
}

const char* categoryName(long long category)
{
    static const char* const names[] = {"unknown",   "effect",    "synth",          "analysis", "mastering",
                                        "spacializer", "room effect", "surround effect", "restoration",
                                        "offline process", "shell", "generator"};
    return category >= 0 && category < 12 ? names[category] : "unknown";
}

} // namespace

void printInfoText(const PluginInfo& info, std::ostream& out)
{
    out << "Effect name:    " << info.effectName << '\n'
        << "Vendor:         " << info.vendor << '\n'
        << "Product:        " << info.product << '\n'
        << "Vendor version: " << info.vendorVersion << '\n'
        << "VST version:    " << info.vstVersion << '\n'
        << "Unique id:      " << uniqueIdText(info.uniqueId) << " (" << hex(info.uniqueId) << ")\n"
        << "Category:       " << categoryName(info.category) << " (" << info.category << ")\n"
        << "Flags:          " << hex(info.flags) << '\n'
        << "Inputs:         " << info.inputs << '\n'
        << "Outputs:        " << info.outputs << '\n'
        << "Programs:       " << info.programs << '\n'
        << "Parameters:     " << info.parameters.size() << '\n';
    char line[160];
    std::snprintf(line, sizeof(line), "%5s  %-24s %10s  %-12s %s\n", "index", "name", "value", "display", "label");
    out << line;
    for (const ParameterRow& row : info.parameters) {
        std::snprintf(line, sizeof(line), "%5d  %-24s %10.6g  %-12s %s\n", row.index, row.name.c_str(),
                      static_cast<double>(row.value), ("\"" + row.display + "\"").c_str(),
                      ("\"" + row.label + "\"").c_str());
        out << line;
    }
}

void printInfoJson(const PluginInfo& info, std::ostream& out)
{
    JsonWriter json(out);
    json.beginObject();
    json.key("effectName").value(info.effectName);
    json.key("vendor").value(info.vendor);
    json.key("product").value(info.product);
    json.key("vendorVersion").value(info.vendorVersion);
    json.key("vstVersion").value(info.vstVersion);
    json.key("uniqueId").value(static_cast<long long>(info.uniqueId));
    json.key("uniqueIdText").value(uniqueIdText(info.uniqueId));
    json.key("category").value(info.category);
    json.key("categoryName").value(categoryName(info.category));
    json.key("flags").value(static_cast<long long>(info.flags));
    json.key("inputs").value(info.inputs);
    json.key("outputs").value(info.outputs);
    json.key("programs").value(info.programs);
    json.key("parameterCount").value(static_cast<long long>(info.parameters.size()));
    json.key("parameters").beginArray();
    for (const ParameterRow& row : info.parameters) {
        json.beginObject();
        json.key("index").value(row.index);
        json.key("name").value(row.name);
        json.key("value").value(static_cast<double>(row.value));
        json.key("display").value(row.display);
        json.key("label").value(row.label);
        json.endObject();
    }
    json.endArray();
    json.endObject();
    out << '\n';
}

namespace {

int runInfo(const std::string& pluginPath, bool json)
{
    std::string error;
    auto host = PluginHost::load(pluginPath, error);
    if (!host) {
        std::cerr << "tessarine: " << error << '\n';
        return 1;
    }
    auto info = collectInfo(*host);
    if (json) {
        printInfoJson(info, std::cout);
    } else {
        printInfoText(info, std::cout);
    }
    if (!std::cout.good()) {
        std::cerr << "tessarine: cannot write the report\n";
        return 1;
    }
    return 0;
}

Command::Run setUpInfo(CLI::App& command, const std::string& defaultPlugin)
{
    struct Options {
        std::string pluginPath;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    options->pluginPath = defaultPlugin;
    command.add_option("--plugin", options->pluginPath, "Plug-in to load (default: Tessarine.so beside this program)");
    command.add_flag("--json", options->json, "Print the report as JSON");
    return [options] { return runInfo(options->pluginPath, options->json); };
}

} // namespace

const Command kInfoCommand{"info", "Show the plug-in's identity and every parameter", &setUpInfo};

} // namespace tessarine::host
