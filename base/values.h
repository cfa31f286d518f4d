#ifndef BASE_VALUES_H_
#define BASE_VALUES_H_

#include <stddef.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace base {

class DictionaryValue;
class ListValue;

// A JSON-like value: null, bool, 32-bit int, double, UTF-8 string, binary
// blob, dictionary (keys sorted) or list. Values own their children and are
// move-only; copy with Clone() or DeepCopy().
//
// DictionaryValue and ListValue add the dictionary and list API on top of a
// Value of that type; they add no data, so any Value of type DICTIONARY or
// LIST is usable through them (GetAsDictionary, GetAsList).
class Value {
 public:
  using BlobStorage = std::vector<char>;
  using DictStorage = std::map<std::string, std::unique_ptr<Value>, std::less<>>;
  using ListStorage = std::vector<Value>;

  enum class Type {
    NONE = 0,
    BOOLEAN,
    INTEGER,
    DOUBLE,
    STRING,
    BINARY,
    DICTIONARY,
    LIST,
  };

  static std::unique_ptr<Value> CreateWithCopiedBuffer(const char* buffer, size_t size);

  Value();
  explicit Value(Type type);
  explicit Value(bool value);
  explicit Value(int value);
  explicit Value(double value);
  explicit Value(const char* value);
  explicit Value(std::string_view value);
  explicit Value(std::string&& value) noexcept;
  // Stored as UTF-8.
  explicit Value(std::wstring_view value);
  explicit Value(const wchar_t* value);
  explicit Value(const BlobStorage& value);
  explicit Value(BlobStorage&& value) noexcept;
  explicit Value(DictStorage&& value) noexcept;
  explicit Value(ListStorage&& value) noexcept;

  Value(Value&& that) noexcept;
  Value& operator=(Value&& that) noexcept;
  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;
  virtual ~Value();

  static const char* GetTypeName(Type type);

  Type type() const { return type_; }
  bool is_none() const { return type_ == Type::NONE; }
  bool is_bool() const { return type_ == Type::BOOLEAN; }
  bool is_int() const { return type_ == Type::INTEGER; }
  bool is_double() const { return type_ == Type::DOUBLE; }
  bool is_string() const { return type_ == Type::STRING; }
  bool is_blob() const { return type_ == Type::BINARY; }
  bool is_dict() const { return type_ == Type::DICTIONARY; }
  bool is_list() const { return type_ == Type::LIST; }

  // Typed accessors; asking for the wrong type gives the type's empty value
  // (false, 0, 0.0, "", empty blob/list) rather than a crash. GetDouble
  // also accepts an integer.
  bool GetBool() const;
  int GetInt() const;
  double GetDouble() const;
  const std::string& GetString() const;
  const BlobStorage& GetBlob() const;
  // The elements of a list; empty (and not shared) for other types.
  ListStorage& GetList();
  const ListStorage& GetList() const;

  // Dictionary access by plain key (no path expansion); null when absent or
  // when this is not a dictionary.
  Value* FindKey(std::string_view key);
  const Value* FindKey(std::string_view key) const;
  Value* FindKeyOfType(std::string_view key, Type type);
  const Value* FindKeyOfType(std::string_view key, Type type) const;
  // Sets |key| (no path expansion) and returns the stored value; null when
  // this is not a dictionary.
  Value* SetKey(std::string_view key, Value value);
  bool RemoveKey(std::string_view key);

  // Older accessors: true and |out| set when the type matches.
  bool GetAsBoolean(bool* out_value) const;
  bool GetAsInteger(int* out_value) const;
  bool GetAsDouble(double* out_value) const;  // Also from an integer.
  bool GetAsString(std::string* out_value) const;
  bool GetAsString(std::wstring* out_value) const;
  bool GetAsString(const Value** out_value) const;
  bool GetAsString(std::string_view* out_value) const;
  bool GetAsList(ListValue** out_value);
  bool GetAsList(const ListValue** out_value) const;
  bool GetAsDictionary(DictionaryValue** out_value);
  bool GetAsDictionary(const DictionaryValue** out_value) const;

  // Deep copies. The dictionary and list types copy as their own classes.
  Value Clone() const;
  Value* DeepCopy() const;
  std::unique_ptr<Value> CreateDeepCopy() const;

  // Deep comparison; an integer never equals a double.
  bool Equals(const Value* other) const;
  static bool Equals(const Value* a, const Value* b);

 protected:
  void InternalMoveFrom(Value&& that);
  void InternalClear();

