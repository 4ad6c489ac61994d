// Every test program works in a folder of its own under $TMPDIR: TMPDIR and
// TEST_TMPDIR point into it while the program runs, so whatever a test writes
// there, and whatever the plug-in, the command-line host or a server it starts
// writes there, goes with the folder when the program ends. Programs that run
// side by side never meet in each other's files.

#include "support/TempFolder.h"

#include <cstdlib>

namespace {

struct RunInTempFolder {
    RunInTempFolder()
    {
        setenv("TMPDIR", folder.str().c_str(), 1);
        setenv("TEST_TMPDIR", folder.str().c_str(), 1);
    }
    tessarine::test::TempFolder folder{"tessarine-test"};
};

[[maybe_unused]] const RunInTempFolder runInTempFolder;

} // namespace
