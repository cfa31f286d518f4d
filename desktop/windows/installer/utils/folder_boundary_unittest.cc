#include "desktop/windows/installer/utils/folder_boundary.h"

#include <windows.h>

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/utils/test_support/test_links.h"
#include "gtest/gtest.h"

namespace {

using Verdict = FolderBoundary::Verdict;

// An installation folder holding a folder link and a file link to a folder
// of somebody else's.
class FolderBoundaryTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    for (const wchar_t* file : {L"Tarvo\\real\\a.txt", L"Tarvo\\tree\\deep\\b.txt",
                                L"victim\\precious.txt", L"victim\\sub\\inner.txt"}) {
      ASSERT_TRUE(base::CreateDirectory(Path(file).DirName()));
      ASSERT_TRUE(base::WriteFile(Path(file), "data"));
    }
    if (!links_.Make(Path(L"Tarvo\\lnk"), Path(L"victim")) ||
        !links_.Make(Path(L"Tarvo\\flink.txt"), Path(L"victim\\precious.txt")) ||
        !links_.Make(Path(L"Tarvo\\tree\\deep\\lnk"), Path(L"victim")) ||
        !links_.Make(Path(L"Tarvo\\tree\\flink.txt"), Path(L"victim\\sub\\inner.txt"))) {
      GTEST_SKIP() << "links cannot be made here";
    }
  }

  base::FilePath Path(const std::wstring& relative) const {
    return temp_.GetPath().Append(relative);
  }
  bool VictimIntact() const {
    std::string a, b;
    return base::ReadFileToString(Path(L"victim\\precious.txt"), &a) &&
           base::ReadFileToString(Path(L"victim\\sub\\inner.txt"), &b) && a == "data" &&
           b == "data";
  }

  base::ScopedTempDir temp_;
  TestLinks links_;
};

TEST_F(FolderBoundaryTest, ALinkAnywhereOnTheWayIsFound) {
  const FolderBoundary boundary(Path(L"Tarvo"));
  const struct {
    const wchar_t* path;
    Verdict verdict;
  } cases[] = {
      {L"Tarvo\\real\\a.txt", Verdict::kInside},
      {L"TARVO\\Real\\A.TXT", Verdict::kInside},
      {L"Tarvo\\real\\missing\\x.txt", Verdict::kInside},
      {L"Tarvo", Verdict::kOutside},
      {L"victim\\precious.txt", Verdict::kOutside},
      {L"Tarvo\\lnk", Verdict::kThroughLink},
      {L"Tarvo\\lnk\\precious.txt", Verdict::kThroughLink},
      {L"Tarvo\\lnk\\missing.txt", Verdict::kThroughLink},
      {L"Tarvo\\flink.txt", Verdict::kThroughLink},
      {L"Tarvo\\tree\\deep\\lnk\\sub\\inner.txt", Verdict::kThroughLink},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.verdict, boundary.Check(Path(c.path))) << c.path;

  // A shell folder given as allowed too.
  FolderBoundary wider(Path(L"Tarvo"));
  wider.AddFolder(Path(L"victim"));
  EXPECT_EQ(Verdict::kInside, wider.Check(Path(L"victim\\precious.txt")));
}

// Whatever is removed or renamed, what a link leads to stays where it is.
TEST_F(FolderBoundaryTest, RemovalsAndRenamesNeverReachThroughALink) {
  const FolderBoundary boundary(Path(L"Tarvo"));
  EXPECT_FALSE(boundary.Remove(Path(L"Tarvo\\lnk\\precious.txt"), /*recursive=*/false));
  EXPECT_FALSE(boundary.Remove(Path(L"Tarvo\\lnk\\sub"), /*recursive=*/true));
  boundary.Remove(Path(L"Tarvo\\flink.txt"), /*recursive=*/false);
  boundary.Remove(Path(L"Tarvo\\lnk"), /*recursive=*/true);
  EXPECT_EQ(FolderBoundary::kStoppedOnLink,
            boundary.Rename(Path(L"Tarvo\\lnk\\precious.txt"), Path(L"Tarvo\\taken.txt")));
  EXPECT_EQ(FolderBoundary::kStoppedOnLink,
            boundary.Rename(Path(L"Tarvo\\real\\a.txt"), Path(L"Tarvo\\lnk\\a.txt")));
  boundary.Rename(Path(L"Tarvo\\flink.txt"), Path(L"Tarvo\\moved.txt"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
            boundary.Rename(Path(L"victim\\precious.txt"), Path(L"Tarvo\\taken.txt")));
  // A tree with links inside goes, its links as links or not at all.
  boundary.Remove(Path(L"Tarvo\\tree"), /*recursive=*/true);
  FolderBoundary::RemoveEntry(Path(L"Tarvo\\lnk"), /*recursive=*/true);
  EXPECT_TRUE(VictimIntact());
  EXPECT_FALSE(base::PathExists(Path(L"Tarvo\\tree\\deep\\b.txt")));

  // Plain entries are renamed and removed, whatever the separators.
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
            boundary.Rename(Path(L"Tarvo\\real\\a.txt"), Path(L"Tarvo/real/c.txt")));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS),
            FolderBoundary::RenameEntry(Path(L"Tarvo\\real\\c.txt"), Path(L"victim\\precious.txt")));
  EXPECT_TRUE(boundary.Remove(Path(L"Tarvo\\real"), /*recursive=*/true));
  EXPECT_FALSE(base::PathExists(Path(L"Tarvo\\real")));
  EXPECT_TRUE(boundary.Remove(Path(L"Tarvo\\real"), /*recursive=*/true));
}

}  // namespace
