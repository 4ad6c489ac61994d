#pragma once
// What the last input came to: each target says whether the reader took it,
// so the corpus replay can hold every seed to the outcome its MANIFEST records.
// Under libFuzzer nothing reads it.

namespace tessarine::fuzz {

inline bool lastInputLoaded = false;

inline void noteLoaded(bool loaded)
{
    lastInputLoaded = loaded;
}

} // namespace tessarine::fuzz
