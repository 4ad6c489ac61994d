#pragma once
// Just enough JSON output for the command-line host's --json answers: objects,
// arrays, strings with correct escaping, numbers that are always valid JSON.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tessarine::host {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(long long number);
    JsonWriter& value(int number) { return value(static_cast<long long>(number)); }
    JsonWriter& value(double number); // NaN and infinities become null
    JsonWriter& value(bool flag);

private:
    void separate();
    void writeString(std::string_view text);

    std::ostream& out_;
    std::vector<bool> hasItem_; // one entry per open container
    bool afterKey_ = false;
};

// Text from a file or plug-in as a JSON string's content, without the quotes:
// control characters, quotes, backslashes and non-ASCII bytes escaped, so a
// name can never reach a terminal as an escape sequence. The text reports use
// it for names too.
std::string escapedText(std::string_view text);

} // namespace tessarine::host
