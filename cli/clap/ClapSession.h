#pragma once
// What one check group holds while it drives a CLAP plug-in: the module, the
// host, the host's audio thread and an instance. Instances go before the
// audio thread, and both before the module, whatever order a check ended in.

#include "clap/ClapAudioThread.h"
#include "clap/ClapHost.h"
#include "clap/ClapInstance.h"
#include "clap/ClapModule.h"
#include "validate/ValidatorReport.h"

#include <memory>
#include <string>

namespace tessarine::host {

struct ClapSession {
    std::unique_ptr<ClapModule> module;
    std::unique_ptr<ClapHost> host;
    std::unique_ptr<ClapAudioThread> audio;
    std::unique_ptr<ClapInstance> instance;

    ClapSession() = default;
    ClapSession(const ClapSession&) = delete;
    ClapSession& operator=(const ClapSession&) = delete;
    ~ClapSession();

    // Module, host, audio thread and one instance; false with the reason in error.
    bool open(const std::string& path, std::string& error);
    // Another instance of the same module with the same host.
    std::unique_ptr<ClapInstance> another(std::string& error);

    // The calls the plug-in made on a wrong thread, as one fault text (empty: none).
    std::string threadFault() const;
    // The allocations the audio thread counted, added to the report once.
    void reportAllocations(ValidatorReport& report);
};

} // namespace tessarine::host
