#include "base/rand_util.h"

#include <windows.h>

#include <bcrypt.h>

#include <stdlib.h>

#include <limits>

namespace base {

void RandBytes(void* output, size_t output_length) {
  auto* out = static_cast<unsigned char*>(output);
  while (output_length > 0) {
    ULONG chunk = output_length > std::numeric_limits<ULONG>::max()
                      ? std::numeric_limits<ULONG>::max()
                      : static_cast<ULONG>(output_length);
    NTSTATUS status = BCryptGenRandom(nullptr, out, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    // Carrying on with predictable bytes would be worse than stopping.
    if (status != 0)
      abort();
    out += chunk;
    output_length -= chunk;
  }
}

std::string RandBytesAsString(size_t length) {
  std::string result(length, '\0');
  if (length > 0)
    RandBytes(result.data(), length);
  return result;
}

uint64_t RandUint64() {
  uint64_t value;
  RandBytes(&value, sizeof(value));
  return value;
}

uint64_t RandGenerator(uint64_t range) {
  if (range == 0)
    return 0;
  // Values at or above the largest multiple of |range| would bias the result.
  uint64_t max_acceptable = std::numeric_limits<uint64_t>::max() -
                            (std::numeric_limits<uint64_t>::max() % range + 1) % range;
  uint64_t value;
  do {
    value = RandUint64();
  } while (value > max_acceptable);
  return value % range;
}

int RandInt(int min, int max) {
  if (min >= max)
    return min;
  uint64_t range = static_cast<uint64_t>(static_cast<int64_t>(max) - min) + 1;
  return static_cast<int>(min + static_cast<int64_t>(RandGenerator(range)));
}

}  // namespace base
