#pragma once
// What a control's tooltip says: the musician's name of the value it moves
// (the host keeps its own short parameter names) and one line on what it does.

#include <string>

namespace tessarine {

struct ControlHelp {
    std::string name;  // "Filter cutoff", "Voice B: harmonize"
    std::string what;  // empty where the name says it all
};

// For any tag 0..254; a tag without a text of its own falls back to its
// parameter's name.
ControlHelp controlHelp(int tag);

} // namespace tessarine
