#include "crypto/sha1.h"

#include <string>

#include "crypto/secure_hash.h"
#include "gtest/gtest.h"
#include "testing/lower_hex.h"

namespace crypto {
namespace {

std::string PortableSha1Hex(const std::string& data, size_t piece) {
  Sha1 sha1;
  for (size_t i = 0; i < data.size(); i += piece)
    sha1.Update(data.data() + i, data.size() - i < piece ? data.size() - i : piece);
  uint8_t digest[kSHA1Length];
  sha1.Final(digest);
  return testing_support::LowerHex(digest, sizeof(digest));
}

TEST(Sha1Test, KnownDigests) {
  EXPECT_EQ("da39a3ee5e6b4b0d3255bfef95601890afd80709", PortableSha1Hex("", 1));
  EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", PortableSha1Hex("abc", 1));
  EXPECT_EQ("84983e441c3bd26ebaae4aa1f95129e5e54670f1",
            PortableSha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 7));
}

// Every length around the padding edges (55, 56, 63, 64 bytes and their
// multiples), fed in odd pieces, agrees with the system's SHA-1.
TEST(Sha1Test, AgreesWithTheSystemAcrossBlockEdges) {
  std::string data;
  for (int i = 0; i < 300; ++i)
    data.push_back(static_cast<char>(i * 7 + 3));
  for (size_t length = 0; length <= data.size(); ++length) {
    const std::string part = data.substr(0, length);
    std::unique_ptr<SecureHash> system = SecureHash::Create(SecureHash::SHA1);
    ASSERT_TRUE(system);
    system->Update(part.data(), part.size());
    std::string expected(kSHA1Length, '\0');
    ASSERT_TRUE(system->Finish(expected.data(), expected.size()));
    EXPECT_EQ(testing_support::LowerHex(expected), PortableSha1Hex(part, 13))
        << "length " << length;
  }
}

}  // namespace
}  // namespace crypto
