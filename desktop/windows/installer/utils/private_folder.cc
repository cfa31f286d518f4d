#include "desktop/windows/installer/utils/private_folder.h"

#include <windows.h>

#include <sddl.h>

#include <memory>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/rand_util.h"
#include "base/strings/stringprintf.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

// Names tried after the first choice before giving up: a clash of random
// tokens never happens, so running out means something else is wrong.
constexpr int kMaxTokenTries = 16;

struct LocalFreeDeleter {
  void operator()(void* memory) const { LocalFree(memory); }
};
using ScopedDescriptor = std::unique_ptr<void, LocalFreeDeleter>;

ScopedDescriptor MakePrivateDescriptor() {
  const std::wstring sddl = GetPrivateFolderSddl();
  if (sddl.empty())
    return nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return nullptr;
  }
  return ScopedDescriptor(descriptor);
}

}  // namespace

std::wstring GetPrivateFolderSddl() {
  const std::wstring user = GetCurrentUserSid();
  if (user.empty())
    return std::wstring();
  return L"D:P(A;OICI;FA;;;" + user + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
}

std::wstring RandomNameToken() {
  return base::StringPrintf(L"%016llx", static_cast<unsigned long long>(base::RandUint64()));
}

bool CreateNewPrivateFolder(const base::FilePath& folder) {
  const ScopedDescriptor descriptor = MakePrivateDescriptor();
  if (!descriptor) {
    PLOG(ERROR) << "Cannot make the access list of " << folder;
    return false;
  }
  const base::FilePath parent = folder.DirName();
  if (parent != folder && !base::DirectoryExists(parent) && !base::CreateDirectory(parent)) {
    PLOG(ERROR) << "Cannot make " << parent;
    return false;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.get(), FALSE};
  if (CreateDirectoryW(folder.value().c_str(), &attributes))
    return true;
  // ERROR_ALREADY_EXISTS included: whatever is there is not ours.
  const DWORD error = GetLastError();
  LOG(WARNING) << "Cannot make the new folder " << folder << ": error " << error;
  SetLastError(error);
  return false;
}

bool CreateFreshPrivateFolder(const base::FilePath& first_choice, base::FilePath* made) {
  DCHECK(made);
  base::FilePath candidate = first_choice;
  for (int tries = 0; tries <= kMaxTokenTries; ++tries) {
    if (CreateNewPrivateFolder(candidate)) {
      *made = candidate;
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
    candidate = base::FilePath(first_choice.value() + L"_" + RandomNameToken());
  }
  return false;
}

bool RenameFolderToNewPath(const base::FilePath& from, const base::FilePath& to) {
  if (MoveFileExW(from.value().c_str(), to.value().c_str(), 0))
    return true;
  PLOG(ERROR) << "Cannot rename " << from << " to " << to;
  return false;
}
