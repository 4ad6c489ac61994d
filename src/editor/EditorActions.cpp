#include "editor/EditorActions.h"

#include "editor/pages/EditorPages.h"
#include "editor/EditorTags.h"
#include "editor/SlotAnalysis.h"
#include "engine/SynthEngine.h"
#include "gui/OptionMenu.h"
#include "sound/library/RandomDraws.h"
#include "sound/library/RandomParameters.h"
#include "sound/library/SoundLibrary.h"
#include "sound/files/VoiceFile.h"

#include <filesystem>

namespace tessarine {

namespace {

constexpr const char* kCaption = "Tessarine";

// The name a saved file gives its instrument or voice: no folder, no extension.
std::string nameOfFile(const std::string& path)
{
    std::string name = std::filesystem::path(path).filename().string();
    if (const auto dot = name.find('.'); dot != std::string::npos && dot > 0) {
        name.resize(dot);
    }
    return name;
}

// The progress window, and the editor under it painted at each report, so
// the area a closed dialog uncovered does not stay blank for the whole analysis.
class PaintingProgress final : public AnalysisProgress {
public:
    PaintingProgress(std::unique_ptr<AnalysisProgress> window, const std::function<void()>& repaint)
        : window_(std::move(window)), repaint_(repaint)
    {
        paint();
    }
    void setProgress(double percent) override
    {
        if (window_) {
            window_->setProgress(percent);
        }
        paint();
    }
    void setStage(const std::string& stage) override
    {
        if (window_) {
            window_->setStage(stage);
        }
        paint();
    }

private:
    void paint()
    {
        if (repaint_) {
            repaint_();
        }
    }
    std::unique_ptr<AnalysisProgress> window_;
    const std::function<void()>& repaint_;
};

gui::OptionMenu* menuOf(gui::Control* control) { return dynamic_cast<gui::OptionMenu*>(control); }

void fillLibraryMenu(gui::OptionMenu& menu, const LibraryMenu& model)
{
    menu.clear();
    for (std::size_t k = 0; k < model.rootEntries.size(); ++k) {
        if (model.hasSubmenus()) {
            std::vector<std::string> items;
            for (const LibraryFile& file : model.submenus[k]) {
                items.push_back(file.name);
            }
            menu.addSubmenu(model.rootEntries[k].name, std::move(items));
        } else {
            menu.addEntry(model.rootEntries[k].name);
        }
    }
    menu.setTitle(model.title);
}

} // namespace

EditorActions::EditorActions(SynthEngine& engine, SoundLibrary& library, LibraryTarget& target,
                             RandomGenerator& random, std::function<void()> refresh)
    : engine_(engine), library_(library), target_(target), random_(random), refresh_(std::move(refresh)),
      dialogs_(makeFileDialogs())
{
}

EditorActions::~EditorActions() = default;

FileDialogs& EditorActions::dialogs()
{
    // The library may have moved since the last dialog (another root was chosen).
    dialogs_->setLibraryFolder(library_.folders().root);
    return *dialogs_;
}

void EditorActions::setFileDialogs(std::unique_ptr<FileDialogs> dialogs)
{
    if (dialogs) {
        dialogs_ = std::move(dialogs);
    }
}

VoicePlace EditorActions::shownVoicePlace() const
{
    return pages_ ? voicePlaceOf(engine_, slotOfPage(pages_->shownPage())) : VoicePlace{};
}

void EditorActions::showLoadedNames()
{
    if (!pages_) {
        return;
    }
    InstrumentMenus& menus = library_.instrumentMenus();
    const std::string name = engine_.instrument().name.data();
    const auto& categories = menus.categories();
    const std::string category = loadedCategoryName();
    for (std::size_t c = 0; c < categories.size(); ++c) {
        const int found = categories[c] == category ? menus.findInstrument(static_cast<int>(c), name) : -1;
        if (found >= 0 && (static_cast<int>(c) != menus.selectedCategory() || found != menus.selectedInstrument())) {
            menus.select(static_cast<int>(c), found);
            fillMenus(*pages_);
            break;
        }
    }
    showCategoryName(*pages_);
    showInstrumentName();
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        const auto voice = engine_.instrument().voices[static_cast<std::size_t>(s)].nameView();
        LibraryMenu* model = libraryMenuOf(kTagVoiceMenuA + s);
        model->title = voice.empty() ? std::string(" ") : std::string(voice);
        pages_->forEachControl(kTagVoiceMenuA + s, [model](gui::Control& c) {
            if (auto* menu = menuOf(&c)) {
                menu->setTitle(model->title);
            }
        });
    }
}

