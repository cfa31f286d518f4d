#include "desktop/windows/installer/utils/run_secret.h"

#include <cstring>
#include <utility>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/rand_util.h"
#include "desktop/windows/installer/utils/handle_text.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/process_id_text.h"
#include "desktop/windows/installer/utils/security_util.h"

namespace {

// Opens `pid` to copy a handle out of it. An elevated copy that runs as
// another administrator may open the user's process only with the debug
// privilege.
base::win::ScopedHandle OpenOwner(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
  const DWORD error = GetLastError();
  base::win::ScopedHandle owner(process);
  if (owner.IsValid() || error != ERROR_ACCESS_DENIED)
    return owner;
  SecurityUtil* security = GetSecurityUtil();
  if (!security->EnablePrivilege(SE_DEBUG_NAME, /*enable=*/true))
    return owner;
  owner.Set(OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid));
  security->EnablePrivilege(SE_DEBUG_NAME, /*enable=*/false);
  return owner;
}

// The first kSize bytes of the section `section`; false when it is no
// section or a smaller one.
bool ReadSection(HANDLE section, std::string* bytes) {
  const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0);
  if (!view)
    return false;
  MEMORY_BASIC_INFORMATION region = {};
  const bool whole =
      VirtualQuery(view, &region, sizeof(region)) != 0 && region.RegionSize >= RunSecret::kSize;
  if (whole)
    bytes->assign(static_cast<const char*>(view), RunSecret::kSize);
  UnmapViewOfFile(view);
  return whole;
}

}  // namespace

RunSecret::RunSecret() = default;
RunSecret::RunSecret(std::string bytes) : bytes_(std::move(bytes)) {}
RunSecret::~RunSecret() = default;
RunSecret::RunSecret(const RunSecret&) = default;
RunSecret& RunSecret::operator=(const RunSecret&) = default;

RunSecret RunSecret::Generate() {
  return RunSecret(base::RandBytesAsString(kSize));
}

RunSecret RunSecret::FromBytesForTesting(std::string bytes) {
  DCHECK_EQ(kSize, bytes.size());
  return RunSecret(std::move(bytes));
}

RunSecret RunSecret::TakeFromCommandLine(const base::CommandLine& command_line) {
  if (!command_line.HasSwitch(switches::kRunSecretHandle))
    return RunSecret();
  HANDLE value = nullptr;
  if (!DecodeHandleText(command_line.GetSwitchValueASCII(switches::kRunSecretHandle), &value)) {
    LOG(ERROR) << "Failed parsing the run's secret handle";
    return RunSecret();
  }
  std::string bytes;
  if (!command_line.HasSwitch(switches::kRunSecretOwner)) {
    // Inherited: ours to close, but only once it has proved to be the
    // section, never some other handle of this process.
    if (!ReadSection(value, &bytes)) {
      LOG(ERROR) << "The inherited handle holds no run secret";
      return RunSecret();
    }
    CloseHandle(value);
    return RunSecret(std::move(bytes));
  }
  DWORD pid = 0;
  if (!ParseProcessIdText(command_line.GetSwitchValueNative(switches::kRunSecretOwner), &pid)) {
    LOG(ERROR) << "Failed parsing the run secret's owner";
    return RunSecret();
  }
  base::win::ScopedHandle owner = OpenOwner(pid);
  HANDLE copied = nullptr;
  if (!owner.IsValid() || !DuplicateHandle(owner.Get(), value, GetCurrentProcess(), &copied,
                                           FILE_MAP_READ, FALSE, 0)) {
    PLOG(ERROR) << "Could not copy the run's secret from process " << pid;
    return RunSecret();
  }
  base::win::ScopedHandle section(copied);
  if (!ReadSection(section.Get(), &bytes)) {
    LOG(ERROR) << "The run secret's handle holds no secret";
    return RunSecret();
  }
  return RunSecret(std::move(bytes));
}

bool RunSecret::Matches(std::string_view candidate) const {
  if (bytes_.empty() || candidate.size() != bytes_.size())
    return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < bytes_.size(); ++i)
    difference |= static_cast<unsigned char>(bytes_[i] ^ candidate[i]);
  return difference == 0;
}

base::win::ScopedHandle RunSecret::Share(bool inheritable) const {
  if (bytes_.empty())
    return base::win::ScopedHandle();
  base::win::ScopedHandle section(
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSize, nullptr));
  if (!section.IsValid())
    return base::win::ScopedHandle();
  void* view = MapViewOfFile(section.Get(), FILE_MAP_WRITE, 0, 0, kSize);
  if (!view)
    return base::win::ScopedHandle();
  std::memcpy(view, bytes_.data(), kSize);
  UnmapViewOfFile(view);
  // The reader's handle may only read.
  HANDLE shared = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), section.Get(), GetCurrentProcess(), &shared,
                       FILE_MAP_READ, inheritable, 0)) {
    return base::win::ScopedHandle();
  }
  return base::win::ScopedHandle(shared);
}

void RunSecret::AppendSwitches(HANDLE shared, base::ProcessId owner,
                               base::CommandLine* command_line) {
  command_line->AppendSwitchASCII(switches::kRunSecretHandle, EncodeHandleText(shared));
  if (owner != base::kNullProcessId)
    command_line->AppendSwitchASCII(switches::kRunSecretOwner, std::to_string(owner));
}
