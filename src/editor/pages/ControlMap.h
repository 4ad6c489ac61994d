#pragma once
// Where every control of the editor stands: the top bar, shown on every page,
// and the eight pages (0..3 the voice pages of slots A..D, 4 modulation,
// 5 morphing, 6 sound and LFO, 7 effects). One row per control: its tag, its
// kind, its rectangle, its label on the background and what its kind needs.
//
// Top-bar rectangles are in frame coordinates. Page rectangles are in page
// coordinates, measured from the page area's top-left corner just below the
// page selector (kPageOrigin in the frame); the page builder adds the origin.

#include "editor/EditorTags.h"
#include "gui/Geometry.h"
#include "params/ParameterTable.h"

#include <cstddef>
#include <vector>

namespace tessarine {

enum class ControlKind {
    Knob,             // film-strip knob, optionally with a value display
    OnOffButton,
    KickButton,
    OptionMenu,
    LibraryMenu,      // option menu over a library folder, with a submenu per sub-folder
    ListSelector,
    Selector,         // N positions a fixed step apart
    Switch,           // N states
    HorizontalSlider,
    TextEdit,
    CurveView,        // tags 175..178 and 253
    MorphPad,         // tag 198
    MorphPath,        // tag 179
    HarmonicBars,     // tag 174
    Keyboard,         // tag 254
};

// What a list selector shows for entry k.
enum class EntryText {
    Number,          // k + 1
    HarmonicFamily,  // "All", "Dark", ...
    Note,            // MIDI note k as a name, "C4" is key 60
    Detune,          // k - 200 cents, with the unit ("-12 ct")
    Cutoff,          // the brightness cutoff the entry stands for, with the unit ("4555 Hz")
};

inline constexpr int kEditorWidth = 800;
inline constexpr int kEditorHeight = 550;
inline constexpr gui::Point kPageOrigin{0, 90};
inline constexpr int kPageHeight = 395;
inline constexpr int kKnobSize = 35;
// Room for a number and its unit ("11/16 bar", "14.5 ms").
inline constexpr int kValueDisplayWidth = 47;
inline constexpr int kValueDisplayHeight = 11;

// Where a control's label stands: on the background beside it, or inside
// the control (buttons show their own title).
enum class LabelPlace { Above, Below, Left, Inside };

struct ControlRow {
    int tag = -1;
    ControlKind kind = ControlKind::Knob;
    gui::Rect rect;
    const char* label = nullptr; // null for none
    LabelPlace labelPlace = LabelPlace::Above;
    int count = 0;               // selector positions, switch states, list entries
    int step = 0;                // selector: pixels from one position to the next
    bool vertical = false;       // selector: positions in a column instead of a row
    DisplayFormat display = DisplayFormat::None; // knob: the value display's text
    int displayOffset = 62;      // knob: the display's distance below the knob's top
    bool displayLeft = false;    // knob: the display left of the knob instead (no room below)
    EntryText entries = EntryText::Number; // list selector: the text of each entry
};

// A plate under a group of controls, titled in its top-left corner. A section
// with a switch (an effect's On button) shows its other controls dimmed while
// the switch is off.
struct Section {
    gui::Rect area;
    const char* title;
    int switchTag = -1;
};

struct PageText {
    gui::Rect box;
    const char* text;
};

const std::vector<ControlRow>& topBarControls();
// The top bar's plate under the instrument menus and buttons, and its texts (frame coordinates).
const std::vector<Section>& topBarSections();
const std::vector<PageText>& topBarTexts();
// page 0..7; an empty list for any other number.
const std::vector<ControlRow>& pageControls(int page);
const std::vector<Section>& pageSections(int page);
// Headings and numbers that belong to no single control.
const std::vector<PageText>& pageTexts(int page);
const char* pageName(int page);

// Writes entry k's text (always terminated).
void listEntryText(EntryText kind, int k, char* text, std::size_t capacity);

// The slot of a voice page (0..3 for A..D), -1 for the other pages.
constexpr int slotOfPage(int page) { return page >= 0 && page < 4 ? page : -1; }

// The value display of a knob, in the same coordinates as the knob.
inline gui::Rect valueDisplayRect(const ControlRow& knob)
{
    if (knob.displayLeft) {
        return {knob.rect.x - 33, knob.rect.y + (knob.rect.height - kValueDisplayHeight) / 2, 31,
                kValueDisplayHeight};
    }
    return {knob.rect.x + (knob.rect.width - kValueDisplayWidth) / 2, knob.rect.y + knob.displayOffset,
            kValueDisplayWidth, kValueDisplayHeight};
}

} // namespace tessarine