LibraryMenu* EditorActions::libraryMenuOf(int tag)
{
    if (tag >= kTagVoiceMenuA && tag <= kTagNoisePresetMenuA + 3) {
        return &libraryMenus_[static_cast<std::size_t>(tag - kTagVoiceMenuA)];
    }
    return nullptr;
}

void EditorActions::rebuildInstrumentMenus()
{
    library_.rescanInstruments(true, false, target_);
    if (pages_) {
        fillMenus(*pages_);
    }
}

void EditorActions::rebuildLibraryMenus()
{
    const LibraryFolders& folders = library_.folders();
    LibraryMenu voices;
    LibraryMenu harmonics;
    LibraryMenu noises;
    buildLibraryMenu(folders.voices, "t9v", voices);
    buildLibraryMenu(folders.harmonicPresets, "t9h", harmonics);
    buildLibraryMenu(folders.noisePresets, "t9n", noises);
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        *libraryMenuOf(kTagVoiceMenuA + s) = voices;
        *libraryMenuOf(kTagHarmonicPresetMenuA + s) = harmonics;
        *libraryMenuOf(kTagNoisePresetMenuA + s) = noises;
    }
    if (pages_) {
        fillMenus(*pages_);
    }
}

void EditorActions::fillMenus(const EditorPages& pages) const
{
    const InstrumentMenus& instruments = library_.instrumentMenus();
    pages.forEachControl(kTagCategoryMenu, [&instruments](gui::Control& c) {
        if (auto* menu = menuOf(&c)) {
            menu->clear();
            for (const std::string& category : instruments.categories()) {
                menu->addEntry(category);
            }
            menu->setValue(static_cast<float>(instruments.selectedCategory()));
        }
    });
    showCategoryName(pages);
    pages.forEachControl(kTagInstrumentMenu, [this, &instruments](gui::Control& c) {
        if (auto* menu = menuOf(&c)) {
            menu->clear();
            for (const LibraryFile& file : instruments.instruments(instruments.selectedCategory())) {
                menu->addEntry(file.name);
            }
            menu->setValue(static_cast<float>(instruments.selectedInstrument()));
            menu->setTitle(engine_.instrument().name.data());
        }
    });
    for (int tag = kTagVoiceMenuA; tag <= kTagNoisePresetMenuA + 3; ++tag) {
        const LibraryMenu& model = libraryMenus_[static_cast<std::size_t>(tag - kTagVoiceMenuA)];
        pages.forEachControl(tag, [&model](gui::Control& c) {
            if (auto* menu = menuOf(&c)) {
                fillLibraryMenu(*menu, model);
            }
        });
    }
    // The voice menus name what each slot plays, also in pages drawn before
    // the editor ever opened.
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        const auto voice = engine_.instrument().voices[static_cast<std::size_t>(s)].nameView();
        pages.forEachControl(kTagVoiceMenuA + s, [voice](gui::Control& c) {
            if (auto* menu = menuOf(&c)) {
                menu->setTitle(voice.empty() ? std::string(" ") : std::string(voice));
            }
        });
    }
}

std::string EditorActions::loadedCategoryName() const
{
    // The category whose list holds the loaded instrument's name, the selected
    // one first; a random instrument belongs to the category it was drawn from.
    const InstrumentMenus& menus = library_.instrumentMenus();
    const std::string name = engine_.instrument().name.data();
    const auto& categories = menus.categories();
    const int selected = menus.selectedCategory();
    if (menus.findInstrument(selected, name) >= 0) {
        return categories[static_cast<std::size_t>(selected)];
    }
    for (std::size_t c = 0; c < categories.size(); ++c) {
        if (menus.findInstrument(static_cast<int>(c), name) >= 0) {
            return categories[c];
        }
    }
    if (!randomCategory_.empty() && name == randomName_) {
        return randomCategory_;
    }
    return {};
}

void EditorActions::showCategoryName(const EditorPages& pages) const
{
    const std::string category = loadedCategoryName();
    pages.forEachControl(kTagCategoryMenu, [&category](gui::Control& c) {
        if (auto* menu = menuOf(&c)) {
            // An instrument from outside the library (a file, the reset instrument) has no category.
            menu->setTitle(category.empty() ? " " : category);
        }
    });
}

void EditorActions::showInstrumentName() const
{
    if (!pages_) {
        return;
    }
    const char* name = engine_.instrument().name.data();
    pages_->forEachControl(kTagInstrumentMenu, [name](gui::Control& c) {
        if (auto* menu = menuOf(&c)) {
            menu->setTitle(name);
        }
    });
}

void EditorActions::loadInstrument()
{
    std::string path;
    if (dialogs().openFile("t9i", path)) {
        loadInstrumentFile(path);
    }
}

