#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"

#include <utility>

#include "base/strings/utf8_code_points.h"

namespace {

// Every invalid sequence becomes U+FFFD, so that a reader that insists on
// UTF-8 never refuses the whole message because of one bad header value.
std::string ToValidUTF8(std::string_view text) {
  // Nearly every value is valid, and most are ASCII: copy those as they are.
  bool valid = true;
  size_t index = 0;
  while (valid && index < text.size()) {
    if (static_cast<unsigned char>(text[index]) < 0x80) {
      ++index;
      continue;
    }
    uint32_t code_point = 0;
    valid = base::ReadUTF8CodePoint(text, &index, &code_point);
  }
  if (valid)
    return std::string(text);

  std::string result;
  result.reserve(text.size() + 8);
  index = 0;
  while (index < text.size()) {
    uint32_t code_point = 0;
    base::ReadUTF8CodePoint(text, &index, &code_point);
    base::AppendUTF8CodePoint(code_point, &result);
  }
  return result;
}

}  // namespace

std::unique_ptr<AvroDatum> AvroDatum::Create(AvroSchemaNode::Ptr schema) {
  if (!schema)
    return nullptr;
  std::unique_ptr<AvroDatum> datum(new AvroDatum(std::move(schema)));
  datum->Reset();
  return datum;
}

AvroDatum::AvroDatum(AvroSchemaNode::Ptr schema) : schema_(std::move(schema)) {}

AvroDatum::~AvroDatum() = default;

void AvroDatum::Reset() {
  array_items_.clear();
  map_entries_.clear();
  record_fields_.clear();
  union_branch_.reset();
  string_value_.clear();
  bool_value_ = false;
  double_value_ = 0;
  float_value_ = 0;
  int_value_ = 0;
  long_value_ = 0;
  union_index_ = 0;
  enum_index_ = 0;
  switch (GetType()) {
    case AvroType::kRecord:
      record_fields_.reserve(schema_->GetChildCount());
      for (size_t i = 0; i < schema_->GetChildCount(); ++i)
        record_fields_.push_back(Create(schema_->GetChild(i)));
      break;
    case AvroType::kUnion:
      if (schema_->GetChildCount() > 0)
        union_branch_ = Create(schema_->GetChild(0));
      break;
    default:
      break;
  }
}

std::vector<std::string> AvroDatum::GetMapKeys() const {
  std::vector<std::string> keys;
  keys.reserve(map_entries_.size());
  for (const auto& entry : map_entries_)
    keys.push_back(entry.first);
  return keys;
}

AvroDatum* AvroDatum::GetChild(size_t index) {
  return const_cast<AvroDatum*>(std::as_const(*this).GetChild(index));
}

const AvroDatum* AvroDatum::GetChild(size_t index) const {
  if (GetType() == AvroType::kArray && index < array_items_.size())
    return array_items_[index].get();
  if (GetType() == AvroType::kRecord && index < record_fields_.size())
    return record_fields_[index].get();
  return nullptr;
}

AvroDatum* AvroDatum::GetField(std::string_view name) {
  return const_cast<AvroDatum*>(std::as_const(*this).GetField(name));
}

const AvroDatum* AvroDatum::GetField(std::string_view name) const {
  if (GetType() == AvroType::kRecord) {
    int index = schema_->FindField(name);
    return index < 0 ? nullptr : GetChild(static_cast<size_t>(index));
  }
  if (GetType() == AvroType::kMap) {
    auto it = map_entries_.find(name);
    return it == map_entries_.end() ? nullptr : it->second.get();
  }
  return nullptr;
}

AvroDatum* AvroDatum::AppendArrayItem() {
  if (GetType() != AvroType::kArray)
    return nullptr;
  array_items_.push_back(Create(schema_->GetItemSchema()));
  return array_items_.back().get();
}

AvroDatum* AvroDatum::GetOrAddMapValue(const std::string& key) {
  if (GetType() != AvroType::kMap)
    return nullptr;
  // Map keys are Avro strings too.
  std::unique_ptr<AvroDatum>& value = map_entries_[ToValidUTF8(key)];
  if (!value)
    value = Create(schema_->GetItemSchema());
  return value.get();
}

AvroDatum* AvroDatum::SelectUnionBranch(size_t index) {
  if (GetType() != AvroType::kUnion || index >= schema_->GetChildCount())
    return nullptr;
  if (union_branch_ && union_index_ == index)
    return union_branch_.get();
  union_index_ = index;
  union_branch_ = Create(schema_->GetChild(index));
  return union_branch_.get();
}

bool AvroDatum::SetEnumIndex(int64_t index) {
  if (GetType() != AvroType::kEnum || index < 0 ||
      static_cast<uint64_t>(index) >= schema_->GetChildCount()) {
    return false;
  }
  enum_index_ = index;
  return true;
}

bool AvroDatum::SetEnumSymbol(std::string_view symbol) {
  if (GetType() != AvroType::kEnum)
    return false;
  int index = schema_->FindEnumSymbol(symbol);
  if (index < 0)
    return false;
  enum_index_ = index;
  return true;
}

bool AvroDatum::SetBool(bool value) {
  if (GetType() != AvroType::kBoolean)
    return false;
  bool_value_ = value;
  return true;
}

bool AvroDatum::SetInt(int32_t value) {
  if (GetType() != AvroType::kInt)
    return false;
  int_value_ = value;
  return true;
}

bool AvroDatum::SetLong(int64_t value) {
  if (GetType() != AvroType::kLong)
    return false;
  long_value_ = value;
  return true;
}

bool AvroDatum::SetFloat(float value) {
  if (GetType() != AvroType::kFloat)
    return false;
  float_value_ = value;
  return true;
}

bool AvroDatum::SetDouble(double value) {
  if (GetType() != AvroType::kDouble)
    return false;
  double_value_ = value;
  return true;
}

bool AvroDatum::SetString(std::string_view value) {
  if (GetType() == AvroType::kBytes) {
    string_value_.assign(value);
    return true;
  }
  if (GetType() != AvroType::kString)
    return false;
  string_value_ = ToValidUTF8(value);
  return true;
}

AvroDatum* AvroDatum::GetByPath(std::string_view path) {
  AvroDatum* current = this;
  size_t start = 0;
  while (true) {
    size_t dot = path.find('.', start);
    std::string_view piece =
        path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    current = current->GetField(piece);
    if (current && current->GetType() == AvroType::kUnion)
      current = current->SelectUnionBranch(1);
    if (!current || dot == std::string_view::npos)
      return current;
    start = dot + 1;
  }
}
