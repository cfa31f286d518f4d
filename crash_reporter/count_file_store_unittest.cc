#include "crash_reporter/count_file_store.h"

#include <string>

#include "base/files/file.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace crash_reporter {
namespace {

class CountFileStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.CreateUniqueTempDir());
    path_ = scratch_.GetPath().Append(L"crash_counts.json");
  }

  std::string FileText() {
    std::string text;
    EXPECT_TRUE(base::ReadFileToString(path_, &text));
    return text;
  }

  void TearDown() override { CountFileStore::SetOpenedHookForTesting(nullptr); }

  void PutFile(const std::string& text) { ASSERT_TRUE(base::WriteFile(path_, text)); }

  base::ScopedTempDir scratch_;
  base::FilePath path_;
};

TEST_F(CountFileStoreTest, MissingFileIsCreatedWithTheCounts) {
  CountFileStore store(path_);
  store.Add("installer", 1, /*wake=*/false);
  store.AddAll({{"installer", 1}, {"crash_reporter", 3}}, /*wake=*/false);
  EXPECT_TRUE(store.Flush());
  EXPECT_EQ("{\"crash_reporter\":3,\"installer\":2}", FileText());
  EXPECT_TRUE(store.TakePending().empty());
  // Nothing pending: a flush succeeds without touching the file.
  EXPECT_TRUE(store.Flush());
}

// The merged text replaces the old one entirely, also when it is shorter:
// no tail of the old text may survive behind it.
TEST_F(CountFileStoreTest, MergeKeepsIntegerMembersAndEndsTheFileAfterTheText) {
  PutFile("{\"installer\":2, \"note\":\"a member that is no count and is dropped\"}");
  CountFileStore store(path_);
  store.Add("installer", 1, /*wake=*/false);
  EXPECT_TRUE(store.Flush());
  EXPECT_EQ("{\"installer\":3}", FileText());

  PutFile("");
  store.Add("browser", 4, /*wake=*/false);
  EXPECT_TRUE(store.Flush());
  EXPECT_EQ("{\"browser\":4}", FileText());
}

TEST_F(CountFileStoreTest, UnreadableFileKeepsCountsPending) {
  for (const char* text : {"[]", "{\"installer\":", "7"}) {
    PutFile(text);
    CountFileStore store(path_);
    store.Add("installer", 2, /*wake=*/false);
    EXPECT_FALSE(store.Flush()) << text;
    EXPECT_EQ(text, FileText());
    CountFileStore::Counts pending = store.TakePending();
    EXPECT_EQ((CountFileStore::Counts{{"installer", 2}}), pending) << text;
  }
}

TEST_F(CountFileStoreTest, LockedFileKeepsCountsUntilItIsFree) {
  PutFile("{\"installer\":1}");
  CountFileStore store(path_);
  store.Add("installer", 1, /*wake=*/false);
  {
    base::File other(path_, base::File::FLAG_OPEN | base::File::FLAG_READ |
                                 base::File::FLAG_WRITE);
    ASSERT_EQ(base::File::FILE_OK, other.Lock());
    EXPECT_FALSE(store.Flush());
    store.Add("installer", 1, /*wake=*/false);
  }
  EXPECT_TRUE(store.Flush());
  EXPECT_EQ("{\"installer\":3}", FileText());
}

CountFileStore* g_store_in_flush = nullptr;

// Another store may write the file between this store's creating it and
// locking it: its counts are merged, not overwritten. Counts added to this
// store while it flushes stay pending for its next flush.
TEST_F(CountFileStoreTest, CountsWrittenBetweenCreationAndLockAreMerged) {
  CountFileStore::SetOpenedHookForTesting([](const base::FilePath& path) {
    base::File other(path, base::File::FLAG_OPEN | base::File::FLAG_WRITE);
    ASSERT_TRUE(other.IsValid());
    ASSERT_EQ(15, other.Write(0, "{\"installer\":5}", 15));
    g_store_in_flush->Add("crash_reporter", 2, /*wake=*/false);
  });
  ASSERT_FALSE(base::PathExists(path_));
  CountFileStore store(path_);
  g_store_in_flush = &store;
  store.Add("installer", 1, /*wake=*/false);
  EXPECT_TRUE(store.Flush());
  CountFileStore::SetOpenedHookForTesting(nullptr);
  EXPECT_EQ("{\"installer\":6}", FileText());
  EXPECT_TRUE(store.Flush());
  EXPECT_EQ("{\"crash_reporter\":2,\"installer\":6}", FileText());
  g_store_in_flush = nullptr;
}

// Two stores on one file, each woken by its Add and flushing again when it
// is destroyed: no count is lost.
TEST_F(CountFileStoreTest, TwoStoresOnOneFileBothCount) {
  {
    CountFileStore first(path_);
    CountFileStore second(path_);
    first.Add("installer", 1, /*wake=*/true);
    second.Add("installer", 1, /*wake=*/true);
  }
  EXPECT_EQ("{\"installer\":2}", FileText());
}

}  // namespace
}  // namespace crash_reporter
