#include "base/version.h"

#include "base/environment.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(VersionTest, ParsingIsStrict) {
  EXPECT_TRUE(Version("1.2.3.4").IsValid());
  EXPECT_TRUE(Version("0").IsValid());
  EXPECT_TRUE(Version("1.02").IsValid());
  EXPECT_EQ("4294967295", Version("4294967295").GetString());
  for (const char* bad : {"", ".", "1.", ".1", "1..2", "+1", "-1", "1.-2", " 1", "1 ", "01.2",
                          "1.2a", "4294967296", "1,2"}) {
    EXPECT_FALSE(Version(bad).IsValid()) << bad;
  }
  EXPECT_EQ("invalid", Version("x").GetString());
}

TEST(VersionTest, ComparisonTreatsMissingComponentsAsZero) {
  EXPECT_EQ(Version("1.0.0"), Version("1"));
  EXPECT_LT(Version("1.9"), Version("1.10"));  // numeric, not textual
  EXPECT_GT(Version("2.0.0.1"), Version("2"));
  EXPECT_LT(Version("1.2.3"), Version("1.2.3.1"));
  EXPECT_EQ(Version("1.02"), Version("1.2"));
}

TEST(EnvironmentTest, SetEmptyUnsetAndCaseInsensitiveNames) {
  std::unique_ptr<Environment> env = Environment::Create();
  const char kName[] = "TARVO_BASE_TEST_VARIABLE";
  env->UnSetVar(kName);
  std::string value = "untouched";
  EXPECT_FALSE(env->GetVar(kName, &value));
  ASSERT_TRUE(env->SetVar(kName, "v\xC3\xBC"));
  EXPECT_TRUE(env->GetVar("tarvo_base_test_variable", &value));
  EXPECT_EQ("v\xC3\xBC", value);
  ASSERT_TRUE(env->SetVar(kName, ""));
  EXPECT_TRUE(env->HasVar(kName));  // set, though empty
  EXPECT_TRUE(env->GetVar(kName, &value));
  EXPECT_EQ("", value);
  ASSERT_TRUE(env->UnSetVar(kName));
  EXPECT_FALSE(env->HasVar(kName));
}

}  // namespace
}  // namespace base
