#include "platform/random.h"

#include <cstdint>

namespace tavrin {
namespace {
// Only the main thread draws; the output thread never does.
uint32_t randState = 1;
}  // namespace

int Rand() {
    randState = randState * 214013u + 2531011u;
    return static_cast<int>((randState >> 16) & 0x7FFF);
}

void ResetRand() { randState = 1; }

unsigned SaveRand() { return randState; }

void RestoreRand(unsigned state) { randState = state; }

}  // namespace tavrin
