#include "base/json/json_writer.h"

#include <limits>
#include <memory>
#include <string>

#include "base/json/json_reader.h"
#include "base/values.h"
#include "gtest/gtest.h"

namespace base {
namespace {

std::string WriteOrDie(const Value& value, int options = 0) {
  std::string json;
  EXPECT_TRUE(JSONWriter::WriteWithOptions(value, options, &json));
  return json;
}

TEST(JSONWriterTest, CompactWithSortedKeys) {
  DictionaryValue dict;
  dict.SetInteger("b", 1);
  dict.SetBoolean("a.c", true);
  dict.SetStringWithoutPathExpansion("a.b", "flat");
  dict.Set("n", std::make_unique<Value>());
  dict.SetList("l", std::make_unique<ListValue>());
  EXPECT_EQ("{\"a\":{\"c\":true},\"a.b\":\"flat\",\"b\":1,\"l\":[],\"n\":null}",
            WriteOrDie(dict));
}

TEST(JSONWriterTest, DoublesKeepTheirType) {
  EXPECT_EQ("1.0", WriteOrDie(Value(1.0)));
  EXPECT_EQ("-0.0", WriteOrDie(Value(-0.0)));
  EXPECT_EQ("0.1", WriteOrDie(Value(0.1)));
  EXPECT_EQ("2147483648.0", WriteOrDie(Value(2147483648.0)));
  EXPECT_EQ("1e+300", WriteOrDie(Value(1e300)));
  EXPECT_EQ("3", WriteOrDie(Value(3.0), JSONWriter::OPTIONS_OMIT_DOUBLE_TYPE_PRESERVATION));
  EXPECT_EQ("-2", WriteOrDie(Value(-2), JSONWriter::OPTIONS_OMIT_DOUBLE_TYPE_PRESERVATION));

  // Large integers read as doubles write back to the same number.
  std::unique_ptr<Value> big = JSONReader::Read("[4294967296,1.5]");
  ASSERT_TRUE(big);
  EXPECT_EQ("[4294967296.0,1.5]", WriteOrDie(*big));
  std::unique_ptr<Value> again = JSONReader::Read(WriteOrDie(*big));
  ASSERT_TRUE(again);
  EXPECT_TRUE(big->Equals(again.get()));
}

TEST(JSONWriterTest, NonFiniteNumbersAndBinaryFailWithoutOutput) {
  std::string json = "kept";
  EXPECT_FALSE(JSONWriter::Write(Value(std::numeric_limits<double>::quiet_NaN()), &json));
  ListValue list;
  list.AppendInteger(1);
  list.AppendDouble(std::numeric_limits<double>::infinity());
  EXPECT_FALSE(JSONWriter::Write(list, &json));
  EXPECT_EQ("kept", json);

  DictionaryValue dict;
  dict.SetInteger("a", 1);
  dict.Set("blob", Value::CreateWithCopiedBuffer("xy", 2));
  EXPECT_FALSE(JSONWriter::Write(dict, &json));
  EXPECT_EQ("kept", json);
  EXPECT_EQ("{\"a\":1}", WriteOrDie(dict, JSONWriter::OPTIONS_OMIT_BINARY_VALUES));
}

TEST(JSONWriterTest, InvalidUTF8IsReplacedNotFatal) {
  const struct {
    const char* input;
    const char* expected;
  } kCases[] = {
      {"a\xff" "b", "\"a\xef\xbf\xbd" "b\""},
      // A truncated sequence is one replacement.
      {"\xe2\x82", "\"\xef\xbf\xbd\""},
      {"\xe2\x82z", "\"\xef\xbf\xbdz\""},
      // Overlong forms and encoded surrogates are not characters.
      {"\xc0\xaf", "\"\xef\xbf\xbd\xef\xbf\xbd\""},
      {"\xed\xa0\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},
      {"\xf4\x90\x80\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},
      // Valid multi-byte text passes through unescaped.
      {"\xc3\xa9\xf0\x9f\x98\x80", "\"\xc3\xa9\xf0\x9f\x98\x80\""},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(c.expected, WriteOrDie(Value(c.input))) << c.input;

  // Keys too; and the result is valid JSON again.
  DictionaryValue dict;
  dict.SetStringWithoutPathExpansion("k\xfe", "v");
  std::string json = WriteOrDie(dict);
  EXPECT_EQ("{\"k\xef\xbf\xbd\":\"v\"}", json);
  EXPECT_TRUE(JSONReader::Read(json));
}

TEST(JSONWriterTest, EscapesControlAndMarkupCharacters) {
  EXPECT_EQ("\"\\\"\\\\\\b\\f\\n\\r\\t\\u0001\\u001F\\u003C/x>\\u2028\"",
            WriteOrDie(Value("\"\\\b\f\n\r\t\x01\x1f</x>\xe2\x80\xa8")));
  EXPECT_EQ("\"a\\u0000b\"", WriteOrDie(Value(std::string_view("a\0b", 3))));
}

TEST(JSONWriterTest, RoundTripKeepsDottedAndFlatKeysApart) {
  DictionaryValue dict;
  dict.SetString("utm.source", "nested");
  dict.SetStringWithoutPathExpansion("utm.medium", "flat");
  dict.SetStringWithoutPathExpansion("uuid", "\xe2\x82\xac<&>");
  std::unique_ptr<Value> back = JSONReader::Read(WriteOrDie(dict));
  ASSERT_TRUE(back);
  EXPECT_TRUE(dict.Equals(back.get()));
}

TEST(JSONWriterTest, PrettyPrint) {
  DictionaryValue dict;
  dict.SetInteger("a.b", 1);
  auto list = std::make_unique<ListValue>();
  list->AppendInteger(1);
  list->AppendString("x");
  dict.SetList("l", std::move(list));
  dict.SetDictionary("e", std::make_unique<DictionaryValue>());
  EXPECT_EQ(
      "{\r\n"
      "   \"a\": {\r\n"
      "      \"b\": 1\r\n"
      "   },\r\n"
      "   \"e\": {\r\n"
      "   },\r\n"
      "   \"l\": [ 1, \"x\" ]\r\n"
      "}\r\n",
      WriteOrDie(dict, JSONWriter::OPTIONS_PRETTY_PRINT));
}

}  // namespace
}  // namespace base
