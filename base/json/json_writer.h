#ifndef BASE_JSON_JSON_WRITER_H_
#define BASE_JSON_JSON_WRITER_H_

#include <string>

namespace base {

class Value;

// Writes Values as JSON text. Never throws.
//
// Compact by default: no white space, dictionary keys in sorted (byte)
// order. Strings are escaped; invalid UTF-8 in them is written as U+FFFD.
// Doubles keep a ".0" when integral so they read back as doubles. Writing
// fails (false) for NaN or infinite numbers, and for binary values unless
// OPTIONS_OMIT_BINARY_VALUES is set; |json| is then left as it was.
class JSONWriter {
 public:
  enum Options {
    // Binary values (and dictionary entries or list elements holding them)
    // are left out instead of failing the write.
    OPTIONS_OMIT_BINARY_VALUES = 1 << 0,
    // Integral doubles are written without ".0".
    OPTIONS_OMIT_DOUBLE_TYPE_PRESERVATION = 1 << 1,
    // Three-space indentation and CRLF line ends, ending with a line end.
    OPTIONS_PRETTY_PRINT = 1 << 2,
  };

  static bool Write(const Value& node, std::string* json);
  static bool WriteWithOptions(const Value& node, int options, std::string* json);
};

}  // namespace base

#endif  // BASE_JSON_JSON_WRITER_H_
