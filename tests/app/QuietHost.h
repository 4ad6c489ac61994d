#pragma once
// A core's host that tells nobody anything, for tests that only make and read instruments.

#include "core/CoreHost.h"

namespace apptest {

struct QuietHost final : tessarine::CoreHost {
    void automateFromEditor(int, float) override {}
    void automateFromAudio(int, float) override {}
    void serveIdle() override {}
    bool readTransport(tessarine::HostTransport&, bool) override { return false; }
    void editorChanged(bool) override {}
};

} // namespace apptest
