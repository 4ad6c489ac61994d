#include "EditorFixture.h"

#include "gui/Container.h"
#include "gui/Control.h"
#include "sound/model/Instrument.h"
#include "support/ControlTestSupport.h"
#include "support/TestVoices.h"

#include <mutex>

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
    const auto instruments = root_ / "TessarineData" / "Instruments-Factory";

    plugin_ = std::make_unique<tessarine::SynthPlugin>(quietHost);
    // The library's instruments, written by the engine itself.
    for (const LibraryInstrument& entry : kLibrary) {
        std::filesystem::create_directories(instruments / entry.category);
        engine().setParameter(tessarine::kVolume, entry.volume, true);
        saveInstrumentAs(instruments / entry.category / (std::string(entry.name) + ".t9i"), entry.name);
    }
    engine().setParameter(tessarine::kVolume, 0.5f, true);
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
}

void EditorFixture::mouse(tessarine::gui::EventKind kind, double x, double y)
{
    editor_->frame()->dispatch(tessarine::gui::test::mouse(kind, x, y));
}

void EditorFixture::click(int tag)
{
    tessarine::gui::Control* control = editor_->control(tag);
    ASSERT_NE(control, nullptr) << "no control " << tag;
    clickAt(control->bounds());
}

void EditorFixture::clickAt(const tessarine::gui::Rect& b)
{
    tessarine::gui::test::click(*editor_->frame(), b.x + b.width / 2.0, b.y + b.height / 2.0);
}

void EditorFixture::dragUp(int tag, double pixels)
{
    tessarine::gui::Control* control = editor_->control(tag);
    ASSERT_NE(control, nullptr) << "no control " << tag;
    const auto& b = control->bounds();
    const double x = b.x + b.width / 2.0, y = b.y + b.height / 2.0;
    tessarine::gui::test::drag(*editor_->frame(), {{x, y}, {x, y - pixels / 2}, {x, y - pixels}});
}

void EditorFixture::keys(std::initializer_list<int> codes, unsigned modifiers)
{
    for (int code : codes) {
        tessarine::gui::InputEvent event = tessarine::gui::test::key(code);
        event.modifiers = modifiers;
        editor_->frame()->dispatch(event);
    }
}

std::vector<unsigned char> EditorFixture::chunk()
{
    void* data = nullptr;
    const auto size = plugin_->record()->dispatcher(plugin_->record(), vst::effGetChunk, 0, 0, &data, 0.0f);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return {bytes, bytes + size};
}

bool EditorFixture::request(int action, const char* path)
{
    return plugin_->record()->dispatcher(plugin_->record(), vst::effVendorSpecific, tessarine::SynthPlugin::kFileRequest,
                                         action, const_cast<char*>(path), 0.0f)
        == 1;
}

void EditorFixture::saveInstrumentAs(const std::filesystem::path& path, const char* name)
{
    auto& instrument = engine().editInstrument();
    std::snprintf(instrument.name.data(), instrument.name.size(), "%s", name);
    ASSERT_TRUE(engine().saveInstrument(path.c_str()));
}

std::string EditorFixture::writeVoice(const std::string& name, unsigned seed, int layers)
{
    auto voice = std::make_unique<tessarine::Voice>();
    tessarine::test::fillRandomVoice(*voice, seed, 1, layers, 4);
    voice->setName(name);
    const std::string path = (root_ / (name + ".t9v")).string();
    tessarine::test::writeFile(path, tessarine::test::voiceBytes(*voice));
    return path;
}

std::vector<int> EditorFixture::tagsInFrame() const
{
    std::vector<int> tags;
    collectTags(*editor_->frame(), tags);
    return tags;
}

} // namespace editortest
