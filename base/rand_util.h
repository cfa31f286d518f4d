#ifndef BASE_RAND_UTIL_H_
#define BASE_RAND_UTIL_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace base {

// Cryptographically strong random numbers from the system generator.
uint64_t RandUint64();

// A uniformly distributed value in [min, max], both included.
int RandInt(int min, int max);

// A uniformly distributed value in [0, range); |range| must be above 0.
uint64_t RandGenerator(uint64_t range);

void RandBytes(void* output, size_t output_length);
std::string RandBytesAsString(size_t length);

}  // namespace base

#endif  // BASE_RAND_UTIL_H_
