// The trace generator's own pseudo-random numbers: splitmix64 and integer
// arithmetic only, so that one seed gives the same traces, byte for byte, with
// any compiler and standard library (std distributions are not portable).
#pragma once

#include <cstdint>

struct rng {
    uint64_t state;
};

inline rng rng_seeded(uint64_t seed, uint64_t stream)
{
    return rng{seed * 0x9e3779b97f4a7c15ULL ^ (stream + 0x632be59bd9b4e019ULL)};
}

inline uint64_t rng_next(rng &r)
{
    uint64_t z = (r.state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// Uniform in [0, n) by multiply-shift; 0 for n == 0.
inline uint32_t rng_below(rng &r, uint32_t n)
{
    return static_cast<uint32_t>(((rng_next(r) >> 32) * static_cast<uint64_t>(n)) >> 32);
}

// Uniform in [low, high].
inline uint32_t rng_between(rng &r, uint32_t low, uint32_t high)
{
    return low + rng_below(r, high - low + 1);
}

inline bool rng_chance(rng &r, uint32_t per_mille)
{
    return rng_below(r, 1000) < per_mille;
}

// Roughly geometric with the given mean, at least 1, at most cap: many short
// runs and a long tail, like statement counts of real test methods.
inline uint32_t rng_geometric(rng &r, uint32_t mean, uint32_t cap)
{
    uint32_t n = 1;
    const uint32_t stop = 1000 / (mean > 1 ? mean : 1);
    while (n < cap && !rng_chance(r, stop))
        ++n;
    return n;
}

template <typename T, unsigned N> const T &rng_pick(rng &r, const T (&table)[N])
{
    return table[rng_below(r, N)];
}

// A bijection on 32-bit values (the murmur3 finaliser): distinct inputs give
// distinct, random-looking instance keys.
inline uint32_t mix32(uint32_t h)
{
    h ^= h >> 16;
    h *= 0x85ebca6bU;
    h ^= h >> 13;
    h *= 0xc2b2ae35U;
    h ^= h >> 16;
    return h;
}
