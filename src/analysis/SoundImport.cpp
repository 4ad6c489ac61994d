#include "analysis/SoundImport.h"

#include "analysis/SoundWindow.h"

#include <sndfile.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarine {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// The descriptor outlives libsndfile's handle on it, which never closes it.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool fail(ImportRefusal* refusal, ImportRefusal why)
{
    if (refusal != nullptr) {
        *refusal = why;
    }
    return false;
}

// libsndfile reads AIFC through its AIFF reader; only the form type tells them apart.
bool isAifc(int fd)
{
    char header[12] = {};
    const bool complete = ::pread(fd, header, sizeof(header), 0) == static_cast<ssize_t>(sizeof(header));
    return !complete || std::memcmp(header + 8, "AIFC", 4) == 0;
}

bool acceptedType(int format, int fd)
{
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
        return true;
    case SF_FORMAT_AIFF:
        return !isAifc(fd);
    default:
        return false;
    }
}

int baseNote(SNDFILE* file)
{
    SF_INSTRUMENT instrument{};
    if (sf_command(file, SFC_GET_INSTRUMENT, &instrument, sizeof(instrument)) != SF_TRUE) {
        return -1;
    }
    // The chunk stores the note unsigned; a 0 means the recorder left it unset.
    const int note = static_cast<unsigned char>(instrument.basenote);
    return note == 0 ? -1 : note;
}

} // namespace

const char* describe(ImportRefusal refusal)
{
    switch (refusal) {
    case ImportRefusal::None:
        return "imported";
    case ImportRefusal::Missing:
        return "No such file.";
    case ImportRefusal::NotReadable:
        return "The file cannot be read.";
    case ImportRefusal::NotRegularFile:
        return "Not a regular file.";
    case ImportRefusal::UnsupportedFormat:
        return "Unsupported file format.";
    case ImportRefusal::UnsupportedRate:
        return "Unsupported sample rate (1,000 to 1,000,000 Hz are analysed).";
    case ImportRefusal::ReadFailed:
        return "The sound data is damaged.";
    case ImportRefusal::OutOfMemory:
        return "Not enough memory to import the sound.";
    }
    return "";
}

bool importSoundFile(const std::string& path, SampleBuffer& buffer, ImportRefusal* refusal)
{
    // Opening without blocking, then refusing anything but a regular file,
    // keeps a FIFO or a device from holding the caller (often the editor's
    // thread) forever. libsndfile gets the descriptor, not the path, so a path
    // of any length the system takes will do.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        return fail(refusal, errno == ENOENT || errno == ENOTDIR ? ImportRefusal::Missing : ImportRefusal::NotReadable);
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) {
        return fail(refusal, ImportRefusal::NotReadable);
    }
    if (!S_ISREG(status.st_mode)) {
        return fail(refusal, ImportRefusal::NotRegularFile);
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return fail(refusal, ImportRefusal::NotReadable);
    }

    SF_INFO info{};
    SndfileHandle file(sf_open_fd(fd.get(), SFM_READ, &info, SF_FALSE));
    if (!file || !acceptedType(info.format, fd.get()) || info.channels < 1) {
        return fail(refusal, ImportRefusal::UnsupportedFormat);
    }
    const auto rate = static_cast<float>(info.samplerate);
    if (!(rate >= kMinImportRate && rate <= kMaxImportRate)) {
        return fail(refusal, ImportRefusal::UnsupportedRate);
    }
    const int channels = info.channels;
    const int root = baseNote(file.get());

    // Read in blocks and mix as we go: a many-channel file never needs all its
    // channels in memory at once, and only the part the analysis keeps stays.
    constexpr sf_count_t kBlockFrames = 4096;
    std::vector<float> block;
    std::vector<float> mono;
    try {
        block.resize(static_cast<std::size_t>(kBlockFrames) * static_cast<std::size_t>(channels));
        mono.resize(static_cast<std::size_t>(kBlockFrames));
    } catch (const std::bad_alloc&) {
        return fail(refusal, ImportRefusal::OutOfMemory);
    }
    SoundWindow window(static_cast<std::size_t>(kMaxAnalysedSeconds * static_cast<double>(rate)), kSilenceThreshold,
                       static_cast<std::size_t>(kCutFadeSeconds * static_cast<double>(rate)));
    const double scale = 1.0 / channels;
    for (;;) {
        const sf_count_t frames = sf_readf_float(file.get(), block.data(), kBlockFrames);
        if (frames < 0) {
            return fail(refusal, ImportRefusal::ReadFailed);
        }
        if (frames == 0) {
            break;
        }
        for (sf_count_t f = 0; f < frames; ++f) {
            const float* frame = block.data() + f * channels;
            double sum = 0.0;
            for (int c = 0; c < channels; ++c) {
                sum += std::isfinite(frame[c]) ? frame[c] : 0.0f;
            }
            mono[static_cast<std::size_t>(f)] = channels == 1 ? static_cast<float>(sum) : static_cast<float>(scale * sum);
        }
        if (!window.add(mono.data(), static_cast<std::size_t>(frames))) {
            return fail(refusal, ImportRefusal::OutOfMemory);
        }
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) {
        return fail(refusal, ImportRefusal::ReadFailed);
    }
    std::vector<float> kept;
    if (!window.finish(kept)) {
        return fail(refusal, ImportRefusal::OutOfMemory);
    }
    buffer.samples = std::move(kept);
    buffer.sampleRate = rate;
    buffer.rootNote = root;
    buffer.cutFromSeconds = static_cast<double>(window.cutFrom()) / static_cast<double>(rate);
    if (refusal != nullptr) {
        *refusal = ImportRefusal::None;
    }
    return true;
}

} // namespace tessarine
