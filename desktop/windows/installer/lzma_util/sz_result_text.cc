#include "desktop/windows/installer/lzma_util/sz_result_text.h"

#include <algorithm>

#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"

namespace {

constexpr uint64_t kAes = 0x06F10701;

struct Method {
  uint64_t id;
  const char* name;
  // Whether the LZMA SDK's decoder has it.
  bool decoded;
};

constexpr Method kMethods[] = {
    {0x00, "Copy", true},           {0x03, "Delta", true},
    {0x0A, "ARM64", true},          {0x0B, "RISCV", true},
    {0x21, "LZMA2", true},          {0x030101, "LZMA", true},
    {0x030401, "PPMd", true},       {0x03030103, "BCJ", true},
    {0x0303011B, "BCJ2", true},     {0x03030205, "PPC", true},
    {0x03030401, "IA64", true},     {0x03030501, "ARM", true},
    {0x03030701, "ARMT", true},     {0x03030805, "SPARC", true},
    {0x020302, "Swap2", false},     {0x020304, "Swap4", false},
    {0x040108, "Deflate", false},   {0x040109, "Deflate64", false},
    {0x040202, "BZip2", false},     {kAes, "AES-256", false},
    {0x04F71101, "Zstandard", false}, {0x04F71102, "Brotli", false},
    {0x04F71104, "LZ4", false},
};

const Method* FindMethod(uint64_t id) {
  for (const Method& method : kMethods) {
    if (method.id == id)
      return &method;
  }
  return nullptr;
}

// A coder's method by the name 7-Zip gives it, or its id in hexadecimal.
std::string MethodName(uint64_t id) {
  const Method* method = FindMethod(id);
  return method ? method->name
                : base::StringPrintf("method 0x%llX", static_cast<unsigned long long>(id));
}

std::string WithCode(const std::string& cause, const char* call, SRes result) {
  return cause + " (" + call + ": " + std::to_string(result) + ")";
}

// Why coders `methods` cannot be decoded, after "coded": the methods the
// decoder lacks, or else the way they are combined. Named from the last
// coder of the block to the first, as 7-Zip lists them (filters first).
std::string UnsupportedMethods(const std::vector<uint64_t>& methods) {
  std::vector<std::string> missing, all;
  for (auto it = methods.rbegin(); it != methods.rend(); ++it) {
    const uint64_t id = *it;
    const Method* method = FindMethod(id);
    const std::string name = MethodName(id);
    all.push_back(name);
    if ((!method || !method->decoded) &&
        std::find(missing.begin(), missing.end(), name) == missing.end()) {
      missing.push_back(name);
    }
  }
  if (!missing.empty())
    return "with " + base::JoinString(missing, ", ") + ", which this decoder does not support";
  return "with " + base::JoinString(all, ", ") + " combined in a way this decoder does not support";
}

}  // namespace

// static
std::string SzResultText::OfOpen(SRes result, const std::vector<uint64_t>& header_methods) {
  const bool header_encrypted =
      std::find(header_methods.begin(), header_methods.end(), kAes) != header_methods.end();
  std::string cause;
  switch (result) {
    case SZ_ERROR_INPUT_EOF:
      // A first volume reads as an archive whose header lies past its end.
      cause = "the archive is truncated, or one volume of a multi-volume set";
      break;
    case SZ_ERROR_UNSUPPORTED:
      cause = header_encrypted ? "the archive's header is encrypted, and no password can be given"
              : header_methods.empty()
                  ? "the archive's header is coded with a method this decoder does not support"
                  : "the archive's header is coded " + UnsupportedMethods(header_methods);
      break;
    case SZ_ERROR_CRC:
      cause = "the archive's header is damaged (CRC mismatch)";
      break;
    case SZ_ERROR_DATA:
    case SZ_ERROR_ARCHIVE:
    case SZ_ERROR_NO_ARCHIVE:
      cause = "the archive's header is damaged";
      break;
    case SZ_ERROR_MEM:
      cause = "not enough memory for the archive's header";
      break;
    case SZ_ERROR_READ:
      cause = "the archive cannot be read";
      break;
    default:
      cause = "the archive cannot be opened";
      break;
  }
  return WithCode(cause, "SzArchiveOpen", result);
}

// static
std::string SzResultText::OfDecode(SRes result, const std::vector<uint64_t>& methods) {
  const bool encrypted = std::find(methods.begin(), methods.end(), kAes) != methods.end();
  std::string cause;
  switch (result) {
    case SZ_ERROR_DATA:
      cause = "its data are damaged";
      break;
    case SZ_ERROR_CRC:
      cause = "its data are damaged (CRC mismatch)";
      break;
    case SZ_ERROR_UNSUPPORTED:
      cause = encrypted          ? "it is encrypted, and no password can be given"
              : methods.empty() ? "it is coded with a method this decoder does not support"
                                : "it is coded " + UnsupportedMethods(methods);
      break;
    case SZ_ERROR_INPUT_EOF:
      cause = "the archive is truncated";
      break;
    case SZ_ERROR_ARCHIVE:
      cause = "the archive's header describes it wrongly";
      break;
    case SZ_ERROR_MEM:
      cause = "not enough memory to decode it";
      break;
    case SZ_ERROR_READ:
      cause = "the archive cannot be read";
      break;
    default:
      cause = "it cannot be decoded";
      break;
  }
  return WithCode(cause, "SzExtract", result);
}
