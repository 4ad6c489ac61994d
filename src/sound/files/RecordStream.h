#pragma once
// The byte stream every library file and the analysis hand-over are written
// with: little-endian int32 and float32 fields and NUL-terminated strings, with
// no alignment or padding.
//
// Files are read whole into the stream's buffer before parsing and written
// from it in one go when the stream is closed. The 16 MiB buffer is allocated
// on the first file open and kept for the stream's lifetime, so an owner that
// keeps one stream allocates once. Memory modes work on the caller's buffer.
//
// Every read is bounded by the data's size: reading past the end fails, and
// after the first failure every further read and write fails too. The status
// says why, for tools that report it.
//
// Only regular files are read: a FIFO or device node is refused without
// waiting for it. Saving is atomic (see AtomicSave): close() puts the new file
// in the target's place only when every write succeeded, so a failed save
// leaves the old file as it was, and a save killed at any moment leaves the
// complete old file or the complete new one. Targets that are not regular
// files, or are read-only, are refused.

#include "sound/files/AtomicSave.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tessarine {

class RecordStream {
public:
    // Large enough for an instrument of four voices of eight analysed two-layer
    // multisamples (a voice like that takes about 1.6 MB).
    static constexpr std::size_t kBufferSize = 16u * 1024u * 1024u;

    enum class Mode { Closed, FileRead, FileWrite, MemoryRead, MemoryWrite };

    enum class Status {
        Ok,
        CannotOpen,   // missing, unreadable or not a regular file (systemError() says which)
        Empty,        // a file of 0 bytes
        TooLarge,     // a file of kBufferSize bytes or more
        Truncated,    // a read past the end of the data
        BadCount,     // a count field outside what the data model holds
        BadValue,     // a time that is not a finite number, a version never written
        CannotCreate, // the target is refused, or the temporary file beside it cannot be made
        Overflow,     // a write past the end of the buffer
        WriteFailed,  // the disk refused the bytes or the rename
    };

    RecordStream() = default;
    ~RecordStream();
    RecordStream(const RecordStream&) = delete;
    RecordStream& operator=(const RecordStream&) = delete;

    // Each open closes what was open before (discarding an unfinished write).
    bool openFileRead(const std::string& path);
    bool openFileWrite(const std::string& path);
    void openMemoryRead(std::span<const std::byte> data);
    void openMemoryWrite(std::span<std::byte> buffer);

    // For a file write: commits the bytes written when the status is Ok, and
    // answers whether they reached the disk. For other modes: true when Ok.
    bool close();

    bool readInt32(std::int32_t& value);
    bool readFloat(float& value);
    // Reads a string up to its NUL; stores at most capacity - 1 characters and
    // a NUL, skipping the rest of a longer string.
    bool readString(char* text, std::size_t capacity);

    bool writeInt32(std::int32_t value);
    bool writeFloat(float value);
    bool writeString(const char* text);

    // Records a reader's refusal of a field it read (what names the field).
    bool refuse(Status status, const char* what, long long value);

    Mode mode() const { return mode_; }
    Status status() const { return status_; }
    bool ok() const { return status_ == Status::Ok; }
    std::size_t position() const { return position_; }
    std::size_t size() const { return size_; }
    // Where the failing field began, and what it was (for Truncated, BadCount and BadValue).
    std::size_t errorOffset() const { return errorOffset_; }
    const char* errorField() const { return errorField_; }
    long long errorValue() const { return errorValue_; }
    // An errno value, or kNotRegularFile / kReadOnlyFile (RegularFile.h).
    int systemError() const { return systemError_; }
    bool atEnd() const { return position_ >= size_; }

private:
    bool read(void* out, std::size_t count);
    bool write(const void* in, std::size_t count);
    bool fail(Status status);
    void reset(Mode mode);
    bool ensureBuffer();

    std::unique_ptr<std::byte[]> owned_;
    const std::byte* readData_ = nullptr;
    std::byte* writeData_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    std::size_t position_ = 0;
    Mode mode_ = Mode::Closed;
    Status status_ = Status::Ok;
    std::size_t errorOffset_ = 0;
    const char* errorField_ = "";
    long long errorValue_ = 0;
    int systemError_ = 0;
    AtomicSave save_;
};

// A short lower-case description of a status, for messages.
const char* describe(RecordStream::Status status);

} // namespace tessarine
