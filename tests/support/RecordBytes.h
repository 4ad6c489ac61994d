#pragma once
// Records made by hand for the readers' tests, field after field in the
// stream's own encoding (little-endian, as every file holds them), so a test
// reads as the layout it feeds the reader.

#include "sound/files/RecordStream.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace tessarine::test {

struct RecordBytes {
    RecordBytes& i(std::int32_t value, int times = 1) { return put(value, times); }
    RecordBytes& f(float value, int times = 1) { return put(value, times); }
    // A string field: its characters and the terminating zero.
    RecordBytes& s(const std::string& text)
    {
        const std::size_t at = bytes.size();
        bytes.resize(at + text.size() + 1);
        std::memcpy(bytes.data() + at, text.c_str(), text.size() + 1);
        return *this;
    }
    // A curve record: its point count, every time, then every value.
    RecordBytes& curve(const std::vector<std::pair<float, float>>& points)
    {
        i(static_cast<std::int32_t>(points.size()));
        for (const auto& point : points) {
            f(point.first);
        }
        for (const auto& point : points) {
            f(point.second);
        }
        return *this;
    }
    RecordBytes& append(const std::vector<std::byte>& more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    operator const std::vector<std::byte>&() const { return bytes; }

    template <typename T>
    RecordBytes& put(T value, int times)
    {
        for (int n = 0; n < times; ++n) {
            const std::size_t at = bytes.size();
            bytes.resize(at + sizeof value);
            std::memcpy(bytes.data() + at, &value, sizeof value);
        }
        return *this;
    }

    std::vector<std::byte> bytes;
};

// Runs a reader on bytes held in memory; stream keeps its status and position
// for the test to ask.
template <class Read>
bool readFromMemory(RecordStream& stream, const std::vector<std::byte>& bytes, Read&& read)
{
    stream.openMemoryRead(bytes);
    return read(stream);
}

} // namespace tessarine::test
