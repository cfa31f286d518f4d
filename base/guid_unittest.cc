#include "base/guid.h"

#include <limits>
#include <set>

#include "base/rand_util.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(GUIDTest, GeneratedGUIDsAreLowerCaseVersion4AndDistinct) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    std::string guid = GenerateGUID();
    ASSERT_EQ(36u, guid.size());
    EXPECT_TRUE(IsValidGUIDOutputString(guid)) << guid;
    EXPECT_EQ('4', guid[14]) << guid;
    EXPECT_NE(std::string::npos, std::string("89ab").find(guid[19])) << guid;
    EXPECT_TRUE(seen.insert(guid).second) << guid;
  }
}

TEST(GUIDTest, Validation) {
  EXPECT_TRUE(IsValidGUID("0123ABCD-ef01-4567-89ab-CDEF01234567"));
  EXPECT_TRUE(IsValidGUID(L"0123abcd-ef01-4567-89ab-cdef01234567"));
  EXPECT_FALSE(IsValidGUIDOutputString("0123ABCD-ef01-4567-89ab-CDEF01234567"));
  EXPECT_FALSE(IsValidGUID("{0123abcd-ef01-4567-89ab-cdef01234567}"));
  EXPECT_FALSE(IsValidGUID("0123abcd-ef01-4567-89ab-cdef0123456"));
  EXPECT_FALSE(IsValidGUID("0123abcd-ef01-4567-89ab-cdef012345678"));
  EXPECT_FALSE(IsValidGUID("0123abcdef01-4567-89ab-cdef01234567-"));
  EXPECT_FALSE(IsValidGUID("0123abcg-ef01-4567-89ab-cdef01234567"));
  EXPECT_FALSE(IsValidGUID(""));
}

TEST(RandUtilTest, RandIntStaysInRangeAtTheExtremes) {
  EXPECT_EQ(5, RandInt(5, 5));
  for (int i = 0; i < 100; ++i) {
    int value = RandInt(-1, 1);
    EXPECT_GE(value, -1);
    EXPECT_LE(value, 1);
  }
  // The full int range must not overflow the range computation.
  RandInt(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  int value = RandInt(std::numeric_limits<int>::max() - 1, std::numeric_limits<int>::max());
  EXPECT_GE(value, std::numeric_limits<int>::max() - 1);
  EXPECT_EQ(0u, RandGenerator(1));
}

}  // namespace
}  // namespace base
