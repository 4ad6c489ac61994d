#include "commands/ProgressBar.h"

#include <cstdio>

namespace tessarine::host {

ProgressBar::ProgressBar(std::string label)
    : label_(std::move(label)), start_(std::chrono::steady_clock::now()), lastDraw_(start_)
{
}

ProgressBar::~ProgressBar()
{
    if (drawn_) {
        update(1.0);
        std::fputc('\n', stderr);
    }
}

void ProgressBar::update(double fraction)
{
    using namespace std::chrono;
    auto now = steady_clock::now();
    if (now - start_ < seconds(1) || (drawn_ && now - lastDraw_ < milliseconds(100) && fraction < 1.0)) {
        return;
    }
    fraction = fraction < 0.0 ? 0.0 : (fraction > 1.0 ? 1.0 : fraction);
    constexpr int kWidth = 40;
    int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar.c_str(), static_cast<int>(fraction * 100.0));
    std::fflush(stderr);
    drawn_ = true;
    lastDraw_ = now;
}

} // namespace tessarine::host
