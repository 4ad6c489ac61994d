#include "engine/EventQueue.h"

#include "params/ParameterTable.h"

namespace tessarine {

bool EventQueue::insert(const QueuedEvent& event)
{
    if (count_ >= kCapacity) {
        return false;
    }
    // Host deliveries arrive in offset order, so the search from the back is short.
    int position = count_;
    while (position > 0 && events_[static_cast<std::size_t>(position - 1)].offset > event.offset) {
        events_[static_cast<std::size_t>(position)] = events_[static_cast<std::size_t>(position - 1)];
        --position;
    }
    events_[static_cast<std::size_t>(position)] = event;
    ++count_;
    return true;
}

bool EventQueue::queueParameter(int offset, int index, float value, bool notify)
{
    if (index < 0 || index >= kParameterCount) {
        return false;
    }
    QueuedEvent event;
    event.offset = offset;
    event.kind = QueuedEvent::kParameter;
    event.index = index;
    event.value = value;
    event.notify = notify;
    return insert(event);
}

bool EventQueue::queueMidi(int offset, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    QueuedEvent event;
    event.offset = offset;
    event.kind = QueuedEvent::kMidi;
    event.midi = {status, data1, data2};
    return insert(event);
}

void EventQueue::skipTo(Filter accepts)
{
    while (cursor_ < count_ && !accepts(events_[static_cast<std::size_t>(cursor_)])) {
        ++cursor_;
    }
}

int EventQueue::nextOffset(Filter accepts)
{
    skipTo(accepts);
    return cursor_ < count_ ? events_[static_cast<std::size_t>(cursor_)].offset : -1;
}

const QueuedEvent* EventQueue::take(Filter accepts)
{
    skipTo(accepts);
    if (cursor_ >= count_) {
        return nullptr;
    }
    return &events_[static_cast<std::size_t>(cursor_++)];
}

} // namespace tessarine
