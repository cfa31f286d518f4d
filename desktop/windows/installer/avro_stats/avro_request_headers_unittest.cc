#include "desktop/windows/installer/avro_stats/avro_request_headers.h"

#include <string.h>

#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace {

const char* const kPlainLines[] = {
    "Content-Type: avro/binary\r\n",
    "X-Tarvo-Stats: tarvo-desktop-installer\r\n",
};

// The bytes of |text| as a wide string stores them (UTF-16LE).
std::string Utf16Bytes(const std::string& text) {
  std::string bytes;
  for (char c : text) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

TEST(AvroRequestHeadersTest, TableScramblesEveryByte) {
  std::vector<std::string> scrambled = AvroRequestHeaders::GetScrambledLinesForTesting();
  ASSERT_EQ(std::size(kPlainLines), scrambled.size());
  for (size_t line = 0; line < scrambled.size(); ++line) {
    const std::string plain = kPlainLines[line];
    ASSERT_EQ(plain.size(), scrambled[line].size());
    for (size_t i = 0; i < plain.size(); ++i)
      EXPECT_NE(plain[i], scrambled[line][i]) << "line " << line << " byte " << i;
  }
}

// The shipped engine holds the scrambled table and none of the text, in
// neither narrow nor wide form.
TEST(AvroRequestHeadersTest, EngineBinaryHoldsOnlyTheScrambledTable) {
  std::string engine;
  ASSERT_TRUE(base::ReadFileToString(testing_support::BinFolder().Append(L"installer_engine.dll"),
                                     &engine));
  for (const std::string& line : AvroRequestHeaders::GetScrambledLinesForTesting())
    EXPECT_NE(std::string::npos, engine.find(line));
  for (const char* line : kPlainLines) {
    std::string plain = line;
    plain.resize(plain.size() - 2);  // Without "\r\n".
    EXPECT_EQ(std::string::npos, engine.find(plain)) << plain;
    EXPECT_EQ(std::string::npos, engine.find(Utf16Bytes(plain))) << plain;
  }
  // Nor the values on their own.
  EXPECT_EQ(std::string::npos, engine.find(Utf16Bytes("avro/binary")));
  EXPECT_EQ(std::string::npos, engine.find(Utf16Bytes("tarvo-desktop-installer")));
}

}  // namespace
