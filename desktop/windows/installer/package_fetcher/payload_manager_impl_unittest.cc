#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "gtest/gtest.h"
#include "testing/scoped_log_capture.h"

namespace {

constexpr uint32_t kPeOffset = 0x80;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kMachineArmNt = 0x1C4;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
const std::string k7z("7z\xBC\xAF\x27\x1C" "archive", 13);

template <typename T>
void Put(std::string* bytes, size_t offset, T value) {
  memcpy(&(*bytes)[offset], &value, sizeof(value));
}

template <typename T>
T Get(const std::string& bytes, size_t offset) {
  T value;
  memcpy(&value, &bytes[offset], sizeof(value));
  return value;
}

constexpr uint32_t kHeadersSize = 0x200;
constexpr size_t kOptionalHeader = kPeOffset + 24;

// The headers of a PE image, 0x200 bytes, without sections, with the usual
// 16 data directories.
std::string Image(uint16_t magic = kPe32PlusMagic, uint16_t machine = kMachineAmd64) {
  std::string image(kHeadersSize, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  Put<uint32_t>(&image, 0x3C, kPeOffset);
  memcpy(&image[kPeOffset], "PE\0\0", 4);
  Put<uint16_t>(&image, kPeOffset + 4, machine);
  Put<uint16_t>(&image, kPeOffset + 20, 0xF0);  // SizeOfOptionalHeader
  Put<uint16_t>(&image, kOptionalHeader, magic);
  Put<uint32_t>(&image, kOptionalHeader + 60, kHeadersSize);
  Put<uint32_t>(&image, kOptionalHeader + (magic == kPe32Magic ? 92 : 108), 16);
  return image;
}

// Adds one section whose raw data is `data`, placed after what is there.
void AddSection(std::string* image, const std::string& data) {
  const uint16_t count = static_cast<uint16_t>((*image)[kPeOffset + 6]);
  const size_t header = kOptionalHeader + 0xF0 + 40 * count;
  Put<uint16_t>(image, kPeOffset + 6, count + 1);
  Put<uint32_t>(image, header + 16, static_cast<uint32_t>(data.size()));
  Put<uint32_t>(image, header + 20, static_cast<uint32_t>(image->size()));
  image->append(data);
}

// The security directory entry lies where the optional header's magic
// puts it.
void SetSecurityDirectory(std::string* image, uint32_t offset, uint32_t size) {
  const size_t entry =
      kPeOffset + (Get<uint16_t>(*image, kOptionalHeader) == kPe32Magic ? 0x98 : 0xA8);
  Put<uint32_t>(image, entry, offset);
  Put<uint32_t>(image, entry + 4, size);
}

std::string Tail(const std::string& payload) {
  std::string tail = "TRV" + payload;
  int32_t length = static_cast<int32_t>(payload.size());
  tail.append(reinterpret_cast<const char*>(&length), 4);
  return tail;
}

// Signs `image` with a made-up certificate table placed after `before`.
std::string Signed(std::string image, const std::string& before, const std::string& after) {
  const std::string table(24, 'C');
  SetSecurityDirectory(&image, static_cast<uint32_t>(image.size() + before.size()),
                       static_cast<uint32_t>(table.size()));
  return image + before + table + after;
}

class PayloadManagerImplTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_dir_.CreateUniqueTempDir()); }

  PayloadType TypeOf(const std::string& bytes) {
    return PayloadManagerImpl(Write(bytes)).GetPayloadType();
  }

  base::FilePath Write(const std::string& bytes) {
    // A new name each time: a live manager keeps its file mapped.
    base::FilePath path =
        temp_dir_.GetPath().Append(L"installer" + std::to_wstring(++files_) + L".exe");
    EXPECT_TRUE(base::WriteFile(path, bytes));
    return path;
  }

  base::ScopedTempDir temp_dir_;
  int files_ = 0;
};

TEST_F(PayloadManagerImplTest, UnsignedFullPackageIsServedAndWritten) {
  PayloadManagerImpl manager(Write(Image() + Tail(k7z)));
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE, manager.GetPayloadType());
  EXPECT_EQ(k7z, manager.GetPayload());
  base::FilePath out = temp_dir_.GetPath().Append(L"tarvo_package");
  ASSERT_TRUE(manager.WritePayloadToFile(out));
  std::string written;
  ASSERT_TRUE(base::ReadFileToString(out, &written));
  EXPECT_EQ(k7z, written);
  // A folder in the way: the write fails.
  EXPECT_FALSE(manager.WritePayloadToFile(temp_dir_.GetPath()));
}

