#include "host/PluginHost.h"

#include "validate/AudioThreadAllocations.h"

#include <cstddef>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace tessarine::host {

namespace {

// The instance being created: during the entry call the plug-in has no record
// yet (or calls with a null one), so the callback finds its host here.
thread_local PluginHost* tCreating = nullptr;

// Each thread gets its own time record, so a plug-in that asks from an
// automation thread never reads one the audio thread is writing.
thread_local vst::TimeInfo tTime{};

constexpr vst::intptr kHostVersion = 2400;
constexpr const char* kHostVendor = "Brightmoor Labs";
constexpr const char* kHostProduct = "tessarine";

std::int64_t nowNanoseconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

void copyText(void* ptr, const char* text, std::size_t limit)
{
    if (ptr != nullptr) {
        std::strncpy(static_cast<char*>(ptr), text, limit - 1);
        static_cast<char*>(ptr)[limit - 1] = '\0';
    }
}

enum class StartFault { kNone, kNoEffect, kWrongMagic, kNoDispatcher };

const char* describe(StartFault fault)
{
    switch (fault) {
    case StartFault::kNoEffect:
        return "the entry function returned no effect";
    case StartFault::kWrongMagic:
        // Closing through a record we do not understand could do anything.
        return "wrong magic number in the effect record";
    case StartFault::kNoDispatcher:
        return "the effect record has no dispatcher";
    case StartFault::kNone:
        break;
    }
    return "";
}

} // namespace

PluginHost::PluginHost(const HostSettings& settings) : settings_(settings) { reserveEvents(kDefaultEventCapacity); }

std::unique_ptr<PluginHost> PluginHost::create(const PluginModule& module, const HostSettings& settings,
                                               std::string& error)
{
    std::unique_ptr<PluginHost> host(new PluginHost(settings));
    tCreating = host.get();
    vst::EffectRecord* effect = module.entry()(&PluginHost::callback);
    tCreating = nullptr;
    StartFault fault = StartFault::kNone;
    if (effect == nullptr) {
        fault = StartFault::kNoEffect;
    } else if (effect->magic != vst::kEffectMagic) {
        fault = StartFault::kWrongMagic;
    } else if (effect->dispatcher == nullptr) {
        fault = StartFault::kNoDispatcher;
    }
    if (fault != StartFault::kNone) {
        error = describe(fault);
        return nullptr;
    }
    effect->resvd1 = reinterpret_cast<vst::intptr>(host.get());
    host->effect_ = effect;
    host->dispatch(vst::effOpen);
    return host;
}

std::unique_ptr<PluginHost> PluginHost::load(const std::string& path, std::string& error,
                                             const HostSettings& settings)
{
    const std::string prefix = "cannot load plug-in '" + path + "': ";
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        error = prefix + "no such file";
        return nullptr;
    }
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = prefix + "not a regular file";
        return nullptr;
    }
    std::unique_ptr<PluginModule> module = PluginModule::open(path, error);
    if (!module) {
        error = prefix + error;
        return nullptr;
    }
    std::unique_ptr<PluginHost> host = create(*module, settings, error);
    if (!host) {
        error = prefix + (error == describe(StartFault::kNoEffect) ? "its entry function returned no effect" : error);
        return nullptr;
    }
    host->ownModule_ = std::move(module);
    return host;
}

PluginHost::~PluginHost() { close(); }

void PluginHost::close()
{
    if (effect_ != nullptr) {
        vst::EffectRecord* effect = effect_;
        effect_ = nullptr;
        effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    }
}

