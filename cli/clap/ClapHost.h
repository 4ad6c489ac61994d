#pragma once
// The validator's CLAP host: the clap_host_t a plug-in instance is created
// with, the host extensions it offers (thread-check, params, state,
// note-ports, audio-ports, timer-support), and a record of every host function
// a plug-in called from a thread its annotation forbids. The main thread is
// the one that made the host; the audio thread is whichever thread the host
// marks as such (ClapAudioThread). Recording never allocates, so a plug-in's
// wrong call inside process does not count as an allocation of its own.

#include <clap/ext/audio-ports.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/thread-check.h>
#include <clap/ext/timer-support.h>
#include <clap/host.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tessarine::host {

class ClapHost {
public:
    ClapHost();
    ClapHost(const ClapHost&) = delete;
    ClapHost& operator=(const ClapHost&) = delete;

    const clap_host_t* host() const { return &host_; }

    // The thread the host treats as its audio thread from now on.
    void markAudioThread(std::thread::id id) { audioThread_.store(id); }

    // The calls made on a thread their annotation forbids, as
    // "function on the audio thread" texts, each once, and how many there were.
    std::vector<std::string> violations() const;
    int violationCount() const { return violationCount_.load(); }

    int flushRequests() const { return flushRequests_.load(); }
    int rescans() const { return rescans_.load(); }
    int callbackRequests() const { return callbackRequests_.load(); }
    // Timers the plug-in holds now, by id.
    std::vector<clap_id> timers() const;

private:
    enum class Rule { kMainThread, kNotAudioThread };
    // Checks the calling thread against rule; false (and a record) if broken.
    bool allowed(const char* function, Rule rule);
    bool onMainThread() const { return std::this_thread::get_id() == mainThread_; }
    bool onAudioThread() const { return std::this_thread::get_id() == audioThread_.load(); }
    static ClapHost& of(const clap_host_t* host) { return *static_cast<ClapHost*>(host->host_data); }
    static const void* extension(const clap_host_t* host, const char* id);

    struct Violation {
        const char* function;
        const char* thread;
    };
    static constexpr int kKeptViolations = 64;

    clap_host_t host_{};
    clap_host_thread_check_t threadCheck_{};
    clap_host_params_t params_{};
    clap_host_state_t state_{};
    clap_host_note_ports_t notePorts_{};
    clap_host_audio_ports_t audioPorts_{};
    clap_host_timer_support_t timerSupport_{};

    std::thread::id mainThread_;
    std::atomic<std::thread::id> audioThread_{};
    std::array<Violation, kKeptViolations> violations_{};
    std::atomic<int> violationCount_{0};
    std::atomic<int> flushRequests_{0};
    std::atomic<int> rescans_{0};
    std::atomic<int> callbackRequests_{0};
    // Main thread only (the timer calls are refused elsewhere).
    std::vector<clap_id> timers_;
    clap_id nextTimer_ = 1;
};

} // namespace tessarine::host
