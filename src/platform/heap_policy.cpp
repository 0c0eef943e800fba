#include "platform/heap_policy.h"

#include <cstdlib>  // defines __GLIBC__ where glibc is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tavrin {

// Only glibc's allocator takes these settings; elsewhere (the browser build) the defaults stand.
#if defined(__GLIBC__)
namespace {
constexpr int kOwnPagesFrom = 1 << 20;
constexpr int kTrimAbove = 4 << 20;
}  // namespace

void UseLongRunHeapPolicy() {
    mallopt(M_MMAP_THRESHOLD, kOwnPagesFrom);
    mallopt(M_TRIM_THRESHOLD, kTrimAbove);
}

void ReturnFreedHeapPages() { malloc_trim(0); }
#else
void UseLongRunHeapPolicy() {}
void ReturnFreedHeapPages() {}
#endif

}  // namespace tavrin
