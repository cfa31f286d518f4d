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

// Who could have written a record of a run's own (a journal), judged
// exactly: kOthers unless its owner and everyone its access list allows are
// SYSTEM, the Administrators or the current user (`current_user`, as SDDL
// text, counted as `user_class`), and unless the list takes nothing from
// its folder. A list takes from its folder when it has an inherited entry,
// or follows its folder's (auto-inherited and not protected): then whoever
// may change the folder's list could give themselves the record, write it
// and take the grant back unseen. A list that neither is protected nor
// follows its folder (every file's under Wine, which keeps no more than
// the Unix permissions) has nothing to take. A missing owner or list gives
// kOthers; deny entries only narrow and are passed over.
ObjectWriters GetRecordWriters(PSECURITY_DESCRIPTOR descriptor, const std::wstring& current_user,
                               ObjectWriters user_class);

// Whether `writers` could change the keys under `root` themselves (the
// current user's root takes the user, the machine's only the
// administrators), so that a record they can plant asks nothing of a run
// that they could not do.
bool CanChangeRegistryRoot(ObjectWriters writers, HKEY root);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_OBJECT_WRITERS_H_
