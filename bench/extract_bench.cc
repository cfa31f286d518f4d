// Extracts a 7z archive with LzmaUtil and prints, one "key: value" a line,
// the result, the wall time and the process's peak memory figures.
// Usage: bench_extract.exe ARCHIVE OUTPUT_FOLDER
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_extract ARCHIVE OUTPUT_FOLDER\n");
    return 2;
  }
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  LzmaUtil lzma;
  const LzmaUtil::OpenResult open_result = lzma.Open(base::FilePath(argv[1]));
  std::vector<base::FilePath> files;
  LzmaUtil::ExtractResult extract_result = LzmaUtil::kNoArchiveOpen;
  if (open_result == LzmaUtil::kOpenOk)
    extract_result = lzma.Extract(base::FilePath(argv[2]), nullptr, nullptr, &files, nullptr);
  QueryPerformanceCounter(&end);

  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(),
                       reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
  // An archive that did not open reports how the opening failed.
  const unsigned result = open_result != LzmaUtil::kOpenOk ? static_cast<unsigned>(open_result)
                                                           : static_cast<unsigned>(extract_result);
  std::printf("result: %u\n", result);
  std::printf("files: %zu\n", files.size());
  std::printf("seconds: %.3f\n",
              static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
  std::printf("peak_private_bytes: %zu\n", static_cast<size_t>(memory.PeakPagefileUsage));
  std::printf("peak_working_set: %zu\n", static_cast<size_t>(memory.PeakWorkingSetSize));
  return result == 0 ? 0 : 1;
}
