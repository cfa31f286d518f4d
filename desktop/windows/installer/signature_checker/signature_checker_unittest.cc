#include "desktop/windows/installer/signature_checker/signature_checker.h"

#include <windows.h>

#include <wincrypt.h>

#include <cstring>
#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/strings/string_number_conversions.h"
#include "desktop/windows/installer/signature_checker/test_support/scoped_trusted_test_root.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "gtest/gtest.h"

namespace {

base::FilePath TestFile(const wchar_t* name) {
  return SignedTestFile(name);
}

// Where the signature (the DER element in the certificate table's first
// entry) of a signed PE32+ image ends.
size_t SignatureEnd(const std::string& image) {
  auto u32 = [&image](size_t at) {
    uint32_t value = 0;
    memcpy(&value, image.data() + at, sizeof(value));
    return value;
  };
  const size_t der = u32(u32(0x3C) + 24 + 144) + 8;
  const uint8_t length = static_cast<uint8_t>(image[der + 1]);
  if (!(length & 0x80))
    return der + 2 + length;
  size_t size = 0;
  for (size_t i = 0; i < (length & 0x7Fu); ++i)
    size = (size << 8) | static_cast<uint8_t>(image[der + 2 + i]);
  return der + 2 + (length & 0x7Fu) + size;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class SignatureCheckerTest : public testing::Test {
 protected:
  // Refused with the text explaining it.
  std::string Refusal(const wchar_t* name) {
    std::string error;
    EXPECT_FALSE(VerifyFileSignature(TestFile(name), &error)) << "file " << name;
    EXPECT_FALSE(VerifyFileSignature(TestFile(name), nullptr)) << "file " << name;
    return error;
  }
};

// One test, so that no other test shard removes the root meanwhile.
TEST_F(SignatureCheckerTest, DecisionsWithTheTestRootTrusted) {
  ASSERT_EQ("Tarvo Software AS", ProductInfo::GetExpectedSigner());
  ScopedTrustedTestRoot root;

  std::string error;
  EXPECT_TRUE(VerifyFileSignature(TestFile(L"expected.exe"), &error)) << error;
  EXPECT_TRUE(VerifyFileSignature(TestFile(L"expected.exe"), nullptr));

  // Dual-signed: the outer SHA-1 signer is tried at level 0, the nested
  // SHA-256 one of the expected signer is accepted.
  error.clear();
  EXPECT_TRUE(VerifyFileSignature(TestFile(L"dual.exe"), &error)) << error;
  EXPECT_TRUE(Contains(error, "Level 0: Tried signer Other Publisher\n")) << error;
  EXPECT_TRUE(Contains(error, "Level 1: Trust chain:\n")) << error;
  EXPECT_TRUE(VerifyFileSignature(TestFile(L"dual.exe"), nullptr));

  // Each further nested signature is one more value of the same attribute.
  error.clear();
  EXPECT_TRUE(VerifyFileSignature(TestFile(L"triple.exe"), &error)) << error;

  error = Refusal(L"other.exe");
  EXPECT_TRUE(Contains(error, "Level 0: Tried signer Other Publisher\n")) << error;
  EXPECT_TRUE(Contains(error, "Level 0: Cannot find any viable signers\n")) << error;
  EXPECT_TRUE(Contains(error, "Chain 1 element: Tarvo Test Root CA ")) << error;

  // Windows (and Wine even more) would take these; the signer checks don't.
  error = Refusal(L"selfsigned.exe");
  EXPECT_TRUE(Contains(error, "Level 0: Refused signer Tarvo Software AS: certificate chain"))
      << error;
  error = Refusal(L"untrusted.exe");
  EXPECT_TRUE(Contains(error, "Level 0: Refused signer Tarvo Software AS: certificate chain"))
      << error;
  error = Refusal(L"evil_nested.exe");
  EXPECT_TRUE(Contains(error, "Level 1: Refused signer Tarvo Software AS: certificate chain"))
      << error;
  EXPECT_TRUE(Contains(error, "Level 1: Cannot find any viable signers\n")) << error;
  error = Refusal(L"transplanted.exe");
  EXPECT_TRUE(
      Contains(error, "Level 1: Refused signer Tarvo Software AS: the signed digest is not the file's"))
      << error;

  // A self-extractor whose archive the signature covers.
  error.clear();
  EXPECT_TRUE(VerifyFileSignature(TestFile(L"sfx_signed.exe"), &error)) << error;
  // Anything in or after the certificate table rides along unsigned (the
  // digest leaves the table out): such a file is refused, as Windows' own
  // padding check refuses it.
  const struct {
    const wchar_t* name;
    const char* problem;
  } hidden[] = {
      {L"sfx_in_entry.exe", "the certificate table's entry holds more than its signature"},
      {L"zeros_in_entry.exe", "the certificate table's entry holds more than its signature"},
      {L"sfx_signed_in_entry.exe", "the certificate table's entry holds more than its signature"},
      {L"sfx_in_directory.exe", "the certificate table holds more than one entry"},
      {L"sfx_after_table.exe", "the certificate table is not 8-aligned at the end of the file"},
  };
  for (const auto& file : hidden) {
    error = Refusal(file.name);
    EXPECT_TRUE(Contains(error, std::string("Refused certificate table: ") + file.problem + "\n"))
        << error;
  }
  // The alignment padding after the signature may only be zeros. Its
  // length depends on the signature's, so the first file that has some is
  // used.
  base::ScopedTempDir temp_dir;
  ASSERT_TRUE(temp_dir.CreateUniqueTempDir());
  const base::FilePath padded = temp_dir.GetPath().Append(L"padded.exe");
  bool found_padding = false;
  for (const wchar_t* name : {L"expected.exe", L"dual.exe", L"triple.exe", L"sfx_signed.exe"}) {
    std::string image;
    ASSERT_TRUE(base::ReadFileToString(TestFile(name), &image));
    if (SignatureEnd(image) == image.size())
      continue;
    image.back() = 'x';
    ASSERT_TRUE(base::WriteFile(padded, image));
    std::string padded_error;
    EXPECT_FALSE(VerifyFileSignature(padded, &padded_error));
    EXPECT_TRUE(Contains(padded_error,
                         "Refused certificate table: the certificate table's padding is not zero"))
        << padded_error;
    found_padding = true;
    break;
  }
  EXPECT_TRUE(found_padding);

  // A certificate that has expired since it signed counts only with a valid
  // timestamp of the time it signed: a timestamp after its expiry, or one
  // of an authority nobody trusts, leaves it expired.
  error.clear();
  EXPECT_TRUE(VerifyFileSignature(TestFile(L"expired_stamped.exe"), &error)) << error;
  for (const wchar_t* name :
       {L"expired_unstamped.exe", L"expired_stamped_late.exe", L"expired_stamped_untrusted.exe"}) {
    error = Refusal(name);
    EXPECT_TRUE(Contains(error, "Level 0: Refused signer Tarvo Software AS: certificate chain "
                                "status 0x1\n"))
        << error;
  }

  error = Refusal(L"tampered.exe");
  EXPECT_TRUE(Contains(error, "Cannot WinVerifyTrust: ")) << error;

  error = Refusal(L"unsigned.exe");
  EXPECT_TRUE(Contains(error, "Cannot WinVerifyTrust: ")) << error;
  EXPECT_TRUE(Contains(error, "Cannot CryptQueryObject:")) << error;
}

// An open file is judged by the bytes behind its handle, its signature
// included, whatever its path names meanwhile: the path only names it in
// the explanation.
TEST_F(SignatureCheckerTest, AnOpenFileIsJudgedByItsOwnBytes) {
  ScopedTrustedTestRoot root;
  const uint32_t flags =
      base::File::FLAG_OPEN | base::File::FLAG_READ | base::File::FLAG_EXCLUSIVE_WRITE;
  const base::File expected(TestFile(L"expected.exe"), flags);
  const base::File other(TestFile(L"other.exe"), flags);
  std::string error;
  EXPECT_TRUE(VerifyOpenFileSignature(expected, TestFile(L"other.exe"), &error)) << error;
  error.clear();
  EXPECT_FALSE(VerifyOpenFileSignature(other, TestFile(L"expected.exe"), &error));
  EXPECT_TRUE(Contains(error, "Level 0: Tried signer Other Publisher\n")) << error;
}

TEST_F(SignatureCheckerTest, WithoutTheRootNothingIsTrusted) {
  // Other shards may trust the root right now; only files that no root
  // helps are checked here.
  for (const wchar_t* name : {L"selfsigned.exe", L"untrusted.exe", L"evil_nested.exe", L"unsigned.exe"})
    Refusal(name);
}

TEST(HasCertificateTableTest, TellsSignedFromUnsignedImages) {
  bool has_table = false;
  EXPECT_TRUE(HasCertificateTable(TestFile(L"expected.exe"), &has_table));
  EXPECT_TRUE(has_table);
  EXPECT_TRUE(HasCertificateTable(TestFile(L"unsigned.exe"), &has_table));
  EXPECT_FALSE(has_table);
  // The test program itself is not signed.
  EXPECT_FALSE(RunningImageHasCertificateTable());

  base::ScopedTempDir temp_dir;
  ASSERT_TRUE(temp_dir.CreateUniqueTempDir());
  const base::FilePath text = temp_dir.GetPath().Append(L"readme.txt");
  ASSERT_TRUE(base::WriteFile(text, "MZ is not enough to be a program\n"));
  EXPECT_FALSE(HasCertificateTable(text, &has_table));
  EXPECT_FALSE(HasCertificateTable(temp_dir.GetPath().Append(L"missing.exe"), &has_table));

  // Headers cut off inside the optional header.
  std::string image;
  ASSERT_TRUE(base::ReadFileToString(TestFile(L"expected.exe"), &image));
  const base::FilePath cut = temp_dir.GetPath().Append(L"cut.exe");
  ASSERT_TRUE(base::WriteFile(cut, image.substr(0, 0x100)));
  EXPECT_FALSE(HasCertificateTable(cut, &has_table));
}

}  // namespace
