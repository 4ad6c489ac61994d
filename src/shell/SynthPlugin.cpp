#include "shell/SynthPlugin.h"

#include "params/ParameterMapping.h"
#include "params/ParameterText.h"
#include "editor/SynthEditor.h"
#include "editor/EditorShell.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <new>
#include <span>
#include <string_view>

namespace tessarine {

namespace {

constexpr const char* kEffectName = "Tessarine";
constexpr const char* kVendorName = "Brightmoor Labs";

// The folder holding this very module, where the sound library lives beside it.
void findLibraryFolder(char* folder, std::size_t capacity)
{
    folder[0] = '\0';
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&findLibraryFolder), &info) == 0 || info.dli_fname == nullptr) {
        return;
    }
    std::snprintf(folder, capacity, "%s", info.dli_fname);
    if (char* slash = std::strrchr(folder, '/')) {
        *slash = '\0';
    } else {
        folder[0] = '\0';
    }
}

} // namespace

SynthPlugin::SynthPlugin(vst::HostCallback host, const char* libraryRoot)
    : EffectShell(host, kNumPrograms, kParameterCount)
{
    std::array<char, PATH_MAX> folder{};
    if (libraryRoot == nullptr) {
        findLibraryFolder(folder.data(), folder.size());
    } else {
        std::snprintf(folder.data(), folder.size(), "%s", libraryRoot);
    }

    chunk_ = std::make_unique<std::uint8_t[]>(kChunkBytes);
    chunkCapacity_ = kChunkBytes;
    engine_ = std::make_unique<SynthEngine>();
    engine_->setLibraryFolder(folder.data());

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

    random_.seed(static_cast<std::uint32_t>(std::time(nullptr)));

    // A host that never opens the editor still plays the library's first instrument.
    library_.setRoot(folder.data());
    library_.loadStartInstrument(*this);

    engine_->stopAllVoices();

    // The editor opens no display until the host opens its window.
    ownedEditor_ = std::make_unique<SynthEditor>(*this, *engine_, library_, *this, random_);
}

SynthPlugin::~SynthPlugin() = default;

void SynthPlugin::setParameter(vst::int32 index, float value)
{
    engine_->setParameter(index, value, true);
    if (editor_ != nullptr) {
        editor_->setParameter(index, value);
    }
}

float SynthPlugin::getParameter(vst::int32 index) { return engine_->getParameter(index); }

void SynthPlugin::writeParameter(int index, float value) { setParameter(index, value); }

bool SynthPlugin::loadInstrumentFrom(const char* path)
{
    const bool ok = engine_->loadInstrument(path);
    if (editor_ != nullptr) {
        editor_->setUpdateFlag(); // every control shows the new instrument
    }
    return ok;
}

bool SynthPlugin::loadVoiceFrom(int slot, const char* path) { return engine_->loadVoice(slot, path); }

void SynthPlugin::render(float** outputs, vst::int32 frames)
{
    if (outputs == nullptr || outputs[0] == nullptr || outputs[1] == nullptr || frames <= 0) {
        return;
    }
    engine_->render(outputs[0], outputs[1], frames);
    pushChangedValues();
}

// Values the engine changed itself (MIDI learn, controllers) reach the editor
// after the block, in index order, and the host hears of its own parameters so
// that its automation and display follow the hardware controller.
void SynthPlugin::pushChangedValues()
{
    for (int index = 0; index < kValueCount; ++index) {
        if (!engine_->changeFlag(index)) {
            continue;
        }
        float value = engine_->getParameter(index);
        if (editor_ != nullptr) {
            editor_->setParameter(index, value);
        }
        if (index < kParameterCount) {
            callHost(vst::audioMasterAutomate, index, 0, nullptr, value);
        }
    }
    engine_->clearChangeFlags();
}

// Render overwrites both channels, so the accumulating entry behaves as the replacing one.
void SynthPlugin::process(float**, float** outputs, vst::int32 frames) { render(outputs, frames); }

void SynthPlugin::processReplacing(float**, float** outputs, vst::int32 frames) { render(outputs, frames); }

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
    std::snprintf(text, vst::kMaxParamStrLen, "%s", parameterUnit(index, engine_->getParameter(index)));
}

