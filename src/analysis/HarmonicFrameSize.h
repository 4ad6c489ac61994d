#pragma once
// The hop of the harmonic analysis, in samples. It grows with the sample rate
// (a frame of roughly 10 ms) and doubles for low notes so that a frame of 2N
// samples still spans a few periods of the fundamental and resolves
// neighbouring harmonics. The frame period is N / rate seconds.

namespace tessarine {

int harmonicFrameSize(double rate, double f0);

} // namespace tessarine
