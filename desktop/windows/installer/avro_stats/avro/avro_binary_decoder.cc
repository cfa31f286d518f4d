#include "desktop/windows/installer/avro_stats/avro/avro_binary_decoder.h"

#include <string.h>

#include <limits>
#include <string>

#include "base/strings/string_util.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"

namespace {

// An item whose encoding can be empty (null, or a record of nulls) gives no
// byte-based bound on a block count; this one keeps hostile counts cheap.
constexpr uint64_t kMaxEmptyItemsPerBlock = 1 << 16;

// The fewest bytes that one value of |schema| can take.
uint64_t MinEncodedSize(const AvroSchemaNode& schema) {
  switch (schema.GetType()) {
    case AvroType::kNull:
      return 0;
    case AvroType::kFloat:
      return 4;
    case AvroType::kDouble:
      return 8;
    case AvroType::kRecord: {
      uint64_t total = 0;
      for (size_t i = 0; i < schema.GetChildCount(); ++i)
        total += MinEncodedSize(*schema.GetChild(i));
      return total;
    }
    default:
      return 1;
  }
}

}  // namespace

bool AvroBinaryDecoder::ReadLong(int64_t* value) {
  uint64_t result = 0;
  for (int i = 0; i < 10; ++i) {
    if (position_ >= input_.size())
      return false;
    uint8_t byte = static_cast<uint8_t>(input_[position_++]);
    // The tenth byte carries only the top bit of 64.
    if (i == 9 && byte > 1)
      return false;
    result |= static_cast<uint64_t>(byte & 0x7F) << (7 * i);
    if (!(byte & 0x80)) {
      *value = static_cast<int64_t>(result >> 1) ^ -static_cast<int64_t>(result & 1);
      return true;
    }
  }
  return false;
}

bool AvroBinaryDecoder::ReadString(std::string_view* value) {
  int64_t length = 0;
  if (!ReadLong(&length) || length < 0 || static_cast<uint64_t>(length) > remaining())
    return false;
  *value = input_.substr(position_, static_cast<size_t>(length));
  position_ += static_cast<size_t>(length);
  return true;
}

// Reads one block header of an array or map. A negative count is followed by
// the block's size in bytes (which must fit in the input); 0 ends the value.
// That is Apache Avro's binary format, and a negative count does not end
// the value here: writers that know a block's size in advance (other
// languages' Avro libraries, such as Java's blocking encoder) write it so, and
// a reader that stopped there would take the block's items for what follows.
bool AvroBinaryDecoder::ReadBlockCount(AvroDatum* container, uint64_t* count) {
  int64_t signed_count = 0;
  if (!ReadLong(&signed_count))
    return false;
  if (signed_count < 0) {
    if (signed_count == std::numeric_limits<int64_t>::min())
      return false;
    signed_count = -signed_count;
    int64_t block_size = 0;
    if (!ReadLong(&block_size) || block_size < 0 ||
        static_cast<uint64_t>(block_size) > remaining()) {
      return false;
    }
  }
  *count = static_cast<uint64_t>(signed_count);
  const AvroSchemaNode& item = *container->GetSchema()->GetItemSchema();
  uint64_t item_size = MinEncodedSize(item);
  if (container->GetType() == AvroType::kMap)
    item_size += 1;  // The key's length.
  uint64_t limit = item_size ? remaining() / item_size : kMaxEmptyItemsPerBlock;
  return *count <= limit;
}

bool AvroBinaryDecoder::Read(AvroDatum* datum) {
  switch (datum->GetType()) {
    case AvroType::kNull:
      return true;
    case AvroType::kBoolean: {
      if (position_ >= input_.size())
        return false;
      uint8_t byte = static_cast<uint8_t>(input_[position_++]);
      return byte <= 1 && datum->SetBool(byte == 1);
    }
    case AvroType::kInt: {
      int64_t value = 0;
      if (!ReadLong(&value) || value < std::numeric_limits<int32_t>::min() ||
          value > std::numeric_limits<int32_t>::max()) {
        return false;
      }
      return datum->SetInt(static_cast<int32_t>(value));
    }
    case AvroType::kLong: {
      int64_t value = 0;
      return ReadLong(&value) && datum->SetLong(value);
    }
    case AvroType::kFloat:
    case AvroType::kDouble: {
      size_t size = datum->GetType() == AvroType::kFloat ? 4 : 8;
      if (remaining() < size)
        return false;
      const char* bytes = input_.data() + position_;
      position_ += size;
      if (size == 4) {
        float value;
        memcpy(&value, bytes, 4);
        return datum->SetFloat(value);
      }
      double value;
      memcpy(&value, bytes, 8);
      return datum->SetDouble(value);
    }
    case AvroType::kString:
    case AvroType::kBytes: {
      std::string_view value;
      if (!ReadString(&value))
        return false;
      if (datum->GetType() == AvroType::kString && !base::IsStringUTF8(value))
        return false;
      return datum->SetString(value);
    }
    case AvroType::kEnum: {
      int64_t index = 0;
      return ReadLong(&index) && datum->SetEnumIndex(index);
    }
    case AvroType::kUnion: {
      int64_t index = 0;
      if (!ReadLong(&index) || index < 0)
        return false;
      AvroDatum* branch = datum->SelectUnionBranch(static_cast<size_t>(index));
      return branch && Read(branch);
    }
    case AvroType::kRecord:
      for (size_t i = 0; datum->GetChild(i); ++i) {
        if (!Read(datum->GetChild(i)))
          return false;
      }
      return true;
    case AvroType::kArray:
    case AvroType::kMap: {
      bool is_map = datum->GetType() == AvroType::kMap;
      while (true) {
        uint64_t count = 0;
        if (!ReadBlockCount(datum, &count))
          return false;
        if (count == 0)
          return true;
        for (uint64_t i = 0; i < count; ++i) {
          AvroDatum* item = nullptr;
          if (is_map) {
            std::string_view key;
            if (!ReadString(&key) || !base::IsStringUTF8(key))
              return false;
            item = datum->GetOrAddMapValue(std::string(key));
            item->Reset();  // A repeated key keeps only its last value.
          } else {
            item = datum->AppendArrayItem();
          }
          if (!Read(item))
            return false;
        }
      }
    }
  }
  return false;
}
