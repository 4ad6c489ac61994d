#include "params/ParameterTextInput.h"

#include "params/ParameterTable.h"
#include "params/ParameterText.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace tessarine {

namespace {

constexpr std::size_t kTextBytes = 64;
using Text = std::array<char, kTextBytes>;

bool isHostParameter(int index) { return index >= 0 && index < kParameterCount; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool sameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Host values are doubles and may be anything; the display reads the float
// the engine would hold, so the value is held to the range first.
float heldValue(int index, double value)
{
    const ParameterRange range = parameterRange(index);
    if (std::isnan(value)) {
        return parameterTable()[static_cast<std::size_t>(index)].start;
    }
    if (value < range.low) {
        return range.low;
    }
    if (value > range.high) {
        return range.high;
    }
    return static_cast<float>(value);
}

Text displayOf(int index, float value)
{
    Text text{};
    parameterDisplay(index, value, text.data(), text.size());
    return text;
}

// The unit as the host text carries it after a number: the table's, or the
// percent sign of values shown without a format.
std::string_view unitOf(int index)
{
    const ParameterRange range = parameterRange(index);
    return parameterUnit(index, range.high);
}

// The number a numeric display shows; false for a text that is none (an "OFF").
bool numberIn(std::string_view text, double& number)
{
    text = trimmed(text);
    if (text.empty() || text.size() >= kTextBytes) {
        return false;
    }
    Text copy{};
    std::memcpy(copy.data(), text.data(), text.size());
    char* end = nullptr;
    const double parsed = std::strtod(copy.data(), &end);
    if (end != copy.data() + text.size() || !std::isfinite(parsed)) {
        return false;
    }
    number = parsed;
    return true;
}

// Formats whose texts are words or fractions from a fixed list: the value is
// found by trying one representative value per entry.
bool isListed(DisplayFormat format)
{
    return format == DisplayFormat::TempoFraction || format == DisplayFormat::SourceList
        || format == DisplayFormat::TargetList;
}

bool listedValue(int index, DisplayFormat format, std::string_view wanted, double& value)
{
    const ParameterRange range = parameterRange(index);
    if (format == DisplayFormat::TempoFraction) {
        // Label k covers values whose 20 (1 - v) truncates to k: its middle is safe.
        for (int k = 0; k < kTempoFractionLabels; ++k) {
            const float candidate = 1.0f - (static_cast<float>(k) + 0.5f) / kTempoFractionLabels;
            if (sameText(trimmed(displayOf(index, candidate).data()), wanted)) {
                value = candidate;
                return true;
            }
        }
        return false;
    }
    for (int k = static_cast<int>(range.low); k <= static_cast<int>(range.high); ++k) {
        if (sameText(trimmed(displayOf(index, static_cast<float>(k)).data()), wanted)) {
            value = k;
            return true;
        }
    }
    return false;
}

// Every numeric display grows with the value (or stays), so the value is found
// by halving the range: the smallest value whose number reaches the wanted
// one, or the one just below it when that is nearer. A display's "OFF" counts
// as below every number.
bool numericValue(int index, double wanted, double& value)
{
    const ParameterRange range = parameterRange(index);
    auto numberAt = [index](float v) {
        double number = 0.0;
        return numberIn(displayOf(index, v).data(), number) ? number : -HUGE_VAL;
    };
    const double lowest = numberAt(range.low);
    const double highest = numberAt(range.high);
    // The display's own step: a number farther than half of it beyond either
    // end is one no value shows.
    double step = 1.0;
    const Text highText = displayOf(index, range.high);
    if (const char* point = std::strchr(highText.data(), '.')) {
        step = std::pow(10.0, -static_cast<double>(std::strlen(point + 1)));
    }
    const double reachableLow = std::isfinite(lowest) ? lowest : numberAt(std::nextafter(range.low, range.high));
    if (!(wanted >= reachableLow - step / 2) || !(wanted <= highest + step / 2)) {
        return false;
    }
    float below = range.low;
    float above = range.high;
    if (numberAt(below) >= wanted) {
        above = below;
    } else {
        while (std::nextafter(below, above) < above) {
            const float middle = below + (above - below) / 2.0f;
            if (middle <= below || middle >= above) {
                break;
            }
            if (numberAt(middle) >= wanted) {
                above = middle;
            } else {
                below = middle;
            }
        }
    }
    float chosen = above;
    if (numberAt(above) != wanted && std::isfinite(numberAt(below))
        && std::fabs(numberAt(below) - wanted) < std::fabs(numberAt(above) - wanted)) {
        chosen = below;
    }
    value = chosen;
    return true;
}

} // namespace

bool parameterHostText(int index, double value, char* text, std::size_t capacity)
{
    if (!isHostParameter(index) || text == nullptr || capacity == 0) {
        return false;
    }
    const float held = heldValue(index, value);
    const Text display = displayOf(index, held);
    const char* unit = parameterUnit(index, held);
    if (unit[0] == '\0') {
        std::snprintf(text, capacity, "%s", display.data());
    } else {
        std::snprintf(text, capacity, "%s %s", display.data(), unit);
    }
    return true;
}

bool parameterFromHostText(int index, std::string_view text, double& value)
{
    if (!isHostParameter(index) || text.size() >= kTextBytes) {
        return false;
    }
    const DisplayFormat format = parameterTable()[static_cast<std::size_t>(index)].display;
    std::string_view wanted = trimmed(text);
    const std::string_view unit = unitOf(index);
    if (!unit.empty() && wanted.size() > unit.size()
        && sameText(wanted.substr(wanted.size() - unit.size()), unit)) {
        wanted = trimmed(wanted.substr(0, wanted.size() - unit.size()));
    }
    // A list may name an entry with an empty text (a modulation row's "no target").
    if (isListed(format)) {
        return listedValue(index, format, wanted, value);
    }
    if (wanted.empty()) {
        return false;
    }
    // "OFF" and other words the display writes at the low end.
    const ParameterRange range = parameterRange(index);
    if (sameText(trimmed(displayOf(index, range.low).data()), wanted)) {
        value = range.low;
        return true;
    }
    double number = 0.0;
    return numberIn(wanted, number) && numericValue(index, number, value);
}

} // namespace tessarine
