#pragma once
// A command stopped by Ctrl-C, a kill or a hang-up while it saves leaves no
// temporary file behind: the handler removes the unfinished saves' temporaries
// and then lets the signal end the process as it would have. A write past a
// file size limit fails like a full disk (and is reported) instead of ending
// the process. Only the command-line tool does this: the plug-in never
// touches its host's signal handling.

namespace tessarine::host {

void removeTemporariesOnFatalSignals();

} // namespace tessarine::host
