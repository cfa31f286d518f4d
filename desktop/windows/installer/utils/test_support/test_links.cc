#include "desktop/windows/installer/utils/test_support/test_links.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"

namespace {

bool Exists(const base::FilePath& link) {
  return ::GetFileAttributesW(link.value().c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A junction: a mount point reparse point on an empty folder.
bool MakeJunction(const base::FilePath& link, const base::FilePath& target) {
  if (!::CreateDirectoryW(link.value().c_str(), nullptr))
    return false;
  base::win::ScopedHandle folder(::CreateFileW(
      link.value().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  const std::wstring substitute = L"\\??\\" + target.value();
  const USHORT bytes = static_cast<USHORT>(substitute.size() * sizeof(wchar_t));
  // Tag, data length, reserved; then the substitute and print name offsets
  // and lengths, and the names, each ended by a NUL.
  std::vector<BYTE> buffer(8 + 8 + bytes + 2 * sizeof(wchar_t), 0);
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  const USHORT data_length = static_cast<USHORT>(buffer.size() - 8);
  const USHORT offsets[4] = {0, bytes, static_cast<USHORT>(bytes + sizeof(wchar_t)), 0};
  memcpy(buffer.data(), &tag, sizeof(tag));
  memcpy(buffer.data() + 4, &data_length, sizeof(data_length));
  memcpy(buffer.data() + 8, offsets, sizeof(offsets));
  memcpy(buffer.data() + 16, substitute.c_str(), bytes);
  DWORD returned = 0;
  if (folder.IsValid() &&
      ::DeviceIoControl(folder.Get(), FSCTL_SET_REPARSE_POINT, buffer.data(),
                        static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr)) {
    return true;
  }
  folder.Close();
  ::RemoveDirectoryW(link.value().c_str());
  return false;
}

using UnixNameFunction = char*(CDECL*)(const wchar_t*);

// Wine's own export that tells where a path lies on the host.
std::wstring UnixPath(UnixNameFunction unix_name, const base::FilePath& path) {
  char* name = unix_name(path.value().c_str());
  if (!name)
    return std::wstring();
  std::wstring wide = base::UTF8ToWide(name);
  ::HeapFree(::GetProcessHeap(), 0, name);
  return wide;
}

// Runs a program of the host, under Wine, with `arguments` (host paths).
bool RunOnHost(const wchar_t* program, const std::wstring& arguments) {
  std::wstring command = arguments;
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return false;
  }
  // Wine starts a host program without handing back handles: it leaves no
  // process handle and stale values in the rest, which may by now name
  // another handle of this process. Only a real process handle comes with
  // handles to close.
  if (process.hProcess) {
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  return true;
}

UnixNameFunction GetUnixNameFunction() {
  return reinterpret_cast<UnixNameFunction>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
}

bool MakeHostLink(const base::FilePath& link, const base::FilePath& target) {
  UnixNameFunction unix_name = GetUnixNameFunction();
  if (!unix_name)
    return false;
  const std::wstring from = UnixPath(unix_name, target);
  const std::wstring to = UnixPath(unix_name, link);
  if (from.empty() || to.empty() ||
      !RunOnHost(L"Z:\\bin\\ln", L"ln -s \"" + from + L"\" \"" + to + L"\"")) {
    return false;
  }
  // A host program cannot always be waited for: look for its work instead.
  for (int i = 0; i < 100 && !Exists(link); ++i)
    ::Sleep(50);
  return Exists(link);
}

void RemoveHostLink(const base::FilePath& link) {
  UnixNameFunction unix_name = GetUnixNameFunction();
  const std::wstring path = unix_name ? UnixPath(unix_name, link) : std::wstring();
  if (path.empty() || !RunOnHost(L"Z:\\bin\\rm", L"rm -f \"" + path + L"\""))
    return;
  for (int i = 0; i < 100 && Exists(link); ++i)
    ::Sleep(50);
}

}  // namespace

TestLinks::TestLinks() = default;

TestLinks::~TestLinks() {
  for (const Made& made : made_) {
    if (made.on_host) {
      RemoveHostLink(made.link);
    } else if (!::RemoveDirectoryW(made.link.value().c_str())) {
      ::DeleteFileW(made.link.value().c_str());
    }
  }
}

bool TestLinks::Make(const base::FilePath& link, const base::FilePath& target) {
  const bool folder = base::DirectoryExists(target);
  const DWORD flags =
      (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
  if ((folder && MakeJunction(link, target)) ||
      (::CreateSymbolicLinkW(link.value().c_str(), target.value().c_str(), flags) &&
       Exists(link))) {
    made_.push_back({link, /*on_host=*/false});
    return true;
  }
  if (!MakeHostLink(link, target))
    return false;
  made_.push_back({link, /*on_host=*/true});
  return true;
}
