#include "clap/ClapInstance.h"

#include "validate/AudioThreadAllocations.h"

#include <algorithm>

namespace tessarine::host {

std::unique_ptr<ClapInstance> ClapInstance::create(const ClapModule& module, ClapHost& host, std::string& error)
{
    const clap_plugin_factory_t* factory = module.factory();
    if (factory == nullptr || factory->get_plugin_count == nullptr || factory->get_plugin_count(factory) < 1) {
        error = "the module offers no plug-in";
        return nullptr;
    }
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    if (descriptor == nullptr || descriptor->id == nullptr) {
        error = "the first plug-in has no descriptor";
        return nullptr;
    }
    std::unique_ptr<ClapInstance> instance(new ClapInstance);
    instance->plugin_ = factory->create_plugin(factory, host.host(), descriptor->id);
    if (instance->plugin_ == nullptr) {
        error = std::string("create_plugin(\"") + descriptor->id + "\") gave nothing";
        return nullptr;
    }
    const clap_plugin_t* p = instance->plugin_;
    if (p->init == nullptr || p->destroy == nullptr || p->process == nullptr || p->get_extension == nullptr
        || p->activate == nullptr || p->deactivate == nullptr || p->start_processing == nullptr
        || p->stop_processing == nullptr) {
        error = "the plug-in lacks some of its functions";
        instance->plugin_ = nullptr; // nothing safe to call, not even destroy
        return nullptr;
    }
    if (!p->init(p)) {
        error = "init refused";
        return nullptr;
    }
    auto ext = [p](const char* id) { return p->get_extension(p, id); };
    instance->params = static_cast<const clap_plugin_params_t*>(ext(CLAP_EXT_PARAMS));
    instance->state = static_cast<const clap_plugin_state_t*>(ext(CLAP_EXT_STATE));
    instance->notePorts = static_cast<const clap_plugin_note_ports_t*>(ext(CLAP_EXT_NOTE_PORTS));
    instance->audioPorts = static_cast<const clap_plugin_audio_ports_t*>(ext(CLAP_EXT_AUDIO_PORTS));
    instance->gui = static_cast<const clap_plugin_gui_t*>(ext(CLAP_EXT_GUI));
    instance->timerSupport = static_cast<const clap_plugin_timer_support_t*>(ext(CLAP_EXT_TIMER_SUPPORT));
    instance->seed = static_cast<const TessarineSeedExtension*>(ext(kTessarineSeedExtension));
    return instance;
}

ClapInstance::~ClapInstance()
{
    if (plugin_ == nullptr) {
        return;
    }
    // The audio thread has stopped by now: stopping here keeps the order right
    // for a check that ended early.
    if (processing_) {
        plugin_->stop_processing(plugin_);
    }
    deactivate();
    plugin_->destroy(plugin_);
}

bool ClapInstance::activate(double rate, std::uint32_t maxFrames)
{
    deactivate();
    for (auto& channel : outputs_) {
        channel.assign(maxFrames, 0.0f);
    }
    for (int c = 0; c < kOutputChannels; ++c) {
        channels_[c] = outputs_[c].data();
    }
    buffer_ = clap_audio_buffer_t{};
    buffer_.data32 = channels_;
    buffer_.channel_count = kOutputChannels;
    rate_ = rate;
    maxFrames_ = maxFrames;
    active_ = plugin_->activate(plugin_, rate, 1, maxFrames);
    return active_;
}

void ClapInstance::deactivate()
{
    if (active_) {
        plugin_->deactivate(plugin_);
        active_ = false;
    }
}

bool ClapInstance::startProcessing()
{
    processing_ = plugin_->start_processing(plugin_);
    return processing_;
}

void ClapInstance::stopProcessing()
{
    if (processing_) {
        plugin_->stop_processing(plugin_);
        processing_ = false;
    }
}

clap_process_status ClapInstance::process(std::uint32_t frames, const ClapEventList& in, ClapEventList& out,
                                          std::int64_t steadyTime)
{
    clap_process_t process{};
    process.steady_time = steadyTime;
    process.frames_count = std::min(frames, maxFrames_);
    constexpr double kBeatsPerSecond = 2.0;
    const double beats = rate_ > 0.0 ? static_cast<double>(steadyTime) / rate_ * kBeatsPerSecond : 0.0;
    transport_ = clap_event_transport_t{};
    transport_.header = {sizeof transport_, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    transport_.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_HAS_TIME_SIGNATURE
        | CLAP_TRANSPORT_IS_PLAYING;
    transport_.tempo = 120.0;
    transport_.song_pos_beats = static_cast<clap_beattime>(beats * static_cast<double>(CLAP_BEATTIME_FACTOR));
    const double barStart = 4.0 * static_cast<double>(static_cast<std::int64_t>(beats / 4.0));
    transport_.bar_start = static_cast<clap_beattime>(barStart * static_cast<double>(CLAP_BEATTIME_FACTOR));
    transport_.bar_number = static_cast<std::int32_t>(barStart / 4.0);
    transport_.tsig_num = 4;
    transport_.tsig_denom = 4;
    process.transport = &transport_;
    process.audio_outputs = &buffer_;
    process.audio_outputs_count = 1;
    process.in_events = in.in();
    process.out_events = out.out();
    ArmedAllocationCount counting(AudioCall::kProcess);
    return plugin_->process(plugin_, &process);
}

} // namespace tessarine::host
