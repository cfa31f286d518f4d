#ifndef TESTING_PROGRAM_RUNNER_H_
#define TESTING_PROGRAM_RUNNER_H_

// For test programs that stand alone (without base/) and start the programs
// under test as real processes.

#include <windows.h>

#include <string>

namespace testing_support {

// The folder of the running executable, without a trailing backslash.
inline std::wstring ExecutableFolder() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring own(path, length);
  return own.substr(0, own.find_last_of(L'\\'));
}

// The whole file; empty when it cannot be opened.
inline std::string ReadWholeFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return std::string();
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

struct ProgramRun {
  // False when the program did not start or was killed after the time limit.
  bool finished = false;
  DWORD exit_code = 0;
  // Standard output and standard error together.
  std::string output;
};

// Runs |exe| with |arguments| (already quoted) in |current_folder| (null:
// this process's), without standard input, and waits at most 30 seconds
// before killing it.
inline ProgramRun RunProgram(const std::wstring& exe, const std::wstring& arguments,
                             const wchar_t* current_folder = nullptr) {
  ProgramRun result;
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 1 << 16))
    return result;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                current_folder, &startup, &process);
  CloseHandle(write_end);
  if (started) {
    // Drain the pipe while waiting: a program that writes more than the
    // pipe holds would otherwise block until it is killed.
    const ULONGLONG deadline = GetTickCount64() + 30000;
    char buffer[4096];
    while (true) {
      DWORD available = 0, read = 0;
      while (PeekNamedPipe(read_end, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
             ReadFile(read_end, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        result.output.append(buffer, read);
      }
      if (result.finished) break;  // exited and drained
      if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0) {
        result.finished = true;
        GetExitCodeProcess(process.hProcess, &result.exit_code);
      } else if (GetTickCount64() >= deadline) {
        TerminateProcess(process.hProcess, 1);
        break;
      }
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(read_end);
  return result;
}

}  // namespace testing_support

#endif  // TESTING_PROGRAM_RUNNER_H_
