#include "params/ParameterText.h"

#include "params/ModulationLists.h"
#include "params/ParameterMapping.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tessarine {

namespace {

// The slowest step is 80 units: five bars for the delay and five beats for the
// LFOs. Its label says so, rather than promising eight bars the engine never plays.
constexpr std::array<const char*, kTempoFractionLabels> kTempoLabels{
    "1/16", "1/8 ", "3/16", "1/4 ",  "5/16", "3/8 ",  "7/16", "1/2 ", "9/16", "5/8 ",
    "11/16", "3/4 ", "13/16", "7/8 ", "15/16", "1/1 ", "2/1 ", "3/1 ", "4/1 ", "5/1 ",
};

} // namespace

const char* tempoFractionLabel(int k)
{
    if (k < 0) {
        k = 0;
    }
    if (k >= kTempoFractionLabels) {
        k = kTempoFractionLabels - 1;
    }
    return kTempoLabels[static_cast<std::size_t>(k)];
}

int tempoFractionLabelIndex(float value)
{
    return truncClamped(20.0 * (1.0 - static_cast<double>(value)), 0, kTempoFractionLabels - 1);
}

int cutoffDisplayHz(float value)
{
    if (value >= 1.0f) {
        return 16000;
    }
    if (!(value > 0.0f)) {
        return 80;
    }
    double f = -0.25 * std::log10(1.0 - static_cast<double>(value));
    if (f > 1.0) {
        f = 1.0;
    }
    if (f < 0.0000001) {
        f = 0.0;
    }
    return static_cast<int>(80.0 + 15920.0 * f);
}

void formatValue(DisplayFormat format, float value, char* text, std::size_t capacity)
{
    if (text == nullptr || capacity == 0) {
        return;
    }
    const double v = value;
    // Percent-like texts clamp their whole number so that a stray value cannot
    // print a ten-digit number into a four-character display.
    auto percent = [&] { std::snprintf(text, capacity, "%d ", truncClamped(100.0 * v, -999, 9999)); };
    auto decimal = [&](double scale) {
        double shown = std::isfinite(v) ? scale * v : 0.0;
        std::snprintf(text, capacity, "%1.1f ", shown);
    };
    switch (format) {
    case DisplayFormat::None:
        text[0] = '\0';
        break;
    case DisplayFormat::Percent:
        percent();
        break;
    case DisplayFormat::PercentOrOff:
        if (value == 0.0f) {
            std::snprintf(text, capacity, "OFF ");
        } else {
            percent();
        }
        break;
    case DisplayFormat::Times5:
        decimal(5.0);
        break;
    case DisplayFormat::Times3:
        decimal(3.0);
        break;
    case DisplayFormat::Times30:
        decimal(30.0);
        break;
    case DisplayFormat::FractionOrOff:
        if (value == 0.0f) {
            std::snprintf(text, capacity, "OFF ");
        } else {
            std::snprintf(text, capacity, "%1.2f ", std::isfinite(v) ? v : 0.0);
        }
        break;
    case DisplayFormat::TempoFraction:
        std::snprintf(text, capacity, "%s ", tempoFractionLabel(tempoFractionLabelIndex(value)));
        break;
    case DisplayFormat::Cutoff:
        std::snprintf(text, capacity, "%d", cutoffDisplayHz(value));
        break;
    case DisplayFormat::Bend:
        std::snprintf(text, capacity, "%d ", pitchBendRange(value));
        break;
    case DisplayFormat::StretchPercent:
        std::snprintf(text, capacity, "%d ",
                      truncClamped(100.0 * static_cast<double>(stretchFactor(value)) + 0.5, 0, 9999));
        break;
    case DisplayFormat::SourceList:
        std::snprintf(text, capacity, "%s",
                      modulationSourceText(truncClamped(v, -1, kSourceCount)));
        break;
    case DisplayFormat::TargetList:
        std::snprintf(text, capacity, "%s",
                      modulationTargetText(truncClamped(v, -1, kTargetCount)));
        break;
    }
}

namespace {

const ParameterInfo* infoOf(int index)
{
    return index >= 0 && index < kParameterCount ? &parameterTable()[static_cast<std::size_t>(index)] : nullptr;
}

} // namespace

void parameterDisplay(int index, float value, char* text, std::size_t capacity)
{
    if (text == nullptr || capacity == 0) {
        return;
    }
    const ParameterInfo* info = infoOf(index);
    if (info == nullptr || info->display == DisplayFormat::None) {
        std::snprintf(text, capacity, "%d", truncClamped(static_cast<double>(value) * 100.0 + 0.5, -INT_MAX, INT_MAX));
        return;
    }
    formatValue(info->display, value, text, capacity);
    std::size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == ' ') {
        text[--length] = '\0';
    }
}

const char* parameterUnit(int index, float value)
{
    const ParameterInfo* info = infoOf(index);
    if (info == nullptr || info->display == DisplayFormat::None || info->unit == nullptr) {
        return "%";
    }
    const bool off = value == 0.0f
        && (info->display == DisplayFormat::PercentOrOff || info->display == DisplayFormat::FractionOrOff);
    return off ? "" : info->unit;
}

} // namespace tessarine
