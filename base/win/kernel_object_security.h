#ifndef BASE_WIN_KERNEL_OBJECT_SECURITY_H_
#define BASE_WIN_KERNEL_OBJECT_SECURITY_H_

#include <windows.h>

#include <string>

// Who may use the named objects that the installer's processes share (the
// installer mutex, the mailslot, the installation's and the folder grant's
// events, the UI lock, the crash reporter's pipe and events): the user,
// SYSTEM and the Administrators (an elevated copy may run as another
// administrator), and nobody else. Other users and processes of a lower
// integrity cannot write to the mailslot or set the events.
class KernelObjectSecurity {
 public:
  enum class Integrity {
    // The creator's own integrity level guards the object.
    kCreators,
    // Processes of low integrity (of the same user) may write it too.
    kLowMayWrite,
  };

  explicit KernelObjectSecurity(Integrity integrity = Integrity::kCreators);
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

  // A new named event, not set, open only to those above. One that exists
  // already is taken only when one of those owns it (an earlier run's, whose
  // signal is cleared); anything else was planted by someone who could set
  // it at will, and gives null.
  static HANDLE CreateOwnEvent(const std::wstring& name, bool manual_reset);

  // A new named mutex, not owned, open only to those above. One that exists
  // already is taken as it is: whoever holds it can only make the caller
  // wait, and callers bound their waits.
  static HANDLE CreateOwnMutex(const std::wstring& name);

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_ = {};
};

#endif  // BASE_WIN_KERNEL_OBJECT_SECURITY_H_
