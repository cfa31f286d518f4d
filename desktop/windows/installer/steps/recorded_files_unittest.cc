#include "desktop/windows/installer/steps/recorded_files.h"

#include <vector>

#include "gtest/gtest.h"

namespace {

using Files = std::vector<base::FilePath>;

Files Paths(std::initializer_list<const wchar_t*> values) {
  Files files;
  for (const wchar_t* value : values)
    files.emplace_back(value);
  return files;
}

// The batch records exactly what recording the files one by one records:
// same names whatever their case, separators or trailing separator, the
// first spelling kept, new names appended in order.
TEST(RecordedFilesTest, RecordingManyAtOnceMatchesRecordingEachInTurn) {
  const Files existing = Paths({L"a.dll", L"sub\\B.dll", L"\u00c4.dat", L"a.dll"});
  const Files incoming =
      Paths({L"A.DLL", L"sub/b.dll", L"new\\c.dll", L"\u00e4.dat", L"NEW/C.dll", L"d.dll\\",
             L"d.dll", L"sub\\b.dll.bak", L"e.dll"});
  Files one_by_one = existing;
  for (const base::FilePath& file : incoming)
    RecordFileOnce(&one_by_one, file);
  Files at_once = existing;
  RecordFilesOnce(&at_once, incoming);
  EXPECT_EQ(one_by_one, at_once);
  EXPECT_EQ(at_once, Paths({L"a.dll", L"sub\\B.dll", L"\u00c4.dat", L"a.dll", L"new\\c.dll",
                            L"d.dll\\", L"sub\\b.dll.bak", L"e.dll"}));
}

TEST(RecordedFilesTest, ForgettingRemovesEverySpelling) {
  Files files = Paths({L"a.dll", L"sub\\B.dll", L"SUB/b.dll", L"c.dll"});
  ForgetFile(&files, base::FilePath(L"sub/b.DLL"));
  EXPECT_EQ(files, Paths({L"a.dll", L"c.dll"}));
}

}  // namespace
