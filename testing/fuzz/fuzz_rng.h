#ifndef TESTING_FUZZ_FUZZ_RNG_H_
#define TESTING_FUZZ_FUZZ_RNG_H_

#include <cstddef>
#include <cstdint>

namespace fuzz {

// SplitMix64: small, fast and the same on every machine, so a seed and an
// iteration number name one input for good.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // In [0, n); 0 when n is 0.
  size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }
  bool OneIn(size_t n) { return Below(n) == 0; }

 private:
  uint64_t state_;
};

// The seed of one iteration, independent of the iterations before it.
inline uint64_t IterationSeed(uint64_t seed, uint64_t iteration) {
  Rng rng(seed ^ (iteration * 0xD1B54A32D192ED03ull));
  return rng.Next();
}

}  // namespace fuzz

#endif  // TESTING_FUZZ_FUZZ_RNG_H_
