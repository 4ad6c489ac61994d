// Text drawn by the tests fills cairo's and fontconfig's caches; they are
// released at the end so the leak checker of the sanitizer build sees none.

#include "gui/Theme.h"

#include <gtest/gtest.h>

namespace {

class ReleaseFontCaches : public testing::Environment {
public:
    void TearDown() override { tessarine::gui::releaseFontCaches(); }
};

[[maybe_unused]] const testing::Environment* const registered =
    testing::AddGlobalTestEnvironment(new ReleaseFontCaches);

} // namespace
