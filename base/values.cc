#include "base/values.h"

#include <algorithm>
#include <utility>

#include "base/strings/utf_string_conversions.h"

namespace base {

namespace {

const std::string& EmptyString() {
  static const std::string* const empty = new std::string();
  return *empty;
}

const Value::BlobStorage& EmptyBlob() {
  static const Value::BlobStorage* const empty = new Value::BlobStorage();
  return *empty;
}

// A heap copy that keeps the dictionary and list classes.
std::unique_ptr<Value> CopyWithClass(const Value& value) {
  switch (value.type()) {
    case Value::Type::DICTIONARY: {
      auto copy = std::make_unique<DictionaryValue>();
      copy->MergeDictionary(static_cast<const DictionaryValue*>(&value));
      return copy;
    }
    case Value::Type::LIST: {
      Value::ListStorage items;
      items.reserve(value.GetList().size());
      for (const Value& item : value.GetList())
        items.push_back(item.Clone());
      return std::make_unique<ListValue>(std::move(items));
    }
    default:
      return std::make_unique<Value>(value.Clone());
  }
}

// Moves |value| onto the heap, as an object of its dictionary or list class.
std::unique_ptr<Value> MoveWithClass(Value&& value) {
  std::unique_ptr<Value> result;
  if (value.is_dict())
    result = std::make_unique<DictionaryValue>();
  else if (value.is_list())
    result = std::make_unique<ListValue>();
  else
    result = std::make_unique<Value>();
  *result = std::move(value);
  return result;
}

// Splits "a.b.c" into its first component and the rest.
bool SplitPath(std::string_view path, std::string_view* head, std::string_view* rest) {
  size_t dot = path.find('.');
  if (dot == std::string_view::npos)
    return false;
  *head = path.substr(0, dot);
  *rest = path.substr(dot + 1);
  return true;
}

}  // namespace

// Value -----------------------------------------------------------------------

// static
std::unique_ptr<Value> Value::CreateWithCopiedBuffer(const char* buffer, size_t size) {
  return std::make_unique<Value>(BlobStorage(buffer, buffer + size));
}

Value::Value() : type_(Type::NONE) {}

Value::Value(Type type) : type_(type) {}

Value::Value(bool value) : type_(Type::BOOLEAN), bool_value_(value) {}

Value::Value(int value) : type_(Type::INTEGER), int_value_(value) {}

Value::Value(double value) : type_(Type::DOUBLE), double_value_(value) {}

Value::Value(const char* value) : type_(Type::STRING), string_value_(value ? value : "") {}

Value::Value(std::string_view value) : type_(Type::STRING), string_value_(value) {}

Value::Value(std::string&& value) noexcept : type_(Type::STRING), string_value_(std::move(value)) {}

Value::Value(std::wstring_view value) : type_(Type::STRING), string_value_(WideToUTF8(value)) {}

Value::Value(const wchar_t* value)
    : Value(std::wstring_view(value ? value : L"")) {}

Value::Value(const BlobStorage& value) : type_(Type::BINARY), binary_value_(value) {}

Value::Value(BlobStorage&& value) noexcept : type_(Type::BINARY), binary_value_(std::move(value)) {}

Value::Value(DictStorage&& value) noexcept : type_(Type::DICTIONARY), dict_(std::move(value)) {}

Value::Value(ListStorage&& value) noexcept : type_(Type::LIST), list_(std::move(value)) {}

Value::Value(Value&& that) noexcept : type_(Type::NONE) {
  InternalMoveFrom(std::move(that));
}

Value& Value::operator=(Value&& that) noexcept {
  if (this != &that) {
    InternalClear();
    InternalMoveFrom(std::move(that));
  }
  return *this;
}

Value::~Value() = default;

void Value::InternalMoveFrom(Value&& that) {
  type_ = that.type_;
  bool_value_ = that.bool_value_;
  int_value_ = that.int_value_;
  double_value_ = that.double_value_;
  string_value_ = std::move(that.string_value_);
  binary_value_ = std::move(that.binary_value_);
  dict_ = std::move(that.dict_);
  list_ = std::move(that.list_);
  that.InternalClear();
  that.type_ = type_ == Type::DICTIONARY || type_ == Type::LIST ? type_ : Type::NONE;
}

void Value::InternalClear() {
  bool_value_ = false;
  int_value_ = 0;
  double_value_ = 0.0;
  string_value_.clear();
  binary_value_.clear();
  dict_.clear();
  list_.clear();
}

// static
const char* Value::GetTypeName(Type type) {
  switch (type) {
    case Type::NONE:
      return "null";
    case Type::BOOLEAN:
      return "boolean";
    case Type::INTEGER:
      return "integer";
    case Type::DOUBLE:
      return "double";
    case Type::STRING:
      return "string";
    case Type::BINARY:
      return "binary";
    case Type::DICTIONARY:
      return "dictionary";
    case Type::LIST:
      return "list";
  }
  return "unknown";
}

bool Value::GetBool() const {
  return is_bool() && bool_value_;
}

int Value::GetInt() const {
  return is_int() ? int_value_ : 0;
}

double Value::GetDouble() const {
  if (is_double())
    return double_value_;
  if (is_int())
    return int_value_;
  return 0.0;
}

const std::string& Value::GetString() const {
  return is_string() ? string_value_ : EmptyString();
}

const Value::BlobStorage& Value::GetBlob() const {
  return is_blob() ? binary_value_ : EmptyBlob();
}

Value::ListStorage& Value::GetList() {
  return list_;
}

const Value::ListStorage& Value::GetList() const {
  return list_;
}

Value* Value::FindKey(std::string_view key) {
  return const_cast<Value*>(static_cast<const Value*>(this)->FindKey(key));
}

const Value* Value::FindKey(std::string_view key) const {
  if (!is_dict())
    return nullptr;
  auto found = dict_.find(key);
  return found == dict_.end() ? nullptr : found->second.get();
}

Value* Value::FindKeyOfType(std::string_view key, Type type) {
  return const_cast<Value*>(static_cast<const Value*>(this)->FindKeyOfType(key, type));
}

const Value* Value::FindKeyOfType(std::string_view key, Type type) const {
  const Value* result = FindKey(key);
  return result && result->type() == type ? result : nullptr;
}

Value* Value::SetKey(std::string_view key, Value value) {
  if (!is_dict())
    return nullptr;
  return static_cast<DictionaryValue*>(this)->SetWithoutPathExpansion(
      key, std::make_unique<Value>(std::move(value)));
}

bool Value::RemoveKey(std::string_view key) {
  if (!is_dict())
    return false;
  auto found = dict_.find(key);
  if (found == dict_.end())
    return false;
  dict_.erase(found);
  return true;
}

bool Value::GetAsBoolean(bool* out_value) const {
  if (out_value && is_bool())
    *out_value = bool_value_;
  return is_bool();
}

bool Value::GetAsInteger(int* out_value) const {
  if (out_value && is_int())
    *out_value = int_value_;
  return is_int();
}

bool Value::GetAsDouble(double* out_value) const {
  if (out_value && (is_double() || is_int()))
    *out_value = GetDouble();
  return is_double() || is_int();
}

bool Value::GetAsString(std::string* out_value) const {
  if (out_value && is_string())
    *out_value = string_value_;
  return is_string();
}

bool Value::GetAsString(std::wstring* out_value) const {
  if (out_value && is_string())
    *out_value = UTF8ToWide(string_value_);
  return is_string();
}

bool Value::GetAsString(const Value** out_value) const {
  if (out_value && is_string())
    *out_value = this;
  return is_string();
}

bool Value::GetAsString(std::string_view* out_value) const {
  if (out_value && is_string())
    *out_value = string_value_;
  return is_string();
}

bool Value::GetAsList(ListValue** out_value) {
  if (out_value && is_list())
    *out_value = static_cast<ListValue*>(this);
  return is_list();
}

bool Value::GetAsList(const ListValue** out_value) const {
  if (out_value && is_list())
    *out_value = static_cast<const ListValue*>(this);
  return is_list();
}

bool Value::GetAsDictionary(DictionaryValue** out_value) {
  if (out_value && is_dict())
    *out_value = static_cast<DictionaryValue*>(this);
  return is_dict();
}

bool Value::GetAsDictionary(const DictionaryValue** out_value) const {
  if (out_value && is_dict())
    *out_value = static_cast<const DictionaryValue*>(this);
  return is_dict();
}

Value Value::Clone() const {
  switch (type_) {
    case Type::NONE:
      return Value();
    case Type::BOOLEAN:
      return Value(bool_value_);
    case Type::INTEGER:
      return Value(int_value_);
    case Type::DOUBLE:
      return Value(double_value_);
    case Type::STRING:
      return Value(std::string_view(string_value_));
    case Type::BINARY:
      return Value(binary_value_);
    case Type::DICTIONARY: {
      DictStorage copy;
      for (const auto& entry : dict_)
        copy.emplace(entry.first, CopyWithClass(*entry.second));
      return Value(std::move(copy));
    }
    case Type::LIST: {
      ListStorage copy;
      copy.reserve(list_.size());
      for (const Value& item : list_)
        copy.push_back(item.Clone());
      return Value(std::move(copy));
    }
  }
  return Value();
}

Value* Value::DeepCopy() const {
  return CopyWithClass(*this).release();
}

std::unique_ptr<Value> Value::CreateDeepCopy() const {
  return CopyWithClass(*this);
}

bool Value::Equals(const Value* other) const {
  return other && *this == *other;
}

// static
bool Value::Equals(const Value* a, const Value* b) {
  if (!a || !b)
    return a == b;
  return *a == *b;
}

bool operator==(const Value& lhs, const Value& rhs) {
  if (lhs.type() != rhs.type())
    return false;
  switch (lhs.type()) {
    case Value::Type::NONE:
      return true;
    case Value::Type::BOOLEAN:
      return lhs.GetBool() == rhs.GetBool();
    case Value::Type::INTEGER:
      return lhs.GetInt() == rhs.GetInt();
    case Value::Type::DOUBLE:
      return lhs.GetDouble() == rhs.GetDouble();
    case Value::Type::STRING:
      return lhs.GetString() == rhs.GetString();
    case Value::Type::BINARY:
      return lhs.GetBlob() == rhs.GetBlob();
    case Value::Type::DICTIONARY: {
      const DictionaryValue* a = nullptr;
      const DictionaryValue* b = nullptr;
      lhs.GetAsDictionary(&a);
      rhs.GetAsDictionary(&b);
      if (a->size() != b->size())
        return false;
      auto it_b = b->begin();
      for (auto it_a = a->begin(); it_a != a->end(); ++it_a, ++it_b) {
        if (it_a->first != it_b->first || !(*it_a->second == *it_b->second))
          return false;
      }
      return true;
    }
    case Value::Type::LIST:
      return lhs.GetList() == rhs.GetList();
  }
  return false;
}

// DictionaryValue -------------------------------------------------------------

// static
std::unique_ptr<DictionaryValue> DictionaryValue::From(std::unique_ptr<Value> value) {
  if (!value || !value->is_dict())
    return nullptr;
  auto result = std::make_unique<DictionaryValue>();
  static_cast<Value&>(*result) = std::move(*value);
  return result;
}

DictionaryValue::DictionaryValue() : Value(Type::DICTIONARY) {}

DictionaryValue::DictionaryValue(DictStorage&& storage) noexcept : Value(std::move(storage)) {}

bool DictionaryValue::HasKey(std::string_view key) const {
  return dict_.find(key) != dict_.end();
}

void DictionaryValue::Clear() {
  dict_.clear();
}

Value* DictionaryValue::Set(std::string_view path, std::unique_ptr<Value> in_value) {
  if (!in_value)
    return nullptr;
  DictionaryValue* current = this;
  std::string_view head;
  std::string_view rest;
  while (SplitPath(path, &head, &rest)) {
    DictionaryValue* child = nullptr;
    if (!current->GetDictionaryWithoutPathExpansion(head, &child)) {
      child = current->SetDictionaryWithoutPathExpansion(head,
                                                         std::make_unique<DictionaryValue>());
    }
    current = child;
    path = rest;
  }
  return current->SetWithoutPathExpansion(path, std::move(in_value));
}

Value* DictionaryValue::SetBoolean(std::string_view path, bool in_value) {
  return Set(path, std::make_unique<Value>(in_value));
}

Value* DictionaryValue::SetInteger(std::string_view path, int in_value) {
  return Set(path, std::make_unique<Value>(in_value));
}

Value* DictionaryValue::SetDouble(std::string_view path, double in_value) {
  return Set(path, std::make_unique<Value>(in_value));
}

Value* DictionaryValue::SetString(std::string_view path, std::string_view in_value) {
  return Set(path, std::make_unique<Value>(in_value));
}

Value* DictionaryValue::SetString(std::string_view path, std::wstring_view in_value) {
  return Set(path, std::make_unique<Value>(in_value));
}

DictionaryValue* DictionaryValue::SetDictionary(std::string_view path,
                                                std::unique_ptr<DictionaryValue> in_value) {
  return static_cast<DictionaryValue*>(Set(path, std::move(in_value)));
}

ListValue* DictionaryValue::SetList(std::string_view path, std::unique_ptr<ListValue> in_value) {
  return static_cast<ListValue*>(Set(path, std::move(in_value)));
}

Value* DictionaryValue::SetWithoutPathExpansion(std::string_view key,
                                                std::unique_ptr<Value> in_value) {
  if (!in_value)
    return nullptr;
  // A plain Value of dictionary or list type becomes an object of that class,
  // so that the pointers handed out later really point at one.
  if ((in_value->is_dict() && !dynamic_cast<DictionaryValue*>(in_value.get())) ||
      (in_value->is_list() && !dynamic_cast<ListValue*>(in_value.get()))) {
    in_value = MoveWithClass(std::move(*in_value));
  }
  Value* stored = in_value.get();
  auto found = dict_.find(key);
  if (found != dict_.end())
    found->second = std::move(in_value);
  else
    dict_.emplace(std::string(key), std::move(in_value));
  return stored;
}

Value* DictionaryValue::SetBooleanWithoutPathExpansion(std::string_view key, bool in_value) {
  return SetWithoutPathExpansion(key, std::make_unique<Value>(in_value));
}

Value* DictionaryValue::SetIntegerWithoutPathExpansion(std::string_view key, int in_value) {
  return SetWithoutPathExpansion(key, std::make_unique<Value>(in_value));
}

Value* DictionaryValue::SetDoubleWithoutPathExpansion(std::string_view key, double in_value) {
  return SetWithoutPathExpansion(key, std::make_unique<Value>(in_value));
}

Value* DictionaryValue::SetStringWithoutPathExpansion(std::string_view key,
                                                      std::string_view in_value) {
  return SetWithoutPathExpansion(key, std::make_unique<Value>(in_value));
}

Value* DictionaryValue::SetStringWithoutPathExpansion(std::string_view key,
                                                      std::wstring_view in_value) {
  return SetWithoutPathExpansion(key, std::make_unique<Value>(in_value));
}

DictionaryValue* DictionaryValue::SetDictionaryWithoutPathExpansion(
    std::string_view key, std::unique_ptr<DictionaryValue> in_value) {
  return static_cast<DictionaryValue*>(SetWithoutPathExpansion(key, std::move(in_value)));
}

ListValue* DictionaryValue::SetListWithoutPathExpansion(std::string_view key,
                                                        std::unique_ptr<ListValue> in_value) {
  return static_cast<ListValue*>(SetWithoutPathExpansion(key, std::move(in_value)));
}

bool DictionaryValue::Get(std::string_view path, const Value** out_value) const {
  const DictionaryValue* current = this;
  std::string_view head;
  std::string_view rest;
  while (SplitPath(path, &head, &rest)) {
    const DictionaryValue* child = nullptr;
    if (!current->GetDictionaryWithoutPathExpansion(head, &child))
      return false;
    current = child;
    path = rest;
  }
  return current->GetWithoutPathExpansion(path, out_value);
}

bool DictionaryValue::Get(std::string_view path, Value** out_value) {
  const Value* value = nullptr;
  if (!static_cast<const DictionaryValue*>(this)->Get(path, &value))
    return false;
  if (out_value)
    *out_value = const_cast<Value*>(value);
  return true;
}

bool DictionaryValue::GetBoolean(std::string_view path, bool* out_value) const {
  const Value* value;
  return Get(path, &value) && value->GetAsBoolean(out_value);
}

bool DictionaryValue::GetInteger(std::string_view path, int* out_value) const {
  const Value* value;
  return Get(path, &value) && value->GetAsInteger(out_value);
}

bool DictionaryValue::GetDouble(std::string_view path, double* out_value) const {
  const Value* value;
  return Get(path, &value) && value->GetAsDouble(out_value);
}

bool DictionaryValue::GetString(std::string_view path, std::string* out_value) const {
  const Value* value;
  return Get(path, &value) && value->GetAsString(out_value);
}

bool DictionaryValue::GetString(std::string_view path, std::wstring* out_value) const {
  const Value* value;
  return Get(path, &value) && value->GetAsString(out_value);
}

bool DictionaryValue::GetBinary(std::string_view path, const Value** out_value) const {
  const Value* value;
  if (!Get(path, &value) || !value->is_blob())
    return false;
  if (out_value)
    *out_value = value;
  return true;
}

bool DictionaryValue::GetDictionary(std::string_view path,
                                    const DictionaryValue** out_value) const {
  const Value* value;
  return Get(path, &value) && value->GetAsDictionary(out_value);
}

bool DictionaryValue::GetDictionary(std::string_view path, DictionaryValue** out_value) {
  Value* value;
  return Get(path, &value) && value->GetAsDictionary(out_value);
}

bool DictionaryValue::GetList(std::string_view path, const ListValue** out_value) const {
  const Value* value;
  return Get(path, &value) && value->GetAsList(out_value);
}

bool DictionaryValue::GetList(std::string_view path, ListValue** out_value) {
  Value* value;
  return Get(path, &value) && value->GetAsList(out_value);
}

bool DictionaryValue::GetWithoutPathExpansion(std::string_view key,
                                              const Value** out_value) const {
  auto found = dict_.find(key);
  if (found == dict_.end())
    return false;
  if (out_value)
    *out_value = found->second.get();
  return true;
}

bool DictionaryValue::GetWithoutPathExpansion(std::string_view key, Value** out_value) {
  auto found = dict_.find(key);
  if (found == dict_.end())
    return false;
  if (out_value)
    *out_value = found->second.get();
  return true;
}

bool DictionaryValue::GetBooleanWithoutPathExpansion(std::string_view key,
                                                     bool* out_value) const {
  const Value* value;
  return GetWithoutPathExpansion(key, &value) && value->GetAsBoolean(out_value);
}

bool DictionaryValue::GetIntegerWithoutPathExpansion(std::string_view key,
                                                     int* out_value) const {
  const Value* value;
  return GetWithoutPathExpansion(key, &value) && value->GetAsInteger(out_value);
}

bool DictionaryValue::GetDoubleWithoutPathExpansion(std::string_view key,
                                                    double* out_value) const {
  const Value* value;
  return GetWithoutPathExpansion(key, &value) && value->GetAsDouble(out_value);
}

bool DictionaryValue::GetStringWithoutPathExpansion(std::string_view key,
                                                    std::string* out_value) const {
  const Value* value;
  return GetWithoutPathExpansion(key, &value) && value->GetAsString(out_value);
}

bool DictionaryValue::GetStringWithoutPathExpansion(std::string_view key,
                                                    std::wstring* out_value) const {
  const Value* value;
  return GetWithoutPathExpansion(key, &value) && value->GetAsString(out_value);
}

bool DictionaryValue::GetDictionaryWithoutPathExpansion(
    std::string_view key, const DictionaryValue** out_value) const {
  const Value* value;
  return GetWithoutPathExpansion(key, &value) && value->GetAsDictionary(out_value);
}

bool DictionaryValue::GetDictionaryWithoutPathExpansion(std::string_view key,
                                                        DictionaryValue** out_value) {
  Value* value;
  return GetWithoutPathExpansion(key, &value) && value->GetAsDictionary(out_value);
}

bool DictionaryValue::GetListWithoutPathExpansion(std::string_view key,
                                                  const ListValue** out_value) const {
  const Value* value;
  return GetWithoutPathExpansion(key, &value) && value->GetAsList(out_value);
}

bool DictionaryValue::GetListWithoutPathExpansion(std::string_view key,
                                                  ListValue** out_value) {
  Value* value;
  return GetWithoutPathExpansion(key, &value) && value->GetAsList(out_value);
}

bool DictionaryValue::Remove(std::string_view path, std::unique_ptr<Value>* out_value) {
  DictionaryValue* current = this;
  std::string_view head;
  std::string_view rest;
  while (SplitPath(path, &head, &rest)) {
    DictionaryValue* child = nullptr;
    if (!current->GetDictionaryWithoutPathExpansion(head, &child))
      return false;
    current = child;
    path = rest;
  }
  return current->RemoveWithoutPathExpansion(path, out_value);
}

bool DictionaryValue::RemoveWithoutPathExpansion(std::string_view key,
                                                 std::unique_ptr<Value>* out_value) {
  auto found = dict_.find(key);
  if (found == dict_.end())
    return false;
  if (out_value)
    *out_value = std::move(found->second);
  dict_.erase(found);
  return true;
}

void DictionaryValue::MergeDictionary(const DictionaryValue* dictionary) {
  if (!dictionary || dictionary == this)
    return;
  for (const auto& entry : *dictionary) {
    const Value& merge_value = *entry.second;
    if (merge_value.is_dict()) {
      DictionaryValue* sub = nullptr;
      if (GetDictionaryWithoutPathExpansion(entry.first, &sub)) {
        sub->MergeDictionary(static_cast<const DictionaryValue*>(&merge_value));
        continue;
      }
    }
    SetWithoutPathExpansion(entry.first, CopyWithClass(merge_value));
  }
}

void DictionaryValue::Swap(DictionaryValue* other) {
  dict_.swap(other->dict_);
}

DictionaryValue::Iterator::Iterator(const DictionaryValue& target)
    : target_(target), it_(target.dict_.begin()) {}

DictionaryValue* DictionaryValue::DeepCopy() const {
  return static_cast<DictionaryValue*>(CopyWithClass(*this).release());
}

std::unique_ptr<DictionaryValue> DictionaryValue::CreateDeepCopy() const {
  return std::unique_ptr<DictionaryValue>(DeepCopy());
}

// ListValue -------------------------------------------------------------------

// static
std::unique_ptr<ListValue> ListValue::From(std::unique_ptr<Value> value) {
  if (!value || !value->is_list())
    return nullptr;
  auto result = std::make_unique<ListValue>();
  static_cast<Value&>(*result) = std::move(*value);
  return result;
}

ListValue::ListValue() : Value(Type::LIST) {}

ListValue::ListValue(ListStorage&& storage) noexcept : Value(std::move(storage)) {}

bool ListValue::Set(size_t index, std::unique_ptr<Value> in_value) {
  if (!in_value || index >= list_.max_size())
    return false;
  if (index >= list_.size())
    list_.resize(index + 1);
  list_[index] = std::move(*in_value);
  return true;
}

bool ListValue::Get(size_t index, const Value** out_value) const {
  if (index >= list_.size())
    return false;
  if (out_value)
    *out_value = &list_[index];
  return true;
}

bool ListValue::Get(size_t index, Value** out_value) {
  if (index >= list_.size())
    return false;
  if (out_value)
    *out_value = &list_[index];
  return true;
}

bool ListValue::GetBoolean(size_t index, bool* out_value) const {
  const Value* value;
  return Get(index, &value) && value->GetAsBoolean(out_value);
}

bool ListValue::GetInteger(size_t index, int* out_value) const {
  const Value* value;
  return Get(index, &value) && value->GetAsInteger(out_value);
}

bool ListValue::GetDouble(size_t index, double* out_value) const {
  const Value* value;
  return Get(index, &value) && value->GetAsDouble(out_value);
}

bool ListValue::GetString(size_t index, std::string* out_value) const {
  const Value* value;
  return Get(index, &value) && value->GetAsString(out_value);
}

bool ListValue::GetString(size_t index, std::wstring* out_value) const {
  const Value* value;
  return Get(index, &value) && value->GetAsString(out_value);
}

bool ListValue::GetDictionary(size_t index, const DictionaryValue** out_value) const {
  const Value* value;
  return Get(index, &value) && value->GetAsDictionary(out_value);
}

bool ListValue::GetDictionary(size_t index, DictionaryValue** out_value) {
  Value* value;
  return Get(index, &value) && value->GetAsDictionary(out_value);
}

bool ListValue::GetList(size_t index, const ListValue** out_value) const {
  const Value* value;
  return Get(index, &value) && value->GetAsList(out_value);
}

bool ListValue::GetList(size_t index, ListValue** out_value) {
  Value* value;
  return Get(index, &value) && value->GetAsList(out_value);
}

bool ListValue::Remove(size_t index, std::unique_ptr<Value>* out_value) {
  if (index >= list_.size())
    return false;
  if (out_value)
    *out_value = MoveWithClass(std::move(list_[index]));
  list_.erase(list_.begin() + static_cast<ptrdiff_t>(index));
  return true;
}

bool ListValue::Remove(const Value& value, size_t* index) {
  auto found = std::find(list_.begin(), list_.end(), value);
  if (found == list_.end())
    return false;
  if (index)
    *index = static_cast<size_t>(found - list_.begin());
  list_.erase(found);
  return true;
}

void ListValue::Append(std::unique_ptr<Value> in_value) {
  if (in_value)
    list_.push_back(std::move(*in_value));
}

void ListValue::AppendBoolean(bool in_value) {
  list_.emplace_back(in_value);
}

void ListValue::AppendInteger(int in_value) {
  list_.emplace_back(in_value);
}

void ListValue::AppendDouble(double in_value) {
  list_.emplace_back(in_value);
}

void ListValue::AppendString(std::string_view in_value) {
  list_.emplace_back(in_value);
}

void ListValue::AppendString(std::wstring_view in_value) {
  list_.emplace_back(in_value);
}

void ListValue::AppendStrings(const std::vector<std::string>& in_values) {
  for (const std::string& value : in_values)
    list_.emplace_back(std::string_view(value));
}

bool ListValue::AppendIfNotPresent(std::unique_ptr<Value> in_value) {
  if (!in_value || Find(*in_value) != list_.end())
    return false;
  list_.push_back(std::move(*in_value));
  return true;
}

bool ListValue::Insert(size_t index, std::unique_ptr<Value> in_value) {
  if (!in_value || index > list_.size())
    return false;
  list_.insert(list_.begin() + static_cast<ptrdiff_t>(index), std::move(*in_value));
  return true;
}

ListValue::const_iterator ListValue::Find(const Value& value) const {
  return std::find(list_.begin(), list_.end(), value);
}

ListValue* ListValue::DeepCopy() const {
  return static_cast<ListValue*>(CopyWithClass(*this).release());
}

std::unique_ptr<ListValue> ListValue::CreateDeepCopy() const {
  return std::unique_ptr<ListValue>(DeepCopy());
}

}  // namespace base
