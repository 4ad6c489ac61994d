#pragma once
// The editor's own value slots, 173 to 254: actions its buttons trigger and
// state its views keep. The engine only stores them; the editor reacts when
// one is written (by a control, the host or the engine). Slots of the four
// sound slots A to D are the first of four consecutive indices.
// They sit beside the parameter table because the engine stores them and
// sets one itself (the learn indicator).

namespace tessarine {

enum EditorTag : int {
    kTagHarmonicBars = 174,
    kTagHarmonicEnvelopeView = 175,
    kTagNoiseSpectrumView = 176,
    kTagNoiseFrameView = 177,
    kTagSpectralShapeView = 178,
    kTagMorphPath = 179,
    kTagMorphPathSwitch = 180,
    kTagPageSelector = 181,
    kTagHarmonicFamilyA = 182, // 182..185
    kTagSlotViewSwitchA = 186, // 186..189
    kTagVoiceNameA = 190,      // 190..193
    kTagSlotSwitchA = 194,     // 194..197, also the slot view's switch
    kTagMorphPad = 198,
    kTagMorphPadState = 199,
    kTagVoiceNameAltA = 200,   // 200..203, a second name field of the slot
    kTagAnalyseA = 205,        // 205..208
    kTagLoadVoiceA = 209,      // 209..212
    kTagSaveVoiceA = 213,      // 213..216
    kTagLoadInstrument = 217,
    kTagSaveInstrument = 218,
    kTagAnalyseLayerA = 219,   // 219..222, analyse into the shown multisample and layer only
    kTagKeyA = 224,            // 224..227, key of the shown multisample
    kTagLoadHarmonicPreset = 228,
    kTagSaveHarmonicPreset = 229,
    kTagLoadNoisePreset = 230,
    kTagSaveNoisePreset = 231,
    kTagRandomInstrument = 232,
    kTagRandomiseMorph = 233,
    kTagRandomiseSound = 234,
    kTagRandomiseEffects = 235,
    kTagMidiLearn = 236,
    kTagInstrumentMenu = 237,
    kTagCategoryMenu = 238,
    kTagVoiceMenuA = 240,          // 240..243
    kTagHarmonicPresetMenuA = 244, // 244..247
    kTagNoisePresetMenuA = 248,    // 248..251
    kTagResetInstrument = 252,
    kTagModulationEnvelopeView = 253,
    kTagKeyboard = 254,
};

} // namespace tessarine
