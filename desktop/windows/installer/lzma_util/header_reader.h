#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HEADER_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HEADER_READER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads the little the LZMA SDK passes over in a 7z header: which entries
// are anti-items (the deletion markers of an update archive, which stand
// for an entry to remove and carry nothing), and the coders of an encoded
// header (to tell why the SDK could not decode it). Walks the header's
// structure without trusting it: any inconsistency is a false result.
class HeaderReader {
 public:
  // `header`: a decoded header, from its kHeader byte. `*anti` receives a
  // flag for each of the `file_count` entries.
  static bool ReadAntiItems(const uint8_t* header,
                            size_t size,
                            uint32_t file_count,
                            std::vector<bool>* anti);

  // `next_header`: the header as stored after the start header. Appends the
  // method ids of the coders it is encoded with to `methods`; false when it
  // is not an encoded header.
  static bool ReadHeaderMethods(const uint8_t* next_header,
                                size_t size,
                                std::vector<uint64_t>* methods);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HEADER_READER_H_
