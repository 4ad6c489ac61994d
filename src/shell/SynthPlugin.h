#pragma once
// The instrument as the host sees it: owns the engine, one program record and
// the chunk buffer, and routes each host request to the engine (and, once it
// exists, the editor).

#include "engine/SynthEngine.h"
#include "params/RandomGenerator.h"
#include "shell/EffectShell.h"
#include "shell/TempoTracker.h"
#include "sound/LibraryTarget.h"
#include "sound/SoundLibrary.h"

#include <array>
#include <cstdint>
#include <memory>

namespace tessarine {

class SynthEditor;

class SynthPlugin final : public EffectShell, public LibraryTarget {
public:
    static constexpr int kNumPrograms = 1;
    // The chunk buffer starts at this size and grows, on the thread that asks
    // for the chunk, up to the largest record a library file may hold.
    static constexpr std::size_t kChunkBytes = 1'536'000;
    static constexpr std::size_t kMaxChunkBytes = RecordStream::kBufferSize;

    // effVendorSpecific with this index loads or saves library files.
    static constexpr vst::int32 kFileRequest = vst::fourCC('T', 's', 'n', 'F');
    enum FileAction : vst::intptr {
        kFileLoadInstrument = 1,
        kFileSaveInstrument = 2,
        kFileLoadVoice = 3,
        kFileSaveVoice = 4,
        kFileSeed = 5,
        kFileReset = 6,                // load Reset.t9i beside the plug-in
        kFileRandomInstrument = 7,     // ptr: instrument category name, or null for the selected one
        kFileRescanLibrary = 8,        // list the instrument categories again
        kFileLoadLibraryInstrument = 9, // ptr: "CATEGORY/NAME" as the instrument menus list it
        kFileLibraryRoot = 10,         // ptr: a folder to use as the library's root instead
    };
    // effVendorSpecific with this index draws an editor page without a window:
    // value is the byte size of the caller's RGBA buffer at ptr, opt the page.
    static constexpr vst::int32 kSnapshotRequest = vst::fourCC('T', 's', 'n', 'P');
    static constexpr int kEditorPages = 8;

    // The library is the one beside this module; libraryRoot names another
    // folder instead ("" for none, so the plug-in starts at the start values).
    explicit SynthPlugin(vst::HostCallback host, const char* libraryRoot = nullptr);
    ~SynthPlugin() override;

    // True when a part the plug-in cannot work without could not be created;
    // the entry function then hands the host nothing.
    bool constructionFailed() const { return constructionFailed_; }

    SynthEngine& engine() { return *engine_; }
    RandomGenerator& random() { return random_; }
    SoundLibrary& library() { return library_; }

    // The library's actions reach the engine through these (user-interface thread).
    void writeParameter(int index, float value) override;
    bool loadInstrumentFrom(const char* path) override;
    bool loadVoiceFrom(int slot, const char* path) override;

    void setParameter(vst::int32 index, float value) override;
    float getParameter(vst::int32 index) override;
    void process(float** inputs, float** outputs, vst::int32 frames) override;
    void processReplacing(float** inputs, float** outputs, vst::int32 frames) override;

protected:
    void setProgram(vst::int32 program) override;
    void setProgramName(const char* text) override;
    void getProgramName(char* text) override;
    void getParameterLabel(vst::int32 index, char* text) override;
    void getParameterDisplay(vst::int32 index, char* text) override;
    void getParameterName(vst::int32 index, char* text) override;
    vst::int32 getChunk(void** data, bool isPreset) override;
    vst::int32 setChunk(void* data, vst::int32 byteSize, bool isPreset) override;
    void setSampleRate(float rate) override;
    void suspend() override;
    void resume() override;
    vst::int32 processEvents(vst::Events* events) override;
    bool getProgramNameIndexed(vst::int32 category, vst::int32 index, char* text) override;
    bool copyProgram(vst::int32 destination) override;
    bool getOutputProperties(vst::int32 index, vst::PinProperties* properties) override;
    bool getEffectName(char* text) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    vst::intptr vendorSpecific(vst::int32 index, vst::intptr value, void* ptr, float opt) override;
    vst::int32 canDo(const char* text) override;

private:
    struct Program {
        std::array<float, kParameterCount> values{};
        std::array<char, vst::kMaxProgramNameLen> name{};
    };

    void render(float** outputs, vst::int32 frames);
    void pushChangedValues();
    bool fileRequest(vst::intptr action, const char* path, float slotValue);
    bool libraryRequest(vst::intptr action, const char* text);
    bool snapshotRequest(vst::intptr bytes, void* rgba, float pageValue);

    std::unique_ptr<Program[]> programs_;
    std::unique_ptr<std::uint8_t[]> chunk_;
    std::size_t chunkCapacity_ = 0;
    std::unique_ptr<SynthEngine> engine_;
    float ownSampleRate_ = 0.0f;
    RandomGenerator random_;
    SoundLibrary library_;
    TempoTracker tempoTracker_;
    bool constructionFailed_ = false;
    // Last, so that it goes first: it refers to the engine and the library.
    std::unique_ptr<SynthEditor> ownedEditor_;
};

} // namespace tessarine
