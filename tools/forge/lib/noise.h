#pragma once

#include <cstdint>

#include "lib/vecmath.h"

// Hash-based value noise: the same inputs give the same texels on every run and every machine,
// with no tables to seed.

namespace tavrin::forge {

uint32_t Hash(uint32_t x);
uint32_t Hash(int32_t x, int32_t y, int32_t z, uint32_t seed);
// Uniform in [0, 1) from a lattice point.
double HashUnit(int32_t x, int32_t y, int32_t z, uint32_t seed);

// Smooth value noise in [0, 1].
double ValueNoise(const V3& p, uint32_t seed);
// Sum of octaves, each at twice the frequency and half the weight; normalised to [0, 1].
double Fbm(const V3& p, int octaves, uint32_t seed);

}  // namespace tavrin::forge
