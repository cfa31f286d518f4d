#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SZ_RESULT_TEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SZ_RESULT_TEXT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "7zTypes.h"

// What an LZMA SDK result says went wrong, in words, with the SDK's code
// after them for whoever compares logs.
class SzResultText {
 public:
  // Of SzArEx_Open. `header_methods`: the method ids of the coders the
  // stored header is encoded with, when known.
  static std::string OfOpen(SRes result, const std::vector<uint64_t>& header_methods);
  // Of decoding an entry's block. `methods`: the method ids of the block's
  // coders, when known.
  static std::string OfDecode(SRes result, const std::vector<uint64_t>& methods);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SZ_RESULT_TEXT_H_
