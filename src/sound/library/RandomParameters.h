#pragma once
// The random instrument's parameter draws. Each category draws from its own
// distributions, so that pads get slow attacks and long releases, pianos never
// glide, basses keep their effects dry and synths get more of them. Every
// value goes through the writer, stored as saved.

#include "sound/library/ParameterWriter.h"
#include "sound/library/RandomDraws.h"

#include <string_view>

namespace tessarine {

// Instrument categories the random instrument knows; any other name is kOtherCategory.
enum InstrumentCategory : int {
    kOtherCategory = 0,
    kBasses,
    kBrassWinds,
    kChromatics,
    kGuitars,
    kOrgans,
    kPianos,
    kStrings,
    kSynthLeads,
    kSynthPads,
    kVoicesCategory,
};

// Exact, whole-name match: "Synth Leads" is kSynthLeads, "Synth Leads Extra" is kOtherCategory.
int instrumentCategoryNumber(std::string_view name);

// Called in this order after the voices are loaded. The morph draw does not depend on the category.
void randomiseMorph(RandomDraws& draw, ParameterWriter& out);
void randomiseSound(RandomDraws& draw, int category, ParameterWriter& out);
void randomiseEffects(RandomDraws& draw, int category, ParameterWriter& out);

} // namespace tessarine
