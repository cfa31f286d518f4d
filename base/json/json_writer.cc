#include "base/json/json_writer.h"

#include <math.h>
#include <stdint.h>

#include <charconv>

#include "base/json/string_escape.h"
#include "base/values.h"

namespace base {

namespace {

constexpr char kLineEnding[] = "\r\n";
constexpr int kIndentSpaces = 3;

class Writer {
 public:
  Writer(int options, std::string* out)
      : omit_binary_(options & JSONWriter::OPTIONS_OMIT_BINARY_VALUES),
        omit_double_type_(options & JSONWriter::OPTIONS_OMIT_DOUBLE_TYPE_PRESERVATION),
        pretty_(options & JSONWriter::OPTIONS_PRETTY_PRINT),
        out_(out) {}

  bool Build(const Value& node, size_t depth) {
    switch (node.type()) {
      case Value::Type::NONE:
        out_->append("null");
        return true;
      case Value::Type::BOOLEAN:
        out_->append(node.GetBool() ? "true" : "false");
        return true;
      case Value::Type::INTEGER:
        out_->append(std::to_string(node.GetInt()));
        return true;
      case Value::Type::DOUBLE:
        return WriteDouble(node.GetDouble());
      case Value::Type::STRING:
        // Invalid UTF-8 is written as U+FFFD; the write still succeeds.
        EscapeJSONString(node.GetString(), true, out_);
        return true;
      case Value::Type::BINARY:
        // Reached only without OMIT_BINARY_VALUES: there is no JSON form.
        return false;
      case Value::Type::LIST:
        return WriteList(node, depth);
      case Value::Type::DICTIONARY:
        return WriteDictionary(node, depth);
    }
    return false;
  }

  void EndDocument() {
    if (pretty_)
      out_->append(kLineEnding);
  }

 private:
  bool Skipped(const Value& value) const { return omit_binary_ && value.is_blob(); }

  bool WriteDouble(double value) {
    if (!isfinite(value))
      return false;
    if (omit_double_type_ && value == trunc(value) && value >= -9007199254740992.0 &&
        value <= 9007199254740992.0) {
      out_->append(std::to_string(static_cast<int64_t>(value)));
      return true;
    }
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    if (result.ec != std::errc())
      return false;
    std::string text(buffer, result.ptr);
    // "1.0" rather than "1", so the value reads back as a double.
    if (!omit_double_type_ && text.find_first_of(".eE") == std::string::npos)
      text.append(".0");
    out_->append(text);
    return true;
  }

  bool WriteList(const Value& node, size_t depth) {
    out_->push_back('[');
    if (pretty_)
      out_->push_back(' ');
    bool first = true;
    for (const Value& item : node.GetList()) {
      if (Skipped(item))
        continue;
      if (!first) {
        out_->push_back(',');
        if (pretty_)
          out_->push_back(' ');
      }
      if (!Build(item, depth + 1))
        return false;
      first = false;
    }
    if (pretty_)
      out_->push_back(' ');
    out_->push_back(']');
    return true;
  }

  bool WriteDictionary(const Value& node, size_t depth) {
    const DictionaryValue* dict = nullptr;
    node.GetAsDictionary(&dict);
    out_->push_back('{');
    if (pretty_)
      out_->append(kLineEnding);
    bool first = true;
    // Entries are stored in key order, so the output is sorted.
    for (const auto& entry : *dict) {
      if (Skipped(*entry.second))
        continue;
      if (!first) {
        out_->push_back(',');
        if (pretty_)
          out_->append(kLineEnding);
      }
      Indent(depth + 1);
      EscapeJSONString(entry.first, true, out_);
      out_->append(pretty_ ? ": " : ":");
      if (!Build(*entry.second, depth + 1))
        return false;
      first = false;
    }
    if (pretty_) {
      if (!first)
        out_->append(kLineEnding);
      Indent(depth);
    }
    out_->push_back('}');
    return true;
  }

  void Indent(size_t depth) {
    if (pretty_)
      out_->append(depth * kIndentSpaces, ' ');
  }

  const bool omit_binary_;
  const bool omit_double_type_;
  const bool pretty_;
  std::string* out_;
};

}  // namespace

// static
bool JSONWriter::Write(const Value& node, std::string* json) {
  return WriteWithOptions(node, 0, json);
}

// static
bool JSONWriter::WriteWithOptions(const Value& node, int options, std::string* json) {
  std::string result;
  Writer writer(options, &result);
  // A binary root has nothing to leave out to: it always fails.
  if (node.is_blob() || !writer.Build(node, 0))
    return false;
  writer.EndDocument();
  json->swap(result);
  return true;
}

}  // namespace base
