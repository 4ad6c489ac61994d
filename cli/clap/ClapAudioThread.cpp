#include "clap/ClapAudioThread.h"

namespace tessarine::host {

ClapAudioThread::ClapAudioThread(ClapHost& host) : thread_([this] { loop(); })
{
    host.markAudioThread(thread_.get_id());
}

ClapAudioThread::~ClapAudioThread()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void ClapAudioThread::run(const std::function<void()>& work)
{
    std::unique_lock lock(mutex_);
    work_ = &work;
    wake_.notify_one();
    done_.wait(lock, [this] { return work_ == nullptr; });
}

void ClapAudioThread::loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return work_ != nullptr || stopping_; });
        if (work_ == nullptr) {
            return;
        }
        // The main thread waits meanwhile: the work runs unlocked so that it
        // may take as long as it likes without holding anyone up but the caller.
        const std::function<void()>* work = work_;
        lock.unlock();
        (*work)();
        lock.lock();
        work_ = nullptr;
        done_.notify_one();
    }
}

} // namespace tessarine::host
