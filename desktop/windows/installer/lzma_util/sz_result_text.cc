#include "desktop/windows/installer/lzma_util/sz_result_text.h"

namespace {

std::string WithCode(const char* cause, const char* call, SRes result) {
  return std::string(cause) + " (" + call + ": " + std::to_string(result) + ")";
}

}  // namespace

// static
std::string SzResultText::OfOpen(SRes result, bool header_encrypted) {
  const char* cause;
  switch (result) {
    case SZ_ERROR_INPUT_EOF:
      // A first volume reads as an archive whose header lies past its end.
      cause = "the archive is truncated, or one volume of a multi-volume set";
      break;
    case SZ_ERROR_UNSUPPORTED:
      cause = header_encrypted
                  ? "the archive's header is encrypted, and no password can be given"
                  : "the archive's header is coded with a method this decoder does not support";
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
std::string SzResultText::OfDecode(SRes result, bool encrypted) {
  const char* cause;
  switch (result) {
    case SZ_ERROR_DATA:
      cause = "its data are damaged";
      break;
    case SZ_ERROR_CRC:
      cause = "its data are damaged (CRC mismatch)";
      break;
    case SZ_ERROR_UNSUPPORTED:
      cause = encrypted ? "it is encrypted, and no password can be given"
                        : "it is coded with a method this decoder does not support";
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
