#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_PACKAGE_VERIFIER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_PACKAGE_VERIFIER_H_

#include <memory>

#include "base/files/file.h"
#include "base/files/file_path.h"

class PayloadManager;

// Decides whether the backend may unpack the package archive it was
// pointed at. The folder and the package-ready event that lead here come
// from the UI side, which any program of the user can imitate, and the
// elevated backend of an all-users installation reads them from the
// user's temporary folder: so the backend trusts neither, and judges the
// bytes it holds itself, from a handle nobody can change, rename or delete
// the file behind while it is open. The unpacker then reads that handle:
// nothing can come between the check and the unpacking.
class PackageVerifier {
 public:
  virtual ~PackageVerifier() = default;

  // Opens `archive` for reading, shared for reading only, and checks the
  // bytes behind that handle. True with `file` holding the handle when the
  // package may be unpacked from it; otherwise the error record says why.
  virtual bool OpenVerified(const base::FilePath& archive, base::File* file) = 0;

  // After the package that OpenVerified accepted was unpacked into
  // `folder`, before anything of it runs: whether it may run. Checks what
  // OpenVerified could not judge from the archive itself; otherwise the
  // error record says why not.
  virtual bool VerifyUnpacked(const base::FilePath& folder) = 0;
};

// The rules:
//  - an installer that carries the whole package accepts only those very
//    bytes, signed or not;
//  - otherwise a signed installer accepts only a package signed by the
//    expected signer (the signature covers the archive inside it) and not
//    older than itself, of its own stream, as its package fetcher does: the
//    signer's older packages are genuine too, and one planted in the
//    package folder would take the installation back to that version. The
//    version is the package's own version resource; a package without one
//    is judged by the version resource of the installer.exe it unpacks,
//    before that runs;
//  - an unsigned installer (a developer's or a test's build) has nothing
//    to check a downloaded package against and accepts it, as its package
//    fetcher does.
class PackageVerifierImpl : public PackageVerifier {
 public:
  // `payload` is the running installer's appended payload, read at start-up
  // (null: none); `signature_required` whether the running installer is a
  // signed one. Neither is looked up again later.
  PackageVerifierImpl(const PayloadManager* payload, bool signature_required);
  ~PackageVerifierImpl() override;
  PackageVerifierImpl(const PackageVerifierImpl&) = delete;
  PackageVerifierImpl& operator=(const PackageVerifierImpl&) = delete;

  // The verifier of this process's own installer: its payload and whether
  // its loaded image carries a certificate table.
  static std::unique_ptr<PackageVerifier> ForRunningInstaller(const PayloadManager* payload);

  bool OpenVerified(const base::FilePath& archive, base::File* file) override;
  bool VerifyUnpacked(const base::FilePath& folder) override;

 private:
  // Whether `file` holds exactly the payload's package.
  bool MatchesPayload(const base::File& file) const;
  // The version rule for the signed package behind `file`.
  bool CheckPackageVersion(const base::File& file, const base::FilePath& archive);

  const PayloadManager* const payload_;
  const bool signature_required_;
  // A signed package without a version of its own, whose unpacked
  // installer is judged instead; empty when none is pending.
  base::FilePath version_pending_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_PACKAGE_VERIFIER_H_
