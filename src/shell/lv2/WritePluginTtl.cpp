// Writes the plug-in's description, Tessarine.ttl, from the one parameter
// table at build time, so that the ports a host sees can never drift from the
// parameters the instrument has. Usage: WritePluginTtl OUTPUT_FILE

#include "params/ModulationLists.h"
#include "params/ParameterTable.h"
#include "shell/lv2/Lv2Identity.h"
#include "shell/lv2/PortSymbols.h"
#include "shell/lv2/TtlText.h"

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace tessarine::lv2 {

namespace {

const char* kPrefixes = R"(@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .
@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .
@prefix doap:  <http://usefulinc.com/ns/doap#> .
@prefix foaf:  <http://xmlns.com/foaf/0.1/> .
@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .
@prefix midi:  <http://lv2plug.in/ns/ext/midi#> .
@prefix opts:  <http://lv2plug.in/ns/ext/options#> .
@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .
@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .
@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> .
@prefix time:  <http://lv2plug.in/ns/ext/time#> .
@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .
@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .

)";

// The menu entries of a source or target port, each at its menu number.
void writeScalePoints(std::ostream& out, int index)
{
    const bool source = parameterTable()[static_cast<std::size_t>(index)].display == DisplayFormat::SourceList;
    const int count = source ? kSourceCount : kTargetCount;
    for (int number = 0; number < count; ++number) {
        std::string label = source ? modulationSourceText(number) : modulationTargetText(number);
        if (label.empty()) {
            label = std::to_string(number);
        }
        out << (number == 0 ? "        lv2:scalePoint [ rdfs:label " : " , [ rdfs:label ") << ttlString(label)
            << " ; rdf:value " << ttlFloat(static_cast<float>(number)) << " ]";
    }
    out << " ;\n";
}

// Port values are the table's own values (mostly 0 … 1), not the Hz, seconds
// or percent the editor displays, so no port claims a unit. The table marks
// no value as an on/off switch, so no port claims lv2:toggled either.
void writeParameterPort(std::ostream& out, int index, const std::string& symbol)
{
    const ParameterInfo& info = parameterTable()[static_cast<std::size_t>(index)];
    const ParameterRange range = parameterRange(index);
    std::string name = info.name != nullptr ? info.name : "";
    if (name.find_first_not_of(' ') == std::string::npos) {
        name = symbol; // a blank name would leave the host's control unlabelled
    }
    out << "    [\n        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol " << ttlString(symbol) << " ;\n"
        << "        lv2:name " << ttlString(name) << " ;\n"
        << "        lv2:default " << ttlFloat(clampedParameter(index, info.start)) << " ;\n"
        << "        lv2:minimum " << ttlFloat(range.low) << " ;\n"
        << "        lv2:maximum " << ttlFloat(range.high) << " ;\n";
    const bool list = info.display == DisplayFormat::SourceList || info.display == DisplayFormat::TargetList;
    // Ports no control sets stay, for the sessions that store them, out of
    // the host's generic view and automation.
    if (list || parameterHidden(index)) {
        out << "        lv2:portProperty ";
        if (list) {
            out << "lv2:integer , lv2:enumeration" << (parameterHidden(index) ? " , " : "");
        }
        if (parameterHidden(index)) {
            out << "pprops:notOnGUI , pprops:notAutomatic";
        }
        out << " ;\n";
    }
    if (list) {
        writeScalePoints(out, index);
    }
    out << "    ] ,\n";
}

bool writePluginTtl(std::ostream& out)
{
    const auto symbols = portSymbols();
    std::set<std::string> seen{"events", "out_left", "out_right"};
    for (const std::string& symbol : symbols) {
        if (!validSymbol(symbol) || !seen.insert(symbol).second) {
            std::fprintf(stderr, "WritePluginTtl: port symbol \"%s\" is invalid or repeated\n", symbol.c_str());
            return false;
        }
    }

    out << kPrefixes;
    out << "<" << kPluginUri << ">\n"
        << "    a lv2:Plugin , lv2:InstrumentPlugin , doap:Project ;\n"
        << "    doap:name " << ttlString(kProductName) << " ;\n"
        << "    doap:license <http://opensource.org/licenses/GPL-3.0> ;\n"
        << "    doap:maintainer [ a foaf:Organization ; foaf:name " << ttlString(kVendorName) << " ] ;\n"
        << "    doap:vendor [ a foaf:Organization ; foaf:name " << ttlString(kVendorName) << " ] ;\n"
        // Version 1, as the VST 2 plug-in reports it.
        << "    lv2:minorVersion 1 ;\n    lv2:microVersion 0 ;\n"
        << "    lv2:requiredFeature urid:map ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , opts:options ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength , bufsz:nominalBlockLength ;\n"
        << "    lv2:extensionData state:interface ;\n"
        << "    ui:ui <" << kUiUri << "> ;\n"
        << "    lv2:port\n";
    for (int index = 0; index < kParameterCount; ++index) {
        writeParameterPort(out, index, symbols[static_cast<std::size_t>(index)]);
    }
    out << "    [\n        a lv2:InputPort , atom:AtomPort ;\n"
        << "        lv2:index " << kEventsPort << " ;\n"
        << "        lv2:symbol \"events\" ;\n        lv2:name \"Events\" ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent , time:Position ;\n"
        << "        lv2:designation lv2:control ;\n    ] ,\n"
        << "    [\n        a lv2:OutputPort , lv2:AudioPort ;\n"
        << "        lv2:index " << kLeftPort << " ;\n"
        << "        lv2:symbol \"out_left\" ;\n        lv2:name \"Left\" ;\n    ] ,\n"
        << "    [\n        a lv2:OutputPort , lv2:AudioPort ;\n"
        << "        lv2:index " << kRightPort << " ;\n"
        << "        lv2:symbol \"out_right\" ;\n        lv2:name \"Right\" ;\n    ] .\n\n";

    // The state's keys, so that validators and hosts know what a saved
    // project and a preset hold.
    out << "<" << kInstrumentKey << ">\n"
        << "    a rdf:Property ;\n"
        << "    rdfs:label \"instrument\" ;\n"
        << "    rdfs:comment \"The whole instrument record: voices, curves and values.\" ;\n"
        << "    rdfs:range atom:Chunk .\n\n"
        << "<" << kInstrumentFileKey << ">\n"
        << "    a rdf:Property ;\n"
        << "    rdfs:label \"instrument file\" ;\n"
        << "    rdfs:comment \"A factory instrument file inside the bundle.\" ;\n"
        << "    rdfs:range atom:Path .\n\n";

    // The editor in the host's window: it drives the instance it belongs to
    // directly, so it needs the instance and reads no port events. It takes
    // the host's display scaling from the options it is given.
    out << "<" << kUiUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    ui:binary <" << kModuleName << "> ;\n"
        << "    lv2:requiredFeature <http://lv2plug.in/ns/ext/instance-access> , ui:parent ;\n"
        << "    lv2:optionalFeature ui:resize , ui:idleInterface , ui:noUserResize , opts:options , urid:map ;\n"
        << "    opts:supportedOption ui:scaleFactor ;\n"
        << "    lv2:extensionData ui:idleInterface .\n";
    return static_cast<bool>(out);
}

} // namespace

} // namespace tessarine::lv2

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: WritePluginTtl OUTPUT_FILE\n");
        return 2;
    }
    std::ostringstream text;
    if (!tessarine::lv2::writePluginTtl(text)) {
        return 1;
    }
    // An unchanged description is left alone, so hosts and the build see no change.
    {
        std::ifstream existing(argv[1], std::ios::binary);
        std::ostringstream old;
        old << existing.rdbuf();
        if (existing && old.str() == text.str()) {
            return 0;
        }
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << text.str();
    out.close();
    if (!out) {
        std::fprintf(stderr, "WritePluginTtl: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
