#pragma once
// Repeatable renders: a test or a comparing host sets every random source of
// an instance from one seed, so that two formats render sample for sample the
// same. Offered as extension data under kSeedUri.

#include <cstdint>

#define TESSARINE_LV2_SEED_URI "urn:brightmoor-labs:tessarine#seed"

extern "C" {

typedef struct {
    // handle is the instance's LV2_Handle.
    void (*seed)(void* handle, std::uint32_t seed);
} TessarineLv2Seed;

} // extern "C"
