#include "commands/OrderedJobs.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace tessarine::host {

int jobCount(int requested, int count)
{
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return std::clamp(requested > 0 ? requested : cores, 1, std::max(1, count));
}

int runInOrder(int count, int jobs, const std::function<bool(int)>& work)
{
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    std::vector<char> failed(static_cast<std::size_t>(count), 0);
    const auto worker = [&] {
        while (!stop.load()) {
            const int i = next.fetch_add(1);
            if (i >= count) {
                return;
            }
            if (!work(i)) {
                failed[static_cast<std::size_t>(i)] = 1;
                stop.store(true);
            }
        }
    };
    std::vector<std::thread> threads;
    for (int t = 1; t < jobs; ++t) {
        try {
            threads.emplace_back(worker);
        } catch (const std::system_error&) {
            break;
        }
    }
    worker();
    for (std::thread& thread : threads) {
        thread.join();
    }
    const auto first = std::find(failed.begin(), failed.end(), 1);
    return first == failed.end() ? -1 : static_cast<int>(first - failed.begin());
}

} // namespace tessarine::host
