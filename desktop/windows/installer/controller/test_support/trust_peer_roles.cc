// Other processes of the user that the trust end-to-end scenarios start
// beside a real installer (controller/trust_end_to_end_test.py). Each says
// what it did on its standard output, one line.

#include <windows.h>

#include <winternl.h>

#include <tlhelp32.h>

#include <cstdio>
#include <string>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/process/launch.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/ipc/ipc_names.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "testing/test_child_process.h"

namespace {

base::CommandLine OwnCommandLine() {
  return base::CommandLine::FromString(GetCommandLineW());
}

void Say(const std::string& line) {
  printf("%s\n", line.c_str());
  fflush(stdout);
}

// The command line of another process, read from its parameters block.
std::wstring ReadCommandLine(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic = {};
  PEB peb = {};
  RTL_USER_PROCESS_PARAMETERS parameters = {};
  SIZE_T read = 0;
  using QueryFunction = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryFunction>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess"));
  if (!query || query(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0 ||
      !ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), &read) ||
      !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof(parameters),
                         &read)) {
    return std::wstring();
  }
  std::wstring text(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, text.data(),
                         parameters.CommandLine.Length, &read)) {
    return std::wstring();
  }
  return text;
}

// A process of `image` whose command line holds `text`, opened with
// `access` (and what reading its command line needs); invalid when none.
base::win::ScopedHandle FindProcess(const wchar_t* image, const wchar_t* text, DWORD access) {
  base::win::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL found = snapshot.IsValid() && Process32FirstW(snapshot.Get(), &entry); found;
       found = Process32NextW(snapshot.Get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, image) != 0)
      continue;
    base::win::ScopedHandle process(OpenProcess(
        access | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID));
    if (process.IsValid() && ReadCommandLine(process.Get()).find(text) != std::wstring::npos)
      return process;
  }
  return base::win::ScopedHandle();
}

}  // namespace

// Holds the installer mutex "--mutex=" names and the mailslot "--mailslot="
// names (either may be left out), says "holding", reads what reaches the
// mailslot until the file "--until=" exists, then says how many messages it
// got.
TEST_CHILD_ROLE(hold_named_objects) {
  const base::CommandLine command_line = OwnCommandLine();
  base::win::ScopedHandle mutex;
  HANDLE mailslot = INVALID_HANDLE_VALUE;
  if (command_line.HasSwitch("mutex")) {
    mutex.Set(CreateMutexW(nullptr, TRUE, command_line.GetSwitchValueNative("mutex").c_str()));
    if (!mutex.IsValid())
      return 2;
  }
  if (command_line.HasSwitch("mailslot")) {
    mailslot = CreateMailslotW(
        GetMailslotFullName(command_line.GetSwitchValueNative("mailslot")).c_str(), 0, 100,
        nullptr);
    if (mailslot == INVALID_HANDLE_VALUE)
      return 3;
  }
  Say("holding");
  const base::FilePath until = command_line.GetSwitchValuePath("until");
  const base::TimeTicks end = base::TimeTicks::Now() + base::TimeDelta::FromMinutes(4);
  int received = 0;
  while (!base::PathExists(until) && base::TimeTicks::Now() < end) {
    char buffer[4096];
    DWORD bytes = 0;
    if (mailslot == INVALID_HANDLE_VALUE)
      Sleep(100);
    else if (ReadFile(mailslot, buffer, sizeof(buffer), &bytes, nullptr) && bytes > 0)
      ++received;
  }
  if (mailslot != INVALID_HANDLE_VALUE)
    CloseHandle(mailslot);
  Say("received " + std::to_string(received));
  return 0;
}

// Ends the first installer backend it sees (an "installer.exe" whose
// command line holds "--backend", or the text "--text=" gives), from
// outside and with exit code 0, within "--seconds=".
TEST_CHILD_ROLE(end_backend_with_zero) {
  const base::CommandLine command_line = OwnCommandLine();
  int seconds = 0;
  base::StringToInt(command_line.GetSwitchValueASCII("seconds"), &seconds);
  const std::wstring text = command_line.HasSwitch("text")
                                ? command_line.GetSwitchValueNative("text")
                                : std::wstring(L"--backend");
  const base::TimeTicks end = base::TimeTicks::Now() + base::TimeDelta::FromSeconds(seconds);
  while (base::TimeTicks::Now() < end) {
    base::win::ScopedHandle backend =
        FindProcess(L"installer.exe", text.c_str(), PROCESS_TERMINATE | SYNCHRONIZE);
    if (backend.IsValid() && TerminateProcess(backend.Get(), 0)) {
      WaitForSingleObject(backend.Get(), 10000);
      Say("ended a backend with 0");
      return 0;
    }
    Sleep(20);
  }
  Say("no backend seen");
  return 3;
}

// Asks the installer "--installer=" names for a grant of "--folder=" as a
// backend of an earlier version would, naming no requester: makes the
// grant's events, starts the helper, waits for the grant, and says whether
// the helper still holds it two seconds later. It leaves without Undo; the
// helper must then end with it.
TEST_CHILD_ROLE(request_folder_grant) {
  const base::CommandLine command_line = OwnCommandLine();
  const std::wstring folder = command_line.GetSwitchValueNative("folder");
  base::win::ScopedHandle done(CreateEventW(
      nullptr, FALSE, FALSE,
      MakeKernelObjectName(folder, kGivePermissionEventName, /*global=*/false).c_str()));
  base::win::ScopedHandle undo(CreateEventW(
      nullptr, FALSE, FALSE,
      MakeKernelObjectName(folder, kGivePermissionUndoEventName, /*global=*/false).c_str()));
  std::wstring user;
  if (!done.IsValid() || !undo.IsValid() || !GetCurrentUserName(&user))
    return 2;
  base::CommandLine helper_command_line(command_line.GetSwitchValuePath("installer"));
  helper_command_line.AppendSwitchNative("set-folder-permission", folder);
  helper_command_line.AppendSwitchNative("permissions-for-user", user);
  base::Process helper = base::LaunchProcess(helper_command_line, base::LaunchOptions());
  if (!helper.IsValid())
    return 3;
  HANDLE handles[] = {done.Get(), helper.Handle()};
  if (WaitForMultipleObjects(2, handles, FALSE, 60000) != WAIT_OBJECT_0) {
    Say("no grant");
    return 4;
  }
  if (WaitForSingleObject(helper.Handle(), 2000) != WAIT_TIMEOUT) {
    Say("the helper took the grant back");
    return 5;
  }
  Say("granted and held");
  return 0;
}
