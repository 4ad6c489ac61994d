#pragma once
// Work on several files spread over the processor cores with the outcome a
// serial run has: commands that take many sounds (analyse, fidelity) hand
// each index to the next free thread and report the first failure in input
// order, whatever the number of threads.

#include <functional>

namespace tessarine::host {

// The threads to use for count items: requested, or one per core when it is
// 0, never more than the items.
int jobCount(int requested, int count);

// work(0) .. work(count - 1) on `jobs` threads (the calling one among them),
// indices handed out in order. Once one fails no further index starts, so the
// lowest failing index, which is returned (or -1), is the one a serial run
// stops at. A thread the system refuses leaves the work to those running.
int runInOrder(int count, int jobs, const std::function<bool(int)>& work);

} // namespace tessarine::host
