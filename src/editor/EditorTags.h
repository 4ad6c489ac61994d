#pragma once
// The editor's pages and which of its value slots act, and when.

#include "params/EditorTag.h"
#include "params/ParameterTable.h"

namespace tessarine {

inline constexpr int kPageCount = 8;
inline constexpr int kModulationPage = 4;
inline constexpr int kMorphPage = 5;
inline constexpr int kSoundPage = 6;
inline constexpr int kEffectsPage = 7;
inline constexpr int kMatrixRowsShown = 8;

// The file and generator actions that run only on a write of exactly 0 (a
// kick button's release).
constexpr bool isReleaseAction(int tag)
{
    return (tag >= kTagAnalyseA && tag <= kTagAnalyseLayerA + 3) || (tag >= kTagLoadHarmonicPreset && tag <= kTagRandomiseEffects)
        || tag == kTagResetInstrument;
}

// Writes that open dialogs, read files or rebuild menus: these never run on
// the audio thread.
constexpr bool isFileOrLibraryAction(int tag)
{
    return isReleaseAction(tag) || tag == kTagInstrumentMenu || tag == kTagCategoryMenu
        || (tag >= kTagVoiceMenuA && tag <= kTagNoisePresetMenuA + 3);
}

// The values a full refresh never replays: actions, the page, the pad and
// the menus, so that a refresh starts nothing and switches no page.
constexpr bool isExcludedFromRefresh(int index)
{
    return index == kTagPageSelector || index == kTagMorphPad || index == kTagMorphPadState
        || (index >= kTagAnalyseA && index <= kTagAnalyseLayerA + 3) || (index >= kTagKeyA && index <= kTagRandomiseEffects)
        || (index >= kTagInstrumentMenu && index <= kTagResetInstrument);
}

} // namespace tessarine
