#include "commands/JsonWriter.h"

#include <cmath>
#include <cstdio>

namespace tessarine::host {

void JsonWriter::separate()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasItem_.empty()) {
        if (hasItem_.back()) {
            out_ << ',';
        }
        hasItem_.back() = true;
    }
}

JsonWriter& JsonWriter::beginObject()
{
    separate();
    out_ << '{';
    hasItem_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    hasItem_.pop_back();
    out_ << '}';
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    separate();
    out_ << '[';
    hasItem_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endArray()
{
    hasItem_.pop_back();
    out_ << ']';
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name)
{
    separate();
    writeString(name);
    out_ << ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text)
{
    separate();
    writeString(text);
    return *this;
}

JsonWriter& JsonWriter::value(long long number)
{
    separate();
    out_ << number;
    return *this;
}

JsonWriter& JsonWriter::value(double number)
{
    separate();
    if (!std::isfinite(number)) {
        out_ << "null";
        return *this;
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%.9g", number);
    out_ << text;
    return *this;
}

JsonWriter& JsonWriter::value(bool flag)
{
    separate();
    out_ << (flag ? "true" : "false");
    return *this;
}

void JsonWriter::writeString(std::string_view text) { out_ << '"' << escapedText(text) << '"'; }

std::string escapedText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20 || byte >= 0x7F) {
                // Plug-in texts carry no declared encoding; escaping every non-ASCII
                // byte as its Latin-1 code point keeps the output valid UTF-8.
                char escaped[8];
                std::snprintf(escaped, sizeof(escaped), "\\u%04x", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out;
}

} // namespace tessarine::host
