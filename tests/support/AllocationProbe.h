// Watches the largest single allocation made through operator new anywhere in the test
// program, so a test can show that a length read off the wire never sized one. Link
// AllocationProbe.cpp into the test executable itself (it replaces the global operator new).
#pragma once

#include <cstddef>

namespace mirrodex::test {

void ResetLargestAllocation();
size_t LargestAllocation();

}  // namespace mirrodex::test
