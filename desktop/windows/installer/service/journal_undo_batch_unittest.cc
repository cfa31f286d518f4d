#include "desktop/windows/installer/service/journal_undo_batch.h"

#include "gtest/gtest.h"

namespace {

// A file's line, or with `root` a registry line (`path` the key, `other`
// the value's name).
UndoRecord Line(UndoRecord::Kind kind, const wchar_t* path, const wchar_t* other = L"",
                HKEY root = nullptr) {
  return {kind, base::FilePath(path), base::FilePath(other), root, 0, path, L"", other};
}

// Whether an older line's undoing, after a newer one's, ends the batch: when
// undoing the newer one again could take what the older one put back.
TEST(JournalUndoBatchTest, ALineTouchingWhatTheBatchTouchesEndsIt) {
  using Kind = UndoRecord::Kind;
  const HKEY hkcu = HKEY_CURRENT_USER;
  const struct {
    UndoRecord newer, older;
    bool touches;
  } cases[] = {
      // A file put back where a made one went, a folder above it, a file
      // moved back into a folder removed.
      {Line(Kind::kDelete, L"C:\\T\\a.exe"), Line(Kind::kPutBack, L"c:\\t\\A.EXE", L"C:\\T\\b"),
       true},
      {Line(Kind::kDelete, L"C:\\T\\d\\a"), Line(Kind::kPutBack, L"C:\\T\\d", L"C:\\T\\e"), true},
      {Line(Kind::kRemoveFolders, L"C:\\T\\d", L"C:\\T"),
       Line(Kind::kMoveBack, L"C:\\T\\x", L"C:\\T\\d\\x"), true},
      // Other files; folders removed up to the same one.
      {Line(Kind::kDelete, L"C:\\T\\a"), Line(Kind::kPutBack, L"C:\\T\\ab", L"C:\\T\\c"), false},
      {Line(Kind::kRemoveFolders, L"C:\\T\\d", L"C:\\T"),
       Line(Kind::kRemoveFolders, L"C:\\T\\e", L"C:\\T"), false},
      // One value; keys put back above a value.
      {Line(Kind::kRestoreValue, L"Software\\T", L"a", hkcu),
       Line(Kind::kRestoreValue, L"software\\\\t\\", L"A", hkcu), true},
      {Line(Kind::kRestoreValue, L"Software\\T\\k", L"a", hkcu),
       Line(Kind::kRestoreKeys, L"Software\\T", L"", hkcu), true},
  };
  for (const auto& c : cases) {
    JournalUndoBatch batch;
    batch.Add(c.newer);
    EXPECT_EQ(c.touches, batch.Touches(c.older)) << c.older.path.value();
    batch.Clear();
    EXPECT_FALSE(batch.Touches(c.older));
  }
}

}  // namespace
