// Verifies a file's SHA-256 with VerifyChecksum and prints, one "key: value"
// a line, the digest and the seconds the check took inside this process.
// Usage: bench_checksum.exe FILE
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_checksum FILE\n");
    return 2;
  }
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  std::string actual;
  uint64_t length = 0;
  VerifyChecksum(base::FilePath(argv[1]), "", nullptr, &actual, &length);
  QueryPerformanceCounter(&end);
  std::printf("sha256: %s\n", actual.c_str());
  std::printf("bytes: %llu\n", static_cast<unsigned long long>(length));
  std::printf("seconds: %.4f\n",
              static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
  return actual.empty() ? 1 : 0;
}
