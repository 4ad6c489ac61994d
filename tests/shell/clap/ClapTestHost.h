#pragma once
// A small CLAP host for the tests: the built Tessarine.clap loaded as a host
// loads it (dlopen, clap_entry, the factory), instances with a host of our
// own that counts its requests, and the event lists and streams a host hands
// the plug-in. Nothing here allocates while a block is processed: the lists
// hold their events in storage made beforehand.

#include "clap/ClapEventList.h"
#include "shell/clap/ClapSeedExtension.h"

#include <clap/entry.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>
#include <clap/plugin-factory.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <vector>

namespace tessarine::test {

// The module, loaded once per test program and left loaded, as hosts do.
inline const clap_plugin_factory_t* clapFactory()
{
    static const clap_plugin_factory_t* factory = [] {
        void* module = dlopen(TESSARINE_CLAP_PATH, RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(module, nullptr) << dlerror();
        if (module == nullptr) {
            return static_cast<const clap_plugin_factory_t*>(nullptr);
        }
        const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(module, "clap_entry"));
        EXPECT_NE(entry, nullptr);
        if (entry == nullptr || !entry->init(TESSARINE_CLAP_PATH)) {
            return static_cast<const clap_plugin_factory_t*>(nullptr);
        }
        return static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    }();
    return factory;
}

// Event lists are the validator's own, so both hosts hand the plug-in the same.
using EventList = host::ClapEventList;

// The parameter values among a list's events, in order.
inline std::vector<clap_event_param_value_t> valuesIn(const EventList& list)
{
    std::vector<clap_event_param_value_t> found;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list.at(i)->type == CLAP_EVENT_PARAM_VALUE) {
            found.push_back(*reinterpret_cast<const clap_event_param_value_t*>(list.at(i)));
        }
    }
    return found;
}

template <typename Event>
void add(EventList& list, const Event& event)
{
    list.push(event.header);
}

inline clap_event_note_t noteEvent(std::uint16_t type, std::uint32_t time, int key, double velocity = 0.8,
                                   int channel = 0, int noteId = -1)
{
    clap_event_note_t note{};
    note.header = {sizeof note, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    note.note_id = noteId;
    note.port_index = 0;
    note.channel = static_cast<std::int16_t>(channel);
    note.key = static_cast<std::int16_t>(key);
    note.velocity = velocity;
    return note;
}

inline clap_event_param_value_t valueEvent(std::uint32_t time, clap_id id, double value)
{
    clap_event_param_value_t event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = id;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    return event;
}

// The host side of one instance: its requests counted, its timers recorded.
struct TestHost {
    clap_host_t host{};
    clap_host_params_t params{};
    clap_host_timer_support_t timers{};
    std::atomic<int> flushRequests{0};
    std::atomic<int> rescans{0};
    int timersRegistered = 0;
    int timersUnregistered = 0;

    TestHost()
    {
        host.clap_version = CLAP_VERSION;
        host.host_data = this;
        host.name = "tessarine tests";
        host.vendor = "Brightmoor Labs";
        host.url = "";
        host.version = "1";
        host.get_extension = [](const clap_host_t* h, const char* id) -> const void* {
            auto* self = static_cast<TestHost*>(h->host_data);
            if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) {
                return &self->params;
            }
            if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) {
                return &self->timers;
            }
            return nullptr;
        };
        host.request_restart = [](const clap_host_t*) {};
        host.request_process = [](const clap_host_t*) {};
        host.request_callback = [](const clap_host_t*) {};
        params.rescan = [](const clap_host_t* h, clap_param_rescan_flags) {
            ++static_cast<TestHost*>(h->host_data)->rescans;
        };
        params.clear = [](const clap_host_t*, clap_id, clap_param_clear_flags) {};
        params.request_flush = [](const clap_host_t* h) { ++static_cast<TestHost*>(h->host_data)->flushRequests; };
        timers.register_timer = [](const clap_host_t* h, std::uint32_t, clap_id* id) {
            *id = 7;
            ++static_cast<TestHost*>(h->host_data)->timersRegistered;
            return true;
        };
        timers.unregister_timer = [](const clap_host_t* h, clap_id) {
            ++static_cast<TestHost*>(h->host_data)->timersUnregistered;
            return true;
        };
    }
};

