#pragma once
// The editor's file and library actions, on the user-interface thread: the
// dialogs, the instrument, voice and preset menus, loads and saves through
// the engine, the analysis of a sound file, and the generators. A cancelled
// dialog or a file that cannot be read ends the action with nothing changed;
// an action that changed the instrument asks the editor for a full refresh.

#include "editor/dialogs/FileDialogs.h"
#include "editor/SlotAnalysis.h"
#include "editor/VoicePlace.h"
#include "sound/model/Instrument.h"
#include "sound/library/LibraryIndex.h"
#include "sound/library/LibraryMenu.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessarine {

class EditorPages;
class LibraryTarget;
class RandomGenerator;
class SoundLibrary;
class SynthEngine;

class EditorActions {
public:
    // target: the plug-in, through which library loads reach the engine and
    // values reach the editor and the host. refresh: every control follows the engine again.
    EditorActions(SynthEngine& engine, SoundLibrary& library, LibraryTarget& target, RandomGenerator& random,
                  std::function<void()> refresh);
    ~EditorActions();

    // The built pages while the editor is open; null while it is closed.
    void setPages(const EditorPages* pages) { pages_ = pages; }
    // The dialogs and message box the file actions use (tests inject paths); null keeps the current ones.
    void setFileDialogs(std::unique_ptr<FileDialogs> dialogs);
    // Keeps the editor's window painted while an analysis holds the thread.
    void setWhileBusy(std::function<void()> repaint) { whileBusy_ = std::move(repaint); }

    // The menus list the library as it is on disk now.
    void rebuildInstrumentMenus();
    void rebuildLibraryMenus();
    // Fills the instrument and library menus of pages from the lists kept here.
    void fillMenus(const EditorPages& pages) const;
    // The category and instrument menus follow the loaded instrument (its
    // category's list, with it chosen where the library has it), and each
    // slot's voice menu names the slot's voice.
    void showLoadedNames();

    void loadInstrument();
    void saveInstrument();
    void resetInstrument();
    void instrumentChosen();
    void categoryChosen();
    void randomInstrument();
    // The next (step 1) or previous (-1) instrument of the loaded one's category, wrapping.
    void stepInstrument(int step);
    // A browsed entry, loaded the way its menu loads it: an instrument asks
    // before discarding changes, a voice or preset goes into slot. False when
    // nothing was loaded.
    bool loadLibraryEntry(const LibraryEntry& entry, int slot);
    // The category menu names the category of the loaded instrument (blank for none).
    std::string loadedCategoryName() const;
    // Told after the instrument was saved to a file.
    void setSaved(std::function<void()> saved) { saved_ = std::move(saved); }
    // Asked before a load replaces the instrument; false keeps it.
    void setMayDiscard(std::function<bool()> mayDiscard) { mayDiscard_ = std::move(mayDiscard); }
    // kTagRandomiseMorph, kTagRandomiseSound or kTagRandomiseEffects.
    void randomise(int tag);

    // The Analyse button: asks for sound files, then analyseFiles. into picks
    // between a whole new voice and the shown multisample's shown layer.
    using AnalyseInto = tessarine::AnalyseInto;
    void analyse(int slot, AnalyseInto into = AnalyseInto::NewVoice);
    // Sound files into slot (see analyseIntoSlot), with the progress window.
    // False, with the slot unchanged and the reason in the message box, for a
    // refused file or a failed analysis.
    bool analyseFiles(int slot, const std::vector<std::string>& paths, AnalyseInto into);
    // Files named by a caller rather than a dialog (a drop, a request). False,
    // with nothing changed, when the file cannot be read.
    bool loadVoiceFile(int slot, const std::string& path);
    bool loadInstrumentFile(const std::string& path);
    // Into the shown multisample and layer of slot.
    bool loadPresetFile(int slot, bool harmonic, const std::string& path);
    // What the last analysis did, and into which slot, for the editor to say
    // on that slot's page ("" and -1 before any).
    const std::string& lastAnalysisNote() const { return lastAnalysisNote_; }
    int lastAnalysisSlot() const { return lastAnalysisSlot_; }
    void loadVoice(int slot);
    void saveVoice(int slot);
    void voiceChosen(int slot);
    // Into and out of the shown voice page's layer.
    void loadPreset(bool harmonic);
    void savePreset(bool harmonic);
    void presetChosen(int slot, bool harmonic);

private:
    void showCategoryName(const EditorPages& pages) const;
    void showInstrumentName() const;
    LibraryMenu* libraryMenuOf(int tag);
    // The dialogs, told where the library is now, for a file to open or save.
    FileDialogs& dialogs();
    VoicePlace shownVoicePlace() const;
    bool mayDiscard() const { return !mayDiscard_ || mayDiscard_(); }

    SynthEngine& engine_;
    SoundLibrary& library_;
    LibraryTarget& target_;
    RandomGenerator& random_;
    std::function<void()> refresh_;
    std::unique_ptr<FileDialogs> dialogs_;
    std::function<void()> whileBusy_;
    std::function<void()> saved_;
    std::function<bool()> mayDiscard_;
    const EditorPages* pages_ = nullptr;
    // The voice, harmonic-preset and noise-preset menus of the four slots, as listed at open.
    std::array<LibraryMenu, 3 * kVoiceSlotCount> libraryMenus_;
    // The category the last random instrument was drawn from, while it is loaded.
    std::string randomCategory_;
    std::string randomName_;
    std::string lastAnalysisNote_;
    int lastAnalysisSlot_ = -1;
};

} // namespace tessarine
