#ifndef BASE_JSON_JSON_READER_H_
#define BASE_JSON_JSON_READER_H_

#include <memory>
#include <string>
#include <string_view>

namespace base {

class Value;

enum JSONParserOptions {
  // Strict JSON, apart from comments, which are skipped.
  JSON_PARSE_RFC = 0,
  // Invalid UTF-8 becomes U+FFFD instead of failing the parse.
  JSON_REPLACE_INVALID_CHARACTERS = 1 << 1,
};

// Parses JSON text into Values. Never throws; any error gives null.
//
// Dictionaries come back as DictionaryValue and lists as ListValue; keys are
// stored as they are (a key "a.b" is one key, read it with the
// *WithoutPathExpansion getters). Numbers: an integer that fits in 32 bits is
// an INTEGER, any other number (fractions, exponents, integers outside the
// int range) a DOUBLE. Numbers that overflow a double are an error. Nesting
// deeper than the limit is an error, so hostile input cannot exhaust the
// stack of whoever walks the result. Text after the value is an error.
class JSONReader {
 public:
  static constexpr int kStackMaxDepth = 200;

  enum JsonParseError {
    JSON_NO_ERROR = 0,
    JSON_INVALID_ESCAPE,
    JSON_SYNTAX_ERROR,
    JSON_UNEXPECTED_TOKEN,
    JSON_TRAILING_COMMA,
    JSON_TOO_MUCH_NESTING,
    JSON_UNEXPECTED_DATA_AFTER_ROOT,
    JSON_UNSUPPORTED_ENCODING,
    JSON_UNQUOTED_DICTIONARY_KEY,
    JSON_PARSE_ERROR_COUNT
  };

  static std::unique_ptr<Value> Read(std::string_view json, int options = JSON_PARSE_RFC,
                                     int max_depth = kStackMaxDepth);

  // As Read, and on failure reports why: |error_code_out| and
  // |error_msg_out| (each optional) receive the error and a readable
  // message with the byte offset.
  static std::unique_ptr<Value> ReadAndReturnError(std::string_view json, int options,
                                                   int* error_code_out,
                                                   std::string* error_msg_out);

  static std::string ErrorCodeToString(JsonParseError error_code);
};

}  // namespace base

#endif  // BASE_JSON_JSON_READER_H_