void SynthPlugin::getParameterDisplay(vst::int32 index, char* text)
{
    parameterDisplay(index, engine_->getParameter(index), text, vst::kMaxParamStrLen);
}

void SynthPlugin::getParameterName(vst::int32 index, char* text)
{
    parameterName(index, text, vst::kMaxParamStrLen);
}

// The project keeps the sound: the chunk is the instrument record a library
// file would hold. Hosts ask on their GUI or saving thread while audio runs;
// the record is written there, never on the audio thread. The bytes stay
// valid until the next call, as hosts expect.
vst::int32 SynthPlugin::getChunk(void** data, bool)
{
    *data = chunk_.get();
    while (chunk_ != nullptr) {
        RecordStream stream;
        stream.openMemoryWrite(std::span(reinterpret_cast<std::byte*>(chunk_.get()), chunkCapacity_));
        if (engine_->writeInstrumentRecord(stream)) {
            return static_cast<vst::int32>(stream.position());
        }
        if (stream.status() != RecordStream::Status::Overflow || chunkCapacity_ >= kMaxChunkBytes) {
            break;
        }
        const std::size_t larger = std::min(chunkCapacity_ * 2, kMaxChunkBytes);
        std::unique_ptr<std::uint8_t[]> grown(new (std::nothrow) std::uint8_t[larger]);
        if (grown == nullptr) {
            break;
        }
        chunk_ = std::move(grown);
        chunkCapacity_ = larger;
        *data = chunk_.get();
    }
    // Nothing that could be written: the project keeps an empty chunk, which
    // changes nothing when it comes back.
    return 0;
}

vst::int32 SynthPlugin::setChunk(void* data, vst::int32 byteSize, bool)
{
    if (byteSize < 1 || data == nullptr) {
        return 0;
    }
    const bool loaded =
        engine_->loadInstrumentRecord(std::span(static_cast<const std::byte*>(data), static_cast<std::size_t>(byteSize)));
    if (editor_ != nullptr) {
        editor_->setUpdateFlag();
    }
    return loaded ? 1 : 0;
}

void SynthPlugin::setSampleRate(float rate)
{
    ownSampleRate_ = rate;
    engine_->setSampleRate(rate);
}

void SynthPlugin::suspend() { engine_->stopAllVoices(); }

void SynthPlugin::resume()
{
    double tempo = 120.0;
    double ppq = 0.0;
    double barStart = 0.0;
    if (const vst::TimeInfo* time = hostTime(vst::kPpqPosValid | vst::kTempoValid | vst::kBarsValid)) {
        tempo = time->tempo;
        ppq = time->ppqPos;
        barStart = time->barStartPos;
    }
    engine_->setTempo(tempo);
    engine_->setPpqPosition(ppq);
    engine_->setBarStart(barStart);
    engine_->resetRunningState();
    double barStartSeconds = 60.0 / usableTempo(tempo) * barStart;
    engine_->setSongTime(barStartSeconds > 0.0 ? barStartSeconds : 0.0);
    wantMidi();
}

vst::int32 SynthPlugin::processEvents(vst::Events* events)
{
    if (tempoTracker_.dueForQuery()) {
        if (const vst::TimeInfo* time = hostTime(vst::kPpqPosValid | vst::kTempoValid)) {
            tempoTracker_.observe(time->tempo, time->ppqPos);
        }
    }
    if (tempoTracker_.takeChange()) {
        engine_->setPpqPosition(tempoTracker_.ppqPosition());
        engine_->setTempo(tempoTracker_.tempo());
    }

    engine_->setEventsDelivered(false);
    // The count is the host's word; a negative one delivers nothing.
    const vst::int32 count = events->numEvents;
    for (vst::int32 i = 0; i < count; ++i) {
        const vst::Event* event = events->events[i];
        if (event == nullptr || event->type != vst::kMidiType) {
            continue;
        }
        const auto* midi = reinterpret_cast<const vst::MidiEvent*>(event);
        const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(midi->midiData[0]),
                                       static_cast<std::uint8_t>(midi->midiData[1]),
                                       static_cast<std::uint8_t>(midi->midiData[2])};
        if ((bytes[0] & 0xB0) != 0) {
            engine_->midiIn(bytes, midi->deltaFrames);
        }
    }
    engine_->setEventsDelivered(true);
    return 1;
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
    if (index == vst::fourCC('s', 't', 'C', 'A') && value == vst::fourCC('W', 'h', 'e', 'e') && editor_ != nullptr) {
        return editor_->onWheel(opt) ? 1 : 0;
    }
    if (index == kFileRequest) {
        return fileRequest(value, static_cast<const char*>(ptr), opt) ? 1 : 0;
    }
    if (index == kSnapshotRequest) {
        return snapshotRequest(value, ptr, opt) ? 1 : 0;
    }
    return 0;
}

