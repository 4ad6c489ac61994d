#pragma once
// The text a host shows for a parameter value and the way back from such a
// text to a value. The host text is the editor's value display followed by its
// unit, as a VST 2 host joins effGetParamDisplay and effGetParamLabel; hosts
// that let the musician type a value hand the text back, with or without the
// unit, and get a value whose display is that very text.

#include <cstddef>
#include <string_view>

namespace tessarine {

// Writes "display unit" (or the display alone where the unit is empty) of
// parameter index at value into text, always terminated. False for an index
// outside the host's parameters or no room at all.
bool parameterHostText(int index, double value, char* text, std::size_t capacity);

// The value whose host text is text. Numbers need not be ones the display
// wrote: they take the nearest value, as long as the display reaches that far.
// False, value untouched, for a text no value of the parameter displays.
bool parameterFromHostText(int index, std::string_view text, double& value);

} // namespace tessarine
