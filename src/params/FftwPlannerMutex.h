#pragma once
// FFTW's planner shares wisdom and twiddle tables between all plans of the
// process and is not thread-safe: every plan creation and destruction, in the
// engine's noise synthesis and in the analysis alike, holds this one mutex.
// Executing an existing plan needs no lock. The mutex lives here, in the
// folder everything may include, so the engine and the analysis share it
// without knowing of each other.

#include <mutex>

namespace tessarine {

std::mutex& fftwPlannerMutex();

} // namespace tessarine
