#pragma once
// An event list as the host hands it to a plug-in, input or output: events of
// any kind in slots made beforehand, so that neither filling it nor the
// plug-in's pushes allocate on the audio thread. Pushes that do not fit are
// refused, as the interface allows.

#include <clap/events.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tessarine::host {

class ClapEventList {
public:
    static constexpr std::size_t kSlotBytes = 128;

    explicit ClapEventList(std::size_t capacity) : storage_(capacity * kSlotBytes), capacity_(capacity)
    {
        in_.ctx = this;
        in_.size = [](const clap_input_events_t* list) {
            return static_cast<std::uint32_t>(static_cast<const ClapEventList*>(list->ctx)->count_);
        };
        in_.get = [](const clap_input_events_t* list, std::uint32_t index) -> const clap_event_header_t* {
            const auto* self = static_cast<const ClapEventList*>(list->ctx);
            return index < self->count_ ? self->at(index) : nullptr;
        };
        out_.ctx = this;
        out_.try_push = [](const clap_output_events_t* list, const clap_event_header_t* event) {
            return event != nullptr && static_cast<ClapEventList*>(list->ctx)->push(*event);
        };
    }
    ClapEventList(const ClapEventList&) = delete;
    ClapEventList& operator=(const ClapEventList&) = delete;

    bool push(const clap_event_header_t& event)
    {
        if (count_ >= capacity_ || event.size < sizeof(clap_event_header_t) || event.size > kSlotBytes) {
            return false;
        }
        std::memcpy(storage_.data() + count_ * kSlotBytes, &event, event.size);
        ++count_;
        return true;
    }
    void clear() { count_ = 0; }
    std::size_t size() const { return count_; }
    const clap_event_header_t* at(std::size_t index) const
    {
        return reinterpret_cast<const clap_event_header_t*>(storage_.data() + index * kSlotBytes);
    }
    const clap_input_events_t* in() const { return &in_; }
    const clap_output_events_t* out() const { return &out_; }

private:
    std::vector<std::byte> storage_;
    std::size_t capacity_;
    std::size_t count_ = 0;
    clap_input_events_t in_{};
    clap_output_events_t out_{};
};

} // namespace tessarine::host
