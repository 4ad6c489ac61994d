#include "commands/ReadFailure.h"

#include "sound/files/RegularFile.h"

#include <cstdio>

namespace tessarine::host {

std::string readFailureReason(const RecordStream& stream)
{
    char text[160];
    switch (stream.status()) {
    case RecordStream::Status::CannotOpen:
        std::snprintf(text, sizeof(text), "cannot open (%s)", describeFileError(stream.systemError()).c_str());
        break;
    case RecordStream::Status::CannotCreate:
    case RecordStream::Status::WriteFailed:
        std::snprintf(text, sizeof(text), "%s: %s", describe(stream.status()),
                      describeFileError(stream.systemError()).c_str());
        break;
    case RecordStream::Status::Empty:
        std::snprintf(text, sizeof(text), "empty");
        break;
    case RecordStream::Status::TooLarge:
        std::snprintf(text, sizeof(text), "too large (%lld bytes; files must be under %zu)", stream.errorValue(),
                      RecordStream::kBufferSize);
        break;
    case RecordStream::Status::Truncated:
        std::snprintf(text, sizeof(text), "truncated at byte %zu", stream.size());
        break;
    case RecordStream::Status::BadCount:
        std::snprintf(text, sizeof(text), "bad count: %s %lld at byte %zu", stream.errorField(), stream.errorValue(),
                      stream.errorOffset());
        break;
    case RecordStream::Status::BadValue:
        std::snprintf(text, sizeof(text), "bad value: %s number %lld at byte %zu", stream.errorField(),
                      stream.errorValue(), stream.errorOffset());
        break;
    default:
        std::snprintf(text, sizeof(text), "%s", describe(stream.status()));
        break;
    }
    return text;
}

} // namespace tessarine::host
