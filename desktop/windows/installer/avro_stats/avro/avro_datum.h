#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_DATUM_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_DATUM_H_

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/windows/installer/avro_stats/avro/avro_schema_node.h"

// One value shaped by a schema node, owning its children. Used by one thread
// at a time. Returned child pointers stay valid until the child is replaced
// (union re-selection, Reset) or the owner is destroyed.
class AvroDatum {
 public:
  // A datum with its defaults; null when |schema| is null.
  static std::unique_ptr<AvroDatum> Create(AvroSchemaNode::Ptr schema);

  AvroDatum(const AvroDatum&) = delete;
  AvroDatum& operator=(const AvroDatum&) = delete;
  ~AvroDatum();

  const AvroSchemaNode::Ptr& GetSchema() const { return schema_; }
  AvroType GetType() const { return schema_->GetType(); }

  // Back to the defaults: unions on branch 0, enums on index 0, numbers 0,
  // strings and containers empty, records with one default per field.
  void Reset();

  size_t GetArraySize() const { return array_items_.size(); }
  // Keys in ascending byte order.
  std::vector<std::string> GetMapKeys() const;

  // Array item or record field by index; null when out of range or for other
  // types.
  AvroDatum* GetChild(size_t index);
  const AvroDatum* GetChild(size_t index) const;
  // Record field by name or map value by key; null when absent.
  AvroDatum* GetField(std::string_view name);
  const AvroDatum* GetField(std::string_view name) const;

  // Null unless this is an array.
  AvroDatum* AppendArrayItem();
  // The value of |key|, inserted with defaults when absent; null unless this
  // is a map.
  AvroDatum* GetOrAddMapValue(const std::string& key);

  size_t GetUnionBranchIndex() const { return union_index_; }
  AvroDatum* GetUnionBranch() { return union_branch_.get(); }
  const AvroDatum* GetUnionBranch() const { return union_branch_.get(); }
  // Keeps the current branch datum when |index| is already selected,
  // otherwise replaces it by a fresh default. Null (and no change) when
  // |index| is out of range or this is no union.
  AvroDatum* SelectUnionBranch(size_t index);

  // Enum: false and no change for an index or name outside the symbols.
  bool SetEnumIndex(int64_t index);
  bool SetEnumSymbol(std::string_view symbol);
  int64_t GetEnumIndex() const { return enum_index_; }

  // Each setter writes only a datum of its own schema type and returns false
  // (changing nothing) otherwise, so a value never lands in a slot that the
  // encoder ignores. SetString accepts string and bytes; a string-typed value
  // is stored with U+FFFD for every invalid UTF-8 sequence.
  bool SetBool(bool value);
  bool SetInt(int32_t value);
  bool SetLong(int64_t value);
  bool SetFloat(float value);
  bool SetDouble(double value);
  bool SetString(std::string_view value);

  bool GetBool() const { return bool_value_; }
  int32_t GetInt() const { return int_value_; }
  int64_t GetLong() const { return long_value_; }
  float GetFloat() const { return float_value_; }
  double GetDouble() const { return double_value_; }
  const std::string& GetString() const { return string_value_; }

  // Follows a dotted path of record fields (or map keys); every union met on
  // the way, including one named by the last piece, is switched to its
  // non-null branch 1. Null when a piece names nothing: callers must check
  // before writing.
  AvroDatum* GetByPath(std::string_view path);

 private:
  explicit AvroDatum(AvroSchemaNode::Ptr schema);

  AvroSchemaNode::Ptr schema_;
  bool bool_value_ = false;
  double double_value_ = 0;
  float float_value_ = 0;
  int32_t int_value_ = 0;
  int64_t long_value_ = 0;
  std::string string_value_;
  std::vector<std::unique_ptr<AvroDatum>> array_items_;
  std::map<std::string, std::unique_ptr<AvroDatum>, std::less<>> map_entries_;
  std::vector<std::unique_ptr<AvroDatum>> record_fields_;
  size_t union_index_ = 0;
  std::unique_ptr<AvroDatum> union_branch_;
  int64_t enum_index_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_DATUM_H_
