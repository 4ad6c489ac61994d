#include "app/AppOptions.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace tessarine::app {

std::optional<int> parseOptions(int argc, char** argv, AppOptions& options)
{
    CLI::App app{"Tessarine standalone instrument: plays MIDI from JACK into two JACK audio outputs. "
                 "The instrument played last is kept in $XDG_DATA_HOME/tessarine/Last session.t9i "
                 "(~/.local/share/tessarine by default) and played again at the next start."};
    app.add_flag("--headless", options.headless,
                 "No editor window; runs until interrupted (Ctrl-C) or terminated. Without a display the "
                 "application runs this way by itself");
    app.add_flag("--connect", options.connect,
                 "Connect the outputs to the first two physical playback ports and every physical MIDI "
                 "capture port to the input");
    app.add_option("--instrument", options.instrument, "Instrument file (.t9i) to play instead of the last session")
        ->check(CLI::ExistingFile);
    std::uint32_t seed = 0;
    CLI::Option* seedOption = app.add_option("--seed", seed, "Seed of every random source (0..4294967295), for repeatable renders");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e);
        }
        std::cerr << "tessarine-app: " << e.what() << '\n';
        return 1;
    }
    if (seedOption->count() > 0) {
        options.seed = seed;
    }
    return std::nullopt;
}

} // namespace tessarine::app
