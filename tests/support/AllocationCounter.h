#pragma once
// Counts every global operator new in this test program, the plug-in module's
// included, so a test can prove a stretch of code never allocates.

#include <atomic>
#include <cstddef>

namespace testsupport {

std::size_t allocationCount();

} // namespace testsupport
