#pragma once

namespace tavrin {

// The process-wide 15-bit generator every random draw of the show comes from. It reproduces the
// sequence of the MSVC runtime's rand() from its unseeded state, so the draws made in the show's
// fixed order land on the same values every run.
constexpr int kRandMax = 0x7FFF;

int Rand();

// Returns the sequence to its unseeded start (tests and capture begin from a known state).
void ResetRand();

// Where the sequence stands, and a return to it: work that must not move the show's draws on
// (drawing stand-in effects while loading) puts the sequence back afterwards.
unsigned SaveRand();
void RestoreRand(unsigned state);

}  // namespace tavrin
