#include "editor/pages/ControlMap.h"

#include "editor/EditorTags.h"

#include <array>
#include <cstdio>

namespace tessarine {

namespace {

using gui::Rect;

constexpr int kButtonHeight = 18;
constexpr int kMenuHeight = 19;
constexpr int kListWidth = 84;
constexpr int kListHeight = 18;

// A knob has a value display exactly when the parameter table gives its value a format.
ControlRow knob(int tag, int x, int y, const char* label, int displayOffset = 62)
{
    ControlRow c;
    c.tag = tag;
    c.kind = ControlKind::Knob;
    c.rect = {x, y, kKnobSize, kKnobSize};
    c.label = label;
    // With a display 62 pixels down there is room for the label between knob and value.
    c.labelPlace = displayOffset >= 60 ? LabelPlace::Below : LabelPlace::Above;
    c.display = tag >= 0 && tag < kParameterCount ? parameterTable()[static_cast<std::size_t>(tag)].display
                                                  : DisplayFormat::None;
    c.displayOffset = displayOffset;
    return c;
}

ControlRow button(ControlKind kind, int tag, int x, int y, int width, const char* label)
{
    ControlRow c;
    c.tag = tag;
    c.kind = kind;
    c.rect = {x, y, width, kButtonHeight};
    c.label = label;
    c.labelPlace = LabelPlace::Inside;
    return c;
}

ControlRow onOff(int tag, int x, int y, int width, const char* label)
{
    return button(ControlKind::OnOffButton, tag, x, y, width, label);
}

ControlRow kick(int tag, int x, int y, int width, const char* label)
{
    return button(ControlKind::KickButton, tag, x, y, width, label);
}

ControlRow menu(ControlKind kind, int tag, Rect rect, const char* label, LabelPlace place = LabelPlace::Above)
{
    ControlRow c;
    c.tag = tag;
    c.kind = kind;
    c.rect = rect;
    c.label = label;
    c.labelPlace = place;
    return c;
}

ControlRow list(int tag, int x, int y, int entries, EntryText text, const char* label)
{
    ControlRow c;
    c.tag = tag;
    c.kind = ControlKind::ListSelector;
    c.rect = {x, y, kListWidth, kListHeight};
    c.label = label;
    c.count = entries;
    c.entries = text;
    return c;
}

ControlRow selector(int tag, int x, int y, int positions, int step, bool vertical, int cellWidth, int cellHeight,
                     const char* label)
{
    ControlRow c;
    c.tag = tag;
    c.kind = ControlKind::Selector;
    const int span = step * (positions - 1);
    c.rect = vertical ? Rect{x, y, cellWidth, span + cellHeight} : Rect{x, y, span + cellWidth, cellHeight};
    c.label = label;
    c.count = positions;
    c.step = step;
    c.vertical = vertical;
    return c;
}

ControlRow view(ControlKind kind, int tag, Rect rect, const char* label = nullptr)
{
    ControlRow c;
    c.tag = tag;
    c.kind = kind;
    c.rect = rect;
    c.label = label;
    return c;
}

ControlRow switchControl(int tag, Rect rect, int states, const char* label)
{
    ControlRow c;
    c.tag = tag;
    c.kind = ControlKind::Switch;
    c.rect = rect;
    c.count = states;
    c.label = label;
    return c;
}

std::vector<ControlRow> buildTopBar()
{
    std::vector<ControlRow> c;
    c.push_back(selector(kTagPageSelector, 13, 66, 8, 96, false, 94, 21, nullptr));
    c.push_back(knob(kMasterDetune, 35, 494, "Detune"));
    // The keyboard leaves no room below: the value stands left of the knob.
    c.back().display = DisplayFormat::Percent;
    c.back().displayLeft = true;
    c.push_back(kick(kTagLoadInstrument, 325, 35, 60, "Load"));
    c.push_back(kick(kTagSaveInstrument, 413, 35, 60, "Save"));
    c.push_back(kick(kTagResetInstrument, 488, 35, 60, "Reset"));
    c.push_back(kick(kTagRandomInstrument, 562, 35, 60, "Random"));
    // Labelled left of the plate it shares with the instrument menu (topBarTexts).
    c.push_back(menu(ControlKind::OptionMenu, kTagCategoryMenu, {330, 15, 147, kMenuHeight}, nullptr));
    c.push_back(menu(ControlKind::OptionMenu, kTagInstrumentMenu, {491, 15, 146, kMenuHeight}, nullptr));
    c.push_back(onOff(kTagMidiLearn, 240, 35, 60, "Learn"));
    c.push_back(view(ControlKind::Keyboard, kTagKeyboard, {100, 492, 688, 52}));
    return c;
}

// Pages 0..3: one sound slot each.
std::vector<ControlRow> buildVoicePage(int s)
{
    std::vector<ControlRow> c;
    // Voice row: name, file actions, the layer shown and the envelope mode.
    c.push_back(menu(ControlKind::TextEdit, kTagVoiceNameA + s, {20, 26, 170, kButtonHeight}, "Voice name"));
    c.push_back(kick(kTagAnalyseA + s, 200, 26, 62, "Analyse"));
    c.push_back(kick(kTagLoadVoiceA + s, 268, 26, 50, "Load"));
    c.push_back(kick(kTagSaveVoiceA + s, 324, 26, 50, "Save"));
    // Cells wide enough for the highlighted caption in bold.
    c.push_back(selector(kSoftLoudButtonA + s, 390, 26, 3, 36, false, 34, kButtonHeight, "Layer"));
    c.push_back(switchControl(kEnvelopeModeA + s, {504, 26, 62, kButtonHeight}, 3, "Envelope mode"));
    // Analyse makes the slot a new voice; this keeps the voice and replaces the shown layer only.
    c.push_back(kick(kTagAnalyseLayerA + s, 572, 26, 86, "Analyse layer"));

    // Multisample row.
    c.push_back(list(kTagHarmonicFamilyA + s, 20, 66, 8, EntryText::HarmonicFamily, "Family"));
    c.push_back(list(kTagKeyA + s, 122, 66, 128, EntryText::Note, "Key"));
    c.push_back(list(kVoiceDetuneA + s, 224, 66, 400, EntryText::Detune, "Detune"));
    c.push_back(list(kNumMultisamplesA + s, 326, 66, 8, EntryText::Number, "Multisamples"));
    c.push_back(list(kMultisampleA + s, 428, 66, 8, EntryText::Number, "Edit multisample"));
    c.push_back(list(kVoiceCutoffA + s, 530, 66, 100, EntryText::Cutoff, "Cutoff"));

    // Slot switches.
    c.push_back(onOff(kSoloButtonA + s, 20, 100, 56, "Solo"));
    c.push_back(onOff(kHarmonizeAOn + s, 82, 100, 76, "Harmonize"));
    c.push_back(onOff(kTagSlotViewSwitchA + s, 164, 100, 56, "Bars"));
    c.push_back(onOff(kTagSlotSwitchA + s, 226, 100, 56, "Points"));
    c.push_back(onOff(kNumHarmonicsA + s, 288, 100, 76, "Harmonics"));

    // Views of the shown layer.
    c.push_back(view(ControlKind::CurveView, kTagHarmonicEnvelopeView, {18, 146, 318, 106}));
    c.push_back(view(ControlKind::HarmonicBars, kTagHarmonicBars, {356, 146, 308, 106}));
    c.push_back(view(ControlKind::CurveView, kTagNoiseSpectrumView, {18, 282, 318, 102}));
    c.push_back(view(ControlKind::CurveView, kTagNoiseFrameView, {356, 282, 308, 102}));

    // Presets and slot volumes.
    c.push_back(kick(kTagLoadHarmonicPreset, 681, 29, 36, "Load"));
    c.push_back(kick(kTagSaveHarmonicPreset, 720, 29, 36, "Save"));
    c.push_back(menu(ControlKind::LibraryMenu, kTagHarmonicPresetMenuA + s, {681, 96, 104, kMenuHeight}, "Preset"));
    c.push_back(knob(kVoiceHarmonicVolumeA + s, 726, 150, "Volume"));
    c.back().labelPlace = LabelPlace::Left;
    c.push_back(kick(kTagLoadNoisePreset, 681, 220, 36, "Load"));
    c.push_back(kick(kTagSaveNoisePreset, 720, 220, 36, "Save"));
    c.push_back(menu(ControlKind::LibraryMenu, kTagNoisePresetMenuA + s, {681, 288, 104, kMenuHeight}, "Preset"));
    c.push_back(knob(kVoiceNoiseVolumeA + s, 726, 342, "Volume"));
    c.back().labelPlace = LabelPlace::Left;
    return c;
}

std::vector<ControlRow> buildModulationPage()
{
    std::vector<ControlRow> c;
    for (int r = 0; r < kMatrixRowsShown; ++r) {
        const int bottom = 55 + 31 * r;
        c.push_back(menu(ControlKind::OptionMenu, kModSource1 + r, {19, bottom - kMenuHeight, 154, kMenuHeight}, nullptr));
        c.push_back(menu(ControlKind::OptionMenu, kModTarget1 + r, {213, bottom - kMenuHeight, 152, kMenuHeight}, nullptr));
        c.push_back(menu(ControlKind::HorizontalSlider, kModMin1 + r, {396, bottom - 16, 160, 14}, nullptr));
        c.push_back(menu(ControlKind::HorizontalSlider, kModMax1 + r, {583, bottom - 16, 160, 14}, nullptr));
    }
    c.push_back(knob(kPitchbendRange, 50, 318, "Range", 44));
    c.push_back(knob(kLfo1Rate, 225, 318, "Rate", 44));
    c.push_back(knob(kLfo2Rate, 364, 318, "Rate", 44));
    c.push_back(selector(kLfo1Shape, 270, 306, 3, 22, true, 44, kButtonHeight, "Shape"));
    c.push_back(selector(kLfo2Shape, 409, 306, 3, 22, true, 44, kButtonHeight, "Shape"));
    c.push_back(view(ControlKind::CurveView, kTagModulationEnvelopeView, {490, 300, 296, 88}));
    return c;
}

std::vector<ControlRow> buildMorphPage()
{
    std::vector<ControlRow> c;
    c.push_back(selector(kMorphModeSelector, 20, 30, 4, 22, true, 90, kButtonHeight, nullptr));
    for (int s = 0; s < 4; ++s) {
        static constexpr const char* kSlotLabels[] = {"Voice A", "Voice B", "Voice C", "Voice D"};
        c.push_back(menu(ControlKind::LibraryMenu, kTagVoiceMenuA + s, {20, 162 + 44 * s, 110, kMenuHeight},
                         kSlotLabels[s]));
    }
    // The pad's corner names stand in strips above and below the square itself.
    c.push_back(view(ControlKind::MorphPad, kTagMorphPad, {150, 24, 290, 314}));
    c.push_back(view(ControlKind::MorphPath, kTagMorphPath, {460, 26, 326, 270}));
    c.push_back(onOff(kEnvelopeMorphOn, 150, 348, 110, "Envelope morph"));
    c.push_back(onOff(kGlobalSyncOn, 270, 348, 70, "Sync"));
    c.push_back(onOff(kTagMorphPathSwitch, 460, 317, 90, "Second curve"));
    c.push_back(kick(kTagRandomiseMorph, 567, 317, 90, "Randomise"));
    return c;
}

std::vector<ControlRow> buildSoundPage()
{
    std::vector<ControlRow> c;
    c.push_back(view(ControlKind::CurveView, kTagSpectralShapeView, {20, 30, 760, 96}));

    c.push_back(knob(kBrightness, 48, 170, "Bright"));
    c.push_back(knob(kHarmAmount, 109, 170, "Harm"));
    c.push_back(knob(kNoiseAmount, 169, 170, "Noise"));
    c.push_back(onOff(kLfoOn, 458, 146, 44, "On"));
    c.push_back(selector(kLfoShape, 262, 170, 3, 22, true, 48, kButtonHeight, nullptr));
    c.push_back(knob(kLfoRate, 334, 170, "Rate"));
    c.push_back(knob(kLfoVibrato, 394, 170, "Vibrato"));
    c.push_back(knob(kLfoTremolo, 455, 170, "Tremolo"));
    c.push_back(list(kLoopSync1, 528, 176, 12, EntryText::Number, "Voices"));
    c.push_back(list(kLoopSync2, 528, 224, 64, EntryText::Number, "Harmonics"));
    c.push_back(onOff(kGlobalLoopOn, 624, 176, 72, "Loop"));
    c.push_back(knob(kPortamentoRate, 713, 170, "Glide"));
    c.push_back(knob(kAttack, 18, 299, "Attack"));
    c.push_back(knob(kStretch, 79, 299, "Stretch"));
    c.push_back(knob(kRelease, 139, 299, "Release"));
    c.push_back(knob(kVolume, 304, 299, "Volume"));
    c.push_back(knob(kStereoWidth, 364, 299, "Width"));
    c.push_back(knob(kVelocitySens, 425, 299, "Velocity"));
    c.push_back(kick(kTagRandomiseSound, 567, 317, 90, "Randomise"));
    return c;
}

std::vector<ControlRow> buildEffectsPage()
{
    std::vector<ControlRow> c;
    // The formant filter shapes every note with the spectral shape: it is drawn here too.
    c.push_back(onOff(kFormantFilterOn, 736, 10, 44, "On"));
    c.push_back(view(ControlKind::CurveView, kTagSpectralShapeView, {20, 30, 760, 96}));

    c.push_back(onOff(kDistortionOn, 192, 146, 44, "On"));
    c.push_back(knob(kDistortion, 18, 170, "Drive"));
    c.push_back(knob(kTube, 79, 170, "Tube"));
    c.push_back(knob(kMBass, 139, 170, "Bass"));
    c.push_back(knob(kCompress, 200, 170, "Compress"));

    c.push_back(onOff(kFilterSaturation, 376, 146, 80, "Saturation"));
    c.push_back(onOff(kFilterOn, 460, 146, 44, "On"));
    c.push_back(selector(kFilterMode, 262, 170, 3, 22, true, 60, kButtonHeight, nullptr));
    c.push_back(knob(kFilterCutoff, 334, 170, "Cutoff"));
    c.push_back(knob(kFilterRes, 394, 170, "Reso"));
    c.push_back(knob(kFilterEnv, 455, 170, "Env"));

    c.push_back(onOff(kChorusOn, 736, 146, 44, "On"));
    c.push_back(knob(kChorusMix, 531, 170, "Mix"));
    c.push_back(knob(kChorusRate, 592, 170, "Rate"));
    c.push_back(knob(kChorusDelay, 652, 170, "Delay"));
    c.push_back(knob(kChorusDepth, 713, 170, "Depth"));

    c.push_back(onOff(kDelayOn, 192, 272, 44, "On"));
    c.push_back(knob(kDelayMix, 18, 299, "Mix"));
    c.push_back(knob(kDelayFeedback, 79, 299, "Feedback"));
    c.push_back(knob(kDelaySyncL, 139, 299, "Left"));
    c.push_back(knob(kDelaySyncR, 200, 299, "Right"));

    c.push_back(onOff(kReverbOn, 416, 272, 44, "On"));
    c.push_back(knob(kReverbMix, 304, 299, "Mix"));
    c.push_back(knob(kReverbSize, 364, 299, "Size"));
    c.push_back(knob(kReverbDecay, 425, 299, "Decay"));

    c.push_back(kick(kTagRandomiseEffects, 567, 317, 90, "Randomise"));
    return c;
}

} // namespace

const std::vector<ControlRow>& topBarControls()
{
    static const std::vector<ControlRow> controls = buildTopBar();
    return controls;
}

const std::vector<ControlRow>& pageControls(int page)
{
    static const std::array<std::vector<ControlRow>, kPageCount> pages = {
        buildVoicePage(0),      buildVoicePage(1),    buildVoicePage(2), buildVoicePage(3),
        buildModulationPage(), buildMorphPage(), buildSoundPage(), buildEffectsPage(),
    };
    static const std::vector<ControlRow> none;
    return page >= 0 && page < kPageCount ? pages[static_cast<std::size_t>(page)] : none;
}

const std::vector<Section>& pageSections(int page)
{
    static const std::vector<Section> voice = {
        {{10, 4, 662, 118}, "VOICE"},
        {{10, 126, 334, 134}, "HARMONIC ENVELOPES"},
        {{348, 126, 324, 134}, "HARMONIC BARS"},
        {{10, 262, 334, 130}, "NOISE SPECTRUM"},
        {{348, 262, 324, 130}, "NOISE FRAME"},
        {{676, 6, 116, 188}, "HARMONICS"},
        {{676, 198, 116, 194}, "NOISE"},
    };
    static const std::vector<Section> modulation = {
        {{10, 4, 780, 274}, "MODULATION MATRIX"},
        {{10, 282, 164, 110}, "PITCH BEND"},
        {{180, 282, 140, 110}, "LFO 1"},
        {{324, 282, 142, 110}, "LFO 2"},
        {{470, 282, 320, 110}, "MODULATION ENVELOPE"},
    };
    static const std::vector<Section> morph = {
        {{10, 4, 130, 118}, "MODE"},
        {{10, 126, 130, 266}, "VOICES"},
        {{144, 4, 302, 388}, "MORPH PAD"},
        {{452, 4, 338, 388}, "MORPH PATHS"},
    };
    static const std::vector<Section> sound = {
        {{10, 4, 780, 130}, "SPECTRAL SHAPE"},
        {{10, 140, 236, 118}, "TONE"},
        {{252, 140, 256, 118}, "LFO", kLfoOn},
        {{514, 140, 276, 118}, "NOTES"},
        {{10, 266, 236, 118}, "ENVELOPE"},
        {{252, 266, 236, 118}, "OUTPUT"},
    };
    static const std::vector<Section> effects = {
        {{10, 4, 780, 130}, "FORMANT", kFormantFilterOn},
        {{10, 140, 236, 118}, "DRIVE", kDistortionOn},
        {{252, 140, 262, 118}, "FILTER", kFilterOn},
        {{520, 140, 270, 118}, "CHORUS", kChorusOn},
        {{10, 266, 236, 118}, "DELAY", kDelayOn},
        {{252, 266, 218, 118}, "REVERB", kReverbOn},
    };
    static const std::vector<Section> none;
    switch (page) {
    case 0:
    case 1:
    case 2:
    case 3:
        return voice;
    case kModulationPage:
        return modulation;
    case kMorphPage:
        return morph;
    case kSoundPage:
        return sound;
    case kEffectsPage:
        return effects;
    default:
        return none;
    }
}

const std::vector<Section>& topBarSections()
{
    static const std::vector<Section> sections = {{{318, 6, 328, 54}, ""}};
    return sections;
}

const std::vector<PageText>& topBarTexts()
{
    static const std::vector<PageText> texts = {{{250, 15, 62, kMenuHeight}, "Category"}};
    return texts;
}

const std::vector<PageText>& pageTexts(int page)
{
    static const std::vector<PageText> modulation = [] {
        std::vector<PageText> texts = {
            {{19, 20, 154, 12}, "Source"},
            {{213, 20, 152, 12}, "Target"},
            {{396, 20, 160, 12}, "Minimum"},
            {{583, 20, 160, 12}, "Maximum"},
        };
        static constexpr const char* kRows[] = {"1", "2", "3", "4", "5", "6", "7", "8"};
        for (int r = 0; r < kMatrixRowsShown; ++r) {
            texts.push_back({{180, 55 + 31 * r - 19, 26, 19}, kRows[r]});
        }
        return texts;
    }();
    static const std::vector<PageText> none;
    return page == kModulationPage ? modulation : none;
}

const char* pageName(int page)
{
    static constexpr const char* kNames[kPageCount] = {"Voice A", "Voice B", "Voice C", "Voice D",
                                                       "Modulation", "Morph",  "Sound",  "Effects"};
    return page >= 0 && page < kPageCount ? kNames[page] : "";
}

void listEntryText(EntryText kind, int k, char* text, std::size_t capacity)
{
    if (capacity == 0) {
        return;
    }
    switch (kind) {
    case EntryText::Number:
        std::snprintf(text, capacity, "%d", k + 1);
        return;
    case EntryText::HarmonicFamily: {
        static constexpr const char* kFamilies[] = {"All", "Dark", "Bright", "Octaves", "Fifths", "Even", "Odd", "One"};
        std::snprintf(text, capacity, "%s", k >= 0 && k < 8 ? kFamilies[k] : "");
        return;
    }
    case EntryText::Note: {
        static constexpr const char* kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
        const int key = k < 0 ? 0 : k;
        std::snprintf(text, capacity, "%s%d", kNames[key % 12], key / 12 - 1);
        return;
    }
    case EntryText::Detune:
        std::snprintf(text, capacity, "%d ct", k - 200);
        return;
    case EntryText::Cutoff:
        // Entry k stands for the value k / 100; the cutoff is 100 + 9900 × value Hz.
        std::snprintf(text, capacity, "%d Hz", 100 + 99 * k);
        return;
    }
    text[0] = '\0';
}

} // namespace tessarine
