#include "base/values.h"

#include <memory>
#include <string>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(ValuesTest, DottedPathsNestAndFlatKeysStayFlat) {
  DictionaryValue dict;
  dict.SetString("utm.source", "path");
  dict.SetStringWithoutPathExpansion("utm.medium", "flat");

  // The dotted setter made a nested dictionary...
  const DictionaryValue* utm = nullptr;
  ASSERT_TRUE(dict.GetDictionary("utm", &utm));
  std::string value;
  EXPECT_TRUE(utm->GetString("source", &value));
  EXPECT_EQ("path", value);
  EXPECT_FALSE(dict.HasKey("utm.source"));

  // ...while the flat key is one key that a path lookup does not find.
  EXPECT_TRUE(dict.HasKey("utm.medium"));
  EXPECT_TRUE(dict.GetStringWithoutPathExpansion("utm.medium", &value));
  EXPECT_EQ("flat", value);
  value = "untouched";
  EXPECT_FALSE(dict.GetString("utm.medium", &value));
  EXPECT_EQ("untouched", value);
  EXPECT_FALSE(utm->HasKey("medium"));
  EXPECT_EQ(2u, dict.size());
}

TEST(ValuesTest, SettingAPathThroughANonDictionaryReplacesIt) {
  DictionaryValue dict;
  dict.SetInteger("a", 1);
  dict.SetBoolean("a.b.c", true);
  bool flag = false;
  EXPECT_TRUE(dict.GetBoolean("a.b.c", &flag));
  EXPECT_TRUE(flag);
  int number = 0;
  EXPECT_FALSE(dict.GetInteger("a", &number));
  // A dictionary on the way is kept and extended, not replaced.
  dict.SetInteger("a.d", 4);
  EXPECT_TRUE(dict.GetBoolean("a.b.c", &flag));
  EXPECT_TRUE(dict.GetInteger("a.d", &number));
  EXPECT_EQ(4, number);
}

TEST(ValuesTest, TypedGettersAreStrictExceptDoubleFromInteger) {
  DictionaryValue dict;
  dict.SetInteger("int", 3);
  dict.SetDouble("double", 2.5);
  dict.SetString("string", "7");

  double d = 0;
  EXPECT_TRUE(dict.GetDouble("int", &d));
  EXPECT_EQ(3.0, d);
  int i = -1;
  EXPECT_FALSE(dict.GetInteger("double", &i));
  EXPECT_FALSE(dict.GetInteger("string", &i));
  EXPECT_EQ(-1, i);
  std::string s = "kept";
  EXPECT_FALSE(dict.GetString("int", &s));
  EXPECT_EQ("kept", s);
  EXPECT_FALSE(dict.GetString("missing", &s));

  // An integer and a double of the same value are different values.
  EXPECT_FALSE(Value(1).Equals(std::make_unique<Value>(1.0).get()));
}

TEST(ValuesTest, WideStringsTravelAsUTF8) {
  DictionaryValue dict;
  dict.SetString("name", std::wstring(L"Gr\x00fc\x00df \x20ac"));
  std::string utf8;
  ASSERT_TRUE(dict.GetString("name", &utf8));
  EXPECT_EQ("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac", utf8);
  std::wstring wide;
  ASSERT_TRUE(dict.GetString("name", &wide));
  EXPECT_EQ(L"Gr\x00fc\x00df \x20ac", wide);
}

TEST(ValuesTest, MergeDictionaryIsDeepAndCopies) {
  DictionaryValue base;
  base.SetString("keep", "base");
  base.SetString("nested.a", "base");
  base.SetString("nested.b", "base");
  base.SetString("replaced", "base");

  DictionaryValue overlay;
  overlay.SetString("nested.b", "overlay");
  overlay.SetString("nested.c", "overlay");
  overlay.SetInteger("replaced.deeper", 1);

  base.MergeDictionary(&overlay);
  std::string s;
  EXPECT_TRUE(base.GetString("keep", &s) && s == "base");
  EXPECT_TRUE(base.GetString("nested.a", &s) && s == "base");
  EXPECT_TRUE(base.GetString("nested.b", &s) && s == "overlay");
  EXPECT_TRUE(base.GetString("nested.c", &s) && s == "overlay");
  int i = 0;
  EXPECT_TRUE(base.GetInteger("replaced.deeper", &i) && i == 1);

  // Later changes to the source do not show through.
  overlay.SetString("nested.b", "changed");
  EXPECT_TRUE(base.GetString("nested.b", &s) && s == "overlay");
}

