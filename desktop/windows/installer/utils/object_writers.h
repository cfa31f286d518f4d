#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_OBJECT_WRITERS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_OBJECT_WRITERS_H_

#include <windows.h>

#include <string>

// Who besides Windows itself may change a file or folder, and so plant what
// a later run reads there.
enum class ObjectWriters {
  // SYSTEM, the Administrators and TrustedInstaller only.
  kAdministrators,
  // Those and the current user.
  kCurrentUser,
  // Anyone else too, or it cannot be told.
  kOthers,
};

// The writers a security descriptor (with owner and access list) lets in.
// The owner may always rewrite the list. An allow entry counts when it
// applies to the object itself (not inherit-only) and grants writing,
// appending, deleting, removing children, or changing the list or the
// owner; CREATOR OWNER stands for nobody on the object itself, OWNER RIGHTS
// for its owner. `current_user` is the current user's SID as SDDL text. A
// missing access list lets everyone in.
ObjectWriters GetObjectWriters(PSECURITY_DESCRIPTOR descriptor, const std::wstring& current_user);

// Whether `writers` could change the keys under `root` themselves (the
// current user's root takes the user, the machine's only the
// administrators), so that a record they can plant asks nothing of a run
// that they could not do.
bool CanChangeRegistryRoot(ObjectWriters writers, HKEY root);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_OBJECT_WRITERS_H_
