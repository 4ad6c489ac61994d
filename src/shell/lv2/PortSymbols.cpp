#include "shell/lv2/PortSymbols.h"

#include <set>

namespace tessarine::lv2 {

namespace {

bool symbolChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool hasLetterOrDigit(const std::string& text)
{
    for (char c : text) {
        if (c != '_') {
            return true;
        }
    }
    return false;
}

} // namespace

bool validSymbol(const std::string& symbol)
{
    if (symbol.empty() || (symbol[0] >= '0' && symbol[0] <= '9')) {
        return false;
    }
    for (char c : symbol) {
        if (!symbolChar(c)) {
            return false;
        }
    }
    return true;
}

std::array<std::string, kParameterCount> portSymbols()
{
    std::array<std::string, kParameterCount> symbols;
    std::set<std::string> taken;
    const auto& table = parameterTable();
    for (int index = 0; index < kParameterCount; ++index) {
        std::string symbol = table[static_cast<std::size_t>(index)].name != nullptr
                                 ? table[static_cast<std::size_t>(index)].name
                                 : "";
        for (char& c : symbol) {
            if (!symbolChar(c)) {
                c = '_';
            }
        }
        if (!hasLetterOrDigit(symbol) || !validSymbol(symbol) || taken.count(symbol) != 0) {
            symbol = "param_" + std::to_string(index);
        }
        taken.insert(symbol);
        symbols[static_cast<std::size_t>(index)] = symbol;
    }
    return symbols;
}

} // namespace tessarine::lv2
