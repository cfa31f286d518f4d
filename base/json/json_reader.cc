#include "base/json/json_reader.h"

#include <math.h>
#include <stdint.h>

#include <limits>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/strings/utf_string_conversions.h"
#include "base/values.h"

namespace base {

namespace {

// Builds Values straight from the parser's events, so that the depth limit
// applies before anything deep is built and no exception is ever thrown.
class ValueBuilder : public nlohmann::json_sax<nlohmann::json> {
 public:
  explicit ValueBuilder(int max_depth) : max_depth_(max_depth) {}

  bool null() override { return Add(std::make_unique<Value>()); }
  bool boolean(bool value) override { return Add(std::make_unique<Value>(value)); }

  bool number_integer(number_integer_t value) override {
    if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())
      return Add(std::make_unique<Value>(static_cast<int>(value)));
    return Add(std::make_unique<Value>(static_cast<double>(value)));
  }

  bool number_unsigned(number_unsigned_t value) override {
    if (value <= static_cast<number_unsigned_t>(std::numeric_limits<int>::max()))
      return Add(std::make_unique<Value>(static_cast<int>(value)));
    return Add(std::make_unique<Value>(static_cast<double>(value)));
  }

  bool number_float(number_float_t value, const string_t&) override {
    if (!isfinite(value))
      return Fail(JSONReader::JSON_SYNTAX_ERROR, "Number out of range");
    return Add(std::make_unique<Value>(static_cast<double>(value)));
  }

  bool string(string_t& value) override { return Add(std::make_unique<Value>(std::move(value))); }

  bool binary(binary_t&) override {
    return Fail(JSONReader::JSON_SYNTAX_ERROR, "Unexpected binary data");
  }

  bool start_object(std::size_t) override {
    return Open(std::make_unique<DictionaryValue>());
  }

  bool key(string_t& value) override {
    stack_.back().key = std::move(value);
    return true;
  }

  bool end_object() override { return Close(); }

  bool start_array(std::size_t) override { return Open(std::make_unique<ListValue>()); }

  bool end_array() override { return Close(); }

  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception& ex) override {
    std::string what = ex.what();
    JSONReader::JsonParseError code = JSONReader::JSON_SYNTAX_ERROR;
    if (what.find("expected end of input") != std::string::npos)
      code = JSONReader::JSON_UNEXPECTED_DATA_AFTER_ROOT;
    else if (what.find("UTF-8") != std::string::npos || what.find("surrogate") != std::string::npos)
      code = JSONReader::JSON_UNSUPPORTED_ENCODING;
    else if (what.find("escape") != std::string::npos ||
             what.find("after backslash") != std::string::npos)
      code = JSONReader::JSON_INVALID_ESCAPE;
    else if (what.find("object key") != std::string::npos)
      code = JSONReader::JSON_UNQUOTED_DICTIONARY_KEY;
    return Fail(code, what + " (byte " + std::to_string(position) + ")");
  }

  std::unique_ptr<Value> TakeRoot() { return std::move(root_); }
  JSONReader::JsonParseError error_code() const { return error_code_; }
  const std::string& error_message() const { return error_message_; }

 private:
  struct Frame {
    std::unique_ptr<Value> container;
    std::string key;  // The key of the next value of a dictionary.
  };

  bool Add(std::unique_ptr<Value> value) {
    if (stack_.empty()) {
      root_ = std::move(value);
      return true;
    }
    Frame& top = stack_.back();
    if (top.container->is_dict()) {
      // Keys are taken literally: "a.b" is one key. A repeated key keeps
      // the last value.
      static_cast<DictionaryValue*>(top.container.get())
          ->SetWithoutPathExpansion(top.key, std::move(value));
    } else {
      static_cast<ListValue*>(top.container.get())->Append(std::move(value));
    }
    return true;
  }

