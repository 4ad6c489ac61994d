#include "app/JackClient.h"

#include "app/JackTransport.h"

#include <jack/midiport.h>
#include <jack/transport.h>

#include <cerrno>
#include <cstdio>

namespace tessarine::app {

namespace {

constexpr const char* kClientName = "Tessarine";

// The library reports its own troubles on stderr in several lines each; the
// application says what went wrong in one line of its own instead.
void quiet(const char*) {}

} // namespace

std::unique_ptr<JackClient> JackClient::open(StandaloneEngine& engine, std::string& error)
{
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    jack_status_t status{};
    jack_client_t* client = jack_client_open(kClientName, JackNoStartServer, &status);
    if (client == nullptr) {
        if ((status & JackServerFailed) != 0) {
            error = "no JACK server is running";
        } else {
            char text[96];
            std::snprintf(text, sizeof(text), "the JACK server refused a client (status 0x%x)",
                          static_cast<unsigned>(status));
            error = text;
        }
        return nullptr;
    }
    std::unique_ptr<JackClient> self(new JackClient(engine, client));
    self->midiIn_ = jack_port_register(client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    self->audioOut_[0] = jack_port_register(client, "out_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    self->audioOut_[1] = jack_port_register(client, "out_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    if (self->midiIn_ == nullptr || self->audioOut_[0] == nullptr || self->audioOut_[1] == nullptr) {
        error = "the JACK server would not register the client's ports";
        return nullptr;
    }
    if (jack_set_process_callback(client, processCallback, self.get()) != 0
        || jack_set_sample_rate_callback(client, sampleRateCallback, self.get()) != 0
        || jack_set_buffer_size_callback(client, bufferSizeCallback, self.get()) != 0) {
        error = "the JACK server would not take the client's callbacks";
        return nullptr;
    }
    jack_on_shutdown(client, shutdownCallback, self.get());
    return self;
}

JackClient::~JackClient()
{
    deactivate();
    engine_.setTransportSource(nullptr);
    jack_client_close(client_);
}

bool JackClient::activate(std::string& error)
{
    const jack_nframes_t rate = jack_get_sample_rate(client_);
    const jack_nframes_t period = jack_get_buffer_size(client_);
    serverRate_.store(rate);
    serverPeriod_.store(period);
    engine_.setTransportSource(this);
    engine_.prepare(static_cast<float>(rate), static_cast<int>(period));
    preparedRate_.store(rate);
    preparedPeriod_ = period;
    if (jack_activate(client_) != 0) {
        error = "the JACK server would not start the client";
        return false;
    }
    active_ = true;
    return true;
}

void JackClient::deactivate()
{
    if (active_) {
        // After a shutdown the server is gone: there is nothing to stop.
        if (!serverGone_.load()) {
            jack_deactivate(client_);
        }
        active_ = false;
    }
}

void JackClient::connectPhysicalPorts(std::vector<std::string>& notices)
{
    const auto connect = [&](const char* source, const char* destination) {
        const int result = jack_connect(client_, source, destination);
        if (result != 0 && result != EEXIST) {
            notices.push_back(std::string("cannot connect ") + source + " to " + destination);
        }
    };
    if (const char** playback = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                               JackPortIsPhysical | JackPortIsInput)) {
        // A single playback port (a mono device) hears both channels.
        const char* second = playback[1] != nullptr ? playback[1] : playback[0];
        connect(jack_port_name(audioOut_[0]), playback[0]);
        connect(jack_port_name(audioOut_[1]), second);
        jack_free(playback);
    } else {
        notices.push_back("no physical playback ports to connect the outputs to");
    }
    if (const char** capture = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                              JackPortIsPhysical | JackPortIsOutput)) {
        for (const char** port = capture; *port != nullptr; ++port) {
            connect(*port, jack_port_name(midiIn_));
        }
        jack_free(capture);
    } else {
        notices.push_back("no physical MIDI capture ports to connect the input to");
    }
}

void JackClient::serviceChanges()
{
    const jack_nframes_t rate = serverRate_.load();
    const jack_nframes_t period = serverPeriod_.load();
    if (!active_ || rate == 0 || (rate == preparedRate_.load() && period == preparedPeriod_)) {
        return;
    }
    engine_.prepare(static_cast<float>(rate), static_cast<int>(period));
    preparedRate_.store(rate);
    preparedPeriod_ = period;
}

const char* JackClient::clientName() const { return jack_get_client_name(client_); }

int JackClient::processCallback(jack_nframes_t frames, void* self)
{
    static_cast<JackClient*>(self)->process(frames);
    return 0;
}

int JackClient::sampleRateCallback(jack_nframes_t rate, void* self)
{
    static_cast<JackClient*>(self)->serverRate_.store(rate);
    return 0;
}

int JackClient::bufferSizeCallback(jack_nframes_t frames, void* self)
{
    static_cast<JackClient*>(self)->serverPeriod_.store(frames);
    return 0;
}

void JackClient::shutdownCallback(void* self) { static_cast<JackClient*>(self)->serverGone_.store(true); }

bool JackClient::readTransport(HostTransport& transport, bool withBar)
{
    jack_position_t position{};
    jack_transport_query(client_, &position);
    return transportFromPosition(position, withBar, transport);
}

// Audio thread.
void JackClient::process(jack_nframes_t frames)
{
    auto* left = static_cast<float*>(jack_port_get_buffer(audioOut_[0], frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(audioOut_[1], frames));
    float* outputs[2] = {left, right};
    const int length = static_cast<int>(frames);
    if (serverRate_.load() != preparedRate_.load()) {
        // Nothing is rendered at a rate the engine is not set up for.
        for (float* channel : outputs) {
            for (int i = 0; channel != nullptr && i < length; ++i) {
                channel[i] = 0.0f;
            }
        }
        return;
    }
    std::size_t count = 0;
    if (void* midi = jack_port_get_buffer(midiIn_, frames)) {
        const jack_nframes_t available = jack_midi_get_event_count(midi);
        for (jack_nframes_t i = 0; i < available && count < events_.size(); ++i) {
            jack_midi_event_t event{};
            if (jack_midi_event_get(&event, midi, i) == 0
                && StandaloneEngine::admit(event.buffer, event.size, event.time, length, events_[count])) {
                ++count;
            }
        }
    }
    engine_.process(std::span<const MidiMessage>(events_.data(), count), outputs, length);
}

} // namespace tessarine::app
