#include "core/InstrumentCore.h"

#include "editor/SlotAnalysis.h"
#include "editor/SynthEditor.h"
#include "params/ParameterMapping.h"
#include "params/ParameterText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <new>

namespace tessarine {

namespace {

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

// Texts come from hosts and scripts: a broken one must not make us read on forever.
bool boundedText(const char* text) { return text != nullptr && strnlen(text, PATH_MAX) < PATH_MAX; }

bool isHostValue(int index) { return index >= 0 && index < kParameterCount; }

// Bits, not values: a NaN the host never heard of is a change too.
bool sameBits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

// Reports the host's view of the values as the main-thread action that made
// this ends, whichever way it returns.
template <typename Report>
class ReportOnExit {
public:
    explicit ReportOnExit(Report report) : report_(report) {}
    ~ReportOnExit() { report_(); }
    ReportOnExit(const ReportOnExit&) = delete;
    ReportOnExit& operator=(const ReportOnExit&) = delete;

private:
    Report report_;
};

} // namespace

InstrumentCore::InstrumentCore(CoreHost& host, const char* libraryRoot) : host_(host)
{
    std::array<char, PATH_MAX> folder{};
    if (libraryRoot == nullptr) {
        findLibraryFolder(folder.data(), folder.size());
    } else {
        std::snprintf(folder.data(), folder.size(), "%s", libraryRoot);
    }

    state_ = std::make_unique<std::byte[]>(kStateBytes);
    stateCapacity_ = kStateBytes;
    engine_ = std::make_unique<SynthEngine>();
    engine_->setLibraryFolder(folder.data());

    random_.seed(timeSeed());

    // A host that never opens the editor still plays the library's first instrument.
    library_.setRoot(folder.data());
    library_.loadStartInstrument(*this);

    engine_->stopAllVoices();

    // The editor opens no display until the host opens its window.
    ownedEditor_ = std::make_unique<SynthEditor>(*this, *engine_, library_, *this, random_);
    // The host reads every value once it has the instance.
    adoptHostView();
}

InstrumentCore::~InstrumentCore() = default;

void InstrumentCore::prepare(float sampleRate, int maxBlock)
{
    // A scanning host may announce 0 frames; the last usable bound stays.
    if (maxBlock > 0) {
        maxBlock_ = maxBlock;
    }
    engine_->setSampleRate(sampleRate);
}

void InstrumentCore::activate()
{
    HostTransport transport;
    host_.readTransport(transport, true);
    engine_->setTempo(transport.tempo);
    engine_->setPpqPosition(transport.ppqPosition);
    engine_->setBarStart(transport.barStart);
    engine_->resetRunningState();
    const double barStartSeconds = 60.0 / usableTempo(transport.tempo) * transport.barStart;
    engine_->setSongTime(barStartSeconds > 0.0 ? barStartSeconds : 0.0);
    // The pedal's value goes with the running state.
    reportChangedValues();
}

void InstrumentCore::deactivate() { engine_->stopAllVoices(); }

void InstrumentCore::deliverEvents(std::span<const MidiMessage> events)
{
    beginDelivery();
    for (const MidiMessage& message : events) {
        deliver(message);
    }
}

void InstrumentCore::beginDelivery()
{
    if (tempoTracker_.dueForQuery()) {
        HostTransport transport;
        if (host_.readTransport(transport, false)) {
            tempoTracker_.observe(transport.tempo, transport.ppqPosition);
        }
    }
    if (tempoTracker_.takeChange()) {
        engine_->setPpqPosition(tempoTracker_.ppqPosition());
        engine_->setTempo(tempoTracker_.tempo());
    }
}

// Bytes without a status bit, or in the 0x40 row, are no message the engine plays.
void InstrumentCore::deliver(const MidiMessage& message)
{
    if ((message.bytes[0] & 0xB0) != 0) {
        engine_->midiIn(message.bytes, message.frameOffset);
    }
}

void InstrumentCore::render(float* const* outputs, int frames)
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
void InstrumentCore::pushChangedValues()
{
    for (int index = 0; index < kValueCount; ++index) {
        if (!engine_->changeFlag(index)) {
            continue;
        }
        const float value = engine_->getParameter(index);
        if (editor_ != nullptr) {
            editor_->setParameter(index, value);
        }
        if (index < kParameterCount) {
            hostView_[static_cast<std::size_t>(index)].store(engine_->getParameter(index, true),
                                                             std::memory_order_relaxed);
            host_.automateFromAudio(index, value);
        }
    }
    engine_->clearChangeFlags();
}

void InstrumentCore::setParameter(int index, float value)
{
    applyValue(index, value);
    if (isHostValue(index)) {
        hostView_[static_cast<std::size_t>(index)].store(engine_->getParameter(index, true),
                                                         std::memory_order_relaxed);
    }
}

void InstrumentCore::applyValue(int index, float value)
{
    engine_->setParameter(index, value, true);
    if (editor_ != nullptr) {
        editor_->setParameter(index, value);
    }
}

void InstrumentCore::reportChangedValues()
{
    bool any = false;
    for (int index = 0; index < kParameterCount; ++index) {
        const float value = engine_->getParameter(index, true);
        auto& known = hostView_[static_cast<std::size_t>(index)];
        if (sameBits(known.load(std::memory_order_relaxed), value)) {
            continue;
        }
        known.store(value, std::memory_order_relaxed);
        host_.reportValue(index, value);
        any = true;
    }
    if (any) {
        host_.valuesReported();
    }
}

void InstrumentCore::adoptHostView()
{
    for (int index = 0; index < kParameterCount; ++index) {
        hostView_[static_cast<std::size_t>(index)].store(engine_->getParameter(index, true),
                                                         std::memory_order_relaxed);
    }
}

void InstrumentCore::parameterName(int index, char* text, std::size_t capacity) const
{
    tessarine::parameterName(index, text, capacity);
}

// The host shows what the editor's value display shows, in the same units.
const char* InstrumentCore::parameterLabel(int index) const { return parameterUnit(index, parameter(index)); }

void InstrumentCore::parameterDisplay(int index, char* text, std::size_t capacity) const
{
    tessarine::parameterDisplay(index, parameter(index), text, capacity);
}

// The project keeps the sound. Hosts ask on their main or saving thread while
// audio runs; the record is written there, never on the audio thread.
std::span<const std::byte> InstrumentCore::saveState()
{
    std::lock_guard lock(stateMutex_);
    while (state_ != nullptr) {
        RecordStream stream;
        stream.openMemoryWrite(std::span(state_.get(), stateCapacity_));
        if (engine_->writeInstrumentRecord(stream)) {
            return std::span<const std::byte>(state_.get(), stream.position());
        }
        if (stream.status() != RecordStream::Status::Overflow || stateCapacity_ >= kMaxStateBytes) {
            break;
        }
        const std::size_t larger = std::min(stateCapacity_ * 2, kMaxStateBytes);
        std::unique_ptr<std::byte[]> grown(new (std::nothrow) std::byte[larger]);
        if (grown == nullptr) {
            break;
        }
        state_ = std::move(grown);
        stateCapacity_ = larger;
    }
    // Nothing that could be written: the project keeps an empty record, which
    // changes nothing when it comes back.
    return std::span<const std::byte>(state_.get(), 0);
}

bool InstrumentCore::loadState(std::span<const std::byte> data)
{
    if (data.empty() || data.data() == nullptr) {
        return false;
    }
    const bool loaded = engine_->loadInstrumentRecord(data);
    if (editor_ != nullptr) {
        editor_->setUpdateFlag();
        if (loaded) {
            editor_->instrumentUnmodified();
        }
    }
    adoptHostView();
    return loaded;
}

bool InstrumentCore::restoreInstrumentFile(const char* path)
{
    const bool loaded = boundedText(path) && loadInstrumentFrom(path);
    adoptHostView();
    return loaded;
}

EditorSize InstrumentCore::editorSize() const { return editor_ != nullptr ? editor_->size() : EditorSize{}; }

bool InstrumentCore::setEditorScale(double scale) { return editor_ != nullptr && editor_->requestScale(scale); }

EditorSize InstrumentCore::editorPictureSize() const
{
    return editor_ != nullptr ? editor_->pictureSize() : EditorSize{};
}

bool InstrumentCore::openEditor(void* parentWindow) { return editor_ != nullptr && editor_->open(parentWindow); }

void InstrumentCore::closeEditor()
{
    if (editor_ != nullptr) {
        editor_->close();
    }
}

// The editor's own actions (loads, Reset, Random, the Randomise buttons) run
// inside its idle and key handling; the host hears of their values after each.
void InstrumentCore::idleEditor()
{
    if (editor_ != nullptr) {
        editor_->idleFromHost();
        reportChangedValues();
    }
}

int InstrumentCore::editorKeyDown(int character, int virtualKey, int modifier)
{
    ReportOnExit report([this] { reportChangedValues(); });
    return editor_ != nullptr ? editor_->onKeyDown(KeyCode{character, virtualKey, modifier}) : -1;
}

int InstrumentCore::editorKeyUp(int character, int virtualKey, int modifier)
{
    ReportOnExit report([this] { reportChangedValues(); });
    return editor_ != nullptr ? editor_->onKeyUp(KeyCode{character, virtualKey, modifier}) : -1;
}

void InstrumentCore::setEditorKnobMode(int mode)
{
    if (editor_ != nullptr) {
        editor_->setKnobMode(mode);
    }
}

bool InstrumentCore::editorWheel(float distance)
{
    ReportOnExit report([this] { reportChangedValues(); });
    return editor_ != nullptr && editor_->onWheel(distance);
}

// The editor checks the buffer against its own size.
bool InstrumentCore::drawEditorPage(int page, std::uint8_t* rgba, std::size_t bytes)
{
    if (editor_ == nullptr || rgba == nullptr || bytes == 0 || page < 0 || page >= kEditorPages) {
        return false;
    }
    return editor_->drawPage(page, rgba, bytes);
}

void InstrumentCore::automate(int index, float value)
{
    setParameter(index, value);
    host_.automateFromEditor(index, value);
}

void InstrumentCore::attachEditor(EditorShell* editor)
{
    editor_ = editor;
    host_.editorChanged(editor != nullptr);
}

void InstrumentCore::detachEditor(EditorShell* editor)
{
    if (editor_ == editor) {
        attachEditor(nullptr);
    }
}

bool InstrumentCore::loadInstrumentFrom(const char* path)
{
    const bool ok = engine_->loadInstrument(path);
    if (editor_ != nullptr) {
        editor_->setUpdateFlag(); // every control shows the new instrument
        if (ok) {
            editor_->instrumentUnmodified();
        }
    }
    return ok;
}

// The same load as the library's, so an open editor shows what was loaded.
bool InstrumentCore::loadInstrumentFile(const char* path)
{
    ReportOnExit report([this] { reportChangedValues(); });
    return boundedText(path) && loadInstrumentFrom(path);
}

bool InstrumentCore::saveInstrumentFile(const char* path)
{
    const bool saved = boundedText(path) && engine_->saveInstrument(path);
    if (saved && editor_ != nullptr) {
        editor_->instrumentUnmodified();
    }
    return saved;
}

bool InstrumentCore::loadVoiceFile(int slot, const char* path)
{
    ReportOnExit report([this] { reportChangedValues(); });
    return slot >= 0 && slot < kVoiceSlots && boundedText(path) && engine_->loadVoice(slot, path);
}

bool InstrumentCore::saveVoiceFile(int slot, const char* path)
{
    return slot >= 0 && slot < kVoiceSlots && boundedText(path) && engine_->saveVoice(slot, path);
}

bool InstrumentCore::analyseSoundFile(int slot, const char* path, bool wholeVoice)
{
    if (slot < 0 || slot >= kVoiceSlots || !boundedText(path)) {
        return false;
    }
    ReportOnExit report([this] { reportChangedValues(); });
    const auto into = wholeVoice ? AnalyseInto::NewVoice : AnalyseInto::ShownLayer;
    if (!analyseIntoSlot(*engine_, slot, {path}, into, {}).analysed) {
        return false;
    }
    if (editor_ != nullptr) {
        editor_->setUpdateFlag(); // the slot's page shows the new sound
    }
    return true;
}

void InstrumentCore::seedRandom(std::uint32_t seed)
{
    random_.seed(seed);
    engine_->seedNoise(seed);
}

bool InstrumentCore::resetInstrument()
{
    ReportOnExit report([this] { reportChangedValues(); });
    return library_.reset(*this);
}

bool InstrumentCore::randomInstrument(const char* category)
{
    ReportOnExit report([this] { reportChangedValues(); });
    if (category == nullptr || category[0] == '\0') {
        library_.randomInstrument(random_, *this);
        return true;
    }
    if (!boundedText(category)) {
        return false;
    }
    library_.randomInstrument(category, random_, *this);
    return true;
}

void InstrumentCore::rescanLibrary()
{
    ReportOnExit report([this] { reportChangedValues(); });
    library_.rescanInstruments(true, false, *this);
}

bool InstrumentCore::loadLibraryInstrument(std::string_view category, std::string_view name)
{
    ReportOnExit report([this] { reportChangedValues(); });
    return library_.loadListedInstrument(category, name, *this);
}

bool InstrumentCore::stepInstrument(int step)
{
    ReportOnExit report([this] { reportChangedValues(); });
    return library_.stepInstrument(engine_->instrument().name.data(), step, *this);
}

bool InstrumentCore::setLibraryRoot(const char* folder)
{
    if (folder == nullptr || folder[0] == '\0' || !boundedText(folder)) {
        return false;
    }
    library_.setRoot(folder);
    return true;
}

} // namespace tessarine