void EditorActions::saveInstrument()
{
    std::string path;
    if (!dialogs().saveFile("t9i", path)) {
        return;
    }
    Instrument& instrument = engine_.editInstrument();
    const auto previous = instrument.name;
    const std::string name = nameOfFile(path);
    std::snprintf(instrument.name.data(), instrument.name.size(), "%s", name.c_str());
    if (!engine_.saveInstrument(path.c_str())) {
        instrument.name = previous;
        return;
    }
    library_.rescanInstruments(false, false, target_);
    showInstrumentName();
    if (saved_) {
        saved_();
    }
}

void EditorActions::resetInstrument()
{
    if (mayDiscard() && library_.reset(target_)) {
        refresh_();
    }
}

void EditorActions::instrumentChosen()
{
    const auto* category = menuOf(pages_->control(EditorPages::kTopBar, kTagCategoryMenu));
    const auto* instrument = menuOf(pages_->control(EditorPages::kTopBar, kTagInstrumentMenu));
    if (category == nullptr || instrument == nullptr) {
        return;
    }
    InstrumentMenus& menus = library_.instrumentMenus();
    if (!mayDiscard()) {
        showInstrumentName();
        return;
    }
    if (!menus.select(category->currentEntry(), instrument->currentEntry())) {
        return;
    }
    if (library_.rescanInstruments(false, true, target_)) {
        refresh_();
    }
}

void EditorActions::categoryChosen()
{
    const auto* category = menuOf(pages_->control(EditorPages::kTopBar, kTagCategoryMenu));
    if (category == nullptr) {
        return;
    }
    // A new category starts at its first instrument.
    InstrumentMenus& menus = library_.instrumentMenus();
    if (!menus.select(category->currentEntry(), 0)) {
        return;
    }
    fillMenus(*pages_);
    instrumentChosen();
}

void EditorActions::analyse(int slot, AnalyseInto into)
{
    std::vector<std::string> paths;
    if (dialogs().openFiles("wav", paths)) {
        analyseFiles(slot, paths, into);
    }
}

bool EditorActions::analyseFiles(int slot, const std::vector<std::string>& paths, AnalyseInto into)
{
    const SlotAnalysisOutcome outcome =
        analyseIntoSlot(engine_, slot, paths, into, [this]() -> std::unique_ptr<AnalysisProgress> {
            return std::make_unique<PaintingProgress>(dialogs_->openAnalysisProgress(), whileBusy_);
        });
    if (!outcome.analysed) {
        // "Unsupported file format." for a file of another kind; a missing,
        // unreadable or special file says so instead.
        dialogs_->messageBox((outcome.message + "\n").c_str(), kCaption);
        return false;
    }
    lastAnalysisNote_ = outcome.message;
    lastAnalysisSlot_ = slot;
    refresh_();
    return true;
}

bool EditorActions::loadVoiceFile(int slot, const std::string& path)
{
    if (!target_.loadVoiceFrom(slot, path.c_str())) {
        return false;
    }
    refresh_();
    return true;
}

bool EditorActions::loadInstrumentFile(const std::string& path)
{
    if (!mayDiscard() || !target_.loadInstrumentFrom(path.c_str())) {
        return false;
    }
    rebuildInstrumentMenus();
    refresh_();
    return true;
}

bool EditorActions::loadPresetFile(int slot, bool harmonic, const std::string& path)
{
    const VoicePlace place = voicePlaceOf(engine_, slot);
    const auto kind = harmonic ? SynthEngine::PresetKind::Harmonic : SynthEngine::PresetKind::Noise;
    if (place.slot < 0 || !engine_.loadPreset(kind, place.slot, place.multisample, place.layer, path.c_str())) {
        return false;
    }
    refresh_();
    return true;
}

void EditorActions::loadVoice(int slot)
{
    std::string path;
    if (dialogs().openFile("t9v", path)) {
        loadVoiceFile(slot, path);
    }
}

void EditorActions::saveVoice(int slot)
{
    std::string path;
    if (!dialogs().saveFile("t9v", path)) {
        return;
    }
    Voice& voice = engine_.editInstrument().voices[static_cast<std::size_t>(slot)];
    const auto previous = voice.name;
    voice.setName(nameOfFile(path));
    if (!engine_.saveVoice(slot, path.c_str())) {
        voice.name = previous;
        return;
    }
    refresh_();
}

