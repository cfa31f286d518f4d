#ifndef CRASH_REPORTER_MINIDUMP_WRITER_H_
#define CRASH_REPORTER_MINIDUMP_WRITER_H_

#include <windows.h>
#include <dbghelp.h>

#include <cstdint>

#include "base/files/file_path.h"
#include "crash_reporter/crash_generation_protocol.h"

namespace crash_reporter {

// Stream types of our own in every dump.
inline constexpr ULONG32 kVersionStreamType = 0x10000;
inline constexpr ULONG32 kAssertionStreamType = 0x10001;

// Writes a dump of `process` (which crashed as `info` says) to `path`:
// with unloaded modules and indirectly referenced memory when that fits in
// `size_cap` bytes, else a normal dump. False, and no file, when neither
// fits or the dump cannot be written.
bool WriteMiniDumpToFile(HANDLE process, DWORD pid, const CrashInfoBlock& info,
                         const base::FilePath& path, int64_t size_cap);

// Replaces dbghelp's MiniDumpWriteDump (null: the real one).
using MiniDumpWriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                               PMINIDUMP_EXCEPTION_INFORMATION,
                                               PMINIDUMP_USER_STREAM_INFORMATION,
                                               PMINIDUMP_CALLBACK_INFORMATION);
void SetMiniDumpWriteDumpForTesting(MiniDumpWriteDumpFunction function);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_MINIDUMP_WRITER_H_
