#include "desktop/windows/installer/avro_stats/avro/avro_binary_encoder.h"

#include <string.h>

#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"

namespace {

template <typename T>
void AppendLittleEndian(T value, std::string* output) {
  unsigned char bytes[sizeof(T)];
  memcpy(bytes, &value, sizeof(T));  // x86 and x64 are little-endian.
  output->append(reinterpret_cast<const char*>(bytes), sizeof(T));
}

void AppendAvroString(const std::string& value, std::string* output) {
  AppendAvroLong(static_cast<int64_t>(value.size()), output);
  output->append(value);
}

}  // namespace

void AppendAvroLong(int64_t value, std::string* output) {
  uint64_t zigzag = (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
  while (zigzag >= 0x80) {
    output->push_back(static_cast<char>((zigzag & 0x7F) | 0x80));
    zigzag >>= 7;
  }
  output->push_back(static_cast<char>(zigzag));
}

void AppendAvroBinary(const AvroDatum& datum, std::string* output) {
  switch (datum.GetType()) {
    case AvroType::kNull:
      return;
    case AvroType::kBoolean:
      output->push_back(datum.GetBool() ? 1 : 0);
      return;
    case AvroType::kInt:
      AppendAvroLong(datum.GetInt(), output);
      return;
    case AvroType::kLong:
      AppendAvroLong(datum.GetLong(), output);
      return;
    case AvroType::kFloat:
      AppendLittleEndian(datum.GetFloat(), output);
      return;
    case AvroType::kDouble:
      AppendLittleEndian(datum.GetDouble(), output);
      return;
    case AvroType::kString:
    case AvroType::kBytes:
      AppendAvroString(datum.GetString(), output);
      return;
    case AvroType::kEnum:
      AppendAvroLong(datum.GetEnumIndex(), output);
      return;
    case AvroType::kUnion:
      AppendAvroLong(static_cast<int64_t>(datum.GetUnionBranchIndex()), output);
      if (datum.GetUnionBranch())
        AppendAvroBinary(*datum.GetUnionBranch(), output);
      return;
    case AvroType::kRecord:
      for (size_t i = 0; datum.GetChild(i); ++i)
        AppendAvroBinary(*datum.GetChild(i), output);
      return;
    case AvroType::kArray:
      if (datum.GetArraySize() > 0) {
        AppendAvroLong(static_cast<int64_t>(datum.GetArraySize()), output);
        for (size_t i = 0; i < datum.GetArraySize(); ++i)
          AppendAvroBinary(*datum.GetChild(i), output);
      }
      output->push_back(0);
      return;
    case AvroType::kMap: {
      std::vector<std::string> keys = datum.GetMapKeys();
      if (!keys.empty()) {
        AppendAvroLong(static_cast<int64_t>(keys.size()), output);
        for (const std::string& key : keys) {
          AppendAvroString(key, output);
          AppendAvroBinary(*datum.GetField(key), output);
        }
      }
      output->push_back(0);
      return;
    }
  }
}
