#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_HELD_INSTALLER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_HELD_INSTALLER_H_

#include "base/files/file.h"
#include "base/files/file_path.h"

// The installer executable of a folder that is not this process's own, and
// the engine library it loads from beside itself, held open for reading and
// shared for reading only: while held, nobody can change, replace or rename
// either, so the program started is the program checked, and the engine it
// loads is the engine checked. Hold it until the started process has ended:
// the engine is loaded after the start.
//
// The rule, the backend's for a package it did not unpack itself: a signed
// installer runs only an installer and engine that both carry the expected
// signer; an unsigned build (a developer's or a test's) runs what it finds,
// as it accepts unsigned packages too.
class HeldInstaller {
 public:
  HeldInstaller();
  ~HeldInstaller();
  HeldInstaller(const HeldInstaller&) = delete;
  HeldInstaller& operator=(const HeldInstaller&) = delete;

  // Opens "installer.exe" and the engine in `folder` and checks them by the
  // rule above (`signature_required`: whether this process is a signed
  // build). False, holding nothing, when either cannot be opened so or
  // fails the check.
  bool Open(const base::FilePath& folder, bool signature_required);

  // The held executable's path; empty until Open succeeded.
  const base::FilePath& program() const { return program_path_; }

 private:
  base::FilePath program_path_;
  base::File program_;
  base::File engine_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_HELD_INSTALLER_H_
