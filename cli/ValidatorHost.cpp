#include "ValidatorHost.h"

#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <string_view>

namespace tessarine::host {

namespace {

// The instance being created: during the entry call the plug-in has no record
// yet (or calls with a null one), so the callback finds its host here.
thread_local HostedInstance* tCreating = nullptr;

// Each thread gets its own time record, so a plug-in that asks from an
// automation thread never reads one the audio thread is writing.
thread_local vst::TimeInfo tTime{};

constexpr const char* kHostVendor = "Brightmoor Labs";
constexpr const char* kHostProduct = "tessarine validate";

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

} // namespace

std::unique_ptr<PluginModule> PluginModule::open(const std::string& path, std::string& error)
{
    std::unique_ptr<PluginModule> module(new PluginModule());
    module->path_ = path;
    module->handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module->handle_ == nullptr) {
        const char* reason = dlerror();
        error = std::string("not a loadable shared object (") + (reason != nullptr ? reason : "unknown reason") + ")";
        return nullptr;
    }
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* symbol = dlsym(module->handle_, name)) {
            module->entry_ = reinterpret_cast<Entry>(symbol);
            module->entryName_ = name;
            return module;
        }
    }
    error = "no entry symbol VSTPluginMain or main";
    return nullptr;
}

PluginModule::~PluginModule()
{
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

HostedInstance::HostedInstance(const HostAnswers& answers)
    : answerSampleRate_(answers.sampleRate), answerBlockSize_(answers.blockSize), answerTime_(answers.answerTime),
      answerWantMidi_(answers.wantMidi)
{
    for (int i = 0; i < kMaxEvents; ++i) {
        eventList_.events[i] = reinterpret_cast<vst::Event*>(&events_[i]);
    }
}

std::unique_ptr<HostedInstance> HostedInstance::create(const PluginModule& module, const HostAnswers& answers,
                                                       std::string& error)
{
    std::unique_ptr<HostedInstance> instance(new HostedInstance(answers));
    tCreating = instance.get();
    vst::EffectRecord* effect = module.entry()(&HostedInstance::callback);
    tCreating = nullptr;
    if (effect == nullptr) {
        error = "the entry function returned no effect";
        return nullptr;
    }
    if (effect->magic != vst::kEffectMagic) {
        // Closing through a record we do not understand could do anything.
        error = "wrong magic number in the effect record";
        return nullptr;
    }
    if (effect->dispatcher == nullptr) {
        error = "the effect record has no dispatcher";
        return nullptr;
    }
    effect->resvd1 = reinterpret_cast<vst::intptr>(instance.get());
    instance->effect_ = effect;
    instance->dispatch(vst::effOpen);
    return instance;
}

HostedInstance::~HostedInstance() { close(); }

void HostedInstance::close()
{
    if (effect_ != nullptr) {
        vst::EffectRecord* effect = effect_;
        effect_ = nullptr;
        effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    }
}

vst::intptr HostedInstance::dispatch(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt)
{
    return effect_ != nullptr ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

void HostedInstance::setSampleRate(float rate)
{
    answerSampleRate_.store(rate, std::memory_order_relaxed);
    dispatch(vst::effSetSampleRate, 0, 0, nullptr, rate);
}

void HostedInstance::setBlockSize(int maxBlock)
{
    answerBlockSize_.store(maxBlock, std::memory_order_relaxed);
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

bool HostedInstance::addMidi(int offset, unsigned char status, unsigned char data1, unsigned char data2)
{
    if (eventCount_ >= kMaxEvents) {
        return false;
    }
    vst::MidiEvent& e = events_[eventCount_++];
    e = vst::MidiEvent{};
    e.type = vst::kMidiType;
    e.byteSize = sizeof(vst::MidiEvent);
    e.deltaFrames = offset;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    return true;
}

std::int64_t HostedInstance::process(int frames)
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
    eventList_.numEvents = eventCount_;
    const std::int64_t start = nowNanoseconds();
    {
        ArmedAllocationCount counting(AudioCall::kProcessEvents);
        effect_->dispatcher(effect_, vst::effProcessEvents, 0, 0, &eventList_, 0.0f);
    }
    {
        ArmedAllocationCount counting(AudioCall::kProcess);
        effect_->processReplacing(effect_, inputs_, outputs_, frames);
    }
    const std::int64_t elapsed = nowNanoseconds() - start;
    eventCount_ = 0;
    samplePosition_.store(samplePosition_.load(std::memory_order_relaxed) + frames, std::memory_order_relaxed);
    return elapsed;
}

void HostedInstance::setParameterOnAudioThread(int index, float value)
{
    if (effect_ != nullptr && effect_->setParameter != nullptr) {
        ArmedAllocationCount counting(AudioCall::kSetParameter);
        effect_->setParameter(effect_, index, value);
    }
}

void HostedInstance::setParameter(int index, float value)
{
    if (effect_ != nullptr && effect_->setParameter != nullptr) {
        effect_->setParameter(effect_, index, value);
    }
}

float HostedInstance::getParameter(int index)
{
    return effect_ != nullptr && effect_->getParameter != nullptr ? effect_->getParameter(effect_, index) : 0.0f;
}

vst::intptr HostedInstance::callback(vst::EffectRecord* effect, vst::int32 opcode, vst::int32 index,
                                     vst::intptr value, void* ptr, float opt)
{
    HostedInstance* instance = tCreating;
    if (effect != nullptr && effect->resvd1 != 0) {
        instance = reinterpret_cast<HostedInstance*>(effect->resvd1);
    }
    if (instance == nullptr) {
        // A call we cannot attribute: answer only what needs no instance.
        return opcode == vst::audioMasterVersion ? 2400 : 0;
    }
    return instance->answer(opcode, index, value, ptr, opt);
}

// Runs on whatever thread the plug-in calls from, the audio thread included:
// nothing here allocates or locks.
vst::intptr HostedInstance::answer(vst::int32 opcode, vst::int32, vst::intptr, void* ptr, float)
{
    switch (opcode) {
    case vst::audioMasterAutomate:
        automateCalls_.fetch_add(1, std::memory_order_relaxed);
        return 0;
    case vst::audioMasterVersion:
        return 2400;
    case vst::audioMasterWantMidi:
        return answerWantMidi_ ? 1 : 0;
    case vst::audioMasterGetTime: {
        if (!answerTime_) {
            return 0;
        }
        const double rate = answerSampleRate_.load(std::memory_order_relaxed);
        const double position = samplePosition_.load(std::memory_order_relaxed);
        tTime = vst::TimeInfo{};
        tTime.sampleRate = rate;
        tTime.samplePos = position;
        tTime.tempo = 120.0;
        tTime.ppqPos = rate > 0.0 ? position / rate * 2.0 : 0.0;
        tTime.barStartPos = static_cast<double>(static_cast<long long>(tTime.ppqPos / 4.0)) * 4.0;
        tTime.timeSigNumerator = 4;
        tTime.timeSigDenominator = 4;
        tTime.flags = vst::kTransportPlaying | vst::kTempoValid | vst::kPpqPosValid | vst::kBarsValid |
                      vst::kTimeSigValid;
        return reinterpret_cast<vst::intptr>(&tTime);
    }
    case vst::audioMasterGetSampleRate:
        return static_cast<vst::intptr>(answerSampleRate_.load(std::memory_order_relaxed));
    case vst::audioMasterGetBlockSize:
        return answerBlockSize_.load(std::memory_order_relaxed);
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
