// Writes statistics messages for the python3-avro cross-check that CTest runs
// natively afterwards (check_avro_messages.py). Skipped unless
// TARVO_AVRO_ORACLE_DIR names the output folder.

#include <stdint.h>
#include <stdio.h>

#include <limits>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/avro/test_support/avro_json_dump.h"
#include "desktop/windows/installer/avro_stats/statistics_schema.h"
#include "desktop/windows/installer/avro_stats/oracle/test_support/oracle_output.h"
#include "gtest/gtest.h"

namespace {


// How a message fills the unions of the schema.
enum class Shape { kAllNull, kAllSet, kMixed };

const int32_t kInts[] = {0, -1, 1, std::numeric_limits<int32_t>::min(),
                         std::numeric_limits<int32_t>::max(), 63, -64, 64, -65, 8191, 8192,
                         -8193, 201, 403};
const int64_t kLongs[] = {0, -1, std::numeric_limits<int64_t>::min(),
                          std::numeric_limits<int64_t>::max(), int64_t{1765000000123},
                          -(int64_t{1} << 35), int64_t{1} << 35, int64_t{4294967295},
                          -int64_t{4294967296}, int64_t{1} << 62};
const std::string kStrings[] = {
    "",
    "a",
    "Gr\xC3\xBC\xC3\x9F" "e aus Z\xC3\xBCrich",
    "\xE6\x9D\xB1\xE4\xBA\xAC \xE2\x80\x94 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF",
    "quote\" back\\slash\ttab\nnewline",
    std::string(200, 'x'),
    "C:\\Program Files\\Tarvo\\tarvo.exe --flag=\"x y\"",
    "\x01\x1F\x7F control",
    std::string("nul\0inside", 10),
    "bad\xFF" "utf8\xC3",  // Written with U+FFFD replacements.
    "\xEF\xBB\xBF" "bom",
};
const char* const kMapKeys[] = {"Z-Header", "content-type", "Content-Length",
                                "\xC3\xA9t\xC3\xA9", "", "a"};

class ValueFiller {
 public:
  ValueFiller(Shape shape, size_t seed) : shape_(shape), next_(seed) {}

  void Fill(AvroDatum* datum) {
    size_t n = next_++;
    switch (datum->GetType()) {
      case AvroType::kNull:
        break;
      case AvroType::kBoolean:
        ASSERT_TRUE(datum->SetBool(n % 2 == 1));
        break;
      case AvroType::kInt:
        ASSERT_TRUE(datum->SetInt(kInts[n % std::size(kInts)]));
        break;
      case AvroType::kLong:
        ASSERT_TRUE(datum->SetLong(kLongs[n % std::size(kLongs)]));
        break;
      case AvroType::kString:
        ASSERT_TRUE(datum->SetString(kStrings[n % std::size(kStrings)]));
        break;
      case AvroType::kEnum:
        ASSERT_TRUE(datum->SetEnumIndex(
            static_cast<int64_t>(n % datum->GetSchema()->GetChildCount())));
        break;
      case AvroType::kUnion: {
        bool set = shape_ == Shape::kAllSet || (shape_ == Shape::kMixed && n % 2 == 0);
        if (set)
          Fill(datum->SelectUnionBranch(1));
        break;
      }
      case AvroType::kRecord:
        for (size_t i = 0; datum->GetChild(i); ++i)
          Fill(datum->GetChild(i));
        break;
      case AvroType::kArray:
        for (size_t i = 0, count = n % 3 == 0 ? 0 : n % 3 == 1 ? 1 : 3; i < count; ++i)
          Fill(datum->AppendArrayItem());
        break;
      case AvroType::kMap: {
        // Inserted against the byte order that the encoding must restore.
        size_t count = n % 3 == 0 ? 0 : n % 3 == 1 ? 1 : std::size(kMapKeys);
        for (size_t i = 0; i < count; ++i)
          Fill(datum->GetOrAddMapValue(kMapKeys[i]));
        break;
      }
      default:
        FAIL() << "type " << static_cast<int>(datum->GetType());
    }
  }

 private:
  const Shape shape_;
  size_t next_;
};

class AvroOracleTest : public testing::Test {
 protected:
  void SetUp() override {
    // CTest empties the folder before this run.
    if (!GetOracleOutputFolder(&output_))
      GTEST_SKIP() << kOracleOutputVariable << " is not set";
    ASSERT_TRUE(base::CreateDirectory(output_));
  }

  void WriteMessage(const std::string& name, const AvroDatum& root) {
    AvroCodec codec;
    std::string message = codec.EncodeWithSchemaId(root);
    std::string expected = AvroDatumToJson(root);
    // Our own reader must agree before the independent one is asked.
    std::unique_ptr<AvroDatum> decoded =
        codec.Decode(root.GetSchema(), std::string_view(message).substr(AvroCodec::kSchemaIdHeaderSize));
    ASSERT_TRUE(decoded) << name;
    EXPECT_EQ(expected, AvroDatumToJson(*decoded)) << name;
    ASSERT_TRUE(base::WriteFile(output_.AppendASCII(name + ".bin"), message));
    ASSERT_TRUE(base::WriteFile(output_.AppendASCII(name + ".json"), expected));
    ++written_;
  }

  base::FilePath output_;
  int written_ = 0;
};

TEST_F(AvroOracleTest, WriteMessagesForEveryEventType) {
  AvroSchemaNode::Ptr schema = GetInstallerSchema();
  ASSERT_TRUE(base::WriteFile(output_.AppendASCII("schema.json"), AvroSchemaToJson(*schema)));

  WriteMessage("000_fresh", *AvroDatum::Create(schema));

  const std::vector<std::string> event_types = [&] {
    auto probe = AvroDatum::Create(schema);
    return probe->GetByPath("installer_event.event_type")->GetSchema()->GetEnumSymbols();
  }();
  ASSERT_EQ(24u, event_types.size());
  const std::pair<Shape, const char*> shapes[] = {
      {Shape::kAllNull, "null"}, {Shape::kAllSet, "set"}, {Shape::kMixed, "mixed"}};
  size_t number = 1;
  for (size_t e = 0; e < event_types.size(); ++e) {
    for (const auto& [shape, shape_name] : shapes) {
      auto root = AvroDatum::Create(schema);
      ValueFiller filler(shape, number * 7);
      filler.Fill(root.get());
      if (HasFatalFailure())
        return;
      // Every message is an event: the record and its type are always there.
      AvroDatum* type = root->GetByPath("installer_event.event_type");
      ASSERT_TRUE(type);
      ASSERT_TRUE(type->SetEnumSymbol(event_types[e]));
      if (shape == Shape::kAllNull) {
        // Unions on the way to a detail become non-null, even for an empty value.
        ASSERT_TRUE(root->GetByPath("installer_event.fetch_details"));
        ASSERT_TRUE(root->GetByPath("installer_event.description")->SetString(""));
      }
      char name[96];
      snprintf(name, sizeof(name), "%03zu_%s_%s", number++, event_types[e].c_str(), shape_name);
      WriteMessage(name, *root);
    }
  }
  EXPECT_EQ(1 + 24 * 3, written_);
}

}  // namespace
