#include "crypto/sha2.h"

#include <string>

#include "crypto/secure_hash.h"
#include "gtest/gtest.h"
#include "testing/lower_hex.h"

namespace crypto {
namespace {

using testing_support::LowerHex;

TEST(SHA256Test, KnownDigests) {
  EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
            LowerHex(SHA256HashString("")));
  EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
            LowerHex(SHA256HashString("abc")));
}

TEST(SecureHashTest, IncrementalEqualsOneShotAndSha1Works) {
  std::unique_ptr<SecureHash> hash = SecureHash::Create(SecureHash::SHA256);
  ASSERT_TRUE(hash);
  hash->Update("a", 1);
  hash->Update("bc", 2);
  std::string digest(32, '\0');
  ASSERT_TRUE(hash->Finish(digest.data(), digest.size()));
  EXPECT_EQ(SHA256HashString("abc"), digest);

  std::unique_ptr<SecureHash> sha1 = SecureHash::Create(SecureHash::SHA1);
  ASSERT_TRUE(sha1);
  sha1->Update("abc", 3);
  std::string sha1_digest(20, '\0');
  ASSERT_TRUE(sha1->Finish(sha1_digest.data(), sha1_digest.size()));
  EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", LowerHex(sha1_digest));
}

}  // namespace
}  // namespace crypto
