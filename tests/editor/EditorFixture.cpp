#include "EditorFixture.h"

#include "gui/Container.h"
#include "gui/Control.h"
#include "sound/model/Instrument.h"

#include <mutex>

#include <unistd.h>

namespace editortest {

namespace {

std::mutex automatedMutex;
std::vector<HostAutomation> automatedValues;

} // namespace

vst::intptr quietHost(vst::EffectRecord*, vst::int32 opcode, vst::int32 index, vst::intptr, void*, float opt)
{
    if (opcode == vst::audioMasterAutomate) {
        const std::lock_guard<std::mutex> lock(automatedMutex);
        automatedValues.push_back(HostAutomation{index, opt});
    }
    return opcode == vst::audioMasterVersion ? 2300 : 0;
}

namespace {

void collectTags(const tessarine::gui::View& view, std::vector<int>& tags)
{
    // Controls of no engine value (the arrows, Undo, Redo, Ask) carry tag -1.
    if (const auto* control = dynamic_cast<const tessarine::gui::Control*>(&view); control && control->tag() >= 0) {
        tags.push_back(control->tag());
    }
    if (const auto* container = dynamic_cast<const tessarine::gui::Container*>(&view)) {
        for (const auto& child : container->children()) {
            collectTags(*child, tags);
        }
    }
}

} // namespace

void EditorFixture::SetUp()
{
    root_ = std::filesystem::temp_directory_path()
        / ("tessarine-editor-" + std::to_string(getpid()) + "-"
           + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    const auto instruments = root_ / "TessarineData" / "Instruments-Factory";

    plugin_ = std::make_unique<tessarine::SynthPlugin>(quietHost);
    // The library's instruments, written by the engine itself.
    for (const LibraryInstrument& entry : kLibrary) {
        std::filesystem::create_directories(instruments / entry.category);
        auto& instrument = plugin_->engine().editInstrument();
        std::snprintf(instrument.name.data(), instrument.name.size(), "%s", entry.name);
        plugin_->engine().setParameter(tessarine::kVolume, entry.volume, true);
        const auto path = instruments / entry.category / (std::string(entry.name) + ".t9i");
        ASSERT_TRUE(plugin_->engine().saveInstrument(path.c_str()));
    }
    plugin_->engine().setParameter(tessarine::kVolume, 0.5f, true);
    plugin_->library().setRoot(root_.string());

    editor_ = dynamic_cast<tessarine::SynthEditor*>(plugin_->editor());
    ASSERT_NE(editor_, nullptr);
    editor_->setFileDialogs(std::make_unique<ScriptedDialogs>(dialogs_));
    ASSERT_TRUE(editor_->open(nullptr));
    forgetAutomation();
}

std::vector<HostAutomation> EditorFixture::automated() const
{
    const std::lock_guard<std::mutex> lock(automatedMutex);
    return automatedValues;
}

void EditorFixture::forgetAutomation()
{
    const std::lock_guard<std::mutex> lock(automatedMutex);
    automatedValues.clear();
}

void EditorFixture::TearDown()
{
    plugin_.reset();
    std::filesystem::remove_all(root_);
}

void EditorFixture::mouse(tessarine::gui::EventKind kind, double x, double y)
{
    tessarine::gui::InputEvent event;
    event.kind = kind;
    event.position = {x, y};
    event.button = tessarine::gui::MouseButton::Left;
    editor_->frame()->dispatch(event);
}

void EditorFixture::click(int tag)
{
    tessarine::gui::Control* control = editor_->control(tag);
    ASSERT_NE(control, nullptr) << "no control " << tag;
    clickAt(control->bounds());
}

void EditorFixture::clickAt(const tessarine::gui::Rect& b)
{
    mouse(tessarine::gui::EventKind::MouseDown, b.x + b.width / 2.0, b.y + b.height / 2.0);
    mouse(tessarine::gui::EventKind::MouseUp, b.x + b.width / 2.0, b.y + b.height / 2.0);
}

void EditorFixture::dragUp(int tag, double pixels)
{
    tessarine::gui::Control* control = editor_->control(tag);
    ASSERT_NE(control, nullptr) << "no control " << tag;
    const auto& b = control->bounds();
    const double x = b.x + b.width / 2.0, y = b.y + b.height / 2.0;
    mouse(tessarine::gui::EventKind::MouseDown, x, y);
    mouse(tessarine::gui::EventKind::MouseMove, x, y - pixels / 2);
    mouse(tessarine::gui::EventKind::MouseMove, x, y - pixels);
    mouse(tessarine::gui::EventKind::MouseUp, x, y - pixels);
}

void EditorFixture::keys(std::initializer_list<int> codes, unsigned modifiers)
{
    for (int code : codes) {
        tessarine::gui::InputEvent event;
        event.kind = tessarine::gui::EventKind::KeyDown;
        event.key = code;
        event.modifiers = modifiers;
        editor_->frame()->dispatch(event);
    }
}

std::vector<int> EditorFixture::tagsInFrame() const
{
    std::vector<int> tags;
    collectTags(*editor_->frame(), tags);
    return tags;
}

} // namespace editortest
