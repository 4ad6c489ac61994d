#pragma once
// The application's place on the JACK server: client "Tessarine" with one
// MIDI input and two audio outputs, whose process callback fetches the
// period's buffers and hands them to the StandaloneEngine.
//
// Rate and period changes. The server reports them on a thread of its own;
// the callbacks only note the new values. The main loop (serviceChanges)
// re-prepares the engine between two periods, and until it has, a period at a
// rate the engine was not prepared for plays silence instead of the wrong pitch.

#include "app/StandaloneEngine.h"

#include <jack/jack.h>
#include <jack/types.h>

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace tessarine::app {

class JackClient final : private TransportSource {
public:
    // More messages than any keyboard or controller sends in one period; the
    // rest of a flood is dropped rather than stalling the period.
    static constexpr std::size_t kMaxEventsPerPeriod = 1024;

    // Opens the client on a running server (never starts one). Null with a
    // one-line reason when there is no server or no client to be had.
    static std::unique_ptr<JackClient> open(StandaloneEngine& engine, std::string& error);
    // Leaves the server; the engine stays as it is.
    ~JackClient();

    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    // Prepares the engine for the server's rate and period, then starts the
    // process callback. False with a one-line reason.
    bool activate(std::string& error);
    // Stops the process callback; the ports stay registered.
    void deactivate();

    // Audio outputs to the first two physical playback ports, the MIDI input
    // from every physical MIDI capture port. Each connection that could not be
    // made is one line in notices.
    void connectPhysicalPorts(std::vector<std::string>& notices);

    // Main thread, often: re-prepares the engine after a rate or period change.
    void serviceChanges();
    // The server shut down or threw the client out.
    bool serverGone() const { return serverGone_.load(); }
    const char* clientName() const;

private:
    JackClient(StandaloneEngine& engine, jack_client_t* client) : engine_(engine), client_(client) {}

    static int processCallback(jack_nframes_t frames, void* self);
    static int sampleRateCallback(jack_nframes_t rate, void* self);
    static int bufferSizeCallback(jack_nframes_t frames, void* self);
    static void shutdownCallback(void* self);

    bool readTransport(HostTransport& transport, bool withBar) override;
    void process(jack_nframes_t frames);

    StandaloneEngine& engine_;
    jack_client_t* client_ = nullptr;
    jack_port_t* midiIn_ = nullptr;
    std::array<jack_port_t*, 2> audioOut_{};
    bool active_ = false;
    std::array<MidiMessage, kMaxEventsPerPeriod> events_{};
    // What the server last reported, and what the engine was prepared for.
    std::atomic<jack_nframes_t> serverRate_{0};
    std::atomic<jack_nframes_t> serverPeriod_{0};
    std::atomic<jack_nframes_t> preparedRate_{0};
    jack_nframes_t preparedPeriod_ = 0;
    std::atomic<bool> serverGone_{false};
};

} // namespace tessarine::app
