#include "params/FftwPlannerMutex.h"

namespace tessarine {

std::mutex& fftwPlannerMutex()
{
    static std::mutex mutex;
    return mutex;
}

} // namespace tessarine
