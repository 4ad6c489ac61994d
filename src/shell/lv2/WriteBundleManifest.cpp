// Writes the bundle's manifest.ttl and one preset file per factory instrument,
// after the factory library is laid out. The library's own listing names the
// presets "Category/Name", as the editor's instrument menus do; a tree built
// without the library gets a manifest without presets.
// Usage: WriteBundleManifest LIBRARY_ROOT BUNDLE_DIR

#include "core/CoreHost.h"
#include "core/InstrumentCore.h"
#include "params/ParameterTable.h"
#include "shell/lv2/Lv2Identity.h"
#include "shell/lv2/PortSymbols.h"
#include "shell/lv2/TtlText.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tessarine::lv2 {

namespace {

// The generator loads instruments with no host around it.
class QuietHost final : public CoreHost {
public:
    void automateFromEditor(int, float) override {}
    void automateFromAudio(int, float) override {}
    void serveIdle() override {}
    bool readTransport(HostTransport&, bool) override { return false; }
    void editorChanged(bool) override {}
};

struct Preset {
    std::string label;    // "Category/Name"
    std::string slug;     // the preset's URI fragment and file name
    std::string fileIri;  // the instrument file relative to the preset file
    std::array<float, kParameterCount> values{};
};

// Letters and digits stay; everything else becomes '_' (URI fragments and file names).
std::string slugOf(const std::string& text)
{
    std::string slug;
    for (unsigned char c : text) {
        slug += (std::isalnum(c) != 0) ? static_cast<char>(c) : '_';
    }
    return slug;
}

// A relative IRI for a path: unreserved characters and '/' stay, the rest is %-encoded.
std::string iriOf(const std::string& path)
{
    std::string iri;
    for (unsigned char c : path) {
        if (std::isalnum(c) != 0 || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            iri += static_cast<char>(c);
        } else {
            char encoded[4];
            std::snprintf(encoded, sizeof encoded, "%%%02X", c);
            iri += encoded;
        }
    }
    return iri;
}

const char* kPrefixes = R"(@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .
@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .
@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .
@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> .
@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .

)";

std::vector<Preset> listPresets(const std::filesystem::path& root)
{
    std::vector<Preset> presets;
    if (!std::filesystem::is_directory(root / "TessarineData")) {
        return presets;
    }
    QuietHost host;
    InstrumentCore core(host, root.c_str());
    const auto& menus = core.library().instrumentMenus();
    std::set<std::string> slugs;
    for (int category = 0; category < static_cast<int>(menus.categories().size()); ++category) {
        const auto& instruments = menus.instruments(category);
        for (int instrument = 0; instrument < static_cast<int>(instruments.size()); ++instrument) {
            std::string path;
            if (!menus.pathOf(category, instrument, path) || !core.loadInstrumentFile(path.c_str())) {
                std::fprintf(stderr, "WriteBundleManifest: cannot load %s\n", path.c_str());
                continue;
            }
            Preset preset;
            preset.label = menus.categories()[static_cast<std::size_t>(category)] + "/"
                           + instruments[static_cast<std::size_t>(instrument)].name;
            preset.slug = slugOf(preset.label);
            while (!slugs.insert(preset.slug).second) {
                preset.slug += "_";
            }
            const std::filesystem::path relative = std::filesystem::relative(path, root);
            preset.fileIri = iriOf("../" + relative.generic_string());
            for (int index = 0; index < kParameterCount; ++index) {
                preset.values[static_cast<std::size_t>(index)] = core.parameter(index);
            }
            presets.push_back(std::move(preset));
        }
    }
    return presets;
}

std::string presetUri(const Preset& preset) { return std::string(kPluginUri) + "#preset-" + preset.slug; }

std::string presetTtl(const Preset& preset, const std::array<std::string, kParameterCount>& symbols)
{
    std::ostringstream out;
    out << kPrefixes << "<" << presetUri(preset) << ">\n"
        << "    a pset:Preset ;\n"
        << "    lv2:appliesTo <" << kPluginUri << "> ;\n"
        << "    rdfs:label " << ttlString(preset.label) << " ;\n"
        << "    lv2:port";
    for (int index = 0; index < kParameterCount; ++index) {
        out << (index == 0 ? " [\n" : " , [\n") << "        lv2:symbol "
            << ttlString(symbols[static_cast<std::size_t>(index)]) << " ;\n        pset:value "
            << ttlFloat(preset.values[static_cast<std::size_t>(index)]) << "\n    ]";
    }
    // The instrument itself is its factory file, which the bundle carries.
    out << " ;\n    state:state [\n        <" << kInstrumentFileKey << "> <" << preset.fileIri << ">\n    ] .\n";
    return out.str();
}

std::string manifestTtl(const std::vector<Preset>& presets)
{
    std::ostringstream out;
    out << kPrefixes << "<" << kPluginUri << ">\n"
        << "    a lv2:Plugin , lv2:InstrumentPlugin ;\n"
        << "    lv2:binary <" << kModuleName << "> ;\n"
        << "    rdfs:seeAlso <Tessarine.ttl> .\n\n"
        << "<" << kUiUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    ui:binary <" << kModuleName << "> ;\n"
        << "    rdfs:seeAlso <Tessarine.ttl> .\n";
    for (const Preset& preset : presets) {
        out << "\n<" << presetUri(preset) << ">\n"
            << "    a pset:Preset ;\n"
            << "    lv2:appliesTo <" << kPluginUri << "> ;\n"
            << "    rdfs:label " << ttlString(preset.label) << " ;\n"
            << "    rdfs:seeAlso <presets/" << preset.slug << ".ttl> .\n";
    }
    return out.str();
}

// An unchanged file is left alone, so the build sees no change.
bool writeIfChanged(const std::filesystem::path& file, const std::string& text)
{
    {
        std::ifstream existing(file, std::ios::binary);
        std::ostringstream old;
        old << existing.rdbuf();
        if (existing && old.str() == text) {
            return true;
        }
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "WriteBundleManifest: cannot write %s\n", file.c_str());
        return false;
    }
    return true;
}

} // namespace

} // namespace tessarine::lv2

int main(int argc, char** argv)
{
    using namespace tessarine::lv2;
    if (argc != 3) {
        std::fprintf(stderr, "usage: WriteBundleManifest LIBRARY_ROOT BUNDLE_DIR\n");
        return 2;
    }
    const std::filesystem::path bundle = argv[2];
    const std::vector<Preset> presets = listPresets(argv[1]);
    const auto symbols = portSymbols();
    std::error_code error;
    std::filesystem::create_directories(bundle / "presets", error);
    bool ok = !error;
    for (const Preset& preset : presets) {
        ok = ok && writeIfChanged(bundle / "presets" / (preset.slug + ".ttl"), presetTtl(preset, symbols));
    }
    ok = ok && writeIfChanged(bundle / "manifest.ttl", manifestTtl(presets));
    return ok ? 0 : 1;
}
