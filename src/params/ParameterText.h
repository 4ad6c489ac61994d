#pragma once
// The short texts the editor shows beside a knob. Each format turns a value
// (normally 0..1) into a few characters; the trailing blank that most formats
// carry is part of the text, so that the displays line up.

#include "params/ParameterTable.h"

#include <cstddef>

namespace tessarine {

inline constexpr int kTempoFractionLabels = 20;

// Label k (0..19) of the tempo-synced controls; k is clamped into range.
const char* tempoFractionLabel(int k);

// The label number a tempo-synced value shows: min(trunc(20 (1 - v)), 19).
int tempoFractionLabelIndex(float value);

// The filter cutoff knob's frequency in Hz (80..16000) on its logarithmic scale.
int cutoffDisplayHz(float value);

// Writes the text of value in format into text (capacity bytes, always
// terminated). DisplayFormat::None writes an empty text.
void formatValue(DisplayFormat format, float value, char* text, std::size_t capacity);

// The one text of parameter index at value, shown both by the editor's value
// display and by the host (effGetParamDisplay): the table's format without the
// blanks that line up fixed-width fields, or, for a value the table gives no
// format, its rounded percentage. Indices past the host's parameters show the
// percentage too.
void parameterDisplay(int index, float value, char* text, std::size_t capacity);

// The unit the host shows after that text (effGetParamLabel): "Hz", "s", "%"
// and so on; empty where the text says it all (an "OFF", a list entry).
const char* parameterUnit(int index, float value);

} // namespace tessarine
