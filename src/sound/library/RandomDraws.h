#pragma once
// The distributions the random instrument draws its values from, all on one
// 0..32767 generator: uniform values, chances, and a normal distribution by
// the polar method, limited to a range.

#include "params/RandomGenerator.h"

namespace tessarine {

class RandomDraws {
public:
    explicit RandomDraws(RandomGenerator& generator) : generator_(generator) {}

    int raw() { return generator_.next(); }
    // Uniform in 0..1, both ends included.
    float U();
    float uniform(float lo, float hi);
    // 1 with probability p, else 0.
    float chance(float p) { return U() < p ? 1.0f : 0.0f; }
    // Standard normal (mean 0, deviation 1).
    float normal();
    // m + d × normal(), limited to lo..hi.
    float gauss(float m, float d, float lo, float hi);
    float N(float m, float d) { return gauss(m, d, 0.0f, 1.0f); }
    // An index into a list of count entries (count > 0), spread evenly.
    int index(int count);

private:
    RandomGenerator& generator_;
};

} // namespace tessarine
