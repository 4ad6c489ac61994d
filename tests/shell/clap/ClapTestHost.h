#pragma once
// The tests drive Tessarine.clap through the command-line host's CLAP classes
// (cli/clap), as the validator does, its memory streams included. What they
// need beyond it is here: the module opened once per program, an instance
// that is active and processing as soon as it is made and keeps its own
// steady time, and the values among a list's events.

#include "clap/ClapEventList.h"
#include "clap/ClapEvents.h"
#include "clap/ClapHost.h"
#include "clap/ClapInstance.h"
#include "clap/ClapMemoryStream.h"
#include "clap/ClapModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tessarine::test {

using EventList = host::ClapEventList;

// The module, opened once per test program and left loaded, as hosts do.
inline const host::ClapModule* clapModule()
{
    static const host::ClapModule* module = [] {
        std::string error;
        std::unique_ptr<host::ClapModule> opened = host::ClapModule::open(TESSARINE_CLAP_PATH, error);
        EXPECT_NE(opened, nullptr) << error;
        return opened.release();
    }();
    return module;
}

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

using host::clapMidiEvent;
using host::clapNoteEvent;
using host::clapValueEvent;

using MemoryStream = host::ClapMemoryStream;

// One instance of the module with a host of its own, active and processing
// from the start; -> reaches the instance and its extensions. Blocks run on
// the test's thread, one after another in steady time.
class TestInstance {
public:
    explicit TestInstance(double rate = 48000.0, std::uint32_t maxFrames = 4096)
    {
        const host::ClapModule* module = clapModule();
        if (module == nullptr) {
            ADD_FAILURE() << "no module";
            return;
        }
        std::string error;
        instance_ = host::ClapInstance::create(*module, host_, error);
        if (instance_ == nullptr) {
            ADD_FAILURE() << error;
            return;
        }
        active_ = instance_->activate(rate, maxFrames) && instance_->startProcessing();
        EXPECT_TRUE(active_);
    }

    bool valid() const { return instance_ != nullptr && active_; }
    const clap_plugin_t* plugin() const { return instance_->plugin(); }
    host::ClapInstance* operator->() const { return instance_.get(); }
    host::ClapHost& host() { return host_; }
    void seed(std::uint32_t value) const
    {
        ASSERT_NE(instance_->seed, nullptr) << "the validator and the plug-in name the seed extension alike";
        instance_->seed->seed(plugin(), value);
    }

    // One block of frames with the events given; the output's two channels
    // are appended to left and right when given.
    clap_process_status process(std::uint32_t frames, const EventList& in, EventList& out,
                                std::vector<float>* left = nullptr, std::vector<float>* right = nullptr)
    {
        const clap_process_status status = instance_->process(frames, in, out, steadyTime_);
        steadyTime_ += frames;
        if (left != nullptr) {
            left->insert(left->end(), instance_->output(0), instance_->output(0) + frames);
        }
        if (right != nullptr) {
            right->insert(right->end(), instance_->output(1), instance_->output(1) + frames);
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
    // The host outlives the instance it serves.
    host::ClapHost host_;
    std::unique_ptr<host::ClapInstance> instance_;
    bool active_ = false;
    std::int64_t steadyTime_ = 0;
};

} // namespace tessarine::test
