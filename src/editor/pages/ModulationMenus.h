#pragma once
// The modulation matrix's source and target menus as a musician reads them:
// grouped (the LFOs and envelope, the common MIDI controllers by their usual
// names, every controller by number; targets by the section they move) with
// readable names. The value of a row stays the entry number the engine and
// the host use, and the host keeps its own texts for them.

namespace tessarine {

namespace gui {
class OptionMenu;
}

void fillModulationSourceMenu(gui::OptionMenu& menu);
void fillModulationTargetMenu(gui::OptionMenu& menu);

// The editor's name of MIDI controller n (0 … 127), "" where it has none in common use.
const char* controllerCommonName(int controller);

} // namespace tessarine
