#include "editor/ValueHandlers.h"

#include <cassert>

namespace tessarine {

void ValueHandlers::on(int first, int count, Handler handler)
{
    assert(first >= 0 && count >= 1 && first + count <= kValueCount);
    const int id = static_cast<int>(handlers_.size());
    handlers_.push_back(std::move(handler));
    for (int index = first; index < first + count; ++index) {
        Entry& entry = entries_[static_cast<std::size_t>(index)];
        assert(entry.handler < 0 && "one reaction per index");
        entry = Entry{first, id};
    }
}

bool ValueHandlers::run(int index, float value) const
{
    if (index < 0 || index >= kValueCount) {
        return false;
    }
    const Entry& entry = entries_[static_cast<std::size_t>(index)];
    if (entry.handler < 0) {
        return false;
    }
    handlers_[static_cast<std::size_t>(entry.handler)](ValueWrite{index, index - entry.first, value});
    return true;
}

void ValueHandlers::clear()
{
    handlers_.clear();
    entries_.fill(Entry{});
}

} // namespace tessarine
