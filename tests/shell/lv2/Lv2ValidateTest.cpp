// tessarine validate on LV2 bundles, judged by what it finds: a copy of the
// built bundle with one fault in its descriptions fails exactly the check
// that should catch it. (The built bundle passing every check:
// shell/lv2/Validate.)

#include "support/RunCommand.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tessarine::test {
namespace {

namespace fs = std::filesystem;

// The built bundle beside the test, its files linked, with file's text (when
// given) edited: the first from replaced by to, or the file left out when
// from is empty.
void copyBundle(const fs::path& into, const char* file, const std::string& from, const std::string& to)
{
    const fs::path built = TESSARINE_LV2_BUNDLE;
    fs::create_directories(into);
    for (const auto& entry : fs::directory_iterator(built)) {
        const std::string name = entry.path().filename().string();
        if (file == nullptr || name != file) {
            fs::create_symlink(entry.path(), into / name);
            continue;
        }
        if (from.empty()) {
            continue;
        }
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        std::string edited = text.str();
        const std::size_t at = edited.find(from);
        ASSERT_NE(at, std::string::npos) << from << " not in " << name;
        edited.replace(at, from.size(), to);
        std::ofstream(into / name) << edited;
    }
}

TEST(Lv2Validate, FindsEachFaultOfABrokenBundle)
{
    struct Case {
        const char* what;
        const char* file;
        const char* from;
        const char* to;
        const char* flags;
        const char* expectedLine;
    };
    const Case cases[] = {
        {"no manifest", "manifest.ttl", "", "", "", "FAIL load.entry: the bundle has no manifest.ttl"},
        {"another plug-in asked for", nullptr, "", "", "--uri urn:other",
         "FAIL load.entry: the bundle lists no plug-in urn:other"},
        {"a feature the host lacks", "Tessarine.ttl", "lv2:requiredFeature urid:map ;",
         "lv2:requiredFeature urid:map , <urn:example:missing> ;", "",
         "FAIL load.instance: requires urn:example:missing, which the host does not offer"},
        {"a default past the maximum", "Tessarine.ttl", "lv2:default 0.5 ;", "lv2:default 1.5 ;", "",
         "FAIL scan.ports: control port 0's default 1.500000 lies outside its range"},
    };
    TempFolder folder;
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path bundle = folder.path() / ("case" + std::to_string(++number)) / "Tessarine.lv2";
        copyBundle(bundle, c.file, c.from, c.to);
        const auto result =
            runCli("validate --level 1 " + std::string(c.flags) + " --plugin " + bundle.string(), " 2>/dev/null");
        EXPECT_NE(result.status, 0) << result.output;
        EXPECT_NE(result.output.find(c.expectedLine), std::string::npos) << result.output;
        EXPECT_NE(result.output.find("summary: "), std::string::npos) << result.output;
    }
}

} // namespace
} // namespace tessarine::test
