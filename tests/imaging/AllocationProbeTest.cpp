// No tests here: the probe is checked where it is used.
// Counts the largest single operator-new request while an AllocationProbe is armed, so that
// tests can show that a decoder refused a picture before it took the pixel memory. Kept in a
// file of its own so that no other code is compiled next to the replaced operators.
#include <cstdlib>
#include <new>

#include "ImagingFixtures.h"

namespace {
thread_local bool probeArmed = false;
thread_local std::size_t probeLargest = 0;
} // namespace

void* operator new(std::size_t size) {
    if (probeArmed && size > probeLargest) {
        probeLargest = size;
    }
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace vexmora::test {

AllocationProbe::AllocationProbe() {
    probeLargest = 0;
    probeArmed = true;
}
AllocationProbe::~AllocationProbe() {
    probeArmed = false;
}
std::size_t AllocationProbe::Largest() const {
    return probeLargest;
}

} // namespace vexmora::test
