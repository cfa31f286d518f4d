#include "desktop/windows/installer/avro_stats/avro/test_support/avro_json_dump.h"

#include <stdio.h>

#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/avro/avro_schema_node.h"

namespace {

void AppendEscaped(const std::string& text, bool bytes, std::string* out) {
  out->push_back('"');
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out->push_back('\\');
      out->push_back(static_cast<char>(c));
    } else if (c < 0x20 || (bytes && c >= 0x80)) {
      char escape[8];
      snprintf(escape, sizeof(escape), "\\u%04x", c);
      out->append(escape);
    } else {
      out->push_back(static_cast<char>(c));
    }
  }
  out->push_back('"');
}

const char* PrimitiveName(AvroType type) {
  switch (type) {
    case AvroType::kNull: return "null";
    case AvroType::kBoolean: return "boolean";
    case AvroType::kString: return "string";
    case AvroType::kBytes: return "bytes";
    case AvroType::kInt: return "int";
    case AvroType::kLong: return "long";
    case AvroType::kFloat: return "float";
    case AvroType::kDouble: return "double";
    default: return nullptr;
  }
}

void AppendSchema(const AvroSchemaNode& node, std::string* out) {
  if (const char* name = PrimitiveName(node.GetType())) {
    AppendEscaped(name, false, out);
    return;
  }
  switch (node.GetType()) {
    case AvroType::kUnion:
      out->push_back('[');
      for (size_t i = 0; i < node.GetChildCount(); ++i) {
        if (i)
          out->push_back(',');
        AppendSchema(*node.GetChild(i), out);
      }
      out->push_back(']');
      return;
    case AvroType::kArray:
    case AvroType::kMap:
      out->append(node.GetType() == AvroType::kArray ? "{\"type\":\"array\",\"items\":"
                                                     : "{\"type\":\"map\",\"values\":");
      AppendSchema(*node.GetItemSchema(), out);
      out->push_back('}');
      return;
    case AvroType::kEnum:
    case AvroType::kRecord: {
      bool record = node.GetType() == AvroType::kRecord;
      out->append(record ? "{\"type\":\"record\",\"name\":" : "{\"type\":\"enum\",\"name\":");
      AppendEscaped(node.GetName(), false, out);
      out->append(",\"namespace\":");
      AppendEscaped(node.GetNamespace(), false, out);
      out->append(record ? ",\"fields\":[" : ",\"symbols\":[");
      for (size_t i = 0; i < node.GetChildCount(); ++i) {
        if (i)
          out->push_back(',');
        if (record) {
          out->append("{\"name\":");
          AppendEscaped(*node.GetFieldName(i), false, out);
          out->append(",\"type\":");
          AppendSchema(*node.GetChild(i), out);
          out->push_back('}');
        } else {
          AppendEscaped(node.GetEnumSymbols()[i], false, out);
        }
      }
      out->append("]}");
      return;
    }
    default:
      out->append("null");
  }
}

void AppendDatum(const AvroDatum& datum, std::string* out) {
  switch (datum.GetType()) {
    case AvroType::kNull:
      out->append("null");
      return;
    case AvroType::kBoolean:
      out->append(datum.GetBool() ? "true" : "false");
      return;
    case AvroType::kInt:
      out->append(std::to_string(datum.GetInt()));
      return;
    case AvroType::kLong:
      out->append(std::to_string(datum.GetLong()));
      return;
    case AvroType::kFloat:
    case AvroType::kDouble: {
      char number[40];
      snprintf(number, sizeof(number), "%.17g",
               datum.GetType() == AvroType::kFloat ? datum.GetFloat() : datum.GetDouble());
      out->append(number);
      return;
    }
    case AvroType::kString:
    case AvroType::kBytes:
      AppendEscaped(datum.GetString(), datum.GetType() == AvroType::kBytes, out);
      return;
    case AvroType::kEnum: {
      const auto& symbols = datum.GetSchema()->GetEnumSymbols();
      int64_t index = datum.GetEnumIndex();
      if (index >= 0 && static_cast<size_t>(index) < symbols.size())
        AppendEscaped(symbols[index], false, out);
      else
        out->append("null");
      return;
    }
    case AvroType::kUnion:
      if (datum.GetUnionBranch())
        AppendDatum(*datum.GetUnionBranch(), out);
      else
        out->append("null");
      return;
    case AvroType::kRecord:
      out->push_back('{');
      for (size_t i = 0; datum.GetChild(i); ++i) {
        if (i)
          out->push_back(',');
        AppendEscaped(*datum.GetSchema()->GetFieldName(i), false, out);
        out->push_back(':');
        AppendDatum(*datum.GetChild(i), out);
      }
      out->push_back('}');
      return;
    case AvroType::kArray:
      out->push_back('[');
      for (size_t i = 0; i < datum.GetArraySize(); ++i) {
        if (i)
          out->push_back(',');
        AppendDatum(*datum.GetChild(i), out);
      }
      out->push_back(']');
      return;
    case AvroType::kMap: {
      out->push_back('{');
      bool first = true;
      for (const std::string& key : datum.GetMapKeys()) {
        if (!first)
          out->push_back(',');
        first = false;
        AppendEscaped(key, false, out);
        out->push_back(':');
        AppendDatum(*datum.GetField(key), out);
      }
      out->push_back('}');
      return;
    }
  }
}

}  // namespace

std::string AvroSchemaToJson(const AvroSchemaNode& schema) {
  std::string out;
  AppendSchema(schema, &out);
  return out;
}

std::string AvroDatumToJson(const AvroDatum& datum) {
  std::string out;
  AppendDatum(datum, &out);
  return out;
}
