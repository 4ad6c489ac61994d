#pragma once
// A key as the host reports it to the editor: the character (0 when none),
// the host's virtual key number and its modifier bits.

namespace tessarine {

struct KeyCode {
    int character;
    int virtualKey;
    int modifier;
};

} // namespace tessarine
