#include "editor/EditorDropTarget.h"

#include "editor/EditorTags.h"
#include "editor/dialogs/FileDialogKinds.h"
#include "editor/pages/ControlMap.h"
#include "gui/Theme.h"

#include <algorithm>
#include <filesystem>

namespace tessarine {

namespace {

constexpr const char* kCaption = "Tessarine";
// The one the Analyse button gives for a file it cannot read as a sound.
constexpr const char* kUnsupported = "Unsupported file format.\n";

enum class FileKind { Other, Sound, Voice, Instrument, HarmonicPreset, NoisePreset };

// By the same endings the file dialogs offer for each kind.
FileKind kindOf(const std::string& path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    const std::pair<const char*, FileKind> kinds[] = {{"wav", FileKind::Sound},
                                                      {"t9v", FileKind::Voice},
                                                      {"t9i", FileKind::Instrument},
                                                      {"t9h", FileKind::HarmonicPreset},
                                                      {"t9n", FileKind::NoisePreset}};
    for (const auto& [extension, kind] : kinds) {
        if (isFileOfKind(extension, name)) {
            return kind;
        }
    }
    return FileKind::Other;
}

gui::Rect inFrame(const gui::Rect& pageRect)
{
    return {pageRect.x + static_cast<int>(kPageOrigin.x), pageRect.y + static_cast<int>(kPageOrigin.y),
            pageRect.width, pageRect.height};
}

gui::Rect morphRect(int tag)
{
    for (const ControlRow& row : pageControls(kMorphPage)) {
        if (row.tag == tag) {
            return inFrame(row.rect);
        }
    }
    return {};
}

struct SlotPlace {
    int slot = -1;
    gui::Rect area;
};

// The slot under the point: the shown voice page's anywhere on it, or on the
// morph page a quarter of the pad (A top left, B top right, C and D below, as
// the pad names its corners) or a slot's voice menu with its label.
SlotPlace slotPlaceAt(int page, gui::Point at)
{
    if (const int slot = slotOfPage(page); slot >= 0) {
        return {slot, gui::Rect{static_cast<int>(kPageOrigin.x), static_cast<int>(kPageOrigin.y), kEditorWidth,
                                kPageHeight}};
    }
    if (page != kMorphPage) {
        return {};
    }
    const gui::Rect pad = morphRect(kTagMorphPad);
    if (pad.contains(at)) {
        const int right = at.x >= pad.x + pad.width / 2.0 ? 1 : 0;
        const int below = at.y >= pad.y + pad.height / 2.0 ? 1 : 0;
        const int halfWidth = pad.width / 2;
        const int halfHeight = pad.height / 2;
        return {2 * below + right,
                gui::Rect{pad.x + right * halfWidth, pad.y + below * halfHeight, halfWidth, halfHeight}};
    }
    constexpr int kLabelRoom = 14;
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        gui::Rect menu = morphRect(kTagVoiceMenuA + slot);
        menu = {menu.x, menu.y - kLabelRoom, menu.width, menu.height + kLabelRoom};
        if (menu.contains(at)) {
            return {slot, menu};
        }
    }
    return {};
}

std::string slotLetter(int slot) { return std::string(1, static_cast<char>('A' + slot)); }

DropPlan refused(std::string why)
{
    DropPlan plan;
    plan.refusal = std::move(why);
    return plan;
}

std::string nameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

} // namespace

DropPlan planDrop(int page, gui::Point at, const std::vector<std::string>& paths)
{
    if (paths.empty()) {
        return refused(kUnsupported);
    }
    const FileKind kind = kindOf(paths.front());
    for (const std::string& path : paths) {
        if (kindOf(path) != kind) {
            return refused(kUnsupported); // a mix: no one action takes them all
        }
    }
    if (kind == FileKind::Other) {
        return refused(kUnsupported);
    }
    if (kind != FileKind::Sound && paths.size() > 1) {
        return refused("Drop one file of this kind at a time.\n");
    }
    DropPlan plan;
    if (kind == FileKind::Instrument) {
        plan.action = DropPlan::Action::LoadInstrument;
        plan.area = gui::Rect{0, 0, kEditorWidth, kEditorHeight};
        plan.hint = "Drop to load the instrument";
        return plan;
    }
    if (kind == FileKind::HarmonicPreset || kind == FileKind::NoisePreset) {
        plan.slot = slotOfPage(page);
        if (plan.slot < 0) {
            return refused("Presets load on a voice page: drop them there.\n");
        }
        plan.action = DropPlan::Action::LoadPreset;
        plan.harmonic = kind == FileKind::HarmonicPreset;
        plan.area = slotPlaceAt(page, at).area;
        plan.hint = std::string("Drop to load the ") + (plan.harmonic ? "harmonic" : "noise") + " preset into slot "
                  + slotLetter(plan.slot);
        return plan;
    }
    const SlotPlace place = slotPlaceAt(page, at);
    if (place.slot < 0) {
        return refused(kind == FileKind::Sound
                           ? "Drop sounds on a voice page, or on a slot's corner of the morph pad or its voice menu.\n"
                           : "Drop a voice on a voice page, or on a slot's corner of the morph pad or its voice menu.\n");
    }
    plan.slot = place.slot;
    plan.area = place.area;
    if (kind == FileKind::Sound) {
        plan.action = DropPlan::Action::Analyse;
        plan.hint = "Drop to analyse into slot " + slotLetter(plan.slot);
    } else {
        plan.action = DropPlan::Action::LoadVoice;
        plan.hint = "Drop to load the voice into slot " + slotLetter(plan.slot);
    }
    return plan;
}

