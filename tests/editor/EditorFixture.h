#pragma once
// A plug-in with its editor open headless, a small instrument library and a
// configuration folder of the test's own under $TMPDIR, and dialogs that
// answer with prepared paths and count how often they were asked.

#include "editor/dialogs/FileDialogs.h"
#include "editor/EditorTags.h"
#include "editor/HistoryButtons.h"
#include "editor/SynthEditor.h"
#include "engine/SynthEngine.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "shell/SynthPlugin.h"
#include "support/PrivateConfigFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace editortest {

struct DialogLog {
    int opens = 0, saves = 0, messages = 0, questions = 0;
    std::string lastExtension, lastMessage;
    std::string nextPath; // empty: the user cancels
    std::vector<std::string> nextPaths; // several files chosen at once, when not empty
    bool goAhead = true; // the answer to every question, as a dialog that cannot ask gives
};

class ScriptedDialogs final : public tessarine::FileDialogs {
public:
    explicit ScriptedDialogs(DialogLog& log) : log_(log) {}
    bool openFile(const char* extension, std::string& path) override { return answer(extension, path, log_.opens); }
    bool saveFile(const char* extension, std::string& path) override { return answer(extension, path, log_.saves); }
    bool openFiles(const char* extension, std::vector<std::string>& paths) override
    {
        if (log_.nextPaths.empty()) {
            return FileDialogs::openFiles(extension, paths);
        }
        ++log_.opens;
        paths = log_.nextPaths;
        return true;
    }
    void messageBox(const char* text, const char*) override
    {
        ++log_.messages;
        log_.lastMessage = text;
    }
    bool question(const char*, const char*, const char*) override
    {
        ++log_.questions;
        return log_.goAhead;
    }

private:
    bool answer(const char* extension, std::string& path, int& counter)
    {
        ++counter;
        log_.lastExtension = extension;
        if (log_.nextPath.empty()) {
            return false;
        }
        path = log_.nextPath;
        return true;
    }
    DialogLog& log_;
};

// A host that answers only the version question; what the plug-in automates is recorded.
vst::intptr quietHost(vst::EffectRecord*, vst::int32 opcode, vst::int32 index, vst::intptr, void*, float opt);

// An audioMasterAutomate the plug-in sent its host.
struct HostAutomation { int index; float value; };

// Instruments of the library, in the order the menus list them (sorted), told apart by their volume.
struct LibraryInstrument { const char* category; const char* name; float volume; };
inline const std::vector<LibraryInstrument> kLibrary = {
    {"Basses", "Deep", 0.11f}, {"Basses", "Round", 0.22f}, {"Pads", "Airy", 0.33f}, {"Pads", "Warm", 0.44f}};

class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    tessarine::SynthEditor& editor() { return *editor_; }
    tessarine::SynthEngine& engine() { return plugin_->engine(); }
    tessarine::SynthPlugin& plugin() { return *plugin_; }
    const tessarine::Voice& slot(int s) { return engine().instrument().voices[static_cast<std::size_t>(s)]; }
    std::string loaded() { return engine().instrument().name.data(); }
    tessarine::gui::OptionMenu* menu(int tag) { return dynamic_cast<tessarine::gui::OptionMenu*>(editor_->control(tag)); }
    // What the instrument menu shows: the name, marked " *" while it differs from what was loaded or saved.
    std::string shownName() { return menu(tessarine::kTagInstrumentMenu)->shownText(); }

    // A press and release at the centre of the control of tag, shown on the current page.
    void click(int tag);
    void clickAt(const tessarine::gui::Rect& area);
    void press(tessarine::HistoryButtons::Action action) { clickAt(editor_->historyButtons()->button(action)->bounds()); }
    // A drag up from the centre of the control of tag, in two moves: one gesture, one step of the history.
    void dragUp(int tag, double pixels);
    void keys(std::initializer_list<int> codes, unsigned modifiers = 0);
    void showPage(int page) { editor_->setParameter(tessarine::kTagPageSelector, static_cast<float>(page) / 7.0f); }
    void mouse(tessarine::gui::EventKind kind, double x, double y);
    // Every control of the frame (top bar and shown page), by tag.
    std::vector<int> tagsInFrame() const;
    // What the plug-in reported to its host as automation since the editor opened.
    std::vector<HostAutomation> automated() const;
    void forgetAutomation();
    // The state chunk the host would store.
    std::vector<unsigned char> chunk();
    // The host's file request (effVendorSpecific kFileRequest) with its action and path.
    bool request(int action, const char* path = "");
    // The instrument as it is now, under a new name, saved at path.
    void saveInstrumentAs(const std::filesystem::path& path, const char* name);
    // A voice of random data under a name, written at root_/name.t9v.
    std::string writeVoice(const std::string& name, unsigned seed, int layers);

    // Before the plug-in: what the editor remembers stays in the test's folder.
    tessarine::test::PrivateConfigFolder config_;
    tessarine::test::TempFolder folder_{"editor"};
    const std::filesystem::path& root_ = folder_.path();
    DialogLog dialogs_;
    std::unique_ptr<tessarine::SynthPlugin> plugin_;
    tessarine::SynthEditor* editor_ = nullptr;
};

} // namespace editortest