TEST(ValuesTest, DeepCopyIsIndependentAndEqual) {
  DictionaryValue original;
  original.SetString("a.b", "x");
  auto list = std::make_unique<ListValue>();
  list->AppendInteger(1);
  auto inner = std::make_unique<DictionaryValue>();
  inner->SetBoolean("flag", true);
  list->Append(std::move(inner));
  original.SetList("list", std::move(list));

  std::unique_ptr<DictionaryValue> copy = original.CreateDeepCopy();
  EXPECT_TRUE(original.Equals(copy.get()));
  copy->SetString("a.b", "y");
  EXPECT_FALSE(original.Equals(copy.get()));

  // A dictionary inside a list of the copy is usable as a dictionary.
  ListValue* copied_list = nullptr;
  ASSERT_TRUE(copy->GetList("list", &copied_list));
  DictionaryValue* copied_inner = nullptr;
  ASSERT_TRUE(copied_list->GetDictionary(1, &copied_inner));
  bool flag = false;
  EXPECT_TRUE(copied_inner->GetBoolean("flag", &flag) && flag);
  EXPECT_FALSE(copied_list->GetDictionary(0, &copied_inner));
  EXPECT_FALSE(copied_list->GetDictionary(2, &copied_inner));
}

TEST(ValuesTest, RemoveByPathAndByKey) {
  DictionaryValue dict;
  dict.SetInteger("a.b", 1);
  dict.SetIntegerWithoutPathExpansion("a.c", 2);
  std::unique_ptr<Value> removed;
  EXPECT_TRUE(dict.Remove("a.b", &removed));
  ASSERT_TRUE(removed);
  EXPECT_EQ(1, removed->GetInt());
  EXPECT_TRUE(dict.HasKey("a"));  // The emptied parent stays.
  EXPECT_FALSE(dict.Remove("a.c", nullptr));
  EXPECT_TRUE(dict.RemoveWithoutPathExpansion("a.c", nullptr));
  EXPECT_FALSE(dict.HasKey("a.c"));
}

TEST(ValuesTest, ListSetPadsAndRemoveHandsBackTheElement) {
  ListValue list;
  ASSERT_TRUE(list.Set(2, std::make_unique<Value>("third")));
  ASSERT_EQ(3u, list.GetSize());
  const Value* first = nullptr;
  ASSERT_TRUE(list.Get(0, &first));
  EXPECT_TRUE(first->is_none());
  EXPECT_FALSE(list.Set(0, nullptr));

  auto dict = std::make_unique<DictionaryValue>();
  dict->SetInteger("x", 5);
  list.Append(std::move(dict));
  std::unique_ptr<Value> removed;
  ASSERT_TRUE(list.Remove(3, &removed));
  std::unique_ptr<DictionaryValue> as_dict = DictionaryValue::From(std::move(removed));
  ASSERT_TRUE(as_dict);
  int x = 0;
  EXPECT_TRUE(as_dict->GetInteger("x", &x) && x == 5);
  EXPECT_FALSE(DictionaryValue::From(std::make_unique<Value>(1)));
  EXPECT_FALSE(list.Remove(3, nullptr));

  std::string s;
  EXPECT_TRUE(list.GetString(2, &s));
  EXPECT_EQ("third", s);
  size_t index = 0;
  EXPECT_TRUE(list.Remove(Value("third"), &index));
  EXPECT_EQ(2u, index);
}

TEST(ValuesTest, DictionaryInsertedAsPlainValueIsUsableAsDictionary) {
  DictionaryValue dict;
  Value plain(Value::Type::DICTIONARY);
  plain.SetKey("k", Value(1));
  dict.SetKey("d", std::move(plain));
  DictionaryValue* inner = nullptr;
  ASSERT_TRUE(dict.GetDictionary("d", &inner));
  inner->SetInteger("m.n", 2);
  int n = 0;
  EXPECT_TRUE(dict.GetInteger("d.m.n", &n) && n == 2);
}

}  // namespace
}  // namespace base
