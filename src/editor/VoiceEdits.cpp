#include "editor/VoiceEdits.h"

#include "editor/pages/ControlFactory.h"
#include "editor/EditorHost.h"
#include "editor/pages/EditorPages.h"
#include "engine/SynthEngine.h"
#include "gui/ListSelector.h"
#include "params/NoteFrequencyTable.h"

#include <cmath>

namespace tessarine {

namespace {

// The key whose frequency is nearest to pitch: 0 at or below the first, 127
// at or above the last, the upper of two neighbours on a tie.
int nearestKey(float pitch)
{
    const auto& table = noteFrequencyTable();
    if (!(pitch > table.frequency(0))) {
        return 0;
    }
    if (pitch >= table.frequency(kKeyCount - 1)) {
        return kKeyCount - 1;
    }
    int upper = 1;
    while (upper < kKeyCount - 1 && table.frequency(upper) < pitch) {
        ++upper;
    }
    const float below = pitch - table.frequency(upper - 1);
    const float above = table.frequency(upper) - pitch;
    return above <= below ? upper : upper - 1;
}

} // namespace

VoicePlace VoiceEdits::shownPlace() const
{
    return pages_ ? place(slotOfPage(pages_->shownPage())) : VoicePlace{};
}

void VoiceEdits::refreshViews()
{
    if (!pages_) {
        return;
    }
    const int page = pages_->shownPage();
    const VoicePlace shown = place(slotOfPage(page));
    if (shown.slot < 0) {
        return;
    }
    for (int tag : {kTagHarmonicBars, kTagHarmonicEnvelopeView, kTagNoiseSpectrumView, kTagNoiseFrameView}) {
        if (gui::Control* view = pages_->control(page, tag)) {
            refreshVoiceView(*view, shown.slot, shown.multisample, shown.layer);
        }
    }
}

void VoiceEdits::harmonicsEdited()
{
    const int slot = shownPlace().slot;
    if (slot >= 0) {
        refreshViews();
        if (!refreshing_) {
            prepareSlot(slot);
        }
    }
}

void VoiceEdits::noiseEdited()
{
    const int slot = shownPlace().slot;
    if (slot >= 0) {
        refreshViews();
        if (!refreshing_) {
            resampleNoiseBands(slot);
        }
    }
}

void VoiceEdits::prepareSlot(int slot)
{
    ScopedVoiceEdit edit(engine_.handover());
    prepareVoice(engine_.editInstrument().voices[static_cast<std::size_t>(slot)]);
}

void VoiceEdits::resampleNoiseBands(int slot)
{
    const VoicePlace at = place(slot);
    ScopedVoiceEdit edit(engine_.handover());
    Voice& voice = engine_.editInstrument().voices[static_cast<std::size_t>(slot)];
    voice.layer(at.multisample, at.layer).noise.resampleBands();
}

void VoiceEdits::setMultisampleCount(int slot)
{
    const int count = engine_.multisampleCount(slot);
    Voice& voice = engine_.editInstrument().voices[static_cast<std::size_t>(slot)];
    // Preparing an unchanged voice again changes nothing; a refresh writes every count.
    if (count < 1 || count > kMaxMultisamples || count == voice.multisampleCount) {
        return;
    }
    ScopedVoiceEdit edit(engine_.handover());
    voice.multisampleCount = count;
    prepareVoice(voice);
}

void VoiceEdits::setCutoff(int slot, float value)
{
    Voice& voice = engine_.editInstrument().voices[static_cast<std::size_t>(slot)];
    if (!std::isfinite(value) || voice.cutoff == value) {
        return;
    }
    ScopedVoiceEdit edit(engine_.handover());
    voice.cutoff = value;
    prepareVoice(voice);
}

void VoiceEdits::setKey(int slot, float value)
{
    // A refresh shows the key nearest the voice's own pitch; taking it would
    // tune the voice to the key.
    if (refreshing_) {
        return;
    }
    int key = static_cast<int>(value * static_cast<float>(kKeyCount) + 0.001f);
    key = key > kKeyCount - 1 ? kKeyCount - 1 : key;
    const float pitch = key >= 0 ? noteFrequencyTable().frequency(key) : 0.0f;
    const VoicePlace at = place(slot);
    Voice& voice = engine_.editInstrument().voices[static_cast<std::size_t>(slot)];
    Multisample& multisample = voice.multisamples[static_cast<std::size_t>(at.multisample)];
    if (multisample.layers[0].harmonic.basePitch == pitch && multisample.layers[1].harmonic.basePitch == pitch) {
        return;
    }
    ScopedVoiceEdit edit(engine_.handover());
    for (auto& layer : multisample.layers) {
        layer.harmonic.basePitch = pitch;
    }
}

void VoiceEdits::setName(int slot, const gui::Control& source)
{
    // Only the editor reads names, never the audio thread.
    engine_.editInstrument().voices[static_cast<std::size_t>(slot)].setName(controlText(source));
}

void VoiceEdits::showVoices()
{
    if (!pages_) {
        return;
    }
    const Instrument& instrument = engine_.instrument();
    for (int s = 0; s < kSlotCount; ++s) {
        const Voice& voice = instrument.voices[static_cast<std::size_t>(s)];
        pages_->forEachControl(kTagVoiceNameA + s, [&voice](gui::Control& c) { setControlText(c, voice.nameView()); });
        host_.automate(kNumMultisamplesA + s, static_cast<float>(voice.multisampleCount - 1) / 8.0f);
        host_.automate(kTagKeyA + s, static_cast<float>(shownKey(s)) / static_cast<float>(kKeyCount));
    }
}

int VoiceEdits::shownKey(int slot) const
{
    const Voice& voice = engine_.instrument().voices[static_cast<std::size_t>(slot)];
    const VoicePlace at = place(slot);
    const int multisample = at.multisample < voice.multisampleCount ? at.multisample : 0;
    float pitch = voice.layer(multisample, 0).harmonic.basePitch;
    if (!(pitch > 0.0f)) {
        pitch = voice.layer(multisample, 1).harmonic.basePitch;
    }
    const int key = nearestKey(pitch);
    const auto* keys = pages_ != nullptr ? dynamic_cast<const gui::ListSelector*>(pages_->control(slot, kTagKeyA + slot))
                                         : nullptr;
    const int entries = keys != nullptr ? keys->entryCount() : kKeyCount;
    return entries > 0 && key >= entries ? entries - 1 : key;
}

} // namespace tessarine
