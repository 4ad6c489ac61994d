#include "editor/pages/ControlHelp.h"

#include "editor/EditorTags.h"
#include "params/ParameterTable.h"

#include <array>

namespace tessarine {

namespace {

struct Text {
    int tag;
    int count;  // tags tag .. tag + count - 1 take the text; more than 1 for one per slot
    const char* name;
    const char* what;
};

// Where a row stands for one tag per slot (count 4), the slot's letter opens the name.
constexpr Text kTexts[] = {
    {kMasterDetune, 1, "Master detune", "Tunes the whole instrument up to 2 semitones down or up"},
    {kSoftLoudButtonA, 4, "Layer shown", "Edits the soft or the loud layer of the shown multisample; One plays the loud layer alone"},
    {kSoloButtonA, 4, "Solo", "Plays this slot alone, without morphing"},
    {kHarmonizeAOn, 4, "Harmonize", "Tunes every partial to an exact multiple of the note's pitch"},
    {kVelocitySens, 1, "Velocity sensitivity", "How much key velocity changes the loudness"},
    {kChorusMix, 1, "Chorus mix", "Level of the chorused signal"},
    {kMorphModeSelector, 1, "Morph mode", "Which morph point the pad moves: all, amplitude, harmonics or noise"},
    {kPitchbendRange, 1, "Pitch bend range", "Semitones the pitch wheel bends at its ends"},
    {kVoiceDetuneA, 4, "Detune", "Tunes this slot in cents"},
    {kVoiceCutoffA, 4, "Cutoff", "Highest frequency this slot's partials reach"},
    {kMorphHarmX, 1, "Harmonic morph X", "Blends the harmonics of the left and right voices"},
    {kMorphHarmY, 1, "Harmonic morph Y", "Blends the harmonics of the upper and lower voices"},
    {kMorphNoiseX, 1, "Noise morph X", "Blends the noise of the left and right voices"},
    {kMorphNoiseY, 1, "Noise morph Y", "Blends the noise of the upper and lower voices"},
    {kBrightness, 1, "Brightness", "Darkens or brightens the whole sound"},
    {kHarmAmount, 1, "Harmonic level", "Level of the sine partials"},
    {kNoiseAmount, 1, "Noise level", "Level of the noise bands"},
    {kLfoRate, 1, "Note LFO rate", "Speed of the LFO each note starts"},
    {kLfoVibrato, 1, "Vibrato", "How far the note LFO moves the pitch"},
    {kLfoTremolo, 1, "Tremolo", "How far the note LFO moves the level"},
    {kPortamentoRate, 1, "Glide", "Time the pitch takes to glide from one note to the next; 0 plays notes apart"},
    {kAttack, 1, "Attack", "Time the note takes to fade in"},
    {kStretch, 1, "Stretch", "Plays the analysed sounds slower or faster"},
    {kRelease, 1, "Release", "Time the note takes to fade out after the key is let go"},
    {kVolume, 1, "Volume", "Output level"},
    {kStereoWidth, 1, "Stereo width", "Spreads the sound between the speakers"},
    {kFormantFilterOn, 1, "Formant filter", "Shapes every note with the spectral shape drawn on the Sound page"},
    {kDistortionOn, 1, "Drive on", "Switches the drive stage"},
    {kDistortion, 1, "Drive", "Amount of distortion"},
    {kTube, 1, "Tube", "Warm, uneven saturation"},
    {kCompress, 1, "Compress", "Evens out the level in the drive stage"},
    {kMBass, 1, "Bass", "Bass boost of the drive stage"},
    {kFilterOn, 1, "Filter on", "Switches the per-note filter"},
    {kFilterMode, 1, "Filter type", "High-pass, band-pass or low-pass"},
    {kFilterEnv, 1, "Filter envelope", "How far each note's envelope moves the cutoff"},
    {kFilterCutoff, 1, "Filter cutoff", "Frequency where the filter starts to act"},
    {kFilterRes, 1, "Filter resonance", "Emphasis at the cutoff"},
    {kFilterSaturation, 1, "Filter saturation", "Drives the filter into soft clipping"},
    {kChorusOn, 1, "Chorus on", "Switches the chorus"},
    {kChorusDelay, 1, "Chorus delay", "Delay of the chorused copy"},
    {kChorusDepth, 1, "Chorus depth", "How far the delay sweeps"},
    {kChorusRate, 1, "Chorus rate", "Speed of the sweep"},
    {kDelayOn, 1, "Delay on", "Switches the echo"},
    {kDelayMix, 1, "Delay mix", "Level of the echoes"},
    {kDelayFeedback, 1, "Delay feedback", "How long the echoes repeat"},
    {kDelaySyncL, 1, "Delay left", "Echo time of the left side, in bars of the host's tempo"},
    {kDelaySyncR, 1, "Delay right", "Echo time of the right side, in bars of the host's tempo"},
    {kReverbOn, 1, "Reverb on", "Switches the reverb"},
    {kReverbMix, 1, "Reverb mix", "Level of the room"},
    {kReverbSize, 1, "Reverb size", "Size of the room"},
    {kReverbDecay, 1, "Reverb decay", "How long the room rings"},
    {kLfoOn, 1, "Note LFO on", "Switches the LFO each note starts"},
    {kModSource1, kModulationRows, "Modulation source", "What moves this row's target"},
    {kModTarget1, kModulationRows, "Modulation target", "The value this row moves"},
    {kModMin1, kModulationRows, "Modulation minimum", "Target value when the source is at its lowest"},
    {kModMax1, kModulationRows, "Modulation maximum", "Target value when the source is at its highest"},
    {kNumMultisamplesA, 4, "Multisamples", "How many multisamples the voice holds"},
    {kMultisampleA, 4, "Edit multisample", "Which multisample the page edits"},
    {kEnvelopeMorphOn, 1, "Envelope morph", "The harmonic and noise points follow their drawn paths over each note"},
    {kLfoShape, 1, "Note LFO shape", "Sine, ramp or pulse"},
    {kFormantFreq, 1, "Formant shift", "Moves the spectral shape up or down in frequency"},
    {kVoiceHarmonicVolumeA, 4, "Harmonic volume", "Level of this slot's partials"},
    {kVoiceNoiseVolumeA, 4, "Noise volume", "Level of this slot's noise"},
    {kEnvelopeModeA, 4, "Envelope mode", "How the page's envelope views show the frames: single, shift or stretch"},
    {kNumHarmonicsA, 4, "Harmonics", "The bars show every frame at once instead of the picked one"},
    {kGlobalLoopOn, 1, "Loop", "Loops the sound between the voices' loop markers while a key is held"},
    {kGlobalSyncOn, 1, "Sync", "Morph path times snap to sixteenths of a two-second bar"},
    {kLoopSync1, 1, "Voices", "How many notes play at once"},
    {kLoopSync2, 1, "Harmonics", "How many partials each note plays"},
    {kMorphAmpX, 1, "Amplitude morph X", "Blends the loudness envelopes of the left and right voices"},
    {kMorphAmpY, 1, "Amplitude morph Y", "Blends the loudness envelopes of the upper and lower voices"},
    {kLfo1On, 1, "LFO 1 on", "Switches the tempo-synced LFO 1"},
    {kLfo2On, 1, "LFO 2 on", "Switches the tempo-synced LFO 2"},
    {kLfo1Shape, 1, "LFO 1 shape", "Sine, ramp or pulse"},
    {kLfo2Shape, 1, "LFO 2 shape", "Sine, ramp or pulse"},
    {kLfo1Rate, 1, "LFO 1 rate", "Period in beats of the host's tempo"},
    {kLfo2Rate, 1, "LFO 2 rate", "Period in beats of the host's tempo"},
    {kSustainOn, 1, "Sustain", "Holds notes as the sustain pedal does"},
    {kTagHarmonicBars, 1, "Harmonic bars", "Drag the 64 harmonics up or down"},
    {kTagHarmonicEnvelopeView, 1, "Harmonic frames", "Click to add a frame, drag to move it, right-click to delete"},
    {kTagNoiseSpectrumView, 1, "Noise spectrum", "Drag a point to scale the noise around it"},
    {kTagNoiseFrameView, 1, "Noise frames", "Click to add a frame, drag to move it, right-click to delete"},
    {kTagSpectralShapeView, 1, "Spectral shape", "The formant filter's shape over frequency"},
    {kTagMorphPath, 1, "Morph paths", "How each morph point moves over a note"},
    {kTagMorphPathSwitch, 1, "Second curve", "Edits the path's Y curve instead of its X curve"},
    {kTagHarmonicFamilyA, 4, "Family", "Which harmonics move together when a bar is dragged"},
    {kTagSlotViewSwitchA, 4, "Bars", "The bars show pitch deviations instead of levels"},
    {kTagVoiceNameA, 4, "Voice name", "Click to type a new name"},
    {kTagSlotSwitchA, 4, "Points", "Shows the voice's loop markers on the harmonic frames"},
    {kTagMorphPad, 1, "Morph pad", "Drag the points between the four voices; Ctrl-click puts them back"},
    {kTagAnalyseA, 4, "Analyse", "Makes the slot a new voice from a recording"},
    {kTagLoadVoiceA, 4, "Load voice", "Loads a voice file into the slot"},
    {kTagSaveVoiceA, 4, "Save voice", "Saves the slot's voice"},
    {kTagLoadInstrument, 1, "Load instrument", "Loads an instrument file"},
    {kTagSaveInstrument, 1, "Save instrument", "Saves the instrument"},
    {kTagAnalyseLayerA, 4, "Analyse layer", "Replaces only the shown layer with a recording"},
    {kTagKeyA, 4, "Key", "The pitch of the shown multisample"},
    {kTagLoadHarmonicPreset, 1, "Load harmonics", "Loads a harmonic preset into the shown layer"},
    {kTagSaveHarmonicPreset, 1, "Save harmonics", "Saves the shown layer's harmonics"},
    {kTagLoadNoisePreset, 1, "Load noise", "Loads a noise preset into the shown layer"},
    {kTagSaveNoisePreset, 1, "Save noise", "Saves the shown layer's noise"},
    {kTagRandomInstrument, 1, "Random instrument", "Draws a new instrument from the library"},
    {kTagRandomiseMorph, 1, "Randomise morph", "Draws new morph settings"},
    {kTagRandomiseSound, 1, "Randomise sound", "Draws new sound settings"},
    {kTagRandomiseEffects, 1, "Randomise effects", "Draws new effect settings"},
    {kTagMidiLearn, 1, "MIDI learn",
     "Press, touch a control, then move a MIDI controller; the right button forgets controllers"},
    {kTagInstrumentMenu, 1, "Instrument", "Chooses an instrument of the category"},
    {kTagCategoryMenu, 1, "Category", "Chooses a library category and its first instrument"},
    {kTagVoiceMenuA, 4, "Voice", "Loads a voice from the library into the slot"},
    {kTagHarmonicPresetMenuA, 4, "Harmonic preset", "Loads a harmonic preset from the library"},
    {kTagNoisePresetMenuA, 4, "Noise preset", "Loads a noise preset from the library"},
    {kTagResetInstrument, 1, "Reset", "Loads the plain start instrument"},
    {kTagModulationEnvelopeView, 1, "Modulation envelope", "The envelope a modulation row can use as its source"},
    {kTagKeyboard, 1, "Keyboard", "Click or glide to play"},
};

} // namespace

ControlHelp controlHelp(int tag)
{
    for (const Text& t : kTexts) {
        if (tag >= t.tag && tag < t.tag + t.count) {
            std::string name = t.name;
            if (t.count == 4) {
                name = std::string("Voice ") + static_cast<char>('A' + (tag - t.tag)) + ": " + name;
            } else if (t.count == kModulationRows) {
                name += " " + std::to_string(tag - t.tag + 1);
            }
            return {std::move(name), t.what};
        }
    }
    std::array<char, 32> text{};
    parameterName(tag, text.data(), text.size());
    return {text.data(), {}};
}

} // namespace tessarine
