#pragma once
// The lv2:symbol of every parameter port. Hosts store port values by symbol in
// their sessions and presets, so a symbol, once shipped, must never change:
// a renamed symbol silently drops that value from every saved project. Symbols
// are derived from the table's names by one fixed rule and checked unique when
// the bundle is generated.

#include "params/ParameterTable.h"

#include <array>
#include <string>

namespace tessarine::lv2 {

// The parameter's name with every character outside [A-Za-z0-9_] made '_';
// "param_<index>" where that leaves no letter or digit, starts with a digit,
// or repeats an earlier parameter's symbol.
std::array<std::string, kParameterCount> portSymbols();

// True for a valid LV2 symbol: [_A-Za-z][_A-Za-z0-9]*.
bool validSymbol(const std::string& symbol);

} // namespace tessarine::lv2
