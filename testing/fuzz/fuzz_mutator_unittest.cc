#include "testing/fuzz/fuzz_mutator.h"

#include <cstring>

#include <nlohmann/json.hpp>

#include "gtest/gtest.h"

namespace fuzz {
namespace {

uint32_t ReadU32(const std::string& data, size_t at) {
  uint32_t value = 0;
  memcpy(&value, data.data() + at, 4);
  return value;
}

uint32_t CrcOf(const std::string& data, size_t at, size_t size) {
  return Crc32(reinterpret_cast<const uint8_t*>(data.data()) + at, size);
}

// A stub, then a 7z start header whose next header (|header|) follows
// |packed| bytes of packed streams.
std::string SevenZip(const std::string& stub, const std::string& packed, const std::string& header) {
  std::string data = stub + std::string("7z\xBC\xAF\x27\x1C\x00\x04", 8) + std::string(24, '\0');
  const size_t start = stub.size();
  const uint64_t offset = packed.size(), size = header.size();
  memcpy(&data[start + 12], &offset, 8);
  memcpy(&data[start + 20], &size, 8);
  data += packed + header;
  EXPECT_TRUE(FixSevenZipCrcs(&data, start));
  return data;
}

TEST(FuzzMutatorTest, SameSeedSameInputs) {
  const std::vector<std::string> corpus = {"{\"a\":[1,2,{\"b\":\"c\"}]}", "<a x=\"1\"><b/></a>"};
  for (InputFormat format : {InputFormat::kBytes, InputFormat::kJson, InputFormat::kXml}) {
    Rng first(42), second(42), other(43);
    int differing = 0;
    for (int i = 0; i < 50; ++i) {
      const std::string a = Mutate(corpus[i % 2], corpus, format, &first);
      EXPECT_EQ(a, Mutate(corpus[i % 2], corpus, format, &second));
      differing += a != Mutate(corpus[i % 2], corpus, format, &other);
    }
    EXPECT_GT(differing, 25);
  }
  EXPECT_NE(IterationSeed(1, 0), IterationSeed(1, 1));
  EXPECT_EQ(IterationSeed(7, 3), IterationSeed(7, 3));
}

TEST(FuzzMutatorTest, Crc32MatchesTheStandardCheckValue) {
  EXPECT_EQ(0xCBF43926u, CrcOf("123456789", 0, 9));
  EXPECT_EQ(0u, CrcOf("", 0, 0));
}

TEST(FuzzMutatorTest, SevenZipMutationsKeepBothCrcsRight) {
  const std::string stub(100, 'M');
  const std::string original = SevenZip(stub, std::string(40, 'p'), std::string("\x01\x04\x06\x00", 4) +
                                                                       std::string(20, '\x0B'));
  Rng rng(5);
  int header_changes = 0;
  for (int i = 0; i < 300; ++i) {
    std::string data = original;
    ASSERT_TRUE(MutateSevenZip(&data, &rng));
    const size_t start = stub.size();
    EXPECT_EQ(CrcOf(data, start + 12, 20), ReadU32(data, start + 8));
    uint64_t offset = 0, size = 0;
    memcpy(&offset, &data[start + 12], 8);
    memcpy(&size, &data[start + 20], 8);
    if (offset == 40 && size == 24) {
      EXPECT_EQ(CrcOf(data, start + 32 + 40, 24), ReadU32(data, start + 28));
      header_changes += data.substr(start + 72) != original.substr(start + 72);
    }
  }
  EXPECT_GT(header_changes, 100);
  std::string not_an_archive = "no signature here";
  EXPECT_FALSE(MutateSevenZip(&not_an_archive, &rng));
  EXPECT_EQ("no signature here", not_an_archive);
}

TEST(FuzzMutatorTest, PickleHeaderMostlyFitsThePayload) {
  std::string pickle(4, '\0');
  pickle += std::string("\x13\0\0\0:Installer message:\0\x05\0\0\0", 28);
  const uint32_t payload = static_cast<uint32_t>(pickle.size() - 4);
  memcpy(&pickle[0], &payload, 4);
  Rng rng(9);
  int fitting = 0;
  for (int i = 0; i < 200; ++i) {
    std::string data = pickle;
    ASSERT_TRUE(MutatePickle(&data, &rng));
    fitting += ReadU32(data, 0) == data.size() - 4;
  }
  EXPECT_GT(fitting, 140);
  EXPECT_LT(fitting, 200);  // sometimes the header itself is the target
}

TEST(FuzzMutatorTest, JsonMutationsStayJsonAndChangeSomething) {
  const std::string seed = "{\"version\":\"1\",\"files\":[\"a\",\"b\"],\"registry\":{\"HKLM\":{}}}";
  Rng rng(3);
  int changed = 0;
  for (int i = 0; i < 200; ++i) {
    std::string data = seed;
    ASSERT_TRUE(MutateJson(&data, &rng));
    changed += data != seed;
    EXPECT_FALSE(nlohmann::json::parse(data, nullptr, false).is_discarded()) << data.substr(0, 200);
  }
  EXPECT_GT(changed, 150);
  std::string broken = "{\"a\":";
  EXPECT_FALSE(MutateJson(&broken, &rng));
  EXPECT_EQ("{\"a\":", broken);
}

TEST(FuzzMutatorTest, NoMutationGrowsPastTheLimit) {
  const std::vector<std::string> corpus = {std::string(kMaxInputSize - 10, 'x')};
  Rng rng(11);
  for (InputFormat format : {InputFormat::kBytes, InputFormat::kXml, InputFormat::kPickle}) {
    for (int i = 0; i < 30; ++i)
      EXPECT_LE(Mutate(corpus[0], corpus, format, &rng).size(), kMaxInputSize);
  }
}

}  // namespace
}  // namespace fuzz
