#include "sound/library/RandomInstrument.h"

#include "sound/library/LibraryListing.h"
#include "sound/library/RandomDraws.h"
#include "sound/library/RandomParameters.h"

namespace tessarine {

namespace {

constexpr int kSlots = 4;
// How often a slot takes its voice from any category rather than the matching one.
constexpr float kStrayVoiceChance = 0.1f;

std::size_t commonPrefix(std::string_view a, std::string_view b)
{
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n]) {
        ++n;
    }
    return n;
}

} // namespace

int matchingVoiceCategory(std::string_view instrumentCategory, const std::vector<std::string>& voiceCategories)
{
    int best = -1;
    std::size_t bestLength = 2; // a match must share more than two characters
    for (std::size_t i = 0; i < voiceCategories.size(); ++i) {
        const std::size_t length = commonPrefix(instrumentCategory, voiceCategories[i]);
        if (length > bestLength) {
            best = static_cast<int>(i);
            bestLength = length;
        }
    }
    return best;
}

void randomInstrument(std::string_view categoryName, const LibraryFolders& folders, RandomGenerator& generator,
                      LibraryTarget& target)
{
    RandomDraws draw(generator);
    std::vector<std::string> voiceCategories;
    const int categoryCount = listSubfolders(folders.voices, voiceCategories);
    const int match = matchingVoiceCategory(categoryName, voiceCategories);

    std::vector<LibraryFile> voices;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (categoryCount == 0) {
            break;
        }
        int category = match;
        if (match < 0 || draw.U() < kStrayVoiceChance) {
            category = draw.index(categoryCount);
        }
        const std::string folder = libraryPath(folders.voices, voiceCategories[static_cast<std::size_t>(category)]);
        const int fileCount = listFiles(folder, "t9v", voices);
        if (fileCount == 0) {
            continue;
        }
        const std::string path = libraryPath(folder, voices[static_cast<std::size_t>(draw.index(fileCount))].fileName);
        target.loadVoiceFrom(slot, path.c_str());
    }

    const int c = instrumentCategoryNumber(categoryName);
    randomiseMorph(draw, target);
    randomiseSound(draw, c, target);
    randomiseEffects(draw, c, target);
}

} // namespace tessarine
