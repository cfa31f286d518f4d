#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/scoped_log_capture.h"
#include "testing/synthetic_pe_image.h"

namespace {

using testing_support::AddPeSection;
using testing_support::kMachineI386;
using testing_support::kPe32Magic;
using testing_support::kPe32PlusMagic;
using testing_support::kPeHeadersSize;
using testing_support::kPeOffset;
using testing_support::kPeOptionalHeader;
using testing_support::PayloadTail;
using testing_support::PeHeaders;
using testing_support::PutAt;
using testing_support::SetPeSecurityDirectory;
using testing_support::SignedPeImage;

constexpr uint16_t kMachineArmNt = 0x1C4;
const std::string k7z("7z\xBC\xAF\x27\x1C" "archive", 13);

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
  PayloadManagerImpl manager(Write(PeHeaders() + PayloadTail(k7z)));
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
  PayloadManagerImpl manager(Write(PeHeaders() + PayloadTail("campaign=x&medium=y")));
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
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(SignedPeImage(PeHeaders(), "", PayloadTail(k7z))));
  EXPECT_TRUE(log.Contains("Found full package that is not covered by the signature"));
  // Tracking data is written per download after signing.
  EXPECT_EQ(PAYLOAD_TYPE_TRACKING_DATA,
            TypeOf(SignedPeImage(PeHeaders(), "", PayloadTail("tracking"))));
  // Before the table (the signed placement).
  PayloadManagerImpl manager(Write(SignedPeImage(PeHeaders(), PayloadTail(k7z), "")));
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE, manager.GetPayloadType());
  EXPECT_EQ(k7z, manager.GetPayload());
  // A PE32 image keeps its security directory elsewhere.
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE,
            TypeOf(SignedPeImage(PeHeaders(kPe32Magic, kMachineI386), PayloadTail(k7z), "")));
  EXPECT_EQ(PAYLOAD_TYPE_NONE,
            TypeOf(SignedPeImage(PeHeaders(kPe32Magic, kMachineI386), "", PayloadTail(k7z))));
}

// Windows finds the security directory by the optional header's magic,
// whatever the machine, and only among the directories the image has.
TEST_F(PayloadManagerImplTest, SecurityDirectoryIsWhereWindowsLooks) {
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE,
            TypeOf(SignedPeImage(PeHeaders(kPe32Magic, kMachineArmNt), PayloadTail(k7z), "")));
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE,
            TypeOf(SignedPeImage(PeHeaders(kPe32PlusMagic, kMachineI386), PayloadTail(k7z), "")));
  // With four directories there is none for security: the image is
  // unsigned and the package at its end is its own.
  std::string few = SignedPeImage(PeHeaders(), "", PayloadTail(k7z));
  PutAt<uint32_t>(&few, kPeOptionalHeader + 108, 4);
  EXPECT_EQ(PAYLOAD_TYPE_FULL_PACKAGE, TypeOf(few));
  // An unknown magic is no image.
  std::string unknown = PeHeaders() + PayloadTail(k7z);
  PutAt<uint16_t>(&unknown, kPeOptionalHeader, 0x107);
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(unknown));
}

TEST_F(PayloadManagerImplTest, NoPayload) {
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(PeHeaders()));
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(SignedPeImage(PeHeaders(), "", "")));
  // A signing tool's padding before the table is nothing.
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(SignedPeImage(PeHeaders(), std::string(7, '\0'), "")));
  // What lies inside the image is never taken for a payload, even when it
  // reads like one.
  std::string image = PeHeaders();
  AddPeSection(&image, PayloadTail(k7z));
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(image));
  // An executable that cannot be read.
  EXPECT_EQ(PAYLOAD_TYPE_NONE,
            PayloadManagerImpl(temp_dir_.GetPath().Append(L"missing.exe")).GetPayloadType());
  EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(""));
  PayloadManagerImpl none(Write(PeHeaders()));
  EXPECT_EQ("", none.GetPayload());
  EXPECT_FALSE(none.WritePayloadToFile(temp_dir_.GetPath().Append(L"never")));
  EXPECT_FALSE(base::PathExists(temp_dir_.GetPath().Append(L"never")));
}

