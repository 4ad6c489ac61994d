// The editor's value texts, checked against what a musician reads off the knob.

#include "params/ParameterText.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

namespace tessarine {
namespace {

std::string shown(DisplayFormat format, float value)
{
    char text[32];
    formatValue(format, value, text, sizeof(text));
    return text;
}

// The texts a host reads through the plug-in (a value of each format, with its
// label apart) are checked there; these are the other steps and edges.
TEST(ParameterText, Formats)
{
    using D = DisplayFormat;
    struct Case { D format; float value; const char* text; };
    const Case cases[] = {
        {D::None, 0.5f, ""},                  {D::Percent, 1.0f, "100 "},           {D::PercentOrOff, 0.5f, "50 "},
        {D::Times3, 1.0f, "3.0 "},            {D::FractionOrOff, 0.0f, "OFF "},     {D::FractionOrOff, 0.25f, "0.25 "},
        {D::TempoFraction, 0.5f, "11/16 "},   {D::TempoFraction, 0.0f, "5/1  "},    {D::TempoFraction, 0.225f, "1/1  "},
        {D::Cutoff, 0.5f, "1278"},            {D::Cutoff, 0.999f, "12020"},         {D::Cutoff, 1.0f, "16000"},
        {D::Cutoff, 0.0f, "80"},              {D::Bend, 0.0f, "1 "},                {D::StretchPercent, 0.0f, "20 "},
        {D::StretchPercent, 0.5f, "100 "},    {D::StretchPercent, 1.0f, "500 "},    {D::SourceList, 127.0f, ""},
        {D::TargetList, 0.0f, "None"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shown(c.format, c.value), c.text) << static_cast<int>(c.format) << " of " << c.value;
    }
}

// Label and engine agree step by step, the slowest step included.
TEST(ParameterText, TempoLabelsMatchTheEngineSteps)
{
    for (auto [value, index] : {std::pair{1.0f, 0}, {0.0f, 19}, {-5.0f, 19}, {5.0f, 0}}) {
        EXPECT_EQ(tempoFractionLabelIndex(value), index) << value;
    }
    for (auto [index, label] : {std::pair{16, "2/1 "}, {19, "5/1 "}, {99, "5/1 "}}) {
        EXPECT_STREQ(tempoFractionLabel(index), label) << index;
    }
}

TEST(ParameterText, WildValuesStayShortAndTerminated)
{
    const float wild[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(), 1e30f, -1e30f};
    for (int format = 0; format <= static_cast<int>(DisplayFormat::TargetList); ++format) {
        for (float value : wild) {
            char text[8];
            formatValue(static_cast<DisplayFormat>(format), value, text, sizeof(text));
            EXPECT_LT(std::string(text).size(), sizeof(text)) << format;
        }
    }
}

} // namespace
} // namespace tessarine
