#include "PluginHost.h"

#include <cstddef>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace tessarine::host {

namespace {

// The instance being created: during the entry call the plug-in has no record
// yet, so the callback cannot find its host through it.
thread_local PluginHost* tlsCreating = nullptr;

constexpr const char* kHostVendor = "Brightmoor Labs";
constexpr const char* kHostProduct = "tessarine";

} // namespace

std::unique_ptr<PluginHost> PluginHost::load(const std::string& path, std::string& error,
                                             const HostSettings& settings)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        error = "cannot load plug-in '" + path + "': no such file";
        return nullptr;
    }
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = "cannot load plug-in '" + path + "': not a regular file";
        return nullptr;
    }
    std::unique_ptr<PluginHost> host(new PluginHost());
    host->settings_ = settings;
    host->module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (host->module_ == nullptr) {
        const char* reason = dlerror();
        error = "cannot load plug-in '" + path + "': not a loadable shared object (" +
                (reason != nullptr ? reason : "unknown reason") + ")";
        return nullptr;
    }
    using Entry = vst::EffectRecord* (*)(vst::HostCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(host->module_, "VSTPluginMain"));
    if (entry == nullptr) {
        entry = reinterpret_cast<Entry>(dlsym(host->module_, "main"));
    }
    if (entry == nullptr) {
        error = "cannot load plug-in '" + path + "': no entry symbol VSTPluginMain or main";
        return nullptr;
    }
    tlsCreating = host.get();
    vst::EffectRecord* effect = entry(&PluginHost::callback);
    tlsCreating = nullptr;
    if (effect == nullptr) {
        error = "cannot load plug-in '" + path + "': its entry function returned no effect";
        return nullptr;
    }
    if (effect->magic != vst::kEffectMagic) {
        // Not a plug-in we can talk to; closing it through an unknown record is unsafe.
        error = "cannot load plug-in '" + path + "': wrong magic number in the effect record";
        return nullptr;
    }
    effect->resvd1 = reinterpret_cast<vst::intptr>(host.get());
    host->effect_ = effect;
    host->dispatch(vst::effOpen);
    return host;
}

PluginHost::~PluginHost()
{
    if (effect_ != nullptr) {
        dispatch(vst::effClose);
        effect_ = nullptr;
    }
    if (module_ != nullptr) {
        dlclose(module_);
    }
}

vst::intptr PluginHost::dispatch(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt)
{
    if (effect_ == nullptr || effect_->dispatcher == nullptr) {
        return 0;
    }
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
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

void PluginHost::processBlock(const std::vector<Midi>& midi, float* left, float* right, int frames)
{
    std::vector<vst::MidiEvent> events(midi.size());
    // The list holds numEvents pointers; the record's two-entry array is only its start.
    std::vector<char> list(sizeof(vst::Events) + midi.size() * sizeof(vst::Event*));
    auto* header = reinterpret_cast<vst::Events*>(list.data());
    header->numEvents = static_cast<vst::int32>(midi.size());
    auto** slots = reinterpret_cast<vst::Event**>(list.data() + offsetof(vst::Events, events));
    for (std::size_t i = 0; i < midi.size(); ++i) {
        vst::MidiEvent& e = events[i];
        e.type = vst::kMidiType;
        e.byteSize = sizeof(vst::MidiEvent);
        e.deltaFrames = midi[i].offset;
        e.midiData[0] = static_cast<char>(midi[i].status);
        e.midiData[1] = static_cast<char>(midi[i].data1);
        e.midiData[2] = static_cast<char>(midi[i].data2);
        slots[i] = reinterpret_cast<vst::Event*>(&e);
    }
    dispatch(vst::effProcessEvents, 0, 0, header);
    float* outputs[2] = {left, right};
    if (effect_ != nullptr && effect_->processReplacing != nullptr) {
        effect_->processReplacing(effect_, nullptr, outputs, frames);
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
    PluginHost* host = nullptr;
    if (effect != nullptr && effect->resvd1 != 0) {
        host = reinterpret_cast<PluginHost*>(effect->resvd1);
    } else {
        host = tlsCreating;
    }
    if (host == nullptr) {
        // A call we cannot attribute: answer only what needs no instance.
        return opcode == vst::audioMasterVersion ? 2300 : 0;
    }
    return host->answer(opcode, index, value, ptr, opt);
}

vst::intptr PluginHost::answer(vst::int32 opcode, vst::int32 index, vst::intptr, void* ptr, float opt)
{
    switch (opcode) {
    case vst::audioMasterVersion:
        return 2300;
    case vst::audioMasterAutomate:
        automations_.push_back({index, opt});
        return 0;
    case vst::audioMasterIdle:
        return 0;
    case vst::audioMasterWantMidi:
        ++wantMidiCalls_;
        return 1;
    case vst::audioMasterGetTime: {
        ++timeQueries_;
        if (!settings_.answerTime) {
            return 0;
        }
        time_ = vst::TimeInfo{};
        time_.sampleRate = settings_.sampleRate;
        time_.samplePos = settings_.samplePosition;
        time_.tempo = settings_.tempo;
        time_.ppqPos = settings_.ppqPosition;
        time_.barStartPos = settings_.barStart;
        if (settings_.playing) {
            time_.flags |= vst::kTransportPlaying;
        }
        time_.timeSigNumerator = 4;
        time_.timeSigDenominator = 4;
        time_.flags |= vst::kTempoValid | vst::kPpqPosValid | vst::kBarsValid | vst::kTimeSigValid;
        return reinterpret_cast<vst::intptr>(&time_);
    }
    case vst::audioMasterGetSampleRate:
        return static_cast<vst::intptr>(settings_.sampleRate);
    case vst::audioMasterGetBlockSize:
        return settings_.blockSize;
    case vst::audioMasterGetVendorString:
        if (ptr != nullptr) {
            std::strncpy(static_cast<char*>(ptr), kHostVendor, vst::kMaxVendorStrLen - 1);
            static_cast<char*>(ptr)[vst::kMaxVendorStrLen - 1] = '\0';
        }
        return ptr != nullptr ? 1 : 0;
    case vst::audioMasterGetProductString:
        if (ptr != nullptr) {
            std::strncpy(static_cast<char*>(ptr), kHostProduct, vst::kMaxProductStrLen - 1);
            static_cast<char*>(ptr)[vst::kMaxProductStrLen - 1] = '\0';
        }
        return ptr != nullptr ? 1 : 0;
    case vst::audioMasterGetVendorVersion:
        return 1;
    case vst::audioMasterCanDo: {
        if (ptr == nullptr) {
            return 0;
        }
        std::string_view asked(static_cast<const char*>(ptr), strnlen(static_cast<const char*>(ptr), 64));
        return (asked == "sendVstEvents" || asked == "sendVstMidiEvent" || asked == "sendVstTimeInfo")
                   ? 1
                   : 0;
    }
    default:
        return 0;
    }
}

} // namespace tessarine::host
