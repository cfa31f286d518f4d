#ifndef CRASH_REPORTER_TEST_SUPPORT_MINIDUMP_READER_H_
#define CRASH_REPORTER_TEST_SUPPORT_MINIDUMP_READER_H_

#include <windows.h>
#include <dbghelp.h>

#include <cstring>
#include <string>

namespace crash_reporter {

// "MDMP" read as a little-endian number.
inline constexpr ULONG32 kMinidumpSignature = 0x504d444d;

// Reads the stream directory of a minidump held in memory.
class MinidumpReader {
 public:
  explicit MinidumpReader(const std::string& dump) : dump_(dump) {}

  bool valid() const {
    if (dump_.size() < sizeof(MINIDUMP_HEADER))
      return false;
    const MINIDUMP_HEADER* header = Header();
    return header->Signature == kMinidumpSignature &&
           header->StreamDirectoryRva + header->NumberOfStreams * sizeof(MINIDUMP_DIRECTORY) <=
               dump_.size();
  }
  bool HasStream(ULONG32 type) const { return Find(type) != nullptr; }
  // The stream's bytes; empty when missing.
  std::string Stream(ULONG32 type) const {
    const MINIDUMP_DIRECTORY* entry = Find(type);
    if (!entry || entry->Location.Rva + entry->Location.DataSize > dump_.size())
      return std::string();
    return dump_.substr(entry->Location.Rva, entry->Location.DataSize);
  }
  // The exception code of the exception stream, or 0.
  DWORD ExceptionCode() const {
    std::string stream = Stream(ExceptionStream);
    if (stream.size() < sizeof(MINIDUMP_EXCEPTION_STREAM))
      return 0;
    MINIDUMP_EXCEPTION_STREAM exception;
    memcpy(&exception, stream.data(), sizeof(exception));
    return exception.ExceptionRecord.ExceptionCode;
  }

 private:
  const MINIDUMP_HEADER* Header() const {
    return reinterpret_cast<const MINIDUMP_HEADER*>(dump_.data());
  }
  const MINIDUMP_DIRECTORY* Find(ULONG32 type) const {
    if (!valid())
      return nullptr;
    auto* directory =
        reinterpret_cast<const MINIDUMP_DIRECTORY*>(dump_.data() + Header()->StreamDirectoryRva);
    for (ULONG32 i = 0; i < Header()->NumberOfStreams; ++i) {
      if (directory[i].StreamType == type)
        return &directory[i];
    }
    return nullptr;
  }

  const std::string& dump_;
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_TEST_SUPPORT_MINIDUMP_READER_H_
