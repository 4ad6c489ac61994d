#pragma once
// Small pieces both bundle generators write: Turtle string literals and the
// number form Turtle reads back as the same float.

#include <string>
#include <string_view>

namespace tessarine::lv2 {

// A quoted Turtle string; quotes, backslashes and control characters escaped.
std::string ttlString(std::string_view text);

// A decimal Turtle reads as exactly this float ("0.5", "1.0", "0.019999999").
std::string ttlFloat(float value);

} // namespace tessarine::lv2
