#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SZ_RESULT_TEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SZ_RESULT_TEXT_H_

#include <string>

#include "7zTypes.h"

// What an LZMA SDK result says went wrong, in words, with the SDK's code
// after them for whoever compares logs.
class SzResultText {
 public:
  // Of SzArEx_Open. `header_encrypted`: the stored header has an
  // encryption coder.
  static std::string OfOpen(SRes result, bool header_encrypted);
  // Of decoding an entry's block. `encrypted`: the block has an encryption
  // coder.
  static std::string OfDecode(SRes result, bool encrypted);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SZ_RESULT_TEXT_H_
