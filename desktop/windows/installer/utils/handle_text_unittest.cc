#include "desktop/windows/installer/utils/handle_text.h"

#include "desktop/windows/installer/utils/process_id_text.h"
#include "gtest/gtest.h"

namespace {

TEST(HandleTextTest, HandleTextOfEightOrFourBytes) {
  HANDLE handle = nullptr;
  ASSERT_TRUE(DecodeHandleText("8C01000000000000", &handle));
  EXPECT_EQ(reinterpret_cast<HANDLE>(0x18C), handle);
  ASSERT_TRUE(DecodeHandleText("0100000000000080", &handle));
  EXPECT_EQ(reinterpret_cast<HANDLE>(0x8000000000000001ull), handle);
  // Four bytes are a signed value widened with its sign.
  ASSERT_TRUE(DecodeHandleText("FCFFFFFF", &handle));
  EXPECT_EQ(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4)), handle);
  ASSERT_TRUE(DecodeHandleText("c4000000", &handle));
  EXPECT_EQ(reinterpret_cast<HANDLE>(0xC4), handle);

  for (const char* bad : {"8C0100", "8C010000000", "", "8C01000000000000FF", "ZZ000000",
                          "8C01 000"}) {
    handle = reinterpret_cast<HANDLE>(7);
    EXPECT_FALSE(DecodeHandleText(bad, &handle)) << bad;
    EXPECT_EQ(reinterpret_cast<HANDLE>(7), handle) << bad;
  }
}

TEST(HandleTextTest, EncodedHandleReadsBack) {
  const HANDLE handles[] = {reinterpret_cast<HANDLE>(0x2A8),
                            reinterpret_cast<HANDLE>(0xFFFFFFFFFFFFFFFEull)};
  for (HANDLE original : handles) {
    const std::string text = EncodeHandleText(original);
    EXPECT_EQ(16u, text.size());
    HANDLE decoded = nullptr;
    ASSERT_TRUE(DecodeHandleText(text, &decoded));
    EXPECT_EQ(original, decoded);
  }
  EXPECT_EQ("A802000000000000", EncodeHandleText(reinterpret_cast<HANDLE>(0x2A8)));
}

TEST(HandleTextTest, ProcessIdTexts) {
  DWORD pid = 0;
  EXPECT_TRUE(ParseProcessIdText(L"+12", &pid));
  EXPECT_EQ(12u, pid);
  EXPECT_TRUE(ParseProcessIdText(L" 12", &pid));
  EXPECT_EQ(12u, pid);
  EXPECT_TRUE(ParseProcessIdText(L"4294967295", &pid));
  EXPECT_EQ(4294967295u, pid);
  pid = 5;
  for (const wchar_t* bad : {L"-1", L"4294967296", L"12 ", L"12a", L"", L" ", L"0x10"}) {
    EXPECT_FALSE(ParseProcessIdText(bad, &pid)) << bad;
    EXPECT_EQ(5u, pid);
  }
}

}  // namespace
