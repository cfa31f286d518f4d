#include "base/path_service.h"

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_util.h"
#include "base/test/scoped_path_override.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(PathServiceTest, KnownKeysResolve) {
  for (int key : {DIR_EXE, FILE_EXE, DIR_MODULE, DIR_TEMP, DIR_WINDOWS, DIR_SYSTEM,
                  DIR_PROGRAM_FILES, DIR_PROGRAM_FILESX86, DIR_APP_DATA, DIR_LOCAL_APP_DATA,
                  DIR_COMMON_APP_DATA, DIR_START_MENU, DIR_TASKBAR_PINS, DIR_HOME,
                  DIR_USER_DESKTOP, DIR_COMMON_DESKTOP, DIR_COMMON_START_MENU,
                  DIR_PROGRAM_FILES6432, DIR_USER_QUICK_LAUNCH, DIR_CURRENT, FILE_MODULE,
                  DIR_APP_SHORTCUTS}) {
    FilePath path;
    EXPECT_TRUE(PathService::Get(key, &path)) << key;
    EXPECT_TRUE(path.IsAbsolute()) << key << " " << path;
  }
  FilePath exe, dir;
  ASSERT_TRUE(PathService::Get(FILE_EXE, &exe));
  ASSERT_TRUE(PathService::Get(DIR_EXE, &dir));
  EXPECT_EQ(exe.DirName(), dir);
  FilePath pins;
  ASSERT_TRUE(PathService::Get(DIR_TASKBAR_PINS, &pins));
  EXPECT_TRUE(EndsWith(pins.value(), L"\\Quick Launch\\User Pinned\\TaskBar", CompareCase::SENSITIVE));
  FilePath unknown(L"unchanged");
  EXPECT_FALSE(PathService::Get(PATH_END + 1000, &unknown));
  EXPECT_EQ(L"unchanged", unknown.value());
}

TEST(PathServiceTest, ScopedOverridesNestAndRestore) {
  FilePath original;
  ASSERT_TRUE(PathService::Get(DIR_APP_DATA, &original));
  FilePath outer_path;
  {
    ScopedPathOverride outer(DIR_APP_DATA);
    ASSERT_TRUE(outer.succeeded());
    ASSERT_TRUE(PathService::Get(DIR_APP_DATA, &outer_path));
    EXPECT_NE(original, outer_path);
    EXPECT_TRUE(DirectoryExists(outer_path));
    {
      ScopedTempDir dir;
      ASSERT_TRUE(dir.CreateUniqueTempDir());
      const FilePath inner_path = dir.GetPath().Append(L"created\\by\\override");
      ScopedPathOverride inner(DIR_APP_DATA, inner_path);
      FilePath now;
      ASSERT_TRUE(PathService::Get(DIR_APP_DATA, &now));
      EXPECT_EQ(inner_path, now);
      EXPECT_TRUE(DirectoryExists(inner_path));
    }
    FilePath now;
    ASSERT_TRUE(PathService::Get(DIR_APP_DATA, &now));
    EXPECT_EQ(outer_path, now);  // the outer override is back
  }
  FilePath now;
  ASSERT_TRUE(PathService::Get(DIR_APP_DATA, &now));
  EXPECT_EQ(original, now);
  EXPECT_FALSE(DirectoryExists(outer_path));  // its temporary folder is gone
}

}  // namespace
}  // namespace base
