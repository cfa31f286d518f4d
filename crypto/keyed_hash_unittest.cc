#include "crypto/keyed_hash.h"

#include <string>

#include "gtest/gtest.h"
#include "testing/lower_hex.h"

namespace crypto {
namespace {

using testing_support::LowerHex;

TEST(KeyedHashTest, HmacSha256KnownVectors) {
  std::string mac = "stale";
  ASSERT_TRUE(HmacSha256("Jefe", "what do ya want for nothing?", &mac));
  EXPECT_EQ("5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843", LowerHex(mac));
  // An empty key and message are valid input, not a failure.
  ASSERT_TRUE(HmacSha256("", "", &mac));
  EXPECT_EQ("b613679a0814d9ec772f95d778c35fc5ff1697c493715653c6c712144292c5ad", LowerHex(mac));
}

TEST(KeyedHashTest, Pbkdf2HmacSha1KnownVectorsAndRefusals) {
  std::string key;
  ASSERT_TRUE(Pbkdf2HmacSha1("password", "salt", 1, 20, &key));
  EXPECT_EQ("0c60c80f961f0e71f3a9b524af6012062fe037a6", LowerHex(key));
  ASSERT_TRUE(Pbkdf2HmacSha1("password", "salt", 2, 20, &key));
  EXPECT_EQ("ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957", LowerHex(key));
  // A length past one digest takes a second block.
  ASSERT_TRUE(Pbkdf2HmacSha1("passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt",
                             4096, 25, &key));
  EXPECT_EQ("3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038", LowerHex(key));

  key = "stale";
  EXPECT_FALSE(Pbkdf2HmacSha1("password", "salt", 0, 20, &key));
  EXPECT_TRUE(key.empty());
  EXPECT_FALSE(Pbkdf2HmacSha1("password", "salt", 1, 0, &key));
}

}  // namespace
}  // namespace crypto
