#include "clap/ClapHost.h"

#include <algorithm>
#include <cstring>

namespace tessarine::host {

ClapHost::ClapHost() : mainThread_(std::this_thread::get_id())
{
    host_.clap_version = CLAP_VERSION;
    host_.host_data = this;
    host_.name = "tessarine validate";
    host_.vendor = "Brightmoor Labs";
    host_.url = "";
    host_.version = "1";
    host_.get_extension = extension;
    // The three requests may come from any thread; a validator has nothing to
    // restart or schedule, and calls on_main_thread where a check asks for it.
    host_.request_restart = [](const clap_host_t*) {};
    host_.request_process = [](const clap_host_t*) {};
    host_.request_callback = [](const clap_host_t* h) { ++of(h).callbackRequests_; };

    threadCheck_.is_main_thread = [](const clap_host_t* h) { return of(h).onMainThread(); };
    threadCheck_.is_audio_thread = [](const clap_host_t* h) { return of(h).onAudioThread(); };

    params_.rescan = [](const clap_host_t* h, clap_param_rescan_flags) {
        if (of(h).allowed("clap_host_params.rescan", Rule::kMainThread)) {
            ++of(h).rescans_;
        }
    };
    params_.clear = [](const clap_host_t* h, clap_id, clap_param_clear_flags) {
        of(h).allowed("clap_host_params.clear", Rule::kMainThread);
    };
    params_.request_flush = [](const clap_host_t* h) {
        if (of(h).allowed("clap_host_params.request_flush", Rule::kNotAudioThread)) {
            ++of(h).flushRequests_;
        }
    };
    state_.mark_dirty = [](const clap_host_t* h) { of(h).allowed("clap_host_state.mark_dirty", Rule::kMainThread); };
    notePorts_.supported_dialects = [](const clap_host_t* h) -> std::uint32_t {
        of(h).allowed("clap_host_note_ports.supported_dialects", Rule::kMainThread);
        return CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
    };
    notePorts_.rescan = [](const clap_host_t* h, std::uint32_t) {
        of(h).allowed("clap_host_note_ports.rescan", Rule::kMainThread);
    };
    audioPorts_.is_rescan_flag_supported = [](const clap_host_t* h, std::uint32_t) {
        of(h).allowed("clap_host_audio_ports.is_rescan_flag_supported", Rule::kMainThread);
        return false;
    };
    audioPorts_.rescan = [](const clap_host_t* h, std::uint32_t) {
        of(h).allowed("clap_host_audio_ports.rescan", Rule::kMainThread);
    };
    timerSupport_.register_timer = [](const clap_host_t* h, std::uint32_t, clap_id* id) {
        ClapHost& self = of(h);
        if (!self.allowed("clap_host_timer_support.register_timer", Rule::kMainThread) || id == nullptr) {
            return false;
        }
        *id = self.nextTimer_++;
        self.timers_.push_back(*id);
        return true;
    };
    timerSupport_.unregister_timer = [](const clap_host_t* h, clap_id id) {
        ClapHost& self = of(h);
        if (!self.allowed("clap_host_timer_support.unregister_timer", Rule::kMainThread)) {
            return false;
        }
        const auto found = std::find(self.timers_.begin(), self.timers_.end(), id);
        if (found == self.timers_.end()) {
            return false;
        }
        self.timers_.erase(found);
        return true;
    };
}

const void* ClapHost::extension(const clap_host_t* host, const char* id)
{
    if (host == nullptr || id == nullptr) {
        return nullptr;
    }
    ClapHost& self = of(host);
    struct Offered {
        const char* id;
        const void* extension;
    };
    const Offered offered[] = {
        {CLAP_EXT_THREAD_CHECK, &self.threadCheck_}, {CLAP_EXT_PARAMS, &self.params_},
        {CLAP_EXT_STATE, &self.state_},              {CLAP_EXT_NOTE_PORTS, &self.notePorts_},
        {CLAP_EXT_AUDIO_PORTS, &self.audioPorts_},   {CLAP_EXT_TIMER_SUPPORT, &self.timerSupport_},
    };
    for (const Offered& o : offered) {
        if (std::strcmp(id, o.id) == 0) {
            return o.extension;
        }
    }
    return nullptr;
}

bool ClapHost::allowed(const char* function, Rule rule)
{
    const bool audio = onAudioThread();
    const bool ok = rule == Rule::kMainThread ? onMainThread() && !audio : !audio;
    if (ok) {
        return true;
    }
    const int slot = violationCount_.fetch_add(1);
    if (slot < kKeptViolations) {
        violations_[static_cast<std::size_t>(slot)] = {function, audio ? "the audio thread" : "a thread not the main one"};
    }
    return false;
}

std::vector<std::string> ClapHost::violations() const
{
    std::vector<std::string> texts;
    const int kept = std::min(violationCount_.load(), kKeptViolations);
    for (int i = 0; i < kept; ++i) {
        const Violation& v = violations_[static_cast<std::size_t>(i)];
        std::string text = std::string(v.function) + " on " + v.thread;
        if (std::find(texts.begin(), texts.end(), text) == texts.end()) {
            texts.push_back(std::move(text));
        }
    }
    return texts;
}

std::vector<clap_id> ClapHost::timers() const { return timers_; }

} // namespace tessarine::host
