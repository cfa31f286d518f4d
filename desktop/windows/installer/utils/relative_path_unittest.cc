#include "desktop/windows/installer/utils/relative_path.h"

#include <string>

#include "gtest/gtest.h"

namespace {

TEST(RelativePathTest, AcceptsOrdinaryEntries) {
  for (const wchar_t* entry :
       {L"tarvo.exe", L"64.0.3278.0\\installer.exe", L"locales/en-US.pak", L"a/b\\c.d.e",
        L".hidden", L"a\\.config\\x", L"name with spaces.txt", L" leading", L"console",
        L"com10", L"lpt", L"nul_file", L"auxiliary.dll", L"conout", L"~1", L"\x00e9t\x00e9.txt"}) {
    EXPECT_TRUE(IsSafeRelativePath(entry)) << entry;
  }
}

TEST(RelativePathTest, RefusesEscapesAndRoots) {
  for (const wchar_t* entry :
       {L"", L"..", L"../x", L"a\\..\\..\\x", L"a/../b", L"\\x", L"/x", L"\\\\server\\share\\x",
        L"//server/share", L"\\\\?\\C:\\x", L"\\??\\C:\\x", L"C:\\x", L"C:x", L"c:",
        L"file.txt:stream", L"a\\b:c\\d", L"..\\", L"a\\..", L"a/.."}) {
    EXPECT_FALSE(IsSafeRelativePath(entry)) << entry;
  }
}

// Windows drops trailing dots and blanks, so these alias other names.
TEST(RelativePathTest, RefusesAliasingAndEmptyComponents) {
  for (const wchar_t* entry :
       {L".", L"./x", L"a\\.\\b", L"...", L". .", L".. ", L"a\\... \\b", L"x.", L"x ", L"a. \\b",
        L"a\\\\b", L"a//b", L"a\\", L"a/", L"a\\b\\"}) {
    EXPECT_FALSE(IsSafeRelativePath(entry)) << entry;
  }
}

TEST(RelativePathTest, RefusesDeviceNamesInAnyComponent) {
  for (const wchar_t* entry :
       {L"CON", L"con", L"Con.txt", L"a\\prn", L"aux.h\\b", L"NUL", L"nul.tar.gz", L"COM1",
        L"com9.log", L"LPT1", L"lpt9", L"COM0", L"LPT0.x", L"con .txt", L"x/CONIN$",
        L"conout$.dat", L"COM\x00b9", L"lpt\x00b3.txt"}) {
    EXPECT_FALSE(IsSafeRelativePath(entry)) << entry;
  }
}

TEST(RelativePathTest, RefusesCharactersWindowsForbids) {
  for (const wchar_t* entry : {L"a*b", L"a?b", L"a<b", L"a>b", L"a|b", L"a\"b", L"a\tb", L"a\x1f"}) {
    EXPECT_FALSE(IsSafeRelativePath(entry)) << entry;
  }
  // An embedded NUL would cut the path short in every Windows call.
  EXPECT_FALSE(IsSafeRelativePath(std::wstring(L"a\0b", 3)));
  EXPECT_FALSE(IsSafeRelativePath(std::wstring(L"..\0x", 4)));
}

TEST(RelativePathTest, Utf8Entries) {
  EXPECT_TRUE(IsSafeRelativePath(std::string("locales/\xc3\xa9t\xc3\xa9.pak")));
  EXPECT_FALSE(IsSafeRelativePath(std::string("../x")));
  EXPECT_FALSE(IsSafeRelativePath(std::string("")));
  // Invalid UTF-8 would be replaced on the way to a path: refused instead.
  EXPECT_FALSE(IsSafeRelativePath(std::string("a\xff.txt")));
  EXPECT_FALSE(IsSafeRelativePath(std::string("a\xc0\xae\xc0\xae/x")));
}

TEST(RelativePathTest, ControlCharactersAnywhereInWideOrUtf8Text) {
  EXPECT_TRUE(HasControlCharacter(std::wstring(L"Software\\Policies\0\\x", 20)));
  EXPECT_TRUE(HasControlCharacter(std::string("Software\\Policies\0\\x", 20)));
  for (const wchar_t* text : {L"\x01", L"a\tb", L"line\n", L"\x1f", L"del\x7f"})
    EXPECT_TRUE(HasControlCharacter(std::wstring_view(text))) << text;
  EXPECT_TRUE(HasControlCharacter(std::string_view("a\rb")));
  EXPECT_FALSE(HasControlCharacter(std::wstring_view(L"Software\\Tarvo \x00e9 \x0080 ~")));
  // UTF-8 sequences never hold a byte below 0x80.
  EXPECT_FALSE(HasControlCharacter(std::string_view("\xc3\xa9\xc2\x80 ~")));
  EXPECT_FALSE(HasControlCharacter(std::wstring_view()));
}

TEST(RelativePathTest, ReservedDeviceNames) {
  EXPECT_TRUE(IsReservedDeviceName(L"Com5 .log"));
  EXPECT_TRUE(IsReservedDeviceName(L"nul   "));
  EXPECT_FALSE(IsReservedDeviceName(L"nul_"));
  EXPECT_FALSE(IsReservedDeviceName(L"comA"));
  EXPECT_FALSE(IsReservedDeviceName(L""));
}

}  // namespace
