// tessarine-app: the instrument without a host, for playing from a MIDI
// keyboard through JACK (or PipeWire's JACK). It is its own format adapter
// over the instrument core: JACK brings MIDI and takes audio, an X window
// holds the editor, and the instrument played last comes back at the next start.
//
// Without a display the application runs headless with a one-line notice
// rather than refusing: a musician starting it over ssh or from a session
// script still wants the instrument to play.

#include "app/AppFolders.h"
#include "app/AppOptions.h"
#include "app/EditorWindow.h"
#include "app/JackClient.h"
#include "app/SessionMemory.h"
#include "app/StandaloneEngine.h"

#include <csignal>
#include <filesystem>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <time.h>
#include <vector>

namespace {

using namespace tessarine::app;
using tessarine::InstrumentCore;

// How often the main loop looks at the editor, the signals and the server.
constexpr int kIdleMilliseconds = 30;

volatile std::sig_atomic_t gStopRequested = 0;

void requestStop(int) { gStopRequested = 1; }

void stopOnSignals()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
            ::sigaction(signal, &action, nullptr);
        }
    }
    // A write past a file size limit fails the session's save like a full disk.
    ::signal(SIGXFSZ, SIG_IGN);
}

void say(const std::string& line) { std::cerr << "tessarine-app: " << line << '\n'; }

int fail(const std::string& line)
{
    say(line);
    return 1;
}

void sleepMilliseconds(int milliseconds)
{
    timespec pause{0, milliseconds * 1'000'000L};
    ::nanosleep(&pause, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    AppOptions options;
    if (const std::optional<int> exitCode = parseOptions(argc, argv, options)) {
        return *exitCode;
    }
    stopOnSignals();

    const std::string exeFolder = executableFolder();
    const std::string libraryRoot = libraryRootFor(exeFolder);
    StandaloneEngine engine(libraryRoot.empty() ? nullptr : libraryRoot.c_str());
    InstrumentCore& core = engine.core();
    if (options.seed) {
        engine.seedRandom(*options.seed);
    }

    // The order keeps a failed start to one line: the musician's own request
    // first, then the server, and only then the notices of a running application.
    if (!options.instrument.empty() && !core.loadInstrumentFile(options.instrument.c_str())) {
        return fail("cannot read the instrument \"" + options.instrument + "\"");
    }
    std::string error;
    std::unique_ptr<JackClient> jack = JackClient::open(engine, error);
    if (jack == nullptr) {
        return fail(error);
    }
    SessionMemory session(userDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
    if (std::string message; options.instrument.empty() && !session.restore(core, message)) {
        say(message);
    }
    if (!jack->activate(error)) {
        return fail(error);
    }
    // Without its library the instrument still plays, from the start values
    // alone: the musician should know why it sounds so plain.
    if (const std::string library = (libraryRoot.empty() ? exeFolder : libraryRoot) + "/TessarineData";
        !std::filesystem::is_directory(library)) {
        say("no sound library at \"" + library + "\": the instrument starts from its start values");
    }
    if (options.connect) {
        std::vector<std::string> notices;
        jack->connectPhysicalPorts(notices);
        for (const std::string& notice : notices) {
            say(notice);
        }
    }

    std::unique_ptr<EditorWindow> window;
    if (!options.headless) {
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || display[0] == '\0') {
            say("no X display (DISPLAY is not set): playing without the editor; Ctrl-C ends");
        } else if (window = EditorWindow::open(core, error); window == nullptr) {
            say(error + ": playing without the editor; Ctrl-C ends");
        }
    }

    int status = 0;
    while (gStopRequested == 0) {
        if (jack->serverGone()) {
            say("the JACK server stopped");
            status = 1;
            break;
        }
        jack->serviceChanges();
        if (window != nullptr) {
            if (!window->idle(kIdleMilliseconds)) {
                break;
            }
        } else {
            sleepMilliseconds(kIdleMilliseconds);
        }
    }

    // The editor goes first, then the audio; the instrument is saved as it was heard.
    window.reset();
    jack->deactivate();
    engine.deactivate();
    if (std::string message; !session.save(core, message)) {
        say(message);
        status = 1;
    }
    jack.reset();
    return status;
}
