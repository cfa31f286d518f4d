#include "desktop/windows/installer/avro_stats/avro/avro_schema_node.h"

#include <algorithm>

AvroSchemaNode::AvroSchemaNode(AvroType type, uint32_t id) : type_(type), schema_id_(id) {}

AvroSchemaNode::~AvroSchemaNode() = default;

AvroSchemaNode::Ptr AvroSchemaNode::CreateNull(uint32_t id) {
  return Ptr(new AvroSchemaNode(AvroType::kNull, id));
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateBoolean(uint32_t id) {
  return Ptr(new AvroSchemaNode(AvroType::kBoolean, id));
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateString(uint32_t id) {
  return Ptr(new AvroSchemaNode(AvroType::kString, id));
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateBytes(uint32_t id) {
  return Ptr(new AvroSchemaNode(AvroType::kBytes, id));
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateInt(uint32_t id) {
  return Ptr(new AvroSchemaNode(AvroType::kInt, id));
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateLong(uint32_t id) {
  return Ptr(new AvroSchemaNode(AvroType::kLong, id));
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateFloat(uint32_t id) {
  return Ptr(new AvroSchemaNode(AvroType::kFloat, id));
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateDouble(uint32_t id) {
  return Ptr(new AvroSchemaNode(AvroType::kDouble, id));
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateArray(uint32_t id, Ptr item) {
  if (!item)
    return nullptr;
  Ptr node(new AvroSchemaNode(AvroType::kArray, id));
  node->item_ = std::move(item);
  return node;
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateMap(uint32_t id, Ptr value) {
  if (!value)
    return nullptr;
  Ptr node(new AvroSchemaNode(AvroType::kMap, id));
  node->item_ = std::move(value);
  return node;
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateEnum(uint32_t id,
                                               std::string name_space,
                                               std::string name,
                                               const std::vector<std::string>& symbols) {
  Ptr node(new AvroSchemaNode(AvroType::kEnum, id));
  node->namespace_ = std::move(name_space);
  node->name_ = std::move(name);
  for (const std::string& symbol : symbols)
    node->AddEnumSymbol(symbol);
  return node;
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateRecord(uint32_t id,
                                                 std::string name_space,
                                                 std::string name,
                                                 const std::vector<Field>& fields) {
  Ptr node(new AvroSchemaNode(AvroType::kRecord, id));
  node->namespace_ = std::move(name_space);
  node->name_ = std::move(name);
  for (const Field& field : fields) {
    if (!field.second)
      return nullptr;
    node->AddField(field.first, field.second);
  }
  return node;
}

AvroSchemaNode::Ptr AvroSchemaNode::CreateUnion(uint32_t id, const std::vector<Ptr>& branches) {
  Ptr node(new AvroSchemaNode(AvroType::kUnion, id));
  for (const Ptr& branch : branches) {
    if (!node->AddUnionBranch(branch))
      return nullptr;
  }
  return node;
}

void AvroSchemaNode::AddEnumSymbol(std::string symbol) {
  if (FindEnumSymbol(symbol) < 0)
    symbols_.push_back(std::move(symbol));
}

void AvroSchemaNode::AddField(std::string name, Ptr node) {
  if (FindField(name) < 0)
    fields_.emplace_back(std::move(name), std::move(node));
}

bool AvroSchemaNode::AddUnionBranch(Ptr node) {
  if (!node)
    return false;
  // Avro forbids a union directly inside a union: a reader could not tell
  // which index the outer one selected.
  if (node->GetType() == AvroType::kUnion)
    return false;
  for (const Ptr& existing : branches_) {
    AvroType type = existing->GetType();
    if (type == node->GetType() && type != AvroType::kRecord && type != AvroType::kEnum)
      return false;
  }
  branches_.push_back(std::move(node));
  return true;
}

size_t AvroSchemaNode::GetChildCount() const {
  switch (type_) {
    case AvroType::kEnum:
      return symbols_.size();
    case AvroType::kRecord:
      return fields_.size();
    case AvroType::kUnion:
      return branches_.size();
    default:
      return 0;
  }
}

std::vector<std::string> AvroSchemaNode::GetFieldNames() const {
  std::vector<std::string> names;
  names.reserve(fields_.size());
  for (const Field& field : fields_)
    names.push_back(field.first);
  return names;
}

AvroSchemaNode* AvroSchemaNode::GetChild(size_t index) const {
  if (type_ == AvroType::kRecord && index < fields_.size())
    return fields_[index].second.get();
  if (type_ == AvroType::kUnion && index < branches_.size())
    return branches_[index].get();
  return nullptr;
}

const std::string* AvroSchemaNode::GetFieldName(size_t index) const {
  return index < fields_.size() ? &fields_[index].first : nullptr;
}

int AvroSchemaNode::FindField(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].first == name)
      return static_cast<int>(i);
  }
  return -1;
}

int AvroSchemaNode::FindEnumSymbol(std::string_view symbol) const {
  auto it = std::find(symbols_.begin(), symbols_.end(), symbol);
  return it == symbols_.end() ? -1 : static_cast<int>(it - symbols_.begin());
}