vst::intptr PluginHost::dispatch(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt)
{
    return effect_ != nullptr ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

std::string PluginHost::text(vst::int32 opcode, vst::int32 index, int limit)
{
    // Plug-ins are known to write past the limit; the spare room keeps that from
    // hurting the host, and the answer is cut at the limit all the same.
    std::vector<char> buffer(static_cast<std::size_t>(limit) + 256, '\0');
    dispatch(opcode, index, 0, buffer.data());
    return std::string(buffer.data(), strnlen(buffer.data(), static_cast<std::size_t>(limit)));
}

vst::intptr PluginHost::canDo(const std::string& what)
{
    std::string copy = what;
    return dispatch(vst::effCanDo, 0, 0, copy.data());
}

void PluginHost::setSampleRate(float rate)
{
    settings_.sampleRate = rate;
    dispatch(vst::effSetSampleRate, 0, 0, nullptr, rate);
}

void PluginHost::setBlockSize(int maxBlock)
{
    settings_.blockSize = maxBlock;
    dispatch(vst::effSetBlockSize, 0, maxBlock);
    if (effect_ == nullptr) {
        return;
    }
    inputCount_ = effect_->numInputs;
    outputCount_ = effect_->numOutputs;
    const bool usable = inputCount_ >= 0 && outputCount_ >= 0 && inputCount_ <= kMaxChannels &&
                        outputCount_ <= kMaxChannels && maxBlock > 0;
    if (!usable) {
        maxBlock_ = 0;
        return;
    }
    maxBlock_ = maxBlock;
    const auto frames = static_cast<std::size_t>(maxBlock);
    channelMemory_.assign(frames * static_cast<std::size_t>(inputCount_ + outputCount_), 0.0f);
    for (int i = 0; i < inputCount_; ++i) {
        inputs_[i] = channelMemory_.data() + frames * static_cast<std::size_t>(i);
    }
    for (int i = 0; i < outputCount_; ++i) {
        outputs_[i] = channelMemory_.data() + frames * static_cast<std::size_t>(inputCount_ + i);
    }
}

void PluginHost::reserveEvents(int count)
{
    if (count <= eventCapacity()) {
        return;
    }
    const auto capacity = static_cast<std::size_t>(count);
    events_.resize(capacity);
    eventList_.assign(sizeof(vst::Events) + capacity * sizeof(vst::Event*), '\0');
    auto** slots = reinterpret_cast<vst::Event**>(eventList_.data() + offsetof(vst::Events, events));
    for (std::size_t i = 0; i < capacity; ++i) {
        slots[i] = reinterpret_cast<vst::Event*>(&events_[i]);
    }
}

bool PluginHost::addMidi(int offset, unsigned char status, unsigned char data1, unsigned char data2)
{
    if (eventCount_ >= eventCapacity()) {
        return false;
    }
    vst::MidiEvent& e = events_[static_cast<std::size_t>(eventCount_++)];
    e = vst::MidiEvent{};
    e.type = vst::kMidiType;
    e.byteSize = sizeof(vst::MidiEvent);
    e.deltaFrames = offset;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    return true;
}

void PluginHost::run(float* const* outputs, int frames)
{
    reinterpret_cast<vst::Events*>(eventList_.data())->numEvents = eventCount_;
    {
        ArmedAllocationCount counting(AudioCall::kProcessEvents);
        effect_->dispatcher(effect_, vst::effProcessEvents, 0, 0, eventList_.data(), 0.0f);
    }
    if (effect_->processReplacing != nullptr) {
        ArmedAllocationCount counting(AudioCall::kProcess);
        effect_->processReplacing(effect_, inputs_, const_cast<float**>(outputs), frames);
    }
    eventCount_ = 0;
    if (settings_.followBlocks) {
        settings_.samplePosition += frames;
    }
}

void PluginHost::processBlock(std::span<const Midi> midi, float* left, float* right, int frames)
{
    if (effect_ == nullptr) {
        eventCount_ = 0;
        return;
    }
    for (const Midi& m : midi) {
        if (!addMidi(m.offset, m.status, m.data1, m.data2)) {
            break;
        }
    }
    float* const outputs[2] = {left, right};
    run(outputs, frames);
}

std::int64_t PluginHost::process(int frames)
{
    // A plug-in that changed its channel counts since the buffers were sized
    // would read pointers the host never gave it.
    if (effect_ == nullptr || frames <= 0 || frames > maxBlock_ || effect_->processReplacing == nullptr ||
        effect_->numInputs > inputCount_ || effect_->numOutputs > outputCount_) {
        eventCount_ = 0;
        return 0;
    }
    for (int i = 0; i < outputCount_; ++i) {
        std::memset(outputs_[i], 0, sizeof(float) * static_cast<std::size_t>(frames));
    }
    const std::int64_t start = nowNanoseconds();
    run(outputs_, frames);
    return nowNanoseconds() - start;
}

void PluginHost::setParameterOnAudioThread(int index, float value)
{
    if (effect_ != nullptr && effect_->setParameter != nullptr) {
        ArmedAllocationCount counting(AudioCall::kSetParameter);
        effect_->setParameter(effect_, index, value);
    }
}

float PluginHost::getParameter(int index)
{
    return effect_ != nullptr && effect_->getParameter != nullptr ? effect_->getParameter(effect_, index) : 0.0f;
}

void PluginHost::setParameter(int index, float value)
{
    if (effect_ != nullptr && effect_->setParameter != nullptr) {
        effect_->setParameter(effect_, index, value);
    }
}

vst::intptr PluginHost::callback(vst::EffectRecord* effect, vst::int32 opcode, vst::int32 index, vst::intptr value,
                                 void* ptr, float opt)
{
    PluginHost* host = tCreating;
    if (effect != nullptr && effect->resvd1 != 0) {
        host = reinterpret_cast<PluginHost*>(effect->resvd1);
    }
    if (host == nullptr) {
        // A call we cannot attribute: answer only what needs no instance.
        return opcode == vst::audioMasterVersion ? kHostVersion : 0;
    }
    return host->answer(opcode, index, value, ptr, opt);
}

// Runs on whatever thread the plug-in calls from, the audio thread included:
// nothing here allocates or locks.
vst::intptr PluginHost::answer(vst::int32 opcode, vst::int32 index, vst::intptr, void* ptr, float opt)
{
    switch (opcode) {
    case vst::audioMasterVersion:
        return kHostVersion;
    case vst::audioMasterAutomate:
        automations_.add(index, opt);
        return 0;
    case vst::audioMasterIdle:
        return 0;
    case vst::audioMasterSizeWindow:
        // The editor window follows the editor's rectangle at its next idle.
        return 1;
    case vst::audioMasterWantMidi:
        wantMidiCalls_.fetch_add(1, std::memory_order_relaxed);
        return settings_.wantMidi ? 1 : 0;
    case vst::audioMasterGetTime: {
        timeQueries_.fetch_add(1, std::memory_order_relaxed);
        if (!settings_.answerTime) {
            return 0;
        }
        const double rate = settings_.sampleRate;
        const double position = settings_.samplePosition;
        const double tempo = settings_.tempo;
        tTime = vst::TimeInfo{};
        tTime.sampleRate = rate;
        tTime.samplePos = position;
        tTime.tempo = tempo;
        if (settings_.followBlocks) {
            tTime.ppqPos = rate > 0.0 ? position / rate * (tempo / 60.0) : 0.0;
            tTime.barStartPos = static_cast<double>(static_cast<long long>(tTime.ppqPos / 4.0)) * 4.0;
        } else {
            tTime.ppqPos = settings_.ppqPosition;
            tTime.barStartPos = settings_.barStart;
        }
        tTime.timeSigNumerator = 4;
        tTime.timeSigDenominator = 4;
        tTime.flags = vst::kTempoValid | vst::kPpqPosValid | vst::kBarsValid | vst::kTimeSigValid;
        if (settings_.playing) {
            tTime.flags |= vst::kTransportPlaying;
        }
        return reinterpret_cast<vst::intptr>(&tTime);
    }
    case vst::audioMasterGetSampleRate:
        return static_cast<vst::intptr>(settings_.sampleRate.load());
    case vst::audioMasterGetBlockSize:
        return settings_.blockSize;
    case vst::audioMasterGetVendorString:
        copyText(ptr, kHostVendor, vst::kMaxVendorStrLen);
        return ptr != nullptr ? 1 : 0;
    case vst::audioMasterGetProductString:
        copyText(ptr, kHostProduct, vst::kMaxProductStrLen);
        return ptr != nullptr ? 1 : 0;
    case vst::audioMasterGetVendorVersion:
        return 1;
    case vst::audioMasterCanDo: {
        if (ptr == nullptr) {
            return 0;
        }
        std::string_view asked(static_cast<const char*>(ptr), strnlen(static_cast<const char*>(ptr), 64));
        return (asked == "sendVstEvents" || asked == "sendVstMidiEvent" || asked == "sendVstTimeInfo") ? 1 : 0;
    }
    default:
        return 0;
    }
}

} // namespace tessarine::host
