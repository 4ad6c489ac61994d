#include "shell/lv2/TtlText.h"

#include <cstdio>
#include <cstdlib>

namespace tessarine::lv2 {

std::string ttlString(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

// The shortest of 6 … 9 significant digits that reads back as the same float,
// always with a decimal point, so Turtle takes it as xsd:decimal.
std::string ttlFloat(float value)
{
    char text[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) {
            break;
        }
    }
    std::string out = text;
    if (out.find_first_of(".e") == std::string::npos) {
        out += ".0";
    } else if (out.find('e') != std::string::npos) {
        // Turtle's decimals have no exponent; values here are small, so fixed notation serves.
        std::snprintf(text, sizeof text, "%.9f", static_cast<double>(value));
        out = text;
    }
    return out;
}

} // namespace tessarine::lv2
