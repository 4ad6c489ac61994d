#pragma once
// The host's audio thread: a thread of its own that runs what the host hands
// it (start_processing, process, stop_processing, reset, an active
// instance's flush) while the main thread waits, so that every plug-in call
// happens on the thread its annotation names and the two never run at once.
// The host is told which thread it is, for its thread checks.

#include "clap/ClapHost.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tessarine::host {

class ClapAudioThread {
public:
    explicit ClapAudioThread(ClapHost& host);
    ~ClapAudioThread();

    ClapAudioThread(const ClapAudioThread&) = delete;
    ClapAudioThread& operator=(const ClapAudioThread&) = delete;

    // Runs work on the audio thread and returns when it is done.
    void run(const std::function<void()>& work);

private:
    void loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void()>* work_ = nullptr;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace tessarine::host
