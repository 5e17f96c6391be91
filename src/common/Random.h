#pragma once
// The program's one pseudo-random source. It follows the classic C runtime rand(): a 32-bit
// linear congruential state, multiplier 214013, increment 2531011, returning bits 16..30, seeded
// with 1 until SeedRandom is called. Owning it (rather than calling rand()) keeps the sequence the
// same on Windows and on the Linux host, so tests of random content are deterministic everywhere.
#include <cstdint>

void SeedRandom(uint32_t seed);

// Next value in 0..32767.
int NextRandom();

// NextRandom() modulo n, as the program draws its random values; n must be positive.
int RandomBelow(int n);
