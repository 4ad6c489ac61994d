#include "clap/ClapSession.h"

#include "validate/AudioThreadAllocations.h"

namespace tessarine::host {

ClapSession::~ClapSession()
{
    instance.reset();
    audio.reset();
    host.reset();
    module.reset();
}

bool ClapSession::open(const std::string& path, std::string& error)
{
    module = ClapModule::open(path, error);
    if (!module) {
        return false;
    }
    host = std::make_unique<ClapHost>();
    audio = std::make_unique<ClapAudioThread>(*host);
    instance = ClapInstance::create(*module, *host, error);
    return instance != nullptr;
}

std::unique_ptr<ClapInstance> ClapSession::another(std::string& error)
{
    return ClapInstance::create(*module, *host, error);
}

std::string ClapSession::threadFault() const
{
    if (!host || host->violationCount() == 0) {
        return {};
    }
    std::string text = std::to_string(host->violationCount()) + " host call(s) on a wrong thread:";
    for (const std::string& violation : host->violations()) {
        text += " " + violation + ";";
    }
    text.pop_back();
    return text;
}

void ClapSession::reportAllocations(ValidatorReport& report)
{
    if (!audio) {
        return;
    }
    std::uint64_t counts[kAudioCallKinds] = {};
    audio->run([&] {
        for (int i = 0; i < kAudioCallKinds; ++i) {
            counts[i] = audioThreadAllocations(static_cast<AudioCall>(i));
        }
    });
    report.addAllocations(counts);
}

} // namespace tessarine::host
