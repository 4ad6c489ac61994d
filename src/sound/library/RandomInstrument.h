#pragma once
// The random instrument: a random voice from the library in each slot, taken
// mostly from the voice category that matches the instrument category, then
// new morph, sound and effect values drawn for that category.

#include "params/RandomGenerator.h"
#include "sound/library/LibraryFolders.h"
#include "sound/library/LibraryTarget.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessarine {

// The voice category whose name shares the longest beginning with the
// instrument category's name, counted in characters, if that beginning is
// longer than two characters; the first wins a tie. -1 when none does.
int matchingVoiceCategory(std::string_view instrumentCategory, const std::vector<std::string>& voiceCategories);

// Fills slots A to D with random voices from folders.voices (a voice that
// cannot be read leaves its slot as it was; an empty voice library leaves all
// four), then draws the parameters for the category that categoryName names.
void randomInstrument(std::string_view categoryName, const LibraryFolders& folders, RandomGenerator& generator,
                      LibraryTarget& target);

} // namespace tessarine
