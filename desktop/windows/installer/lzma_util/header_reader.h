#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HEADER_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HEADER_READER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads the little the LZMA SDK passes over in a 7z header: which entries
// are anti-items (the deletion markers of an update archive, which stand
// for an entry to remove and carry nothing), and whether an encoded header
// is encrypted. Walks the header's structure without trusting it: any
// inconsistency is a false result.
class HeaderReader {
 public:
  // `header`: a decoded header, from its kHeader byte. `*anti` receives a
  // flag for each of the `file_count` entries.
  static bool ReadAntiItems(const uint8_t* header,
                            size_t size,
                            uint32_t file_count,
                            std::vector<bool>* anti);

  // `next_header`: the header as stored after the start header. True when
  // it is encoded with an encryption coder among its coders.
  static bool IsEncrypted(const uint8_t* next_header, size_t size);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HEADER_READER_H_
