#pragma once
// Voices built for tests: random but valid content, field-by-field comparison,
// and voice records as bytes.

#include "sound/files/RecordStream.h"
#include "sound/model/Voice.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessarine::test {

// Fills every used layer of the voice with frames whose shape depends on seed
// (harmonics with their frequencies in range, noise spectra), then prepares it.
void fillRandomVoice(Voice& voice, std::uint32_t seed, int multisampleCount, int layerCount, int frames);

// Adds one harmonic frame at time to every harmonic of the data.
void addHarmonicFrame(HarmonicData& data, float time, float amplitude);

// Every stored field equal: counts, name, loop, cutoff, and every curve and frame
// of every layer. Adds a failure naming the first difference.
void expectSameVoice(const Voice& a, const Voice& b);

// What a record writer puts in a stream, as bytes; the write must succeed.
std::vector<std::byte> recordBytes(const std::function<bool(RecordStream&)>& write);
std::vector<std::byte> voiceBytes(const Voice& voice);
bool readVoiceBytes(const std::vector<std::byte>& bytes, Voice& voice, RecordStream::Status* status = nullptr);

// Byte helpers for hand-made records.
void putInt(std::vector<std::byte>& bytes, std::int32_t value);
void putFloat(std::vector<std::byte>& bytes, float value);
void putString(std::vector<std::byte>& bytes, const std::string& text);

std::string tempPath(const std::string& name);
void writeFile(const std::string& path, const std::vector<std::byte>& bytes);
std::vector<std::byte> readFile(const std::string& path);

} // namespace tessarine::test