EditorDropTarget::EditorDropTarget(gui::Frame& frame, EditorActions& actions, std::function<int()> shownPage,
                                   std::function<void(const char*, const char*)> messageBox)
    : frame_(frame), actions_(actions), shownPage_(std::move(shownPage)), messageBox_(std::move(messageBox))
{
    frame_.setDropTarget(this);
    frame_.setOverlayPainter([this](cairo_t* cr) { paintHint(cr); });
}

EditorDropTarget::~EditorDropTarget()
{
    if (frame_.dropTarget() == this) {
        frame_.setDropTarget(nullptr);
    }
    frame_.setOverlayPainter(nullptr);
}

bool EditorDropTarget::dragOver(gui::Point at, const std::vector<std::string>& paths)
{
    DropPlan plan = planDrop(shownPage_(), at, paths);
    const bool taken = plan.action != DropPlan::Action::Refuse;
    show(std::move(plan));
    return taken;
}

void EditorDropTarget::dragLeave() { show(DropPlan{}); }

bool EditorDropTarget::drop(gui::Point at, const std::vector<std::string>& paths)
{
    const DropPlan plan = planDrop(shownPage_(), at, paths);
    show(DropPlan{});
    bool done = false;
    switch (plan.action) {
    case DropPlan::Action::Refuse:
        messageBox_(plan.refusal.c_str(), kCaption);
        return false;
    case DropPlan::Action::Analyse:
        // The analysis says itself why it refused a file or failed.
        return actions_.analyseFiles(plan.slot, paths, EditorActions::AnalyseInto::NewVoice);
    case DropPlan::Action::LoadVoice:
        done = actions_.loadVoiceFile(plan.slot, paths.front());
        break;
    case DropPlan::Action::LoadInstrument:
        done = actions_.loadInstrumentFile(paths.front());
        break;
    case DropPlan::Action::LoadPreset:
        done = actions_.loadPresetFile(plan.slot, plan.harmonic, paths.front());
        break;
    }
    if (!done) {
        messageBox_((nameOf(paths.front()) + " could not be loaded.\n").c_str(), kCaption);
    }
    return done;
}

void EditorDropTarget::show(DropPlan plan)
{
    // Both the old outline and the new one are drawn again.
    frame_.invalidateRect(shown_.area);
    shown_ = std::move(plan);
    if (shown_.action == DropPlan::Action::Refuse) {
        shown_.area = {};
    }
    frame_.invalidateRect(shown_.area);
}

void EditorDropTarget::paintHint(cairo_t* cr) const
{
    if (shown_.action == DropPlan::Action::Refuse || shown_.area.isEmpty()) {
        return;
    }
    const gui::Rect& a = shown_.area;
    cairo_save(cr);
    gui::setColour(cr, gui::palette::kAccent);
    cairo_set_line_width(cr, 2.0);
    cairo_rectangle(cr, a.x + 1.0, a.y + 1.0, a.width - 2.0, a.height - 2.0);
    cairo_stroke(cr);
    // The line sits in a plate just as wide, at the top of the outline, so
    // it hides as little of the page as it can.
    constexpr int kPlateHeight = 18;
    const int width = std::min(a.width - 8,
                               static_cast<int>(gui::textWidth(cr, shown_.hint, gui::textsize::kLabel)) + 16);
    const gui::Rect plate{a.x + (a.width - width) / 2, a.y + 4, width, kPlateHeight};
    gui::setColour(cr, gui::palette::kTopBar);
    cairo_rectangle(cr, plate.x, plate.y, plate.width, plate.height);
    cairo_fill(cr);
    gui::drawText(cr, shown_.hint, plate, gui::textsize::kLabel, gui::Align::Centre, gui::palette::kAccent);
    cairo_restore(cr);
}

} // namespace tessarine
