// Runs a fuzz target over folders of inputs without libFuzzer, so any compiler
// (and the sanitizer builds) can replay the seed corpus as a test. Each folder
// has a MANIFEST naming every seed with the outcome it must keep:
//
//   load   current.chunk     # the reader takes it
//   refuse cut-in-half.chunk # the reader turns it away
//
// The replay fails when a seed's outcome changes, when a seed is not in the
// MANIFEST, or when the MANIFEST names a seed that is not there, so a reader
// that starts refusing everything cannot pass. `--print` writes the outcomes
// as a MANIFEST instead of checking them, for a folder's new seeds.

#include "FuzzOutcome.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

constexpr const char* kManifest = "MANIFEST";

bool replay(const std::filesystem::path& file, bool& loaded)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay: cannot open %s\n", file.c_str());
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    tessarine::fuzz::lastInputLoaded = false;
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    loaded = tessarine::fuzz::lastInputLoaded;
    return true;
}

// Seed name to "must load"; false with a message for a line it cannot read.
bool readManifest(const std::filesystem::path& folder, std::map<std::string, bool>& expected)
{
    std::ifstream in(folder / kManifest);
    if (!in) {
        std::fprintf(stderr, "replay: %s has no %s\n", folder.c_str(), kManifest);
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string outcome, name, extra;
        if (!(words >> outcome)) {
            continue;
        }
        if (!(words >> name) || (words >> extra) || (outcome != "load" && outcome != "refuse") ||
            !expected.emplace(name, outcome == "load").second) {
            std::fprintf(stderr, "replay: %s/%s:%d: expected 'load NAME' or 'refuse NAME' once per seed\n",
                         folder.c_str(), kManifest, number);
            return false;
        }
    }
    return true;
}

// Replays every seed of folder; the number of failures.
int replayFolder(const std::filesystem::path& folder, bool print, int& count)
{
    std::vector<std::filesystem::path> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().filename() != kManifest) {
            seeds.push_back(entry.path());
        }
    }
    std::sort(seeds.begin(), seeds.end());
    std::map<std::string, bool> expected;
    if (!print && !readManifest(folder, expected)) {
        return 1;
    }
    int failures = 0;
    for (const auto& seed : seeds) {
        bool loaded = false;
        if (!replay(seed, loaded)) {
            ++failures;
            continue;
        }
        ++count;
        const std::string name = seed.filename().string();
        if (print) {
            std::printf("%-6s %s\n", loaded ? "load" : "refuse", name.c_str());
            continue;
        }
        const auto found = expected.find(name);
        if (found == expected.end()) {
            std::fprintf(stderr, "replay: %s is not in the %s (it was %s)\n", seed.c_str(), kManifest,
                         loaded ? "loaded" : "refused");
            ++failures;
            continue;
        }
        if (found->second != loaded) {
            std::fprintf(stderr, "replay: %s was %s, the %s says it must be %s\n", seed.c_str(),
                         loaded ? "loaded" : "refused", kManifest, found->second ? "loaded" : "refused");
            ++failures;
        }
        expected.erase(found);
    }
    for (const auto& [name, load] : expected) {
        std::fprintf(stderr, "replay: the %s names %s, which is not in %s\n", kManifest, name.c_str(), folder.c_str());
        ++failures;
    }
    return failures;
}

} // namespace

int main(int argc, char** argv)
{
    bool print = false;
    int count = 0;
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--print") == 0) {
            print = true;
            continue;
        }
        const std::filesystem::path folder(argv[i]);
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) {
            std::fprintf(stderr, "replay: %s is not a corpus folder\n", argv[i]);
            ++failures;
            continue;
        }
        failures += replayFolder(folder, print, count);
    }
    if (!print) {
        std::printf("replay: %d inputs, %d failures\n", count, failures);
    }
    return failures == 0 && count > 0 ? 0 : 1;
}
