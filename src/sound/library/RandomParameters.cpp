#include "sound/library/RandomParameters.h"

#include "params/ParameterTable.h"

#include <array>
#include <initializer_list>

namespace tessarine {

namespace {

bool isOneOf(int category, std::initializer_list<int> list)
{
    for (int c : list) {
        if (c == category) {
            return true;
        }
    }
    return false;
}

} // namespace

int instrumentCategoryNumber(std::string_view name)
{
    static constexpr std::array<std::string_view, 10> kNames = {
        "Basses", "Brass-Winds", "Chromatics", "Guitars",     "Organs",
        "Pianos", "Strings",     "Synth Leads", "Synth Pads", "Voices",
    };
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (kNames[i] == name) {
            return static_cast<int>(i) + 1;
        }
    }
    return kOtherCategory;
}

void randomiseMorph(RandomDraws& draw, ParameterWriter& out)
{
    out.writeParameter(kEnvelopeMorphOn, 0.0f);
    if (draw.U() < 0.6f) {
        // All three pads at one point: the sound morphs as one.
        const float x = draw.N(0.5f, 0.6f);
        const float y = draw.N(0.5f, 0.6f);
        out.writeParameter(kMorphModeSelector, 0.0f);
        for (int index : {kMorphHarmX, kMorphNoiseX, kMorphAmpX}) {
            out.writeParameter(index, x);
        }
        for (int index : {kMorphHarmY, kMorphNoiseY, kMorphAmpY}) {
            out.writeParameter(index, y);
        }
        return;
    }
    out.writeParameter(kMorphModeSelector, 0.6f);
    for (int index : {kMorphHarmX, kMorphHarmY, kMorphNoiseX, kMorphNoiseY, kMorphAmpX, kMorphAmpY}) {
        out.writeParameter(index, draw.N(0.5f, 0.6f));
    }
}

void randomiseSound(RandomDraws& draw, int c, ParameterWriter& out)
{
    out.writeParameter(kBrightness, draw.U());
    out.writeParameter(kHarmAmount, draw.N(0.5f, 0.1f));
    out.writeParameter(kNoiseAmount, draw.N(0.5f, 0.1f));
    // Organs and leads are often played with vibrato.
    out.writeParameter(kLfoOn, draw.chance(isOneOf(c, {kOrgans, kSynthLeads}) ? 0.4f : 0.15f));
    out.writeParameter(kLfoShape, draw.N(0.0f, 0.3f));
    out.writeParameter(kLfoRate, draw.U());
    out.writeParameter(kLfoVibrato, draw.N(-0.1f, 0.2f));
    out.writeParameter(kLfoTremolo, draw.N(-0.1f, 0.3f));

    // Struck, plucked-keyboard and pad sounds never glide.
    float glide = draw.uniform(0.0f, 1.0f) < 0.1f ? 1.0f : 0.0f;
    if (isOneOf(c, {kChromatics, kOrgans, kPianos, kSynthPads})) {
        glide = 0.0f;
    }
    out.writeParameter(kPortamentoRate, glide == 1.0f ? draw.N(0.1f, 0.16f) : 0.0f);

    float attack = draw.gauss(-0.2f, c == kSynthPads ? 0.6f : 0.4f, 0.0f, 1.0f);
    if (isOneOf(c, {kBasses, kBrassWinds, kChromatics, kGuitars, kOrgans, kPianos, kSynthLeads})) {
        attack = 0.0f;
    }
    out.writeParameter(kAttack, attack);
    out.writeParameter(kStretch, draw.gauss(0.5f, 0.1f, 0.0f, 1.0f));
    out.writeParameter(kRelease, draw.gauss(0.1f, c == kSynthPads ? 0.5f : 0.2f, 0.0f, 1.0f));

    float loop = draw.uniform(0.0f, 1.0f) < 0.2f ? 1.0f : 0.0f;
    if (c == kPianos) {
        loop = 0.0f;
    } else if (c == kBasses) {
        loop = draw.chance(0.2f);
    } else if (isOneOf(c, {kBrassWinds, kStrings, kVoicesCategory})) {
        // Sustained instruments hold their notes on the loop more often.
        loop = draw.chance(0.4f);
    }
    // A gliding note must keep sounding while it slides.
    if (glide == 1.0f) {
        loop = 1.0f;
    }
    out.writeParameter(kGlobalLoopOn, loop);
}

void randomiseEffects(RandomDraws& draw, int c, ParameterWriter& out)
{
    // Synths and unknown sounds take effects freely; basses stay dry.
    float k = 1.0f;
    if (isOneOf(c, {kOtherCategory, kSynthLeads, kSynthPads})) {
        k = 3.0f;
    } else if (c == kBasses) {
        k = 0.3f;
    }
    out.writeParameter(kDistortionOn, draw.chance(isOneOf(c, {kBasses, kGuitars, kSynthLeads}) ? 0.4f : 0.1f));
    out.writeParameter(kDistortion, draw.N(-0.1f, 0.2f));
    out.writeParameter(kTube, draw.N(-0.05f, 0.2f));
    out.writeParameter(kMBass, draw.N(-0.1f, c == kBasses ? 0.4f : 0.2f));
    out.writeParameter(kCompress, draw.N(-0.1f, 0.4f));

    out.writeParameter(kFilterOn, draw.uniform(0.0f, 1.0f) < 0.1f * k ? 1.0f : 0.0f);
    out.writeParameter(kFilterMode, draw.U());
    out.writeParameter(kFilterEnv, draw.N(0.0f, 0.5f));
    out.writeParameter(kFilterCutoff, draw.N(0.5f, 0.3f));
    out.writeParameter(kFilterRes, draw.N(0.0f, 0.3f));

    out.writeParameter(kChorusOn, draw.uniform(0.0f, 1.0f) < 0.1f * k ? 1.0f : 0.0f);
    for (int index : {kChorusMix, kChorusDepth, kChorusDelay, kChorusRate}) {
        out.writeParameter(index, draw.uniform(0.0f, 1.0f));
    }

    out.writeParameter(kDelayOn, draw.chance(0.15f * k));
    out.writeParameter(kDelayMix, draw.uniform(0.0f, 1.0f));
    out.writeParameter(kDelayFeedback, draw.gauss(0.3f, 0.1f, 0.0f, 1.0f));
    out.writeParameter(kDelaySyncL, draw.uniform(0.0f, 1.0f));
    out.writeParameter(kDelaySyncR, draw.uniform(0.0f, 1.0f));

    out.writeParameter(kReverbOn, draw.chance(0.3f * k));
    for (int index : {kReverbMix, kReverbSize, kReverbDecay}) {
        out.writeParameter(index, draw.uniform(0.0f, 1.0f));
    }
    out.writeParameter(kFormantFilterOn, 0.0f);
}

} // namespace tessarine
