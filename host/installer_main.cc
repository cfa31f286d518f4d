// installer.exe: loads the installer engine DLL that lies beside it and runs
// it. Plain Win32 on purpose: nothing here may depend on the engine's code.

#include <windows.h>

#include <string>

#include "host/host_exit_codes.h"

namespace {

constexpr wchar_t kEngineFileName[] = L"installer_engine.dll";
constexpr char kEntryPointName[] = "RunInstaller";

using RunInstallerFunction = unsigned int (*)();
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// Present from Windows 8 (and Windows 7 with KB2533623); looked up so that
// the host still starts where it is missing.
SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories() {
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  if (!kernel32)
    return nullptr;
  return reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      GetProcAddress(kernel32, "SetDefaultDllDirectories"));
}

std::wstring GetOwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768)
      return std::wstring();
    path.resize(path.size() * 2);
  }
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty())
    return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                 nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  }
  return out;
}

// No window: the host may run unattended, where a message box would wait for
// ever. stderr of a GUI program is only visible when someone redirected it.
void ReportFailure(const std::wstring& what, DWORD error) {
  std::wstring text = L"installer: " + what + L" (error " + std::to_wstring(error) + L")\n";
  OutputDebugStringW(text.c_str());
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err && err != INVALID_HANDLE_VALUE) {
    std::string utf8 = ToUtf8(text);
    DWORD written = 0;
    WriteFile(err, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  // Before any other load: keep the current and the PATH folders out of the
  // search for the DLLs that are loaded from here on.
  SetDefaultDllDirectoriesFunction set_default_dll_directories = FindSetDefaultDllDirectories();
  if (set_default_dll_directories)
    set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);

  std::wstring own_path = GetOwnPath();
  size_t separator = own_path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) {
    ReportFailure(L"cannot find the folder of the installer", GetLastError());
    return tarvo_host::kExitNoOwnPath;
  }
  // Always a full path: a bare name would let the search order pick the DLL.
  std::wstring engine_path = own_path.substr(0, separator + 1) + kEngineFileName;

  // The engine's own imports come from its folder and from System32 only.
  DWORD flags = set_default_dll_directories
                    ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                    : LOAD_WITH_ALTERED_SEARCH_PATH;
  HMODULE engine = LoadLibraryExW(engine_path.c_str(), nullptr, flags);
  if (!engine) {
    ReportFailure(L"cannot load " + engine_path, GetLastError());
    return tarvo_host::kExitEngineNotLoaded;
  }
  auto run_installer =
      reinterpret_cast<RunInstallerFunction>(GetProcAddress(engine, kEntryPointName));
  if (!run_installer) {
    ReportFailure(L"no RunInstaller in " + engine_path, GetLastError());
    return tarvo_host::kExitNoEntryPoint;
  }
  // The engine stays loaded until the process ends: its threads may still
  // be finishing when RunInstaller returns.
  return static_cast<int>(run_installer());
}
