#include "crash_reporter/minidump_writer.h"

#include <string>

#include "base/logging.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_product_values.h"

namespace crash_reporter {
namespace {

constexpr HRESULT kInvalidArgument = static_cast<HRESULT>(0x80070057);
constexpr MINIDUMP_TYPE kDumpTypes[] = {
    static_cast<MINIDUMP_TYPE>(MiniDumpWithUnloadedModules |
                               MiniDumpWithIndirectlyReferencedMemory),
    MiniDumpNormal};

MiniDumpWriteDumpFunction g_write_dump_for_testing = nullptr;

MiniDumpWriteDumpFunction GetMiniDumpWriteDump() {
  if (g_write_dump_for_testing)
    return g_write_dump_for_testing;
  static MiniDumpWriteDumpFunction function = [] {
    HMODULE dbghelp = LoadLibraryExW(L"dbghelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return dbghelp ? reinterpret_cast<MiniDumpWriteDumpFunction>(
                         GetProcAddress(dbghelp, "MiniDumpWriteDump"))
                   : nullptr;
  }();
  return function;
}

bool EmptyFile(HANDLE file) {
  LARGE_INTEGER zero = {};
  return SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

enum class Attempt { kAccepted, kTryNext, kStop };

Attempt TryDumpType(MiniDumpWriteDumpFunction write_dump, HANDLE process, DWORD pid,
                    HANDLE file, MINIDUMP_TYPE type, MINIDUMP_EXCEPTION_INFORMATION* exception,
                    MINIDUMP_USER_STREAM_INFORMATION* streams, int64_t size_cap) {
  if (!EmptyFile(file))
    return Attempt::kStop;
  if (!write_dump(process, pid, file, type, exception, streams, nullptr)) {
    HRESULT error = static_cast<HRESULT>(GetLastError());
    LOG(WARNING) << "Dump type " << type << " failed: 0x" << std::hex << error;
    return error == kInvalidArgument ? Attempt::kTryNext : Attempt::kStop;
  }
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file, &size))
    return Attempt::kStop;
  if (size.QuadPart > size_cap) {
    LOG(WARNING) << "Dump type " << type << " is " << size.QuadPart << " bytes, over the cap";
    return Attempt::kTryNext;
  }
  return Attempt::kAccepted;
}

}  // namespace

void SetMiniDumpWriteDumpForTesting(MiniDumpWriteDumpFunction function) {
  g_write_dump_for_testing = function;
}

bool WriteMiniDumpToFile(HANDLE process, DWORD pid, const CrashInfoBlock& info,
                         const base::FilePath& path, int64_t size_cap) {
  MiniDumpWriteDumpFunction write_dump = GetMiniDumpWriteDump();
  if (!write_dump)
    return false;
  base::win::ScopedHandle file(CreateFileW(path.value().c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    PLOG(ERROR) << "Cannot create " << path.value();
    return false;
  }
  MINIDUMP_EXCEPTION_INFORMATION exception = {};
  exception.ThreadId = info.thread_id;
  exception.ExceptionPointers =
      reinterpret_cast<EXCEPTION_POINTERS*>(static_cast<uintptr_t>(info.exception_pointers));
  exception.ClientPointers = TRUE;

  const CrashProductValues& product = GetCrashProductValues();
  std::string version = product.version + " " + std::to_string(product.build_number);
  MINIDUMP_USER_STREAM user_streams[2] = {};
  user_streams[0] = {kVersionStreamType, static_cast<ULONG>(version.size()), version.data()};
  ULONG stream_count = 1;
  AssertionInfo assertion = info.assertion;
  if (info.assertion.type == static_cast<uint32_t>(CrashKind::kInvalidParameter))
    user_streams[stream_count++] = {kAssertionStreamType, sizeof(assertion), &assertion};
  MINIDUMP_USER_STREAM_INFORMATION streams = {stream_count, user_streams};

  for (MINIDUMP_TYPE type : kDumpTypes) {
    Attempt attempt =
        TryDumpType(write_dump, process, pid, file.Get(), type,
                    info.exception_pointers ? &exception : nullptr, &streams, size_cap);
    if (attempt == Attempt::kAccepted)
      return true;
    if (attempt == Attempt::kStop)
      break;
  }
  file.Close();
  DeleteFileW(path.value().c_str());
  return false;
}

}  // namespace crash_reporter