void EditorActions::voiceChosen(int slot)
{
    const int tag = kTagVoiceMenuA + slot;
    auto* menu = menuOf(pages_->control(kMorphPage, tag));
    LibraryMenu* model = libraryMenuOf(tag);
    if (menu == nullptr || model == nullptr) {
        return;
    }
    const gui::MenuChoice choice = menu->lastChoice();
    std::string path;
    if (!pathOfMenuChoice(*model, LibraryMenuChoice{choice.entry, choice.subEntry}, path)) {
        return;
    }
    menu->setTitle(model->title);
    if (target_.loadVoiceFrom(slot, path.c_str())) {
        refresh_();
    }
}

void EditorActions::loadPreset(bool harmonic)
{
    const VoicePlace place = shownVoicePlace();
    std::string path;
    if (place.slot >= 0 && dialogs().openFile(harmonic ? "t9h" : "t9n", path)) {
        loadPresetFile(place.slot, harmonic, path);
    }
}

void EditorActions::savePreset(bool harmonic)
{
    const VoicePlace place = shownVoicePlace();
    std::string path;
    if (place.slot < 0 || !dialogs().saveFile(harmonic ? "t9h" : "t9n", path)) {
        return;
    }
    const auto kind = harmonic ? SynthEngine::PresetKind::Harmonic : SynthEngine::PresetKind::Noise;
    engine_.savePreset(kind, place.slot, place.multisample, place.layer, path.c_str());
}

void EditorActions::presetChosen(int slot, bool harmonic)
{
    const int tag = (harmonic ? kTagHarmonicPresetMenuA : kTagNoisePresetMenuA) + slot;
    auto* menu = menuOf(pages_->control(slot, tag));
    LibraryMenu* model = libraryMenuOf(tag);
    if (menu == nullptr || model == nullptr) {
        return;
    }
    const gui::MenuChoice choice = menu->lastChoice();
    std::string path;
    if (!pathOfMenuChoice(*model, LibraryMenuChoice{choice.entry, choice.subEntry}, path)) {
        return;
    }
    menu->setTitle(model->title);
    const auto kind = harmonic ? SynthEngine::PresetKind::Harmonic : SynthEngine::PresetKind::Noise;
    if (engine_.loadPresetIntoSlot(kind, slot, path.c_str())) {
        refresh_();
    }
}

void EditorActions::randomInstrument()
{
    if (!mayDiscard()) {
        return;
    }
    const auto* category = menuOf(pages_->control(EditorPages::kTopBar, kTagCategoryMenu));
    const auto& categories = library_.instrumentMenus().categories();
    const int chosen = category != nullptr ? category->currentEntry() : -1;
    if (chosen >= 0 && chosen < static_cast<int>(categories.size())) {
        randomCategory_ = categories[static_cast<std::size_t>(chosen)];
        library_.randomInstrument(randomCategory_, random_, target_);
    } else {
        randomCategory_ = library_.instrumentMenus().selectedCategoryName();
        library_.randomInstrument(random_, target_);
    }
    randomName_ = engine_.instrument().name.data();
    refresh_();
}

void EditorActions::stepInstrument(int step)
{
    if (mayDiscard() && library_.stepInstrument(engine_.instrument().name.data(), step, target_)) {
        if (pages_) {
            fillMenus(*pages_);
        }
        refresh_();
    }
}

bool EditorActions::loadLibraryEntry(const LibraryEntry& entry, int slot)
{
    switch (entry.kind) {
    case LibraryKind::Instrument:
        if (entry.user) {
            return loadInstrumentFile(entry.path);
        }
        // A factory instrument is selected in the menus as choosing it there would.
        if (!mayDiscard() || !library_.loadListedInstrument(entry.category, entry.name, target_)) {
            return false;
        }
        if (pages_) {
            fillMenus(*pages_);
        }
        refresh_();
        return true;
    case LibraryKind::Voice:
        return slot >= 0 && slot < kVoiceSlotCount && loadVoiceFile(slot, entry.path);
    case LibraryKind::HarmonicPreset:
    case LibraryKind::NoisePreset: {
        const auto kind = entry.kind == LibraryKind::HarmonicPreset ? SynthEngine::PresetKind::Harmonic
                                                                     : SynthEngine::PresetKind::Noise;
        if (slot < 0 || slot >= kVoiceSlotCount || !engine_.loadPresetIntoSlot(kind, slot, entry.path.c_str())) {
            return false;
        }
        refresh_();
        return true;
    }
    }
    return false;
}

void EditorActions::randomise(int tag)
{
    RandomDraws draws(random_);
    switch (tag) {
    case kTagRandomiseMorph:
        randomiseMorph(draws, target_);
        break;
    case kTagRandomiseSound:
        randomiseSound(draws, kOtherCategory, target_);
        break;
    case kTagRandomiseEffects:
        randomiseEffects(draws, kOtherCategory, target_);
        break;
    default:
        return;
    }
    refresh_();
}

} // namespace tessarine