  bool Open(std::unique_ptr<Value> container) {
    if (static_cast<int>(stack_.size()) >= max_depth_)
      return Fail(JSONReader::JSON_TOO_MUCH_NESTING, "Nesting too deep");
    stack_.push_back(Frame{std::move(container), std::string()});
    return true;
  }

  bool Close() {
    std::unique_ptr<Value> done = std::move(stack_.back().container);
    stack_.pop_back();
    return Add(std::move(done));
  }

  bool Fail(JSONReader::JsonParseError code, std::string message) {
    if (error_code_ == JSONReader::JSON_NO_ERROR) {
      error_code_ = code;
      error_message_ = std::move(message);
    }
    return false;
  }

  const int max_depth_;
  std::vector<Frame> stack_;
  std::unique_ptr<Value> root_;
  JSONReader::JsonParseError error_code_ = JSONReader::JSON_NO_ERROR;
  std::string error_message_;
};

std::unique_ptr<Value> Parse(std::string_view json, int options, int max_depth,
                             JSONReader::JsonParseError* error_code, std::string* error_message) {
  std::string sanitized;
  if (options & JSON_REPLACE_INVALID_CHARACTERS) {
    sanitized = WideToUTF8(UTF8ToWide(json));
    json = sanitized;
  }
  ValueBuilder builder(max_depth);
  bool ok = false;
  try {
    ok = nlohmann::json::sax_parse(json.begin(), json.end(), &builder,
                                   nlohmann::json::input_format_t::json, /*strict=*/true,
                                   /*ignore_comments=*/true);
  } catch (...) {
    // The SAX route reports errors through parse_error; this only guards
    // against allocation failure deep inside the library.
    ok = false;
  }
  std::unique_ptr<Value> root = builder.TakeRoot();
  if (!ok || !root) {
    *error_code = builder.error_code() != JSONReader::JSON_NO_ERROR
                      ? builder.error_code()
                      : JSONReader::JSON_SYNTAX_ERROR;
    *error_message = builder.error_message().empty()
                         ? JSONReader::ErrorCodeToString(*error_code)
                         : builder.error_message();
    return nullptr;
  }
  *error_code = JSONReader::JSON_NO_ERROR;
  error_message->clear();
  return root;
}

}  // namespace

// static
std::unique_ptr<Value> JSONReader::Read(std::string_view json, int options, int max_depth) {
  JsonParseError error_code;
  std::string error_message;
  return Parse(json, options, max_depth, &error_code, &error_message);
}

// static
std::unique_ptr<Value> JSONReader::ReadAndReturnError(std::string_view json, int options,
                                                      int* error_code_out,
                                                      std::string* error_msg_out) {
  JsonParseError error_code;
  std::string error_message;
  std::unique_ptr<Value> root = Parse(json, options, kStackMaxDepth, &error_code, &error_message);
  if (error_code_out)
    *error_code_out = error_code;
  if (error_msg_out)
    *error_msg_out = error_message;
  return root;
}

// static
std::string JSONReader::ErrorCodeToString(JsonParseError error_code) {
  switch (error_code) {
    case JSON_NO_ERROR:
      return std::string();
    case JSON_INVALID_ESCAPE:
      return "Invalid escape sequence.";
    case JSON_SYNTAX_ERROR:
      return "Syntax error.";
    case JSON_UNEXPECTED_TOKEN:
      return "Unexpected token.";
    case JSON_TRAILING_COMMA:
      return "Trailing comma not allowed.";
    case JSON_TOO_MUCH_NESTING:
      return "Too much nesting.";
    case JSON_UNEXPECTED_DATA_AFTER_ROOT:
      return "Unexpected data after root element.";
    case JSON_UNSUPPORTED_ENCODING:
      return "Unsupported encoding. JSON must be UTF-8.";
    case JSON_UNQUOTED_DICTIONARY_KEY:
      return "Dictionary keys must be quoted.";
    case JSON_PARSE_ERROR_COUNT:
      break;
  }
  return "Unknown error.";
}

}  // namespace base
