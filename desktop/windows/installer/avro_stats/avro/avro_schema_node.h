#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_SCHEMA_NODE_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_SCHEMA_NODE_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/memory/ref_counted.h"

// Avro type codes; the numbers are part of the statistics wire contract.
enum class AvroType : uint32_t {
  kNull = 1,
  kBoolean = 2,
  kString = 3,
  kInt = 4,
  kLong = 5,
  kFloat = 6,
  kDouble = 7,
  kEnum = 8,
  kUnion = 9,
  kRecord = 10,
  kArray = 11,
  kMap = 12,
  kBytes = 13,
};

// One node of an Avro schema tree built in code. Immutable once its
// constructor returns, so nodes are shared freely between threads.
class AvroSchemaNode : public base::RefCountedThreadSafe<AvroSchemaNode> {
 public:
  using Ptr = base::scoped_refptr<AvroSchemaNode>;
  using Field = std::pair<std::string, Ptr>;

  // Every constructor takes the schema id first. Those that take child nodes
  // return nothing when a child is missing.
  static Ptr CreateNull(uint32_t id);
  static Ptr CreateBoolean(uint32_t id);
  static Ptr CreateString(uint32_t id);
  static Ptr CreateBytes(uint32_t id);
  static Ptr CreateInt(uint32_t id);
  static Ptr CreateLong(uint32_t id);
  static Ptr CreateFloat(uint32_t id);
  static Ptr CreateDouble(uint32_t id);
  static Ptr CreateArray(uint32_t id, Ptr item);
  static Ptr CreateMap(uint32_t id, Ptr value);
  // A symbol already present is skipped.
  static Ptr CreateEnum(uint32_t id,
                        std::string name_space,
                        std::string name,
                        const std::vector<std::string>& symbols);
  // A field whose name is already present is skipped; the first one stays.
  static Ptr CreateRecord(uint32_t id,
                          std::string name_space,
                          std::string name,
                          const std::vector<Field>& fields);
  // Two branches of the same type (other than record and enum) make the
  // whole union invalid: nothing is returned.
  static Ptr CreateUnion(uint32_t id, const std::vector<Ptr>& branches);

  AvroType GetType() const { return type_; }
  uint32_t GetSchemaId() const { return schema_id_; }
  const std::string& GetNamespace() const { return namespace_; }
  const std::string& GetName() const { return name_; }

  // Symbols of an enum, fields of a record, branches of a union; else 0.
  size_t GetChildCount() const;
  std::vector<std::string> GetFieldNames() const;
  const std::vector<std::string>& GetEnumSymbols() const { return symbols_; }
  // The item of an array or the value of a map; null for other types.
  AvroSchemaNode* GetItemSchema() const { return item_.get(); }
  // A record field's or union branch's node; null when out of range.
  AvroSchemaNode* GetChild(size_t index) const;
  const std::string* GetFieldName(size_t index) const;
  // Index of a record field or enum symbol by name; -1 when absent.
  int FindField(std::string_view name) const;
  int FindEnumSymbol(std::string_view symbol) const;

 private:
  friend class base::RefCountedThreadSafe<AvroSchemaNode>;
  AvroSchemaNode(AvroType type, uint32_t id);
  ~AvroSchemaNode();

  void AddEnumSymbol(std::string symbol);
  void AddField(std::string name, Ptr node);
  bool AddUnionBranch(Ptr node);

  const AvroType type_;
  const uint32_t schema_id_;
  Ptr item_;  // Array item or map value.
  std::vector<Ptr> branches_;
  std::vector<Field> fields_;
  std::vector<std::string> symbols_;
  std::string namespace_;
  std::string name_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_SCHEMA_NODE_H_