TEST_F(PayloadManagerImplTest, HeadersOutsideTheFileAreCorrupted) {
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf("MZ12345678"));
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf("M"));
  std::string not_mz = PeHeaders() + PayloadTail(k7z);
  not_mz[0] = 'N';
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(not_mz));
  std::string bad_pe = PeHeaders();
  bad_pe[kPeOffset + 2] = 'x';
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(bad_pe));
  // e_lfanew past the end, and at the very end.
  std::string distant = PeHeaders();
  PutAt<uint32_t>(&distant, 0x3C, 0xFFFFFFF0u);
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(distant));
  PutAt<uint32_t>(&distant, 0x3C, static_cast<uint32_t>(distant.size() - 2));
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(distant));
  // The optional header cut off before the security directory.
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(PeHeaders().substr(0, kPeOffset + 0xA8 + 6)));
  // Certificate tables past the end of the file.
  std::string past = PeHeaders() + PayloadTail(k7z);
  SetPeSecurityDirectory(&past, static_cast<uint32_t>(past.size() + 1), 8);
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(past));
  SetPeSecurityDirectory(&past, static_cast<uint32_t>(past.size() - 8), 0xFFFFFFF0u);
  EXPECT_EQ(PAYLOAD_TYPE_CORRUPTED, TypeOf(past));
}

// A tail that is no valid payload is none: the installer runs as a plain
// one and fetches its package, whatever a tool appended or cut off.
TEST_F(PayloadManagerImplTest, DataAfterTheImageThatIsNoPayloadIsNone) {
  testing_support::ScopedLogCapture log;
  const std::string whole = PeHeaders() + PayloadTail(k7z);
  // Every cut inside the magic, the payload or the length field.
  for (size_t size = kPeHeadersSize + 1; size < whole.size(); ++size)
    EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(whole.substr(0, size))) << size;
  EXPECT_TRUE(log.Contains("No valid payload found"));
  // Lengths that do not fit the space before them, or miss the magic.
  std::string too_long = whole;
  for (int32_t length : {static_cast<int32_t>(whole.size()), -1, INT32_MIN, 0, 1000}) {
    PutAt<int32_t>(&too_long, too_long.size() - 4, length);
    EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(too_long)) << length;
  }
  std::string section = PeHeaders();
  AddPeSection(&section, "section data");
  std::string many_sections = section;
  PutAt<uint16_t>(&many_sections, kPeOffset + 6, 0xFFFF);
  const std::string length_1000("\xE8\x03\0\0", 4);
  for (const std::string& bytes :
       {PeHeaders() + std::string(16, '\0'), PeHeaders() + "TRVabc" + length_1000,
        section + "TRVabc" + length_1000, section + "TR",
        SignedPeImage(PeHeaders(), PayloadTail(k7z).substr(1), ""),
        SignedPeImage(PeHeaders(), "", PayloadTail("tracking").substr(2)),
        SignedPeImage(PeHeaders(), std::string(8, '\0'), std::string(16, '\0')),
        // Sections cut short, or a section table past the end.
        section.substr(0, section.size() - 1), many_sections + PayloadTail("x").substr(1)}) {
    EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(bytes)) << bytes.size();
  }
  EXPECT_EQ(PAYLOAD_TYPE_TRACKING_DATA, TypeOf(section + PayloadTail("tracking")));
}

TEST_F(PayloadManagerImplTest, TableAtTheStartLeavesNoRoomBeforeIt) {
  for (uint32_t offset : {0u, 3u, 6u}) {
    std::string image = PeHeaders();
    SetPeSecurityDirectory(&image, offset, 4);
    EXPECT_EQ(PAYLOAD_TYPE_NONE, TypeOf(image)) << offset;
  }
}

// installer.exe with payloads appended (and signed with a test signer) by
// the package builder.
TEST(PayloadManagerImplBuiltTest, InstallersFromThePackageBuilder) {
  const base::FilePath build = testing_support::BuildFolder();
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
  ASSERT_TRUE(base::ReadFileToString(testing_support::BinFolder().Append(L"installer.exe"), &host));
  ASSERT_LT(host.size(), whole.size());
  const base::FilePath cut_path = temp_dir.GetPath().Append(L"cut.exe");
  for (size_t size : {host.size() + 1, host.size() + 3, host.size() + 9, whole.size() / 2 + host.size() / 2,
                      whole.size() - 5, whole.size() - 1}) {
    ASSERT_TRUE(base::WriteFile(cut_path, whole.substr(0, size)));
    EXPECT_EQ(PAYLOAD_TYPE_NONE, PayloadManagerImpl(cut_path).GetPayloadType()) << size;
  }
}

}  // namespace
