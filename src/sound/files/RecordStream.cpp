#include "sound/files/RecordStream.h"

#include "sound/files/RegularFile.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tessarine {

namespace {

// Writes all bytes, continuing after partial writes and interruptions.
bool writeAll(int fd, const std::byte* data, std::size_t count)
{
    while (count > 0) {
        ssize_t done = ::write(fd, data, count);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += done;
        count -= static_cast<std::size_t>(done);
    }
    return true;
}

} // namespace

RecordStream::~RecordStream() = default;

void RecordStream::reset(Mode mode)
{
    save_.discard();
    readData_ = nullptr;
    writeData_ = nullptr;
    capacity_ = 0;
    size_ = 0;
    position_ = 0;
    mode_ = mode;
    status_ = Status::Ok;
    errorOffset_ = 0;
    errorField_ = "";
    errorValue_ = 0;
    systemError_ = 0;
}

bool RecordStream::ensureBuffer()
{
    if (!owned_) {
        owned_ = std::make_unique_for_overwrite<std::byte[]>(kBufferSize);
    }
    return owned_ != nullptr;
}

bool RecordStream::fail(Status status)
{
    if (status_ == Status::Ok) {
        status_ = status;
        errorOffset_ = position_;
    }
    return false;
}

bool RecordStream::refuse(Status status, const char* what, long long value)
{
    if (status_ == Status::Ok) {
        status_ = status;
        errorOffset_ = position_ >= 4 ? position_ - 4 : 0; // the int32 just read
        errorField_ = what;
        errorValue_ = value;
    }
    return false;
}

bool RecordStream::openFileRead(const std::string& path)
{
    reset(Mode::Closed);
    RegularFile file;
    if (!file.open(path)) {
        systemError_ = file.error();
        return fail(Status::CannotOpen);
    }
    if (file.size() <= 0) {
        return fail(Status::Empty);
    }
    if (static_cast<unsigned long long>(file.size()) >= kBufferSize) {
        errorValue_ = file.size();
        return fail(Status::TooLarge);
    }
    if (!ensureBuffer()) {
        return fail(Status::CannotOpen);
    }
    std::size_t got = 0;
    if (!file.readAll(owned_.get(), static_cast<std::size_t>(file.size()), got)) {
        systemError_ = file.error();
        return fail(Status::CannotOpen);
    }
    if (got == 0) {
        return fail(Status::Empty);
    }
    mode_ = Mode::FileRead;
    readData_ = owned_.get();
    size_ = got;
    return true;
}

bool RecordStream::openFileWrite(const std::string& path)
{
    reset(Mode::Closed);
    if (!ensureBuffer()) {
        return fail(Status::CannotCreate);
    }
    if (!save_.begin(path)) {
        systemError_ = save_.error();
        return fail(Status::CannotCreate);
    }
    mode_ = Mode::FileWrite;
    writeData_ = owned_.get();
    capacity_ = kBufferSize;
    return true;
}

void RecordStream::openMemoryRead(std::span<const std::byte> data)
{
    reset(Mode::MemoryRead);
    readData_ = data.data();
    size_ = data.size();
}

void RecordStream::openMemoryWrite(std::span<std::byte> buffer)
{
    reset(Mode::MemoryWrite);
    writeData_ = buffer.data();
    capacity_ = buffer.size();
}

bool RecordStream::close()
{
    const Mode mode = mode_;
    mode_ = Mode::Closed;
    if (mode != Mode::FileWrite) {
        return status_ == Status::Ok;
    }
    if (status_ != Status::Ok) {
        save_.discard();
        return false;
    }
    if (!writeAll(save_.descriptor(), writeData_, position_)) {
        systemError_ = errno;
        save_.discard();
        return fail(Status::WriteFailed);
    }
    if (!save_.commit()) {
        systemError_ = save_.error();
        return fail(Status::WriteFailed);
    }
    return true;
}

bool RecordStream::read(void* out, std::size_t count)
{
    if (status_ != Status::Ok || readData_ == nullptr) {
        return fail(Status::Truncated);
    }
    if (count > size_ - position_) {
        return fail(Status::Truncated);
    }
    std::memcpy(out, readData_ + position_, count);
    position_ += count;
    return true;
}

bool RecordStream::write(const void* in, std::size_t count)
{
    if (status_ != Status::Ok || writeData_ == nullptr) {
        return fail(Status::Overflow);
    }
    if (count > capacity_ - position_) {
        return fail(Status::Overflow);
    }
    std::memcpy(writeData_ + position_, in, count);
    position_ += count;
    return true;
}

// Fields are little-endian on disk; so is every machine this builds for.
static_assert(std::endian::native == std::endian::little);

bool RecordStream::readInt32(std::int32_t& value) { return read(&value, sizeof(value)); }
bool RecordStream::readFloat(float& value) { return read(&value, sizeof(value)); }
bool RecordStream::writeInt32(std::int32_t value) { return write(&value, sizeof(value)); }
bool RecordStream::writeFloat(float value) { return write(&value, sizeof(value)); }

bool RecordStream::readString(char* text, std::size_t capacity)
{
    if (status_ != Status::Ok || readData_ == nullptr) {
        return fail(Status::Truncated);
    }
    const void* nul = std::memchr(readData_ + position_, 0, size_ - position_);
    if (nul == nullptr) {
        return fail(Status::Truncated);
    }
    auto length = static_cast<std::size_t>(static_cast<const std::byte*>(nul) - (readData_ + position_));
    if (capacity > 0) {
        std::size_t kept = length < capacity - 1 ? length : capacity - 1;
        std::memcpy(text, readData_ + position_, kept);
        text[kept] = '\0';
    }
    position_ += length + 1;
    return true;
}

bool RecordStream::writeString(const char* text) { return write(text, std::strlen(text) + 1); }

const char* describe(RecordStream::Status status)
{
    switch (status) {
    case RecordStream::Status::Ok: return "ok";
    case RecordStream::Status::CannotOpen: return "cannot open";
    case RecordStream::Status::Empty: return "empty";
    case RecordStream::Status::TooLarge: return "too large";
    case RecordStream::Status::Truncated: return "truncated";
    case RecordStream::Status::BadCount: return "bad count";
    case RecordStream::Status::BadValue: return "bad value";
    case RecordStream::Status::CannotCreate: return "cannot create";
    case RecordStream::Status::Overflow: return "too large to write";
    case RecordStream::Status::WriteFailed: return "write failed";
    }
    return "unknown";
}

} // namespace tessarine
