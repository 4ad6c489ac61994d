#pragma once
// The instrument as the standalone application plays it: the core and what
// the application answers in place of a host. Everything the JACK process
// callback does once it has fetched its buffers happens here, so tests drive
// the very same path without a server.
//
// Threads. process runs on the audio thread and never waits. prepare,
// seedRandom and the core's main-thread calls run on the main thread, which
// may re-prepare while audio runs: it takes the render gate between two
// periods (the audio thread only ever tries it, and plays silence for a
// period it does not get), so the engine is never set up while it renders.

#include "core/CoreHost.h"
#include "core/InstrumentCore.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tessarine::app {

// Where the application learns the musical transport, if anywhere (JACK's).
class TransportSource {
public:
    // Same contract as CoreHost::readTransport; any thread, real-time safe.
    virtual bool readTransport(HostTransport& transport, bool withBar) = 0;

protected:
    ~TransportSource() = default;
};

class StandaloneEngine final : private CoreHost {
public:
    // libraryRoot as InstrumentCore takes it: null for the library beside the
    // executable, a folder otherwise.
    explicit StandaloneEngine(const char* libraryRoot);
    ~StandaloneEngine();

    StandaloneEngine(const StandaloneEngine&) = delete;
    StandaloneEngine& operator=(const StandaloneEngine&) = delete;

    // A raw message from the server, checked: 1 to 3 bytes, its time clamped
    // into the period of frames. False (message untouched) for anything else.
    static bool admit(const std::uint8_t* bytes, std::size_t size, std::uint32_t time, int frames,
                      MidiMessage& message);

    // Main thread. Sets the engine up for a rate and period and activates it;
    // safe while process runs on another thread (see above).
    void prepare(float sampleRate, int maxBlock);
    float sampleRate() const { return sampleRate_; }
    // Releases every sounding note (the application is stopping).
    void deactivate();
    // Repeatable renders: every random source starts from seed. Main thread,
    // between periods like prepare.
    void seedRandom(std::uint32_t seed);
    void setTransportSource(TransportSource* source) { transport_.store(source); }

    // Audio thread. One period: the events in order, then both outputs
    // overwritten. Event times outside the period are clamped into it. Before
    // the first prepare, or while the main thread re-prepares, the period is
    // silence.
    void process(std::span<const MidiMessage> events, float* const* outputs, int frames);

    InstrumentCore& core() { return *core_; }
    bool editorPresent() const { return editorPresent_.load(); }

private:
    enum Gate : int { kIdle, kRendering, kPreparing };

    // No host to tell of automation: the application is its own host and its
    // editor already shows every value it changes.
    void automateFromEditor(int, float) override {}
    void automateFromAudio(int, float) override {}
    // Nothing else shares the main thread while the editor tracks the mouse.
    void serveIdle() override {}
    bool readTransport(HostTransport& transport, bool withBar) override;
    // Runs change with the render gate held, waiting out a period in progress.
    template <typename Change> void betweenPeriods(Change change);
    void editorChanged(bool present) override { editorPresent_.store(present); }

    std::unique_ptr<InstrumentCore> core_;
    std::atomic<int> gate_{kIdle};
    std::atomic<bool> prepared_{false};
    std::atomic<TransportSource*> transport_{nullptr};
    std::atomic<bool> editorPresent_{false};
    float sampleRate_ = 0.0f;
};

} // namespace tessarine::app