// A byte stream in memory; writes and reads move at most piece bytes a call,
// as some hosts' streams do, and a read stream can end early.
struct MemoryStream {
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
    std::size_t piece = SIZE_MAX;
    clap_ostream_t out{};
    clap_istream_t in{};

    MemoryStream()
    {
        out.ctx = this;
        out.write = [](const clap_ostream_t* s, const void* data, std::uint64_t size) -> std::int64_t {
            auto* self = static_cast<MemoryStream*>(s->ctx);
            const std::size_t n = std::min<std::uint64_t>(size, self->piece);
            const auto* from = static_cast<const std::uint8_t*>(data);
            self->bytes.insert(self->bytes.end(), from, from + n);
            return static_cast<std::int64_t>(n);
        };
        in.ctx = this;
        in.read = [](const clap_istream_t* s, void* data, std::uint64_t size) -> std::int64_t {
            auto* self = static_cast<MemoryStream*>(s->ctx);
            const std::size_t n = std::min<std::uint64_t>({size, self->piece, self->bytes.size() - self->position});
            if (n > 0) {
                std::memcpy(data, self->bytes.data() + self->position, n);
            }
            self->position += n;
            return static_cast<std::int64_t>(n);
        };
    }
};

// One activated instance with its host and a stereo output.
class ClapInstance {
public:
    explicit ClapInstance(double rate = 48000.0, std::uint32_t maxFrames = 4096)
        : left_(maxFrames), right_(maxFrames), channels_{left_.data(), right_.data()}
    {
        const clap_plugin_factory_t* factory = clapFactory();
        if (factory == nullptr) {
            ADD_FAILURE() << "no factory";
            return;
        }
        plugin_ = factory->create_plugin(factory, &host_.host, "com.brightmoor-labs.tessarine");
        if (plugin_ == nullptr || !plugin_->init(plugin_)) {
            ADD_FAILURE() << "the instance could not be made";
            return;
        }
        active_ = plugin_->activate(plugin_, rate, 1, maxFrames);
        EXPECT_TRUE(active_);
        plugin_->start_processing(plugin_);
        output_.data32 = channels_;
        output_.channel_count = 2;
    }
    ~ClapInstance()
    {
        if (plugin_ != nullptr) {
            if (active_) {
                plugin_->stop_processing(plugin_);
                plugin_->deactivate(plugin_);
            }
            plugin_->destroy(plugin_);
        }
    }
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    bool valid() const { return plugin_ != nullptr && active_; }
    const clap_plugin_t* plugin() const { return plugin_; }
    TestHost& host() { return host_; }
    template <typename Extension>
    const Extension* extension(const char* id) const
    {
        return static_cast<const Extension*>(plugin_->get_extension(plugin_, id));
    }
    void seed(std::uint32_t value) const
    {
        extension<ClapSeedExtension>(kClapSeedExtension)->seed(plugin_, value);
    }

    // One block of frames with the events given; the output's two channels
    // are appended to left and right when given.
    clap_process_status process(std::uint32_t frames, const EventList& in, EventList& out,
                                std::vector<float>* left = nullptr, std::vector<float>* right = nullptr)
    {
        clap_process_t process{};
        process.steady_time = steadyTime_;
        process.frames_count = frames;
        process.audio_outputs = &output_;
        process.audio_outputs_count = 1;
        process.in_events = in.in();
        process.out_events = out.out();
        const clap_process_status status = plugin_->process(plugin_, &process);
        steadyTime_ += frames;
        if (left != nullptr) {
            left->insert(left->end(), left_.begin(), left_.begin() + frames);
        }
        if (right != nullptr) {
            right->insert(right->end(), right_.begin(), right_.begin() + frames);
        }
        return status;
    }

    // frames samples in blocks of block, the events of the first block given.
    std::vector<float> render(int frames, int block, const EventList& first)
    {
        std::vector<float> left;
        left.reserve(static_cast<std::size_t>(frames));
        EventList none(1);
        EventList out(256);
        for (int done = 0; done < frames; done += block) {
            out.clear();
            process(static_cast<std::uint32_t>(std::min(block, frames - done)), done == 0 ? first : none, out, &left);
        }
        return left;
    }

private:
    TestHost host_;
    const clap_plugin_t* plugin_ = nullptr;
    bool active_ = false;
    std::vector<float> left_;
    std::vector<float> right_;
    float* channels_[2];
    clap_audio_buffer_t output_{};
    std::int64_t steadyTime_ = 0;
};

} // namespace tessarine::test
