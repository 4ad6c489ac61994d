#pragma once
// What the editor does when a value is written to it, looked up by index:
// each page registers the reactions of its own indices, one index or a run of
// them (the four slots' copies of a voice page value, the matrix rows), and
// the editor runs the one registered for a written index. An index nobody
// registered only moves its controls. User-interface thread only.

#include "params/ParameterTable.h"

#include <array>
#include <functional>
#include <vector>

namespace tessarine {

struct ValueWrite {
    int index = 0;
    int offset = 0; // index's place in its run: the slot of a per-slot run, the row of a matrix run
    float value = 0;
};

class ValueHandlers {
public:
    using Handler = std::function<void(const ValueWrite& write)>;

    // Registers handler for the count indices from first. An index has one
    // reaction: registering it twice, or outside 0..254, is a programming error.
    void on(int first, int count, Handler handler);
    // Runs the reaction of index; false when it has none.
    bool run(int index, float value) const;
    void clear();

private:
    struct Entry {
        int first = 0;
        int handler = -1;
    };
    std::vector<Handler> handlers_;
    std::array<Entry, kValueCount> entries_{};
};

} // namespace tessarine
