#include "engine/MidiLearn.h"

#include <cstddef>

namespace tessarine {

namespace {

bool isValueIndex(int index) { return index >= 0 && index < kValueCount; }

} // namespace

MidiLearn::MidiLearn()
{
    for (auto& controller : controllerMap_) {
        controller.store(-1, kOrder);
    }
}

int MidiLearn::controllerOf(int index) const
{
    return isValueIndex(index) ? controllerMap_[static_cast<std::size_t>(index)].load(kOrder) : -1;
}

void MidiLearn::forget(int index)
{
    if (isValueIndex(index)) {
        controllerMap_[static_cast<std::size_t>(index)].store(-1, kOrder);
    }
}

bool MidiLearn::capture(int controller)
{
    const int target = target_.load(kOrder);
    if (!armed_.load(kOrder) || !isValueIndex(target)) {
        return false;
    }
    for (auto& entry : controllerMap_) {
        if (entry.load(kOrder) == controller) {
            entry.store(-1, kOrder);
        }
    }
    controllerMap_[static_cast<std::size_t>(target)].store(controller, kOrder);
    armed_.store(false, kOrder);
    return true;
}

int MidiLearn::valueOf(int controller) const
{
    for (int index = 0; index < kValueCount; ++index) {
        if (controllerMap_[static_cast<std::size_t>(index)].load(kOrder) == controller) {
            return index;
        }
    }
    return -1;
}

} // namespace tessarine