  Type type_;
  bool bool_value_ = false;
  int int_value_ = 0;
  double double_value_ = 0.0;
  std::string string_value_;
  BlobStorage binary_value_;
  DictStorage dict_;
  ListStorage list_;
};

bool operator==(const Value& lhs, const Value& rhs);
inline bool operator!=(const Value& lhs, const Value& rhs) {
  return !(lhs == rhs);
}

// A dictionary of string keys. Functions with a |path| take "a.b.c" as nested
// dictionaries a -> b -> c; the *WithoutPathExpansion forms take the key
// as it is, which is needed for keys that contain dots ("utm.medium").
class DictionaryValue : public Value {
 public:
  using const_iterator = DictStorage::const_iterator;
  using iterator = DictStorage::iterator;

  // The dictionary inside |value|, or null when it is not one.
  static std::unique_ptr<DictionaryValue> From(std::unique_ptr<Value> value);

  DictionaryValue();
  explicit DictionaryValue(DictStorage&& storage) noexcept;

  bool HasKey(std::string_view key) const;
  size_t size() const { return dict_.size(); }
  bool empty() const { return dict_.empty(); }
  void Clear();

  // Path forms create missing (or non-dictionary) intermediate levels.
  // Set returns the stored value, or null when |in_value| is null.
  Value* Set(std::string_view path, std::unique_ptr<Value> in_value);
  Value* SetBoolean(std::string_view path, bool in_value);
  Value* SetInteger(std::string_view path, int in_value);
  Value* SetDouble(std::string_view path, double in_value);
  Value* SetString(std::string_view path, std::string_view in_value);
  Value* SetString(std::string_view path, std::wstring_view in_value);
  DictionaryValue* SetDictionary(std::string_view path,
                                 std::unique_ptr<DictionaryValue> in_value);
  ListValue* SetList(std::string_view path, std::unique_ptr<ListValue> in_value);

  Value* SetWithoutPathExpansion(std::string_view key, std::unique_ptr<Value> in_value);
  Value* SetBooleanWithoutPathExpansion(std::string_view key, bool in_value);
  Value* SetIntegerWithoutPathExpansion(std::string_view key, int in_value);
  Value* SetDoubleWithoutPathExpansion(std::string_view key, double in_value);
  Value* SetStringWithoutPathExpansion(std::string_view key, std::string_view in_value);
  Value* SetStringWithoutPathExpansion(std::string_view key, std::wstring_view in_value);
  DictionaryValue* SetDictionaryWithoutPathExpansion(std::string_view key,
                                                     std::unique_ptr<DictionaryValue> in_value);
  ListValue* SetListWithoutPathExpansion(std::string_view key,
                                         std::unique_ptr<ListValue> in_value);

  // Getters return false, leaving |out_value| untouched, when the path is
  // missing or the value has another type. GetDouble accepts an integer.
  bool Get(std::string_view path, const Value** out_value) const;
  bool Get(std::string_view path, Value** out_value);
  bool GetBoolean(std::string_view path, bool* out_value) const;
  bool GetInteger(std::string_view path, int* out_value) const;
  bool GetDouble(std::string_view path, double* out_value) const;
  bool GetString(std::string_view path, std::string* out_value) const;
  bool GetString(std::string_view path, std::wstring* out_value) const;
  bool GetBinary(std::string_view path, const Value** out_value) const;
  bool GetDictionary(std::string_view path, const DictionaryValue** out_value) const;
  bool GetDictionary(std::string_view path, DictionaryValue** out_value);
  bool GetList(std::string_view path, const ListValue** out_value) const;
  bool GetList(std::string_view path, ListValue** out_value);

  bool GetWithoutPathExpansion(std::string_view key, const Value** out_value) const;
  bool GetWithoutPathExpansion(std::string_view key, Value** out_value);
  bool GetBooleanWithoutPathExpansion(std::string_view key, bool* out_value) const;
  bool GetIntegerWithoutPathExpansion(std::string_view key, int* out_value) const;
  bool GetDoubleWithoutPathExpansion(std::string_view key, double* out_value) const;
  bool GetStringWithoutPathExpansion(std::string_view key, std::string* out_value) const;
  bool GetStringWithoutPathExpansion(std::string_view key, std::wstring* out_value) const;
  bool GetDictionaryWithoutPathExpansion(std::string_view key,
                                         const DictionaryValue** out_value) const;
  bool GetDictionaryWithoutPathExpansion(std::string_view key, DictionaryValue** out_value);
  bool GetListWithoutPathExpansion(std::string_view key, const ListValue** out_value) const;
  bool GetListWithoutPathExpansion(std::string_view key, ListValue** out_value);

