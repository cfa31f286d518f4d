#include "desktop/windows/installer/checksum_checker/downloadable_resources.h"

#include <set>
#include <string>

#include "base/base64.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/canonical_folder.h"
#include "gtest/gtest.h"

namespace {

using Names = std::vector<std::string>;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Every row is a safe relative path with a 20-byte digest, in the layout
// the fetcher and the repair rely on: 45 language packs, then 5 scale-factor
// packs, each directly followed by its companion.
TEST(DownloadableResourcesTest, TableRowsAreSafePathsInTheirLayout) {
  const auto table = GetDownloadableResources();
  ASSERT_EQ(100u, table.size());
  std::set<std::string> seen;
  for (size_t i = 0; i < table.size(); ++i) {
    std::string path, digest;
    ASSERT_TRUE(DecodeResourcePath(table[i], &path)) << "row " << i;
    EXPECT_TRUE(seen.insert(path).second) << path;
    EXPECT_EQ(28u, std::string(table[i].sha1_base64).size()) << path;
    ASSERT_TRUE(base::Base64Decode(table[i].sha1_base64, &digest)) << path;
    EXPECT_EQ(20u, digest.size()) << path;
    if (i % 2 == 1) {
      std::string pack;
      ASSERT_TRUE(DecodeResourcePath(table[i - 1], &pack));
      EXPECT_EQ(pack + ".info", path);
    } else {
      EXPECT_TRUE(EndsWith(path, ".pak")) << path;
    }
    // The room an installation folder leaves for the package's files.
    EXPECT_LE(path.size(), kLongestPackagedPath) << path;
    if (i < 90)
      EXPECT_EQ(0u, path.rfind("localization/", 0)) << path;
    else
      EXPECT_EQ(std::string::npos, path.find('/')) << path;
  }
  std::string pack;
  ASSERT_TRUE(DecodeResourcePath(table[90], &pack));
  EXPECT_EQ("tarvo_100_percent.pak", pack);
  ASSERT_TRUE(DecodeResourcePath(table[98], &pack));
  EXPECT_EQ("tarvo_250_percent.pak", pack);
}

TEST(DownloadableResourcesTest, UnsafeRowIsRefused) {
  const DownloadableResource rows[] = {
      {"Li4vZXZpbC5wYWs=", "AAAAAAAAAAAAAAAAAAAAAAAAAAA="},  // ../evil.pak
      {"QzpcZXZpbC5wYWs=", "AAAAAAAAAAAAAAAAAAAAAAAAAAA="},  // C:\evil.pak
      {"not base64!", "AAAAAAAAAAAAAAAAAAAAAAAAAAA="},
  };
  for (const DownloadableResource& row : rows) {
    std::string path = "kept";
    EXPECT_FALSE(DecodeResourcePath(row, &path));
    EXPECT_EQ("kept", path);
    std::string error;
    EXPECT_FALSE(VerifyDownloadableResource(base::FilePath(L"C:\\"), row, &error));
    EXPECT_EQ("Bad downloadable resource path", error);
  }
}

TEST(DownloadableResourcesTest, FilesToFetch) {
  EXPECT_EQ((Names{"localization/de.pak", "tarvo_150_percent.pak"}),
            GetResourceFilesToFetch("de", {2, 9}));
  EXPECT_EQ(Names{}, GetResourceFilesToFetch("", {}));
  EXPECT_EQ((Names{"tarvo_125_percent.pak", "tarvo_250_percent.pak"}),
            GetResourceFilesToFetch("", {4, 0, 1}));
  EXPECT_EQ((Names{"localization/pt-BR.pak", "tarvo_200_percent.pak"}),
            GetResourceFilesToFetch("pt-BR", {3}));
  // A language that would lead out of the folder, or to a device, asks for
  // no language pack.
  for (const char* bad : {"../../evil", "a\\b", "x/y", "con", "de:stream", "..", "de.pak"})
    EXPECT_EQ(Names{"tarvo_150_percent.pak"}, GetResourceFilesToFetch(bad, {2})) << bad;
}

class DownloadableResourcesFilesTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_dir_.CreateUniqueTempDir()); }

  base::FilePath FileOf(const std::string& relative) {
    std::wstring wide = base::UTF8ToWide(relative);
    for (wchar_t& c : wide)
      c = c == L'/' ? L'\\' : c;
    return temp_dir_.GetPath().Append(wide);
  }

  void WriteResource(const std::string& relative, const std::string& contents) {
    base::FilePath file = FileOf(relative);
    ASSERT_TRUE(base::CreateDirectory(file.DirName()));
    ASSERT_TRUE(base::WriteFile(file, contents));
  }

  base::ScopedTempDir temp_dir_;
};

TEST_F(DownloadableResourcesFilesTest, MissingResourcesInTableOrder) {
  Names all;
  for (const DownloadableResource& row : GetDownloadableResources()) {
    all.emplace_back();
    ASSERT_TRUE(DecodeResourcePath(row, &all.back()));
  }
  EXPECT_EQ(all, FindMissingDownloadableResources(temp_dir_.GetPath()));

  for (const std::string& path : all) {
    if (path != "localization/fr.pak.info")
      WriteResource(path, "x");
  }
  EXPECT_EQ(Names{"localization/fr.pak.info"},
            FindMissingDownloadableResources(temp_dir_.GetPath()));
}

TEST_F(DownloadableResourcesFilesTest, VerifiesAgainstTheRowDigest) {
  const DownloadableResource& row = GetDownloadableResources()[15];
  std::string path;
  ASSERT_TRUE(DecodeResourcePath(row, &path));
  std::string error;
  EXPECT_FALSE(VerifyDownloadableResource(temp_dir_.GetPath(), row, &error));
  EXPECT_EQ("Failed to read " + FileOf(path).AsUTF8Unsafe(), error);

  WriteResource(path, "stand-in for " + path + "\n");
  EXPECT_TRUE(VerifyDownloadableResource(temp_dir_.GetPath(), row, &error));

  WriteResource(path, "damaged");
  EXPECT_FALSE(VerifyDownloadableResource(temp_dir_.GetPath(), row, &error));
  EXPECT_NE(std::string::npos, error.find(" hash doesn't match: ")) << error;
}

}  // namespace
