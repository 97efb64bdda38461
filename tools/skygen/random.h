// A small, fully defined pseudo-random generator for reproducible data.
//
// Contract: for a given seed the sequence of every method below is the same
// on every platform, compiler and library version. Nothing here uses the
// standard library's engines or distributions (whose outputs are not fixed)
// nor floating point, so a seed always reproduces the same database.
#pragma once

#include <cstdint>

namespace sky::skygen {

class Random {
 public:
  // `stream` separates independent sequences drawn from one user seed.
  explicit Random(uint64_t seed, uint64_t stream = 0) {
    uint64_t x = seed ^ (stream * 0xD1B54A32D192ED03ull);
    for (uint64_t& word : s_) word = SplitMix(x);
  }

  // xoshiro256**: 64 uniformly distributed bits.
  uint64_t Next() {
    const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
  }

  // Uniform in [0, n); 0 when n is 0. Multiply-shift on the high word keeps
  // the bias below 2^-32, far under anything the data could show.
  uint32_t Below(uint32_t n) {
    return static_cast<uint32_t>(((Next() >> 32) * static_cast<uint64_t>(n)) >> 32);
  }

  // Uniform in [lo, hi]; lo when hi < lo.
  int64_t Between(int64_t lo, int64_t hi) {
    if (hi <= lo) return lo;
    const uint64_t span = static_cast<uint64_t>(hi - lo) + 1;
    const unsigned __int128 wide = static_cast<unsigned __int128>(Next()) * span;
    return lo + static_cast<int64_t>(static_cast<uint64_t>(wide >> 64));
  }

  // True with probability ppm / 1,000,000.
  bool Chance(uint32_t ppm) { return Below(1000000) < ppm; }

  // A small count: 0 unless the first chance hits, then one more for every
  // further hit of `more_ppm`, up to `cap`. Mostly 0, occasionally 1 or 2,
  // rarely more: the shape of kill counts per sortie.
  int CountOf(uint32_t first_ppm, uint32_t more_ppm, int cap) {
    if (cap <= 0 || !Chance(first_ppm)) return 0;
    int n = 1;
    while (n < cap && Chance(more_ppm)) ++n;
    return n;
  }

  // Index i drawn with probability weights[i] / sum(weights).
  template <typename Int, size_t N>
  size_t Pick(const Int (&weights)[N]) {
    uint64_t total = 0;
    for (Int w : weights) total += static_cast<uint64_t>(w);
    uint64_t r = static_cast<uint64_t>(Between(0, static_cast<int64_t>(total) - 1));
    for (size_t i = 0; i < N; ++i) {
      if (r < static_cast<uint64_t>(weights[i])) return i;
      r -= static_cast<uint64_t>(weights[i]);
    }
    return N - 1;
  }

 private:
  static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  static uint64_t SplitMix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  uint64_t s_[4];
};

}  // namespace sky::skygen