TEST_F(PayloadManagerImplTest, TrackingDataAndExternalTrackingData) {
  PayloadManagerImpl manager(Write(Image() + Tail("campaign=x&medium=y")));
  EXPECT_EQ(PAYLOAD_TYPE_TRACKING_DATA, manager.GetPayloadType());
  EXPECT_EQ("campaign=x&medium=y", manager.GetPayload());
  manager.SetExternalTrackingData("x");
  EXPECT_EQ(PAYLOAD_TYPE_EXTERNAL_TRACKING_DATA, manager.GetPayloadType());
  EXPECT_EQ("x", manager.GetPayload());
  base::FilePath out = temp_dir_.GetPath().Append(L"tracking");
  ASSERT_TRUE(manager.WritePayloadToFile(out));
  std::string written;
  ASSERT_TRUE(base::ReadFileToString(out, &written));
  EXPECT_EQ("x", written);
}

TEST_F(PayloadManagerImplTest, SignedFilesUseOnlyWhatTheSignatureCovers) {
  testing_support::ScopedLogCapture log;
  // After the table the package is not covered: not used.
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(Signed(Image(), "", Tail(k7z))));
  EXPECT_TRUE(log.Contains("Found full package that is not covered by the signature"));
  // Tracking data is written per download after signing.
  EXPECT_EQ(PAYLOAD_TYPE_TRACKING_DATA, TypeOf(Signed(Image(), "", Tail("tracking"))));
  // Before the table (the signed placement).
  PayloadManagerImpl manager(Write(Signed(Image(), Tail(k7z), "")));
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE, manager.GetPayloadType());
  EXPECT_EQ(k7z, manager.GetPayload());
  // A PE32 image keeps its security directory elsewhere.
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE,
            TypeOf(Signed(Image(kPe32Magic, kMachineI386), Tail(k7z), "")));
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(Signed(Image(kPe32Magic, kMachineI386), "", Tail(k7z))));
}

// Windows finds the security directory by the optional header's magic,
// whatever the machine, and only among the directories the image has.
TEST_F(PayloadManagerImplTest, SecurityDirectoryIsWhereWindowsLooks) {
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE,
            TypeOf(Signed(Image(kPe32Magic, kMachineArmNt), Tail(k7z), "")));
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE,
            TypeOf(Signed(Image(kPe32PlusMagic, kMachineI386), Tail(k7z), "")));
  // With four directories there is none for security: the image is
  // unsigned and the package at its end is its own.
  std::string few = Signed(Image(), "", Tail(k7z));
  Put<uint32_t>(&few, kOptionalHeader + 108, 4);
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE, TypeOf(few));
  // An unknown magic is no image.
  std::string unknown = Image() + Tail(k7z);
  Put<uint16_t>(&unknown, kOptionalHeader, 0x107);
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(unknown));
}

TEST_F(PayloadManagerImplTest, NoPayload) {
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(Image()));
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(Signed(Image(), "", "")));
  // A signing tool's padding before the table is nothing.
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(Signed(Image(), std::string(7, '\0'), "")));
  // What lies inside the image is never taken for a payload, even when it
  // reads like one.
  std::string image = Image();
  AddSection(&image, Tail(k7z));
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(image));
  // An executable that cannot be read.
  EXPECT_EQ(PAYLOAD_TYPE_NONE,
            PayloadManagerImpl(temp_dir_.GetPath().Append(L"missing.exe")).GetPayloadType());
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(""));
  PayloadManagerImpl none(Write(Image()));
  EXPECT_EQ("", none.GetPayload());
  EXPECT_FALSE(none.WritePayloadToFile(temp_dir_.GetPath().Append(L"never")));
  EXPECT_FALSE(base::PathExists(temp_dir_.GetPath().Append(L"never")));
}

TEST_F(PayloadManagerImplTest, HeadersOutsideTheFileAreCorrupted) {
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf("MZ12345678"));
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf("M"));
  std::string not_mz = Image() + Tail(k7z);
  not_mz[0] = 'N';
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(not_mz));
  std::string bad_pe = Image();
  bad_pe[kPeOffset + 2] = 'x';
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(bad_pe));
  // e_lfanew past the end, and at the very end.
  std::string distant = Image();
  Put<uint32_t>(&distant, 0x3C, 0xFFFFFFF0u);
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(distant));
  Put<uint32_t>(&distant, 0x3C, static_cast<uint32_t>(distant.size() - 2));
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(distant));
  // The optional header cut off before the security directory.
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(Image().substr(0, kPeOffset + 0xA8 + 6)));
  // Certificate tables past the end of the file.
  std::string past = Image() + Tail(k7z);
  SetSecurityDirectory(&past, static_cast<uint32_t>(past.size() + 1), 8);
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(past));
  SetSecurityDirectory(&past, static_cast<uint32_t>(past.size() - 8), 0xFFFFFFF0u);
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(past));
}

