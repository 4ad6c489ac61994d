#pragma once
// A progress bar on stderr for work that may take more than a second: it stays
// silent for the first second, then redraws at most ten times a second.

#include <chrono>
#include <string>

namespace tessarine::host {

class ProgressBar {
public:
    explicit ProgressBar(std::string label);
    ~ProgressBar(); // ends the line if anything was drawn

    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // fraction in 0..1
    void update(double fraction);

private:
    std::string label_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    bool drawn_ = false;
};

} // namespace tessarine::host
