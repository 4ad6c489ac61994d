#include "shell/SynthPlugin.h"

#include "params/ParameterMapping.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>

namespace tessarine {

namespace {

constexpr const char* kEffectName = "Tessarine";
constexpr const char* kVendorName = "Brightmoor Labs";

} // namespace

SynthPlugin::SynthPlugin(vst::HostCallback host, const char* libraryRoot)
    : EffectShell(host, kNumPrograms, kParameterCount)
{
    setFlag(vst::effFlagsProgramChunks, true);
    programs_ = std::make_unique<Program[]>(kNumPrograms);
    std::snprintf(programs_[0].name.data(), programs_[0].name.size(), "Init");

    record_.numInputs = 0;
    record_.numOutputs = 2;
    setFlag(vst::effFlagsCanReplacing, true);
    setFlag(vst::effFlagsHasVu, false);
    setFlag(vst::effFlagsHasClip, false);
    setFlag(vst::effFlagsCanMono, true);
    setFlag(vst::effFlagsIsSynth, true);
    // The identifier is stored with '4' in the lowest byte, so the record reads "4TsN" in memory.
    std::memcpy(&record_.uniqueID, "4TsN", 4);

    // The core's editor reports itself through editorChanged, which sets the editor flag.
    CoreHost& asHost = *this;
    core_ = std::make_unique<InstrumentCore>(asHost, libraryRoot);
}

SynthPlugin::~SynthPlugin() = default;

void SynthPlugin::setParameter(vst::int32 index, float value) { core_->setParameter(index, value); }

float SynthPlugin::getParameter(vst::int32 index) { return core_->parameter(index); }

// VST 2 hears of both kinds of change the same way, on whichever thread makes it.
void SynthPlugin::automateFromEditor(int index, float value)
{
    callHost(vst::audioMasterAutomate, index, 0, nullptr, value);
}

void SynthPlugin::automateFromAudio(int index, float value) { automateFromEditor(index, value); }

bool SynthPlugin::readTransport(HostTransport& transport, bool withBar)
{
    const vst::int32 wanted = vst::kPpqPosValid | vst::kTempoValid | (withBar ? vst::kBarsValid : 0);
    const vst::TimeInfo* time = hostTime(wanted);
    if (time == nullptr) {
        return false;
    }
    transport.tempo = time->tempo;
    transport.ppqPosition = time->ppqPos;
    if (withBar) {
        transport.barStart = time->barStartPos;
    }
    return true;
}

// Render overwrites both channels, so the accumulating entry behaves as the replacing one.
void SynthPlugin::process(float**, float** outputs, vst::int32 frames) { core_->render(outputs, frames); }

void SynthPlugin::processReplacing(float**, float** outputs, vst::int32 frames) { core_->render(outputs, frames); }

// There is one program; the host's program changes have nothing to select.
void SynthPlugin::setProgram(vst::int32) {}

void SynthPlugin::setProgramName(const char* text)
{
    auto& name = programs_[static_cast<std::size_t>(currentProgram_)].name;
    std::size_t length = strnlen(text, name.size() - 1);
    std::memcpy(name.data(), text, length);
    name[length] = '\0';
}

void SynthPlugin::getProgramName(char* text)
{
    const char* name = programs_[static_cast<std::size_t>(currentProgram_)].name.data();
    if (std::strcmp(name, "Init") == 0) {
        std::snprintf(text, vst::kMaxProgramNameLen, "Init %d", currentProgram_ + 1);
    } else {
        std::snprintf(text, vst::kMaxProgramNameLen, "%s", name);
    }
}

bool SynthPlugin::getProgramNameIndexed(vst::int32, vst::int32 index, char* text)
{
    if (index < 0 || index >= kNumPrograms) {
        return false;
    }
    std::snprintf(text, vst::kMaxProgramNameLen, "%s", programs_[static_cast<std::size_t>(index)].name.data());
    return true;
}

bool SynthPlugin::copyProgram(vst::int32 destination)
{
    if (destination < 0 || destination >= kNumPrograms) {
        return false;
    }
    programs_[static_cast<std::size_t>(destination)] = programs_[static_cast<std::size_t>(currentProgram_)];
    return true;
}

// The host shows what the editor's value display shows, in the same units.
void SynthPlugin::getParameterLabel(vst::int32 index, char* text)
{
    std::snprintf(text, vst::kMaxParamStrLen, "%s", core_->parameterLabel(index));
}

void SynthPlugin::getParameterDisplay(vst::int32 index, char* text)
{
    core_->parameterDisplay(index, text, vst::kMaxParamStrLen);
}

void SynthPlugin::getParameterName(vst::int32 index, char* text)
{
    core_->parameterName(index, text, vst::kMaxParamStrLen);
}

// The chunk is the core's state record. Hosts ask on their GUI or saving
// thread while audio runs; the bytes stay valid until the next call, as hosts
// expect. Nothing written is an empty chunk, which changes nothing when it
// comes back.
vst::int32 SynthPlugin::getChunk(void** data, bool)
{
    const std::span<const std::byte> state = core_->saveState();
    *data = const_cast<std::byte*>(state.data());
    return static_cast<vst::int32>(state.size());
}

vst::int32 SynthPlugin::setChunk(void* data, vst::int32 byteSize, bool)
{
    if (byteSize < 1 || data == nullptr) {
        return 0;
    }
    return core_->loadState(std::span(static_cast<const std::byte*>(data), static_cast<std::size_t>(byteSize))) ? 1
                                                                                                                  : 0;
}

void SynthPlugin::setSampleRate(float rate)
{
    EffectShell::setSampleRate(rate);
    core_->prepare(rate, blockSize_);
}

// Hosts announce the block size apart from the rate, before resume.
void SynthPlugin::setBlockSize(vst::int32 size)
{
    EffectShell::setBlockSize(size);
    core_->prepare(core_->engine().sampleRate(), size);
}

void SynthPlugin::suspend() { core_->deactivate(); }

void SynthPlugin::resume()
{
    core_->activate();
    wantMidi();
}

vst::int32 SynthPlugin::processEvents(vst::Events* events)
{
    core_->beginDelivery();
    // The count is the host's word; a negative one delivers nothing.
    const vst::int32 count = events->numEvents;
    for (vst::int32 i = 0; i < count; ++i) {
        const vst::Event* event = events->events[i];
        if (event == nullptr || event->type != vst::kMidiType) {
            continue;
        }
        const auto* midi = reinterpret_cast<const vst::MidiEvent*>(event);
        core_->deliver(MidiMessage{{static_cast<std::uint8_t>(midi->midiData[0]),
                                    static_cast<std::uint8_t>(midi->midiData[1]),
                                    static_cast<std::uint8_t>(midi->midiData[2])},
                                   midi->deltaFrames});
    }
    return 1;
}

vst::intptr SynthPlugin::dispatchEditor(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr,
                                        float opt)
{
    if (!core_->hasEditor()) {
        return 0;
    }
    switch (opcode) {
    case vst::effEditGetRect: {
        if (ptr == nullptr) {
            return 0;
        }
        const auto size = core_->editorSize();
        editorRect_ = vst::EditorRect{0, 0, static_cast<vst::int16>(size.height), static_cast<vst::int16>(size.width)};
        *static_cast<vst::EditorRect**>(ptr) = &editorRect_;
        return 1;
    }
    case vst::effEditOpen:
        return core_->openEditor(ptr) ? 1 : 0;
    case vst::effEditClose:
        core_->closeEditor();
        return 0;
    case vst::effEditIdle:
        core_->idleEditor();
        return 0;
    case vst::effEditKeyDown:
    case vst::effEditKeyUp: {
        const int virtualKey = truncClamped(static_cast<double>(value), -0x7fffffff, 0x7fffffff);
        const int modifier = truncClamped(opt, -0x7fffffff, 0x7fffffff);
        return opcode == vst::effEditKeyDown ? core_->editorKeyDown(index, virtualKey, modifier)
                                             : core_->editorKeyUp(index, virtualKey, modifier);
    }
    case vst::effSetEditKnobMode:
        core_->setEditorKnobMode(truncClamped(static_cast<double>(value), -0x7fffffff, 0x7fffffff));
        return 1;
    default:
        return 0;
    }
}

bool SynthPlugin::getOutputProperties(vst::int32 index, vst::PinProperties* properties)
{
    if (index < 0 || index > 1) {
        return false;
    }
    std::snprintf(properties->label, sizeof(properties->label), "TS %1d", index + 1);
    properties->flags = vst::kPinIsActive | vst::kPinIsStereo;
    return true;
}

bool SynthPlugin::getEffectName(char* text)
{
    std::snprintf(text, vst::kMaxEffectNameLen, "%s", kEffectName);
    return true;
}

bool SynthPlugin::getVendorString(char* text)
{
    std::snprintf(text, vst::kMaxVendorStrLen, "%s", kVendorName);
    return true;
}

bool SynthPlugin::getProductString(char* text)
{
    std::snprintf(text, vst::kMaxProductStrLen, "%s", kEffectName);
    return true;
}

vst::intptr SynthPlugin::vendorSpecific(vst::int32 index, vst::intptr value, void* ptr, float opt)
{
    if (index == vst::fourCC('s', 't', 'C', 'A') && value == vst::fourCC('W', 'h', 'e', 'e')) {
        return core_->editorWheel(opt) ? 1 : 0;
    }
    if (index == kFileRequest) {
        return fileRequest(value, static_cast<const char*>(ptr), opt) ? 1 : 0;
    }
    if (index == kSnapshotRequest) {
        return snapshotRequest(value, ptr, opt) ? 1 : 0;
    }
    if (index == kScaleRequest && value == kScaleRequestValue) {
        return core_->setEditorScale(opt) ? 1 : 0;
    }
    if (index == kSnapshotSizeRequest && ptr != nullptr) {
        const EditorSize size = core_->editorPictureSize();
        if (size.width <= 0 || size.height <= 0) {
            return 0;
        }
        *static_cast<vst::EditorRect*>(ptr) =
            vst::EditorRect{0, 0, static_cast<vst::int16>(size.height), static_cast<vst::int16>(size.width)};
        return 1;
    }
    return 0;
}

// Pictures of the editor for callers with no window (the command line, CI,
// tests): value is the buffer's byte size, opt a whole page number.
bool SynthPlugin::snapshotRequest(vst::intptr bytes, void* rgba, float pageValue)
{
    if (bytes <= 0 || !(pageValue >= 0.0f && pageValue < static_cast<float>(kEditorPages))
        || pageValue != static_cast<float>(static_cast<int>(pageValue))) {
        return false;
    }
    return core_->drawEditorPage(static_cast<int>(pageValue), static_cast<std::uint8_t*>(rgba),
                                 static_cast<std::size_t>(bytes));
}

// Hosts have no call for loading sound files, so headless callers (the command
// line, scripts, tests) ask through this request: value names the action, ptr
// is the path, opt the slot.
bool SynthPlugin::fileRequest(vst::intptr action, const char* path, float slotValue)
{
    if (action == kFileSeed) {
        if (!(slotValue >= 0.0f && slotValue < 4294967296.0f)) {
            return false;
        }
        core_->seedRandom(static_cast<std::uint32_t>(slotValue));
        return true;
    }
    if (path != nullptr && strnlen(path, PATH_MAX) >= PATH_MAX) {
        return false;
    }
    if (action >= kFileReset && action <= kFileLibraryRoot) {
        return libraryRequest(action, path);
    }
    if (action == kFileNextInstrument || action == kFilePreviousInstrument) {
        return core_->stepInstrument(action == kFileNextInstrument ? 1 : -1);
    }
    if (path == nullptr) {
        return false;
    }
    switch (action) {
    case kFileLoadInstrument:
        return core_->loadInstrumentFile(path);
    case kFileSaveInstrument:
        return core_->saveInstrumentFile(path);
    default:
        break;
    }
    if (!(slotValue >= 0.0f && slotValue < static_cast<float>(InstrumentCore::kVoiceSlots))) {
        return false;
    }
    const int slot = static_cast<int>(slotValue);
    switch (action) {
    case kFileLoadVoice:
        return core_->loadVoiceFile(slot, path);
    case kFileSaveVoice:
        return core_->saveVoiceFile(slot, path);
    case kFileAnalyseVoice:
    case kFileAnalyseLayer:
        return core_->analyseSoundFile(slot, path, action == kFileAnalyseVoice);
    default:
        return false;
    }
}

// The library's actions, as the editor's buttons and menus run them. text is
// bounded by the caller and may be null where the action takes none.
bool SynthPlugin::libraryRequest(vst::intptr action, const char* text)
{
    switch (action) {
    case kFileReset:
        return core_->resetInstrument();
    case kFileRandomInstrument:
        return core_->randomInstrument(text);
    case kFileRescanLibrary:
        core_->rescanLibrary();
        return true;
    case kFileLoadLibraryInstrument: {
        const std::string_view choice = text != nullptr ? std::string_view(text) : std::string_view();
        const std::size_t slash = choice.find('/');
        if (slash == std::string_view::npos) {
            return false;
        }
        return core_->loadLibraryInstrument(choice.substr(0, slash), choice.substr(slash + 1));
    }
    case kFileLibraryRoot:
        return core_->setLibraryRoot(text);
    default:
        return false;
    }
}

vst::int32 SynthPlugin::canDo(const char* text)
{
    // Hosts pass terminated texts, but a broken one must not make us read on forever.
    std::string_view asked(text, strnlen(text, 256));
    for (std::string_view accepted : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo"}) {
        if (asked == accepted) {
            return 1;
        }
    }
    return -1;
}

} // namespace tessarine