// A tail that is no valid payload is none: the installer runs as a plain
// one and fetches its package, whatever a tool appended or cut off.
TEST_F(PayloadManagerImplTest, DataAfterTheImageThatIsNoPayloadIsNone) {
  testing_support::ScopedLogCapture log;
  const std::string whole = Image() + Tail(k7z);
  // Every cut inside the magic, the payload or the length field.
  for (size_t size = kHeadersSize + 1; size < whole.size(); ++size)
    EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(whole.substr(0, size))) << size;
  EXPECT_TRUE(log.Contains("No valid payload found"));
  // Lengths that do not fit the space before them, or miss the magic.
  std::string too_long = whole;
  for (int32_t length : {static_cast<int32_t>(whole.size()), -1, INT32_MIN, 0, 1000}) {
    Put<int32_t>(&too_long, too_long.size() - 4, length);
    EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(too_long)) << length;
  }
  std::string section = Image();
  AddSection(&section, "section data");
  std::string many_sections = section;
  Put<uint16_t>(&many_sections, kPeOffset + 6, 0xFFFF);
  const std::string length_1000("\xE8\x03\0\0", 4);
  for (const std::string& bytes :
       {Image() + std::string(16, '\0'), Image() + "TRVabc" + length_1000,
        section + "TRVabc" + length_1000, section + "TR",
        Signed(Image(), Tail(k7z).substr(1), ""), Signed(Image(), "", Tail("tracking").substr(2)),
        Signed(Image(), std::string(8, '\0'), std::string(16, '\0')),
        // Sections cut short, or a section table past the end.
        section.substr(0, section.size() - 1), many_sections + Tail("x").substr(1)}) {
    EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(bytes)) << bytes.size();
  }
  EXPECT_EQ(PAYLOAD_TYPE_TRACKING_DATA, TypeOf(section + Tail("tracking")));
}

TEST_F(PayloadManagerImplTest, TableAtTheStartLeavesNoRoomBeforeIt) {
  for (uint32_t offset : {0u, 3u, 6u}) {
    std::string image = Image();
    SetSecurityDirectory(&image, offset, 4);
    EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(image)) << offset;
  }
}

// installer.exe with payloads appended (and signed with a test signer) by
// the package builder.
TEST(PayloadManagerImplBuiltTest, InstallersFromThePackageBuilder) {
  base::FilePath bin;
  ASSERT_TRUE(base::PathService::Get(base::DIR_EXE, &bin));
  const base::FilePath build = bin.DirName();
  const base::FilePath installers = build.Append(L"payload_installers");
  std::string package;
  ASSERT_TRUE(base::ReadFileToString(build.Append(L"test_package").Append(L"tarvo_package"),
                                     &package));

  PayloadManagerImpl unsigned_package(installers.Append(L"full_package.exe"));
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE, unsigned_package.GetPayloadType());
  base::ScopedTempDir temp_dir;
  ASSERT_TRUE(temp_dir.CreateUniqueTempDir());
  base::FilePath written = temp_dir.GetPath().Append(L"tarvo_package");
  ASSERT_TRUE(unsigned_package.WritePayloadToFile(written));
  std::string copy;
  ASSERT_TRUE(base::ReadFileToString(written, &copy));
  EXPECT_TRUE(copy == package);

  PayloadManagerImpl covered(installers.Append(L"signed_full_package.exe"));
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE, covered.GetPayloadType());
  EXPECT_TRUE(covered.GetPayload() == package);
  EXPECT_EQ(PAYLOAD_TYPE_NONE,
            PayloadManagerImpl(installers.Append(L"signed_package_after_signature.exe"))
                .GetPayloadType());
  PayloadManagerImpl tracking(installers.Append(L"signed_tracking_data.exe"));
  EXPECT_EQ(PAYLOAD_TYPE_TRACKING_DATA, tracking.GetPayloadType());
  EXPECT_EQ("campaign=signed", tracking.GetPayload());

  // The real installer cut anywhere in its tail: never its package.
  std::string whole;
  ASSERT_TRUE(base::ReadFileToString(installers.Append(L"full_package.exe"), &whole));
  std::string host;
  ASSERT_TRUE(base::ReadFileToString(bin.Append(L"installer.exe"), &host));
  ASSERT_LT(host.size(), whole.size());
  const base::FilePath cut_path = temp_dir.GetPath().Append(L"cut.exe");
  for (size_t size : {host.size() + 1, host.size() + 3, host.size() + 9, whole.size() / 2 + host.size() / 2,
                      whole.size() - 5, whole.size() - 1}) {
    ASSERT_TRUE(base::WriteFile(cut_path, whole.substr(0, size)));
    EXPECT_EQ(PAYLOAD_TYPE_NONE, PayloadManagerImpl(cut_path).GetPayloadType()) << size;
  }
}

}  // namespace
