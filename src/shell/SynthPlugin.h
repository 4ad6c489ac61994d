#pragma once
// The instrument as a VST 2 host sees it: maps the host's opcodes, its
// vendor-specific requests, time info and event lists onto the instrument
// core, and keeps what only this format has (the effect record's flags, the
// program record, the host's texts and canDo answers).

#include "core/CoreHost.h"
#include "core/InstrumentCore.h"
#include "shell/EffectShell.h"

#include <array>
#include <cstdint>
#include <memory>

namespace tessarine {

class SynthPlugin final : public EffectShell, private CoreHost {
public:
    static constexpr int kNumPrograms = 1;
    // The chunk is the core's state record, in its buffer.
    static constexpr std::size_t kChunkBytes = InstrumentCore::kStateBytes;
    static constexpr std::size_t kMaxChunkBytes = InstrumentCore::kMaxStateBytes;

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
        kFileAnalyseVoice = 11,        // ptr: a sound file; the slot takes it as a whole new voice
        kFileAnalyseLayer = 12,        // ptr: a sound file; only the slot's shown multisample and layer
        kFileNextInstrument = 13,      // the next instrument of the loaded one's category, wrapping
        kFilePreviousInstrument = 14,  // the previous one
    };
    // effVendorSpecific with this index draws an editor page without a window:
    // value is the byte size of the caller's RGBA buffer at ptr, opt the page.
    static constexpr vst::int32 kSnapshotRequest = vst::fourCC('T', 's', 'n', 'P');
    // With this index, ptr is a vst::EditorRect the plug-in fills with the
    // size of those pictures (the editor's at the host's requested scale).
    static constexpr vst::int32 kSnapshotSizeRequest = vst::fourCC('T', 's', 'n', 'S');
    // The host's display scaling, as hosts send it: effVendorSpecific with
    // index 'PreS', value 'AeCs' and the factor in opt.
    static constexpr vst::int32 kScaleRequest = vst::fourCC('P', 'r', 'e', 'S');
    static constexpr vst::int32 kScaleRequestValue = vst::fourCC('A', 'e', 'C', 's');
    static constexpr int kEditorPages = InstrumentCore::kEditorPages;

    // The library is the one beside this module; libraryRoot names another
    // folder instead ("" for none, so the plug-in starts at the start values).
    explicit SynthPlugin(vst::HostCallback host, const char* libraryRoot = nullptr);
    ~SynthPlugin() override;

    // True when a part the plug-in cannot work without could not be created;
    // the entry function then hands the host nothing.
    bool constructionFailed() const { return constructionFailed_; }

    InstrumentCore& core() { return *core_; }
    SynthEngine& engine() { return core_->engine(); }
    RandomGenerator& random() { return core_->random(); }
    SoundLibrary& library() { return core_->library(); }
    EditorShell* editor() const { return core_->editor(); }

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
    void setBlockSize(vst::int32 size) override;
    bool canBeAutomated(vst::int32 index) override { return !parameterHidden(index); }
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
    vst::intptr dispatchEditor(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt) override;

private:
    struct Program {
        std::array<float, kParameterCount> values{};
        std::array<char, vst::kMaxProgramNameLen> name{};
    };

    // What the core asks of the host.
    void automateFromEditor(int index, float value) override;
    void automateFromAudio(int index, float value) override;
    void serveIdle() override { hostIdle(); }
    bool readTransport(HostTransport& transport, bool withBar) override;
    void editorChanged(bool present) override { setFlag(vst::effFlagsHasEditor, present); }
    void editorResized(int width, int height) override
    {
        callHost(vst::audioMasterSizeWindow, width, height);
    }
    void reportValue(int index, float value) override { automateFromEditor(index, value); }
    void valuesReported() override { callHost(vst::audioMasterUpdateDisplay); }

    bool fileRequest(vst::intptr action, const char* path, float slotValue);
    bool libraryRequest(vst::intptr action, const char* text);
    bool snapshotRequest(vst::intptr bytes, void* rgba, float pageValue);

    std::unique_ptr<Program[]> programs_;
    vst::EditorRect editorRect_{0, 0, 0, 0}; // what effEditGetRect hands the host
    bool constructionFailed_ = false;
    std::unique_ptr<InstrumentCore> core_;
};

} // namespace tessarine