// Pictures of the editor for callers with no window (the command line, CI,
// tests). The editor checks the buffer against its own size; a refused request
// leaves the buffer untouched.
bool SynthPlugin::snapshotRequest(vst::intptr bytes, void* rgba, float pageValue)
{
    if (editor_ == nullptr || rgba == nullptr || bytes <= 0) {
        return false;
    }
    if (!(pageValue >= 0.0f && pageValue < static_cast<float>(kEditorPages))
        || pageValue != static_cast<float>(static_cast<int>(pageValue))) {
        return false;
    }
    return editor_->drawPage(static_cast<int>(pageValue), static_cast<std::uint8_t*>(rgba),
                             static_cast<std::size_t>(bytes));
}

// Hosts have no call for loading sound files, so headless callers (the command
// line, scripts, tests) ask through this request: value names the action, ptr
// is the path, opt the slot.
bool SynthPlugin::fileRequest(vst::intptr action, const char* path, float slotValue)
{
    if (action == kFileSeed) {
        // Repeatable renders: every random source of the instance starts from one seed.
        if (!(slotValue >= 0.0f && slotValue < 4294967296.0f)) {
            return false;
        }
        const auto seed = static_cast<std::uint32_t>(slotValue);
        random_.seed(seed);
        engine_->seedNoise(seed);
        return true;
    }
    if (path != nullptr && strnlen(path, PATH_MAX) >= PATH_MAX) {
        return false;
    }
    if (action >= kFileReset && action <= kFileLibraryRoot) {
        return libraryRequest(action, path);
    }
    if (path == nullptr) {
        return false;
    }
    switch (action) {
    case kFileLoadInstrument:
        return engine_->loadInstrument(path);
    case kFileSaveInstrument:
        return engine_->saveInstrument(path);
    default:
        break;
    }
    if (!(slotValue >= 0.0f && slotValue < static_cast<float>(kSlotCount))) {
        return false;
    }
    const int slot = static_cast<int>(slotValue);
    switch (action) {
    case kFileLoadVoice:
        return engine_->loadVoice(slot, path);
    case kFileSaveVoice:
        return engine_->saveVoice(slot, path);
    default:
        return false;
    }
}

// The library's actions, as the editor's buttons and menus will run them. text
// is bounded by the caller and may be null where the action takes none.
bool SynthPlugin::libraryRequest(vst::intptr action, const char* text)
{
    switch (action) {
    case kFileReset:
        return library_.reset(*this);
    case kFileRandomInstrument:
        if (text == nullptr || text[0] == '\0') {
            library_.randomInstrument(random_, *this);
        } else {
            library_.randomInstrument(text, random_, *this);
        }
        return true;
    case kFileRescanLibrary:
        library_.rescanInstruments(true, false, *this);
        return true;
    case kFileLoadLibraryInstrument: {
        const std::string_view choice = text != nullptr ? std::string_view(text) : std::string_view();
        const std::size_t slash = choice.find('/');
        if (slash == std::string_view::npos) {
            return false;
        }
        return library_.loadListedInstrument(choice.substr(0, slash), choice.substr(slash + 1), *this);
    }
    case kFileLibraryRoot:
        if (text == nullptr || text[0] == '\0') {
            return false;
        }
        library_.setRoot(text);
        return true;
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
