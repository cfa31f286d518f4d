#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_KERNEL_OBJECT_SECURITY_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_KERNEL_OBJECT_SECURITY_H_

#include <windows.h>

// Who may use the named objects that tie one installation's processes
// together (the installer mutex, the mailslot, the installation's events):
// the user, SYSTEM and the Administrators (an elevated copy may run as
// another administrator), and nobody else. Other users and processes of a
// lower integrity cannot write to the mailslot or set the events.
class KernelObjectSecurity {
 public:
  KernelObjectSecurity();
  ~KernelObjectSecurity();
  KernelObjectSecurity(const KernelObjectSecurity&) = delete;
  KernelObjectSecurity& operator=(const KernelObjectSecurity&) = delete;

  // Null when the descriptor could not be built: the caller then refuses
  // to make the object rather than make it open to everyone. Valid until
  // the next call.
  SECURITY_ATTRIBUTES* Get(bool inheritable);

  // For an object that already existed when this process asked to create
  // it: whether its owner is the user, SYSTEM or the Administrators, as for
  // one an earlier installer of this user made. Anything else was planted.
  static bool HasTrustedOwner(HANDLE object);

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_ = {};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_KERNEL_OBJECT_SECURITY_H_
