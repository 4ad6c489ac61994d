#include "app/StandaloneEngine.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace tessarine::app {

namespace {

void silence(float* const* outputs, int frames)
{
    if (outputs == nullptr || frames <= 0) {
        return;
    }
    for (int channel = 0; channel < 2; ++channel) {
        if (outputs[channel] != nullptr) {
            std::memset(outputs[channel], 0, sizeof(float) * static_cast<std::size_t>(frames));
        }
    }
}

} // namespace

StandaloneEngine::StandaloneEngine(const char* libraryRoot)
{
    CoreHost& asHost = *this;
    core_ = std::make_unique<InstrumentCore>(asHost, libraryRoot);
}

StandaloneEngine::~StandaloneEngine() = default;

bool StandaloneEngine::admit(const std::uint8_t* bytes, std::size_t size, std::uint32_t time, int frames,
                             MidiMessage& message)
{
    // System exclusive and anything longer is no message the instrument
    // plays; an empty one has nothing to read.
    if (bytes == nullptr || size < 1 || size > 3 || frames <= 0) {
        return false;
    }
    MidiMessage admitted{{0, 0, 0}, 0};
    std::memcpy(admitted.bytes, bytes, size);
    const std::uint32_t last = static_cast<std::uint32_t>(frames - 1);
    admitted.frameOffset = static_cast<int>(std::min(time, last));
    message = admitted;
    return true;
}

template <typename Change> void StandaloneEngine::betweenPeriods(Change change)
{
    // A period renders in well under a millisecond of work, so the wait is short;
    // the audio thread itself never waits for this.
    for (int expected = kIdle; !gate_.compare_exchange_weak(expected, kPreparing); expected = kIdle) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    change();
    gate_.store(kIdle);
}

void StandaloneEngine::prepare(float sampleRate, int maxBlock)
{
    betweenPeriods([&] {
        if (prepared_.load()) {
            core_->deactivate();
        }
        core_->prepare(sampleRate, maxBlock);
        core_->activate();
        sampleRate_ = sampleRate;
        prepared_.store(true);
    });
}

void StandaloneEngine::deactivate()
{
    betweenPeriods([&] {
        if (prepared_.load()) {
            core_->deactivate();
        }
    });
}

void StandaloneEngine::seedRandom(std::uint32_t seed)
{
    betweenPeriods([&] { core_->seedRandom(seed); });
}

void StandaloneEngine::process(std::span<const MidiMessage> events, float* const* outputs, int frames)
{
    if (outputs == nullptr || outputs[0] == nullptr || outputs[1] == nullptr || frames <= 0) {
        return;
    }
    int expected = kIdle;
    if (!prepared_.load() || !gate_.compare_exchange_strong(expected, kRendering)) {
        silence(outputs, frames);
        return;
    }
    core_->beginDelivery();
    for (MidiMessage message : events) {
        message.frameOffset = std::clamp(message.frameOffset, 0, frames - 1);
        core_->deliver(message);
    }
    core_->render(outputs, frames);
    gate_.store(kIdle);
}

bool StandaloneEngine::readTransport(HostTransport& transport, bool withBar)
{
    TransportSource* source = transport_.load();
    return source != nullptr && source->readTransport(transport, withBar);
}

} // namespace tessarine::app