  // Removes the value at |path|; when |out_value| is given it receives it.
  bool Remove(std::string_view path, std::unique_ptr<Value>* out_value);
  bool RemoveWithoutPathExpansion(std::string_view key, std::unique_ptr<Value>* out_value);

  // Copies every entry of |dictionary| into this one. Dictionaries present
  // in both are merged recursively; any other value of |dictionary| replaces
  // the one here.
  void MergeDictionary(const DictionaryValue* dictionary);

  void Swap(DictionaryValue* other);

  // Walks the entries in key order:
  //   for (DictionaryValue::Iterator it(dict); !it.IsAtEnd(); it.Advance())
  class Iterator {
   public:
    explicit Iterator(const DictionaryValue& target);
    bool IsAtEnd() const { return it_ == target_.dict_.end(); }
    void Advance() { ++it_; }
    const std::string& key() const { return it_->first; }
    const Value& value() const { return *it_->second; }

   private:
    const DictionaryValue& target_;
    DictStorage::const_iterator it_;
  };

  iterator begin() { return dict_.begin(); }
  iterator end() { return dict_.end(); }
  const_iterator begin() const { return dict_.begin(); }
  const_iterator end() const { return dict_.end(); }

  DictionaryValue* DeepCopy() const;
  std::unique_ptr<DictionaryValue> CreateDeepCopy() const;
};

// A list of values.
class ListValue : public Value {
 public:
  using const_iterator = ListStorage::const_iterator;
  using iterator = ListStorage::iterator;

  // The list inside |value|, or null when it is not one.
  static std::unique_ptr<ListValue> From(std::unique_ptr<Value> value);

  ListValue();
  explicit ListValue(ListStorage&& storage) noexcept;

  void Clear() { list_.clear(); }
  size_t GetSize() const { return list_.size(); }
  bool empty() const { return list_.empty(); }
  void Reserve(size_t n) { list_.reserve(n); }

  // Stores |in_value| at |index|, padding with null values when the list is
  // shorter. False when |in_value| is null.
  bool Set(size_t index, std::unique_ptr<Value> in_value);

  // Getters return false, leaving |out_value| untouched, when |index| is out
  // of range or the element has another type.
  bool Get(size_t index, const Value** out_value) const;
  bool Get(size_t index, Value** out_value);
  bool GetBoolean(size_t index, bool* out_value) const;
  bool GetInteger(size_t index, int* out_value) const;
  bool GetDouble(size_t index, double* out_value) const;
  bool GetString(size_t index, std::string* out_value) const;
  bool GetString(size_t index, std::wstring* out_value) const;
  bool GetDictionary(size_t index, const DictionaryValue** out_value) const;
  bool GetDictionary(size_t index, DictionaryValue** out_value);
  bool GetList(size_t index, const ListValue** out_value) const;
  bool GetList(size_t index, ListValue** out_value);
  using Value::GetList;

  // Removes the element at |index|; |out_value| (optional) receives it.
  bool Remove(size_t index, std::unique_ptr<Value>* out_value);
  // Removes the first element equal to |value|; |index| (optional) receives
  // its position.
  bool Remove(const Value& value, size_t* index);

  void Append(std::unique_ptr<Value> in_value);
  void AppendBoolean(bool in_value);
  void AppendInteger(int in_value);
  void AppendDouble(double in_value);
  void AppendString(std::string_view in_value);
  void AppendString(std::wstring_view in_value);
  void AppendStrings(const std::vector<std::string>& in_values);
  // Appends unless an equal value is already there; false when it was.
  bool AppendIfNotPresent(std::unique_ptr<Value> in_value);
  bool Insert(size_t index, std::unique_ptr<Value> in_value);

  // The first element equal to |value|, or end().
  const_iterator Find(const Value& value) const;

  void Swap(ListValue* other) { list_.swap(other->list_); }

  iterator begin() { return list_.begin(); }
  iterator end() { return list_.end(); }
  const_iterator begin() const { return list_.begin(); }
  const_iterator end() const { return list_.end(); }

  ListValue* DeepCopy() const;
  std::unique_ptr<ListValue> CreateDeepCopy() const;
};

}  // namespace base

#endif  // BASE_VALUES_H_
