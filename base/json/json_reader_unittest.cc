#include "base/json/json_reader.h"

#include <string>

#include "base/values.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(JSONReaderTest, IntegersOutsideInt32BecomeDoubles) {
  const struct {
    const char* json;
    Value::Type type;
    double value;
  } kCases[] = {
      {"2147483647", Value::Type::INTEGER, 2147483647.0},
      {"-2147483648", Value::Type::INTEGER, -2147483648.0},
      {"2147483648", Value::Type::DOUBLE, 2147483648.0},
      {"-2147483649", Value::Type::DOUBLE, -2147483649.0},
      {"18446744073709551615", Value::Type::DOUBLE, 18446744073709551615.0},
      {"184467440737095516160", Value::Type::DOUBLE, 184467440737095516160.0},
      {"1.0", Value::Type::DOUBLE, 1.0},
      {"1e2", Value::Type::DOUBLE, 100.0},
      {"-0", Value::Type::INTEGER, 0.0},
  };
  for (const auto& c : kCases) {
    std::unique_ptr<Value> value = JSONReader::Read(c.json);
    ASSERT_TRUE(value) << c.json;
    EXPECT_EQ(c.type, value->type()) << c.json;
    EXPECT_EQ(c.value, value->GetDouble()) << c.json;
  }
  // A double beyond the double range is refused, not read as infinity.
  EXPECT_FALSE(JSONReader::Read("1e400"));
  EXPECT_FALSE(JSONReader::Read("[-1e400]"));
}

TEST(JSONReaderTest, RejectsGarbageWithAReason) {
  int error = JSONReader::JSON_NO_ERROR;
  std::string message;
  EXPECT_FALSE(JSONReader::ReadAndReturnError("{} x", JSON_PARSE_RFC, &error, &message));
  EXPECT_EQ(JSONReader::JSON_UNEXPECTED_DATA_AFTER_ROOT, error);
  EXPECT_FALSE(message.empty());

  const char* kBad[] = {
      "",         "   ",        "{",          "[1,]",        "{\"a\":1,}", "{a:1}",
      "{'a':1}",  "[01]",       "NaN",        "[Infinity]",  "tru",        "\"abc",
      "{\"a\"}",  "[1 2]",      "\"\\x41\"",  "{} {}",       "[1]]",       "\"a\tb\"",
  };
  for (const char* json : kBad) {
    error = JSONReader::JSON_NO_ERROR;
    EXPECT_FALSE(JSONReader::ReadAndReturnError(json, JSON_PARSE_RFC, &error, nullptr))
        << json;
    EXPECT_NE(JSONReader::JSON_NO_ERROR, error) << json;
  }
  // White space around the value and comments are fine.
  EXPECT_TRUE(JSONReader::Read(" \r\n{ \"a\" : [ 1 , 2 ] }\n\t"));
  EXPECT_TRUE(JSONReader::Read("// note\n{\"a\": /* inline */ 1}"));
  // A UTF-8 byte-order mark is skipped.
  EXPECT_TRUE(JSONReader::Read("\xEF\xBB\xBF{\"a\":1}"));
}

TEST(JSONReaderTest, NestingLimit) {
  std::string ok = std::string(200, '[') + std::string(200, ']');
  EXPECT_TRUE(JSONReader::Read(ok));
  std::string too_deep = std::string(201, '[') + std::string(201, ']');
  int error = JSONReader::JSON_NO_ERROR;
  EXPECT_FALSE(JSONReader::ReadAndReturnError(too_deep, JSON_PARSE_RFC, &error, nullptr));
  EXPECT_EQ(JSONReader::JSON_TOO_MUCH_NESTING, error);
  // Hostile depth fails fast instead of exhausting the stack.
  std::string hostile;
  for (int i = 0; i < 100000; ++i)
    hostile += "{\"a\":[";
  EXPECT_FALSE(JSONReader::Read(hostile));
  EXPECT_FALSE(JSONReader::Read(std::string(1000000, '[')));
  EXPECT_TRUE(JSONReader::Read("[[[1]]]", JSON_PARSE_RFC, 3));
  EXPECT_FALSE(JSONReader::Read("[[[1]]]", JSON_PARSE_RFC, 2));
}

TEST(JSONReaderTest, KeysAreLiteralAndTheLastDuplicateWins) {
  std::unique_ptr<DictionaryValue> dict = DictionaryValue::From(
      JSONReader::Read("{\"utm.medium\":\"cpc\",\"a\":{\"b\":1},\"d\":1,\"d\":2}"));
  ASSERT_TRUE(dict);
  std::string medium;
  EXPECT_TRUE(dict->GetStringWithoutPathExpansion("utm.medium", &medium));
  EXPECT_EQ("cpc", medium);
  EXPECT_FALSE(dict->GetString("utm.medium", &medium));
  int b = 0;
  EXPECT_TRUE(dict->GetInteger("a.b", &b) && b == 1);
  int d = 0;
  EXPECT_TRUE(dict->GetInteger("d", &d));
  EXPECT_EQ(2, d);
  EXPECT_EQ(3u, dict->size());
}

TEST(JSONReaderTest, StringEscapesAndEncoding) {
  std::unique_ptr<Value> value =
      JSONReader::Read("\"\\u00e9\\ud83d\\ude00\\n\\\"\\/\\u0000x\"");
  ASSERT_TRUE(value);
  EXPECT_EQ(std::string("\xc3\xa9\xf0\x9f\x98\x80\n\"/\0x", 11), value->GetString());

  // A lone surrogate escape and raw invalid UTF-8 are errors...
  EXPECT_FALSE(JSONReader::Read("\"\\ud800\""));
  int error = JSONReader::JSON_NO_ERROR;
  EXPECT_FALSE(JSONReader::ReadAndReturnError("[\"a\xffz\"]", JSON_PARSE_RFC, &error, nullptr));
  EXPECT_EQ(JSONReader::JSON_UNSUPPORTED_ENCODING, error);
  // ...unless replacement was asked for.
  value = JSONReader::Read("[\"a\xffz\"]", JSON_REPLACE_INVALID_CHARACTERS);
  ASSERT_TRUE(value);
  std::string s;
  ASSERT_TRUE(static_cast<ListValue*>(value.get())->GetString(0, &s));
  EXPECT_EQ("a\xef\xbf\xbdz", s);
}

TEST(JSONReaderTest, ContainersComeBackAsTheirClasses) {
  std::unique_ptr<Value> root = JSONReader::Read("[{\"k\":[true,null,1.5]}]");
  ASSERT_TRUE(root && root->is_list());
  ListValue* list = nullptr;
  ASSERT_TRUE(root->GetAsList(&list));
  DictionaryValue* dict = nullptr;
  ASSERT_TRUE(list->GetDictionary(0, &dict));
  ListValue* inner = nullptr;
  ASSERT_TRUE(dict->GetList("k", &inner));
  ASSERT_EQ(3u, inner->GetSize());
  bool flag = false;
  EXPECT_TRUE(inner->GetBoolean(0, &flag) && flag);
  const Value* null_value = nullptr;
  EXPECT_TRUE(inner->Get(1, &null_value) && null_value->is_none());
  double d = 0;
  EXPECT_TRUE(inner->GetDouble(2, &d) && d == 1.5);
}

}  // namespace
}  // namespace base
