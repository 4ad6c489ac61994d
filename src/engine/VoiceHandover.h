#pragma once
// Lets a loader on another thread overwrite the instrument's voices while the
// audio thread keeps rendering, without the audio thread ever reading a
// half-written voice and without render ever waiting.
//
// The loader raises the editing count, then waits for the one render that may
// have started before it did; every later render sees the count and reads
// nothing of the instrument (sounding notes play on from their own copies,
// new notes wait) until the loader lowers it again. Renders are numbered as
// they start, and both sides write before they read (sequentially consistent),
// so a render numbered after the loader's look at the counter always sees the
// edit. The loader waits at most one host block, however busy the host is.

#include <atomic>
#include <cstdint>

namespace tessarine {

class VoiceHandover {
public:
    // Loader side (GUI or loading thread). Returns once the data may be written.
    void beginEdit();
    void endEdit();

    // Audio side. enterRender answers whether the voices may be read this block.
    bool enterRender()
    {
        currentRender_ = started_.fetch_add(1, std::memory_order_seq_cst) + 1;
        return editing_.load(std::memory_order_seq_cst) == 0;
    }
    void leaveRender() { finished_.store(currentRender_, std::memory_order_seq_cst); }

    bool editing() const { return editing_.load(std::memory_order_seq_cst) != 0; }
    // Edits finished so far. A render that may read the voices sees every
    // edit that finished before it started.
    std::uint64_t editCount() const { return edits_.load(std::memory_order_seq_cst); }

    // Called in place of each pause while beginEdit waits for a render, so a
    // test can finish that render on the same thread. Set before any edit.
    using WaitHook = void (*)(void* context);
    void setWaitHook(WaitHook hook, void* context)
    {
        waitHook_ = hook;
        waitContext_ = context;
    }

private:
    std::atomic<int> editing_{0};
    std::atomic<std::uint64_t> edits_{0};
    std::atomic<unsigned long long> started_{0};
    std::atomic<unsigned long long> finished_{0};
    unsigned long long currentRender_ = 0; // audio thread only
    WaitHook waitHook_ = nullptr;          // loader side only
    void* waitContext_ = nullptr;
};

// Holds an edit for the life of the scope.
class ScopedVoiceEdit {
public:
    explicit ScopedVoiceEdit(VoiceHandover& handover) : handover_(handover) { handover_.beginEdit(); }
    ~ScopedVoiceEdit() { handover_.endEdit(); }
    ScopedVoiceEdit(const ScopedVoiceEdit&) = delete;
    ScopedVoiceEdit& operator=(const ScopedVoiceEdit&) = delete;

private:
    VoiceHandover& handover_;
};

} // namespace tessarine
