#include "analysis/HarmonicFrameSize.h"

namespace tessarine {

int harmonicFrameSize(double rate, double f0)
{
    int n = 1024;
    if (rate < 16000.0) {
        n = 128;
    } else if (rate < 32000.0) {
        n = 256;
    } else if (rate < 50000.0) {
        n = 512;
    }
    // f0 = 0 (no pitch known) takes the longest frames; a NaN f0 keeps the short ones.
    if (f0 < 160.0) {
        n *= 2;
    }
    if (f0 < 80.0) {
        n *= 2;
    }
    if (f0 < 40.0) {
        n *= 2;
    }
    return n;
}

} // namespace tessarine
