#pragma once
// Heap allocations a plug-in makes on the audio thread. The counter of each
// thread is armed only around the plug-in's process, processEvents and
// setParameter calls, so the host's own allocations never count. The counting
// itself lives in the allocation functions of the tessarine executable
// (ValidatorAllocationHooks.cpp); programs without them always read 0.

#include <cstdint>

namespace tessarine::host {

enum class AudioCall : int {
    kProcess = 0,
    kProcessEvents = 1,
    kSetParameter = 2,
};
inline constexpr int kAudioCallKinds = 3;

namespace allocation_counting {

// Called by the allocation hooks on every allocation; counts only while armed.
void noteAllocation() noexcept;

// True when this program counts allocations at all (the hooks are linked in).
bool available() noexcept;
void markAvailable(bool malloc) noexcept;
// True when plain malloc is counted too, not only operator new.
bool countsMalloc() noexcept;

} // namespace allocation_counting

// Arms this thread's counter for the lifetime of the object; the allocations
// made meanwhile are added to the tally of one kind of call.
class ArmedAllocationCount {
public:
    explicit ArmedAllocationCount(AudioCall call) noexcept;
    ~ArmedAllocationCount();

    ArmedAllocationCount(const ArmedAllocationCount&) = delete;
    ArmedAllocationCount& operator=(const ArmedAllocationCount&) = delete;

private:
    AudioCall call_;
    bool wasArmed_;
};

// The tally of this thread since it started, per kind of call.
std::uint64_t audioThreadAllocations(AudioCall call) noexcept;

} // namespace tessarine::host
